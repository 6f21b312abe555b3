// The process-wide pseudo-random generator and the calendar clock that seeds it.
#pragma once

#include <cstdint>

// Linear congruential generator: state = state * 214013 + 2531011 (mod 2^32),
// each draw is bits 16..30 of the new state, a value from 0 to 32767.
struct RandomSource {
    uint32_t state;
};

extern RandomSource randomSource;

inline void SeedRandom(uint32_t seed) { randomSource.state = seed; }

// One step of the generator on a given state. A pass keeps the state in a local of
// its own, where no pixel store can be thought to reach it, and hands it back at the end.
inline int NextRandom(uint32_t& state)
{
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

inline int NextRandom() { return NextRandom(randomSource.state); }

// The calendar clock in whole seconds since 1970. The platform's own clock is the
// default; tests and tools set a clock of their own so that runs repeat exactly.
using ClockFunction = int64_t (*)();
int64_t ClockSeconds();
void SetClock(ClockFunction clock);  // nullptr restores the system clock

// Seeds the generator from the clock, as every "fresh randomness" user does.
inline void SeedRandomFromClock() { SeedRandom(static_cast<uint32_t>(ClockSeconds())); }
