#include "framework/FilterRegistry.h"
