// The pseudo-random generator of a run and the calendar clock that seeds it.
#pragma once

#include <cstdint>

// Linear congruential generator: state = state * 214013 + 2531011 (mod 2^32),
// each draw is bits 16..30 of the new state, a value from 0 to 32767.
struct RandomSource {
    uint32_t state = 0;
};

inline void SeedRandom(RandomSource& random, uint32_t seed) { random.state = seed; }

// One step on a bare state: a pass keeps its state in a local of its own, where
// no pixel store can be thought to reach it.
inline int NextRandom(uint32_t& state)
{
    state = state * 214013u + 2531011u;
    return static_cast<int>((state >> 16) & 0x7FFFu);
}

inline int NextRandom(RandomSource& random) { return NextRandom(random.state); }

// The calendar clock in whole seconds since 1970. Every "fresh randomness" user
// seeds its generator with the low 32 bits of a reading.
int64_t SystemClockSeconds();

inline void SeedRandomFromClock(RandomSource& random, int64_t seconds)
{
    SeedRandom(random, static_cast<uint32_t>(seconds));
}
