#include "app/run_saver_win32.h"

#include <cstdlib>
#include <cstring>

#include "app/exit_triggers.h"
#include "app/saver_run.h"
#include "app/saver_window_win32.h"
#include "display/full_screen_win32.h"
#include "display/video_modes.h"
#include "render/frame_buffer.h"
#include "settings/settings.h"

namespace {

// A display-compatible bitmap of width x height pixels (one plane, the mode's
// depth, uncompressed, top row first once its bits are set).
HBITMAP CreateFrameBitmap(int width, int height, int bitsPerPixel)
{
    BITMAPINFOHEADER header = {};
    header.biSize = sizeof header;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = static_cast<WORD>(bitsPerPixel);
    header.biCompression = BI_RGB;
    return CreateDIBitmap(saverDC, &header, 0, nullptr, nullptr, DIB_RGB_COLORS);
}

// The bitmap each frame goes through. At 32 bits a display-compatible bitmap
// takes the FrameBuffer's words as they are. At 16 bits the layout of such a
// bitmap is the display driver's choice (Wine's is 5-5-5, which would show the
// 5-6-5 pixels in the wrong colours), so the frame goes through a bitmap that
// declares the 5-6-5 layout, its rows copied in each frame.
struct FrameBitmap {
    HBITMAP handle = nullptr;
    uint8_t* rows = nullptr;  // bits of the 5-6-5 bitmap; null for a compatible one
    int32_t stride = 0;       // its rows are padded to whole 32-bit words
};

FrameBitmap MakeFrameBitmap(int bitsPerPixel)
{
    FrameBitmap bitmap;
    if (bitsPerPixel != 16) {
        bitmap.handle = CreateFrameBitmap(frameWidth, frameHeight, bitsPerPixel);
        return bitmap;
    }
    struct {
        BITMAPINFOHEADER header;
        DWORD masks[3];
    } info = {};
    info.header.biSize = sizeof info.header;
    info.header.biWidth = frameWidth;
    info.header.biHeight = -frameHeight;  // top row first, as in the FrameBuffer
    info.header.biPlanes = 1;
    info.header.biBitCount = 16;
    info.header.biCompression = BI_BITFIELDS;
    info.masks[0] = 0xF800;  // red
    info.masks[1] = 0x07E0;  // green
    info.masks[2] = 0x001F;  // blue
    void* bits = nullptr;
    bitmap.handle =
        CreateDIBSection(saverDC, reinterpret_cast<const BITMAPINFO*>(&info), DIB_RGB_COLORS, &bits, nullptr, 0);
    bitmap.rows = static_cast<uint8_t*>(bits);
    bitmap.stride = (int32_t{frameWidth} * 2 + 3) & ~3;
    return bitmap;
}

// Replaces the bitmap's picture with the FrameBuffer.
void PutFramePixels(const FrameBitmap& bitmap)
{
    if (!bitmap.rows) {
        SetBitmapBits(bitmap.handle, frameBytes, framePixels);
        return;
    }
    GdiFlush();
    const auto* source = static_cast<const uint8_t*>(framePixels);
    const size_t rowBytes = static_cast<size_t>(frameWidth) * 2;
    for (int32_t row = 0; row < frameHeight; ++row)
        std::memcpy(bitmap.rows + row * bitmap.stride, source + row * rowBytes, rowBytes);
}

// Copies an all-black picture of the whole screen onto the back buffer and flips,
// twice, so both buffers of the flip chain are black. False when the pixels or
// the bitmap cannot be made.
bool BlankScreen(const DisplayMode& mode)
{
    const int32_t pixels = int32_t{mode.width} * mode.height;
    const size_t arrayBytes = static_cast<size_t>(pixels > 0 ? pixels : 0) * (mode.bitsPerPixel == 32 ? 4 : 2);
    void* black = std::calloc(arrayBytes ? arrayBytes : 1, 1);
    if (!black) return false;
    HBITMAP bitmap = CreateFrameBitmap(mode.width, mode.height, mode.bitsPerPixel);
    if (!bitmap) {
        std::free(black);
        return false;
    }
    SetBitmapBits(bitmap, (mode.bitsPerPixel / 8) * mode.height * mode.width, black);
    for (int i = 0; i < 2; ++i) {
        CopyBitmapToSurface(backSurface, bitmap, 0, 0, mode.width, mode.height);
        PresentFrame();
    }
    std::free(black);
    DeleteObject(bitmap);
    return true;
}

// One message per frame. The saver window lies outside the visible desktop, where
// it may never be offered a paint message, so the loop never waits for one.
void TakeOneMessage(WPARAM& lastWParam)
{
    MSG message;
    if (!PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) return;
    lastWParam = message.wParam;
    if (message.message == WM_QUIT) return;  // neither dispatched nor acted on
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

WPARAM RunFrames(const FrameBitmap& frameBitmap)
{
    WPARAM lastWParam = 0;
    while (saverRunning) {
        TakeOneMessage(lastWParam);
        DrawFrame();
        PutFramePixels(frameBitmap);
        CopyBitmapToSurface(backSurface, frameBitmap.handle, frameOffsetX, frameOffsetY, frameWidth, frameHeight);
        PresentFrame();
        EndFrame();
    }
    return lastWParam;
}

}  // namespace

SaverRunResult RunSaver()
{
    if (!SelectDisplayMode(saverSettings.Res)) return {false, 0};
    const DisplayMode mode = currentDisplayMode;
    SetUpFrameGeometry(mode);
    ShowCursor(FALSE);
    if (!InitFullScreen(saverWindow)) return {false, 0};
    StartFirstFigure();

    // Pixels or a bitmap that cannot be made end the run as if it had been stopped:
    // the full screen is given back and the program ends with status 0.
    //
    // The frame's pixels and bitmap are made before the blank frames, not after:
    // Wine's GDI presentation frees the memory of a swap-chain buffer at the
    // second flip while a device context still shows it, and takes the same
    // addresses again at the third flip. Anything large allocated in between
    // would land there and be shown in every second frame.
    FrameBitmap frameBitmap;
    WPARAM lastWParam = 0;
    if (AllocateFrameBuffer()) {
        frameBitmap = MakeFrameBitmap(mode.bitsPerPixel);
        if (frameBitmap.handle) {
            PutFramePixels(frameBitmap);  // black to begin with
            if (BlankScreen(mode)) lastWParam = RunFrames(frameBitmap);
        }
    }
    ReleaseFrameBuffer();
    if (frameBitmap.handle) DeleteObject(frameBitmap.handle);
    ReleaseFullScreen();
    return {true, lastWParam};
}
