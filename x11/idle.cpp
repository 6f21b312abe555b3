#include "x11/idle.h"

#include <X11/extensions/scrnsaver.h>

#include "cli/waiting.h"
#include "x11/window.h"

namespace {

int ShowUntilInput(const X11IdleRequest& request, std::string& error)
{
    XLayer x;
    x.tryShared = request.tryShared;
    int status = 1;
    if (OpenXLayer(x, request.displayName, WindowChoice::Cover, 0, 0, 0, error)) {
        SaverFrames frames;
        SetUpFrames(frames, request.settings, request.clock,
                    request.frameLimit > 0 ? request.frameLimit : kNoFrameLimit);
        status = RunSaverLoop(x, frames, request.loop, error);
        ReleaseFrames(frames);
    }
    CloseXLayer(x);
    return status;
}

}  // namespace

int RunX11IdleSaver(const X11IdleRequest& request, std::string& error)
{
    Display* display = XOpenDisplay(request.displayName.empty() ? nullptr : request.displayName.c_str());
    if (!display) {
        error = "cannot open the X display";
        return 1;
    }
    int eventBase = 0, errorBase = 0;
    XScreenSaverInfo* info = XScreenSaverQueryExtension(display, &eventBase, &errorBase) ? XScreenSaverAllocInfo()
                                                                                           : nullptr;
    int status = 0;
    if (!info) {
        error = "--idle finds no idle source: the X server has no MIT-SCREEN-SAVER extension";
        status = 1;
    }
    while (info && status == 0 && !EndingSignalCaught()) {
        XScreenSaverQueryInfo(display, DefaultRootWindow(display), info);
        const int64_t left = request.idleMilliseconds - static_cast<int64_t>(info->idle);
        if (left > 0)  // nothing is asked of this connection: only the deadline or a signal wakes it
            WaitForInput(ConnectionNumber(display), MonotonicNow() + left * (kTicksPerSecond / 1000));
        else
            status = ShowUntilInput(request, error);
    }
    if (info) XFree(info);
    XCloseDisplay(display);
    return status;
}
