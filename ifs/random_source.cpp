#include "ifs/random_source.h"

#include <ctime>

RandomSource randomSource = {0};

namespace {

int64_t SystemClockSeconds() { return static_cast<int64_t>(std::time(nullptr)); }

ClockFunction currentClock = SystemClockSeconds;

}  // namespace

int64_t ClockSeconds() { return currentClock(); }

void SetClock(ClockFunction clock) { currentClock = clock ? clock : SystemClockSeconds; }
