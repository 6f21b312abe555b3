// The colour tint: how a plotted level is spread over the three channels.
#pragma once

#include <cstdint>

#include "core/ifs/random_source.h"

// Each factor is -1 (inverted), 0 (off) or 1 (plain). factor0 drives blue in 32-bit
// pixels and red in 16-bit ones; factor1 is green; factor2 red (32) or blue (16).
struct ChannelTint {
    int16_t factor0, factor1, factor2;
};

constexpr ChannelTint kGreyTint = {1, 1, 1};

// Seeds random with the clock reading now and draws a tint; never three equal factors.
ChannelTint PickTint(RandomSource& random, int64_t now);
