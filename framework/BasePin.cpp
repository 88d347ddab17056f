#include "framework/BasePin.h"
