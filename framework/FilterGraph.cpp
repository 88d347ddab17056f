#include "framework/FilterGraph.h"
