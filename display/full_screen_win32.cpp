#include "display/full_screen_win32.h"

#include "display/frame_pacing.h"
#include "display/video_modes.h"

IDirectDraw* directDraw = nullptr;
IDirectDrawSurface* primarySurface = nullptr;
IDirectDrawSurface* backSurface = nullptr;

namespace {

constexpr DWORD kExclusiveFullScreen = DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN;  // 0x11

FramePacer framePacer;
int64_t pacerTicksPerSecond = 0;

int64_t ClockTicks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// DirectDraw's flip wait is not honoured everywhere, so frames are also held to
// the refresh rate here; where the flip does wait, there is nothing left to wait.
void StartFramePacing()
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    pacerTicksPerSecond = frequency.QuadPart;
    DWORD refreshHz = 0;
    if (FAILED(directDraw->GetMonitorFrequency(&refreshHz))) refreshHz = 0;
    StartPacing(framePacer, static_cast<int>(refreshHz), pacerTicksPerSecond, ClockTicks());
}

void WaitForNextFrame()
{
    if (pacerTicksPerSecond <= 0) return;
    const int64_t ticks = TicksToWait(framePacer, ClockTicks());
    if (ticks > 0) Sleep(static_cast<DWORD>((ticks * 1000 + pacerTicksPerSecond - 1) / pacerTicksPerSecond));
}

HRESULT OpenFullScreen(HWND window)
{
    HRESULT result = DirectDrawCreate(nullptr, &directDraw, nullptr);
    if (FAILED(result)) return result;
    result = directDraw->SetCooperativeLevel(window, kExclusiveFullScreen);
    if (FAILED(result)) return result;
    result = directDraw->SetDisplayMode(currentDisplayMode.width, currentDisplayMode.height,
                                        currentDisplayMode.bitsPerPixel);
    if (FAILED(result)) return result;

    DDSURFACEDESC description;
    ZeroMemory(&description, sizeof description);
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    description.dwBackBufferCount = 1;
    result = directDraw->CreateSurface(&description, &primarySurface, nullptr);
    if (FAILED(result)) return result;

    DDSCAPS backCaps = {DDSCAPS_BACKBUFFER};
    return primarySurface->GetAttachedSurface(&backCaps, &backSurface);
}

}  // namespace

bool InitFullScreen(HWND window)
{
    const HRESULT result = OpenFullScreen(window);
    if (FAILED(result)) {
        ReleaseFullScreen();  // the desktop is back before the message shows
        char text[64];
        wsprintfA(text, "Direct Draw Init Failed (%08lx)\n", static_cast<unsigned long>(result));
        MessageBoxA(window, text, "ERROR", MB_OK);
        return false;
    }
    StartFramePacing();
    return true;
}

void ReleaseFullScreen()
{
    if (!directDraw) return;
    if (primarySurface) {
        primarySurface->Release();
        primarySurface = nullptr;
    }
    directDraw->Release();
    directDraw = nullptr;
}

HRESULT CopyBitmapToSurface(IDirectDrawSurface* surface, HBITMAP bitmap, int32_t x, int32_t y, int32_t width,
                            int32_t height)
{
    if (!bitmap || !surface) return E_FAIL;
    surface->Restore();
    HDC memoryDC = CreateCompatibleDC(nullptr);
    if (!memoryDC) OutputDebugStringA("createcompatible dc failed\n");
    SelectObject(memoryDC, bitmap);

    BITMAP description = {};
    GetObjectA(bitmap, sizeof description, &description);
    if (width == 0) width = description.bmWidth;
    if (height == 0) height = description.bmHeight;

    HDC surfaceDC = nullptr;
    const HRESULT result = surface->GetDC(&surfaceDC);
    if (SUCCEEDED(result)) {
        BitBlt(surfaceDC, x, y, width, height, memoryDC, 0, 0, SRCCOPY);
        surface->ReleaseDC(surfaceDC);
    }
    DeleteDC(memoryDC);
    return result;
}

void PresentFrame()
{
    if (primarySurface) primarySurface->Flip(nullptr, DDFLIP_WAIT);
    WaitForNextFrame();
}
