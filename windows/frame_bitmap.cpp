#include "windows/frame_bitmap.h"

#include <cstring>

HBITMAP CreateFrameBitmap(HDC dc, int32_t width, int32_t height, int bitsPerPixel)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitsPerPixel);
    header.biCompression = BI_RGB;
    return CreateDIBitmap(dc, &header, 0, nullptr, nullptr, DIB_RGB_COLORS);
}

FrameBitmap MakeFrameBitmap(HDC dc, int32_t width, int32_t height, int bitsPerPixel)
{
    FrameBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    if (bitsPerPixel != 16) {
        bitmap.handle = CreateFrameBitmap(dc, width, height, bitsPerPixel);
        return bitmap;
    }
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = width;
    info.header.biHeight = -height;  // top row first, as in the frame
    info.header.biPlanes = 1;
    info.header.biBitCount = 16;
    info.header.biCompression = BI_BITFIELDS;
    info.masks[0] = 0xF800;  // red
    info.masks[1] = 0x07E0;  // green
    info.masks[2] = 0x001F;  // blue
    void* bits = nullptr;
    bitmap.handle = CreateDIBSection(dc, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    bitmap.rows = static_cast<uint8_t*>(bits);
    bitmap.stride = (width * 2 + 3) & ~3;
    return bitmap;
}

void PutFramePixels(const FrameBitmap& bitmap, const void* pixels, int32_t bytes)
{
    if (!bitmap.rows) {
        SetBitmapBits(bitmap.handle, static_cast<DWORD>(bytes), pixels);
        return;
    }
    GdiFlush();
    const auto* source = static_cast<const uint8_t*>(pixels);
    const size_t rowBytes = static_cast<size_t>(bitmap.width) * 2;
    for (int32_t row = 0; row < bitmap.height; ++row)
        std::memcpy(bitmap.rows + static_cast<size_t>(row) * static_cast<size_t>(bitmap.stride),
                    source + static_cast<size_t>(row) * rowBytes, rowBytes);
}

void DeleteFrameBitmap(FrameBitmap& bitmap)
{
    if (bitmap.handle) DeleteObject(bitmap.handle);
    bitmap = {};
}
