#include "windows/full_screen.h"

#include <mmsystem.h>

namespace {

constexpr DWORD kExclusiveFullScreen = DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN;  // 0x11

int64_t ClockTicks()
{
    LARGE_INTEGER now;
    QueryPerformanceCounter(&now);
    return now.QuadPart;
}

// Frames are held to the refresh rate here only where the flip does not wait for
// the display itself (see TicksToWaitAfterFlip). Sleeps are rounded to the
// system timer, which runs at 1 ms for the run.
void StartFramePacing(FullScreen& screen)
{
    LARGE_INTEGER frequency;
    QueryPerformanceFrequency(&frequency);
    screen.ticksPerSecond = frequency.QuadPart;
    DWORD refreshHz = 0;
    if (FAILED(screen.directDraw->GetMonitorFrequency(&refreshHz))) refreshHz = 0;
    StartPacing(screen.pacer, static_cast<int>(refreshHz), screen.ticksPerSecond, ClockTicks());
    screen.timerRaised = timeBeginPeriod(1) == TIMERR_NOERROR;
}

void WaitForNextFrame(FullScreen& screen)
{
    if (screen.ticksPerSecond <= 0) return;
    const int64_t ticks = TicksToWaitAfterFlip(screen.pacer, ClockTicks());
    if (ticks > 0)
        Sleep(static_cast<DWORD>((ticks * 1000 + screen.ticksPerSecond - 1) / screen.ticksPerSecond));
    FrameShown(screen.pacer, ClockTicks());
}

HRESULT OpenFullScreen(FullScreen& screen, HWND window, const DisplayMode& mode)
{
    HRESULT result = DirectDrawCreate(nullptr, &screen.directDraw, nullptr);
    if (FAILED(result)) return result;
    result = screen.directDraw->SetCooperativeLevel(window, kExclusiveFullScreen);
    if (FAILED(result)) return result;
    result = screen.directDraw->SetDisplayMode(mode.width, mode.height, mode.bitsPerPixel);
    if (FAILED(result)) return result;

    DDSURFACEDESC description;
    ZeroMemory(&description, sizeof description);
    description.dwSize = sizeof description;
    description.dwFlags = DDSD_CAPS | DDSD_BACKBUFFERCOUNT;
    description.ddsCaps.dwCaps = DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX;
    description.dwBackBufferCount = 1;
    result = screen.directDraw->CreateSurface(&description, &screen.primarySurface, nullptr);
    if (FAILED(result)) return result;

    DDSCAPS backCaps = {DDSCAPS_BACKBUFFER};
    return screen.primarySurface->GetAttachedSurface(&backCaps, &screen.backSurface);
}

}  // namespace

bool InitFullScreen(FullScreen& screen, HWND window, const DisplayMode& mode)
{
    const HRESULT result = OpenFullScreen(screen, window, mode);
    if (FAILED(result)) {
        ReleaseFullScreen(screen);  // the desktop is back before the message shows
        char text[64];
        wsprintfA(text, "Direct Draw Init Failed (%08lx)\n", static_cast<unsigned long>(result));
        MessageBoxA(window, text, "ERROR", MB_OK);
        return false;
    }
    StartFramePacing(screen);
    return true;
}

void ReleaseFullScreen(FullScreen& screen)
{
    if (screen.timerRaised) timeEndPeriod(1);
    screen.timerRaised = false;
    screen.backSurface = nullptr;  // released with the primary surface
    if (screen.primarySurface) screen.primarySurface->Release();
    screen.primarySurface = nullptr;
    if (screen.directDraw) screen.directDraw->Release();
    screen.directDraw = nullptr;
}

HRESULT CopyBitmapToSurface(IDirectDrawSurface* surface, HBITMAP bitmap, int32_t x, int32_t y, int32_t width,
                            int32_t height)
{
    if (!bitmap || !surface) return E_FAIL;
    surface->Restore();
    HDC memoryDC = CreateCompatibleDC(nullptr);
    if (!memoryDC) {
        OutputDebugStringA("createcompatible dc failed\n");
        return E_FAIL;  // nothing can be copied: not reported as done
    }
    const HGDIOBJ previous = SelectObject(memoryDC, bitmap);

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
    SelectObject(memoryDC, previous);
    DeleteDC(memoryDC);
    return result;
}

void PresentFrame(FullScreen& screen)
{
    if (screen.primarySurface) screen.primarySurface->Flip(nullptr, DDFLIP_WAIT);
    WaitForNextFrame(screen);
}
