// A screen mode: the size of the surface a run draws on and its depth.
#pragma once

#include <cstdint>

struct DisplayMode {
    int16_t width;
    int16_t height;
    int16_t bitsPerPixel;  // 32, or 16 for 5-6-5 words
};
