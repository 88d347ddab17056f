#include "framework/BaseInputPin.h"
