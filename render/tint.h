// The colour tint: how a plotted level is spread over the three channels.
#pragma once

#include <cstdint>

// Each factor is -1 (inverted), 0 (off) or 1 (plain). factor0 drives blue in 32-bit
// pixels and red in 16-bit ones; factor1 is green; factor2 red (32) or blue (16).
struct ChannelTint {
    int16_t factor0, factor1, factor2;
};

constexpr ChannelTint kGreyTint = {1, 1, 1};

extern ChannelTint channelTint;

// Draws a new tint from a clock-seeded random source; never three equal factors.
void PickTint();
