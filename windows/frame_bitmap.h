// The bitmap each frame goes through on its way to the back buffer.
#pragma once

#include <cstdint>

#include <windows.h>

// At 32 bits a display-compatible bitmap takes the frame's words as they are. At
// 16 bits the layout of such a bitmap is the display driver's choice (Wine's is
// 5-5-5, which would show the 5-6-5 pixels in the wrong colours), so the frame
// goes through a DIB section that declares the 5-6-5 layout, its rows copied in
// each frame.
struct FrameBitmap {
    HBITMAP handle = nullptr;
    uint8_t* rows = nullptr;  // bits of the 5-6-5 bitmap; null for a compatible one
    int32_t stride = 0;       // its rows are padded to whole 32-bit words
    int32_t width = 0;
    int32_t height = 0;
};

// A display-compatible bitmap of width x height pixels (one plane, the given
// depth, uncompressed, top row first once its bits are set).
HBITMAP CreateFrameBitmap(HDC dc, int32_t width, int32_t height, int bitsPerPixel);

// The frame's bitmap for a width x height frame at the mode's depth; its handle is
// null when it cannot be made.
FrameBitmap MakeFrameBitmap(HDC dc, int32_t width, int32_t height, int bitsPerPixel);

// Replaces the bitmap's picture with the frame's pixels (bytes of them, rows of
// width words from the top, without padding).
void PutFramePixels(const FrameBitmap& bitmap, const void* pixels, int32_t bytes);

void DeleteFrameBitmap(FrameBitmap& bitmap);
