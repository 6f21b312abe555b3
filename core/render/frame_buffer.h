// The frame buffer: the off-screen picture of the centred figure area.
// Pixels are row-major from the top row, frameWidth words per row with nothing
// between rows, 0 = black: 32-bit words 0x00RRGGBB when bitsPerPixel is 32,
// 16-bit 5-6-5 words otherwise.
#pragma once

#include <cstdint>

struct FrameBuffer {
    int16_t frameWidth = 0;
    int16_t frameHeight = 0;
    int32_t pixelCount = 0;    // frameWidth * frameHeight
    int32_t frameOffsetX = 0;  // where the area lies on the screen
    int32_t frameOffsetY = 0;
    int32_t frameBytes = 0;    // bytes of one frame; -1 when too large to address
    int16_t bitsPerPixel = 32;
    void* pixels = nullptr;    // pixelCount words, or null
};
