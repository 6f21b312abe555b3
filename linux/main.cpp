// velmora: the Velmora Screen Saver for X11 and Wayland. On X11 it draws the
// saver's run into a window it is given (--window-id, or --root with
// $XSCREENSAVER_WINDOW as screen lockers start their programs), the root window,
// or a window of its own; on Wayland into a window of its own, full screen for
// idle daemons, or as the wallpaper of every output.
#include <iostream>
#include <string>
#include <vector>

#include "core/run/frames.h"
#include "x11/loop.h"
#ifdef VELMORA_X11_IDLE
#include "x11/idle.h"
#endif
#include "x11/window.h"
#ifdef VELMORA_WAYLAND
#include "wayland/saver.h"
#endif
#include "cli/settings_options.h"
#include "cli/waiting.h"
#include "linux/saver_options.h"

namespace {

constexpr const char* kProgram = "velmora";
#ifdef VELMORA_WAYLAND
constexpr bool kWaylandBuilt = true;
#else
constexpr bool kWaylandBuilt = false;
#endif

int Usage(const std::string& message)
{
    std::cerr << kProgram << ": " << message << "\nTry '" << kProgram << " --help'.\n";
    return 2;
}

int RunWayland(const SaverRequest& request)
{
#ifdef VELMORA_WAYLAND
    WaylandRequest wayland;
    wayland.mode = request.fullscreen  ? WaylandMode::Fullscreen
                   : request.wallpaper ? WaylandMode::Wallpaper
                                       : WaylandMode::Window;
    wayland.output = request.output;
    wayland.width = request.ownWidth;
    wayland.height = request.ownHeight;
    wayland.settings = request.settings;
    wayland.clock = request.clock;
    wayland.frameLimit = request.frameLimit;
    wayland.framesPerSecond = request.framesPerSecond;
    wayland.idleMilliseconds = static_cast<uint32_t>(request.idleSeconds * 1000);
    std::string error;
    const int status = RunWaylandSaver(wayland, error);
    if (status != 0) std::cerr << kProgram << ": " << error << "\n";
    return status;
#else
    (void)request;
    std::cerr << kProgram << ": this velmora was built without Wayland; draw on X11 with --x11\n";
    return 1;
#endif
}

int RunX11Idle(const SaverRequest& request)
{
#ifdef VELMORA_X11_IDLE
    X11IdleRequest idle;
    idle.displayName = request.displayName;
    idle.idleMilliseconds = request.idleSeconds * 1000;
    idle.settings = request.settings;
    idle.clock = request.clock;
    idle.frameLimit = request.frameLimit;
    idle.loop = {request.framesPerSecond};
    idle.tryShared = request.tryShared;
    InstallXErrorHandlers(kProgram);
    std::string error;
    const int status = RunX11IdleSaver(idle, error);
    if (status != 0) std::cerr << kProgram << ": " << error << "\n";
    return status;
#else
    (void)request;
    std::cerr << kProgram << ": this velmora was built without the XScreenSaver extension; --idle needs Wayland\n";
    return 1;
#endif
}

}  // namespace

int main(int argc, char** argv)
{
    SaverRequest request;
    try {
        request = ParseSaverCommandLine(std::vector<std::string>(argv + 1, argv + argc), EnvironmentOfProcess(kWaylandBuilt));
    } catch (const OptionError& problem) {
        return Usage(problem.message);
    }
    if (request.help) {
        std::cout << SaverHelp();
        return 0;
    }
    WriteHeldForRunNotes(kProgram, request.settings, stderr);

    CatchEndingSignals();
    if (request.system == DisplaySystem::Neither) {
        std::cerr << kProgram << ": no display: neither WAYLAND_DISPLAY (Wayland) nor DISPLAY (X11) is set\n";
        return 1;
    }
    if (request.system == DisplaySystem::Wayland) return RunWayland(request);
    if (request.idleSeconds > 0) return RunX11Idle(request);
    InstallXErrorHandlers(kProgram);
    XLayer x;
    x.tryShared = request.tryShared;
    const WindowChoice choice = request.window == SaverWindow::Given  ? WindowChoice::Given
                                : request.window == SaverWindow::Root ? WindowChoice::Root
                                                                      : WindowChoice::Own;
    std::string error;
    int status = 1;
    if (OpenXLayer(x, request.displayName, choice, request.windowId, request.ownWidth, request.ownHeight, error)) {
        SaverFrames frames;
        SetUpFrames(frames, request.settings, request.clock, request.frameLimit > 0 ? request.frameLimit : kNoFrameLimit);
        status = RunSaverLoop(x, frames, {request.framesPerSecond}, error);
        ReleaseFrames(frames);
    }
    CloseXLayer(x);
    if (status != 0) std::cerr << kProgram << ": " << error << "\n";
    return status;
}
