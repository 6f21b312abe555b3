#include "windows/animation_driver.h"

#include <cstdlib>

#include "windows/frame_bitmap.h"
#include "windows/display_adapter.h"

namespace {

// Copies an all-black picture of the whole screen onto the back buffer and flips,
// twice, so both buffers of the flip chain are black. False when the pixels or
// the bitmap cannot be made.
bool BlankScreen(WindowsSaver& saver, const DisplayMode& mode)
{
    const int32_t pixels = int32_t{mode.width} * mode.height;
    const size_t arrayBytes = static_cast<size_t>(pixels > 0 ? pixels : 0) * (mode.bitsPerPixel == 32 ? 4 : 2);
    void* black = std::calloc(arrayBytes ? arrayBytes : 1, 1);
    if (!black) return false;
    HBITMAP bitmap = CreateFrameBitmap(saver.saverDC, mode.width, mode.height, mode.bitsPerPixel);
    if (!bitmap) {
        std::free(black);
        return false;
    }
    SetBitmapBits(bitmap, (mode.bitsPerPixel / 8) * mode.height * mode.width, black);
    for (int i = 0; i < 2; ++i) {
        CopyBitmapToSurface(saver.screen.backSurface, bitmap, 0, 0, mode.width, mode.height);
        PresentFrame(saver.screen);
    }
    std::free(black);
    DeleteObject(bitmap);
    return true;
}

void TakeMessage(const MSG& message, WPARAM& lastWParam)
{
    lastWParam = message.wParam;
    if (message.message == WM_QUIT) return;  // neither dispatched nor acted on
    TranslateMessage(&message);
    DispatchMessageA(&message);
}

// One message per frame. The saver window lies outside the visible desktop, where
// it may never be offered a paint message, so the loop never waits for one.
void TakeOneMessage(WPARAM& lastWParam)
{
    MSG message;
    if (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) TakeMessage(message, lastWParam);
}

// While the display is off nothing is drawn: the loop sleeps until a message
// comes and takes all that are there, so input still ends the run.
void WaitWhileDisplayOff(WindowsSaver& saver, WPARAM& lastWParam)
{
    WaitMessage();
    MSG message;
    while (saver.triggers.saverRunning && PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE))
        TakeMessage(message, lastWParam);
}

WPARAM RunFrames(WindowsSaver& saver, SaverFrames& frames)
{
    WPARAM lastWParam = 0;
    while (saver.triggers.saverRunning) {
        // Past the frame limit the last frame stays on screen, as while the display is off.
        if (!ShouldDraw(saver.power) || !FramesLeft(frames)) {
            WaitWhileDisplayOff(saver, lastWParam);
            continue;
        }
        TakeOneMessage(lastWParam);
        const DrawnFrame drawn = DrawNextFrame(frames);
        // A picture kept from the frame before is in the bitmap already.
        if (!drawn.unchanged) PutFramePixels(saver.frameBitmap, drawn.pixels, static_cast<int32_t>(drawn.Bytes()));
        CopyBitmapToSurface(saver.screen.backSurface, saver.frameBitmap.handle, drawn.offsetX, drawn.offsetY, drawn.width,
                            drawn.height);
        PresentFrame(saver.screen);
        FinishFrame(frames);
    }
    return lastWParam;
}

}  // namespace

SaverRunResult RunSaver(WindowsSaver& saver, SaverFrames& frames)
{
    if (!SelectDisplayMode(WindowsDisplayAdapter(), saver.settings.Res, saver.currentDisplayMode)) return {false, 0};
    const DisplayMode mode = saver.currentDisplayMode;
    // A test's fixed clock reads T + floor(k / 60) at frame k, as velmora-render --clock T draws it.
    const RunRequest& request = saver.request;
    SetUpFrames(frames, saver.settings, {request.fixedClock, request.clockStart, 60, 0},
                request.frameLimit > 0 ? request.frameLimit : kNoFrameLimit);
    SizeFrames(frames, mode);
    ShowCursor(FALSE);
    if (!InitFullScreen(saver.screen, saver.saverWindow, mode)) return {false, 0};
    std::vector<ScreenRect> monitors;
    ScreenRect primary;
    ListMonitors(monitors, primary);
    OpenCoverWindows(saver, MonitorsToCover(monitors, primary));
    WatchDisplayPower(saver);
    StartFrames(frames);

    // Pixels or a bitmap that cannot be made end the run as if it had been stopped:
    // the full screen is given back and the program ends with status 0.
    //
    // The frame's pixels and bitmap are made before the blank frames, not after:
    // Wine's GDI presentation frees the memory of a swap-chain buffer at the
    // second flip while a device context still shows it, and takes the same
    // addresses again at the third flip. Anything large allocated in between
    // would land there and be shown in every second frame.
    WPARAM lastWParam = 0;
    if (AllocateFrames(frames)) {
        const DrawnFrame area = CurrentFrame(frames);
        saver.frameBitmap = MakeFrameBitmap(saver.saverDC, area.width, area.height, mode.bitsPerPixel);
        if (saver.frameBitmap.handle) {
            PutFramePixels(saver.frameBitmap, area.pixels, static_cast<int32_t>(area.Bytes()));  // black to begin with
            if (BlankScreen(saver, mode)) lastWParam = RunFrames(saver, frames);
        }
    }
    ReleaseFrames(frames);
    DeleteFrameBitmap(saver.frameBitmap);
    StopWatchingDisplayPower(saver);
    CloseCoverWindows(saver);
    ReleaseFullScreen(saver.screen);
    return {true, lastWParam};
}
