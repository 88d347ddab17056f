#include "framework/MediaType.h"
