#include "framework/TransInPlaceFilter.h"
