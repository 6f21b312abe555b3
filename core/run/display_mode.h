// A screen mode: the size of the surface a run draws on and its depth.
#pragma once

#include <cstdint>

struct DisplayMode {
    int16_t width;
    int16_t height;
    int16_t bitsPerPixel;  // 32, or 16 for 5-6-5 words
};

// The widest and tallest surface a mode describes.
constexpr int64_t kLargestSide = 32767;

// A surface side in pixels as a mode holds it: 1 .. kLargestSide.
constexpr int16_t ModeSide(int64_t pixels)
{
    return static_cast<int16_t>(pixels < 1 ? 1 : pixels > kLargestSide ? kLargestSide : pixels);
}
