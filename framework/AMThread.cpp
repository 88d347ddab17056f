#include "framework/AMThread.h"
