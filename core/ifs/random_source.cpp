#include "core/ifs/random_source.h"

#include <ctime>

int64_t SystemClockSeconds() { return static_cast<int64_t>(std::time(nullptr)); }
