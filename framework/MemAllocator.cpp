#include "framework/MemAllocator.h"
