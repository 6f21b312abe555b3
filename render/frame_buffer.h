// Geometry of the frame buffer: the off-screen picture of the centred figure area.
// Pixels are row-major from the top row, frameWidth words per row, 0 = black.
// The saver run sizes it; the plotting passes read it.
#pragma once

#include <cstdint>

extern int16_t frameWidth;
extern int16_t frameHeight;
extern int32_t pixelCount;
