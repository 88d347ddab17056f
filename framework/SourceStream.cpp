#include "framework/SourceStream.h"
