#include "framework/BaseOutputPin.h"
