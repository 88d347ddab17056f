#include "framework/PosPassThru.h"
