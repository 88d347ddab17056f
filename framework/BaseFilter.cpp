#include "framework/BaseFilter.h"
