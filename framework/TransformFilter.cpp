#include "framework/TransformFilter.h"
