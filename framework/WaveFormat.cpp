#include "framework/WaveFormat.h"
