#include "framework/MediaSample.h"
