// velmora: the Velmora Screen Saver for X11 and Wayland. On X11 it draws the
// saver's run into a window it is given (--window-id, or --root with
// $XSCREENSAVER_WINDOW as screen lockers start their programs), the root window,
// or a window of its own; on Wayland into a window of its own, full screen for
// idle daemons, or as the wallpaper of every output.
#include <cxxopts.hpp>

#include <chrono>
#include <climits>
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "core/run/frames.h"
#include "x11/loop.h"
#include "x11/window.h"
#ifdef VELMORA_WAYLAND
#include "wayland/saver.h"
#endif
#include "cli/settings_options.h"
#include "cli/waiting.h"

namespace {

constexpr const char* kProgram = "velmora";
constexpr const char* kSystemGroup = "Display system (default: Wayland when $WAYLAND_DISPLAY is set and no X window is given)";
constexpr const char* kSettingsGroup = "Settings (taken as given, like stored settings)";
#ifdef VELMORA_WAYLAND
constexpr bool kWaylandBuilt = true;
#else
constexpr bool kWaylandBuilt = false;
#endif

enum class DisplaySystem { Neither, X11, Wayland };

struct Request {
    DisplaySystem system = DisplaySystem::Neither;
    bool fullscreen = false;
    bool wallpaper = false;
    std::string output;
    WindowChoice choice = WindowChoice::Own;
    Window window = 0;
    int ownWidth = 1024;
    int ownHeight = 768;
    std::string displayName;
    SaverSettings settings = kDefaultSettings;
    RunClock clock;
    LoopSettings loop;
    bool tryShared = true;
};

cxxopts::Options MakeOptions()
{
    cxxopts::Options options(kProgram,
                             "Velmora Screen Saver for X11 and Wayland: fractals of iterated function systems.");
    const auto text = [] { return cxxopts::value<std::string>(); };
    options.add_options(kSystemGroup)
        ("x11", "draw on X11")
        ("wayland", "draw on Wayland");
    options.add_options("X11")
        ("root", "draw into $XSCREENSAVER_WINDOW when it is set, else the root window")
        ("window-id", "draw into this window (0x hexadecimal or decimal)", text(), "ID")
        ("display", "the X display (default: $DISPLAY)", text(), "NAME")
        ("no-shm", "send frames with plain XPutImage, without shared memory");
    options.add_options("Wayland")
        ("fullscreen", "the screen saver: full screen; any key, button, touch or pointer movement ends it")
        ("wallpaper", "an animated background on every output (wlr-layer-shell)")
        ("output", "full screen or wallpaper on this output only", text(), "NAME");
    options.add_options("Window")
        ("geometry", "size of the program's own window", text()->default_value("1024x768"), "WxH");
    AddSettingsOptions(options, kSettingsGroup);
    options.add_options("Run")
        ("frame-rate", "frames per second, paced on a monotonic clock", text()->default_value("60"), "HZ")
        ("clock", "start clock in seconds since 1970: frame k reads T + floor(k / HZ) (default: the calendar clock)",
         text(), "T")
        ("frames", "draw N frames, then keep the last one on screen until ended", text(), "N")
        ("h,help", "show this help");
    return options;
}

Request ReadRequest(const cxxopts::ParseResult& parsed)
{
    if (!parsed.unmatched().empty()) throw OptionError{"unexpected argument '" + parsed.unmatched().front() + "'"};
    Request request;
    const auto given = [&](const char* name) { return parsed.count(name) > 0; };
    const auto textOf = [&](const char* name) { return parsed[name].as<std::string>(); };
    request.settings = ReadSettingsOptions(parsed);
    std::string x11Option, waylandOption;  // the first given of each system's own options
    for (const char* name : {"no-shm", "display", "window-id", "root"})
        if (given(name)) x11Option = name;
    for (const char* name : {"output", "wallpaper", "fullscreen"})
        if (given(name)) waylandOption = name;
    if (given("x11") && given("wayland")) throw OptionError{"--x11 and --wayland each choose the display system; give one"};
    if (given("x11") && !waylandOption.empty()) throw OptionError{"--" + waylandOption + " is for Wayland, not with --x11"};
    if (given("wayland") && !x11Option.empty()) throw OptionError{"--" + x11Option + " is for X11, not with --wayland"};
    if (!x11Option.empty() && !waylandOption.empty())
        throw OptionError{"--" + x11Option + " is for X11 and --" + waylandOption + " for Wayland; give one"};
    if (given("fullscreen") && given("wallpaper")) throw OptionError{"--fullscreen and --wallpaper are two modes; give one"};
    if (given("output") && !given("fullscreen") && !given("wallpaper"))
        throw OptionError{"--output goes with --fullscreen or --wallpaper"};
    request.fullscreen = given("fullscreen");
    request.wallpaper = given("wallpaper");
    if (given("output")) request.output = textOf("output");
    // An X window or option, or no Wayland session, means X11; Wayland's own options mean Wayland.
    const auto set = [](const char* name) {
        const char* value = std::getenv(name);
        return value && *value;
    };
    if (given("x11") || !x11Option.empty())
        request.system = DisplaySystem::X11;
    else if (given("wayland") || !waylandOption.empty())
        request.system = DisplaySystem::Wayland;
    else if (set("XSCREENSAVER_WINDOW"))
        request.system = DisplaySystem::X11;
    else if (set("WAYLAND_DISPLAY") && kWaylandBuilt)
        request.system = DisplaySystem::Wayland;
    else if (set("DISPLAY"))
        request.system = DisplaySystem::X11;
    if (given("root") && given("window-id")) throw OptionError{"--root and --window-id name different windows; give one"};
    if (given("window-id")) {
        if (!ParseWindowId(textOf("window-id"), request.window))
            throw OptionError{"--window-id: '" + textOf("window-id") + "' is not a window id (0x1a00003 or 27262979)"};
        request.choice = WindowChoice::Given;
    } else if (given("root")) {
        const char* named = std::getenv("XSCREENSAVER_WINDOW");
        if (named && *named) {
            if (!ParseWindowId(named, request.window))
                throw OptionError{std::string("XSCREENSAVER_WINDOW: '") + named + "' is not a window id"};
            request.choice = WindowChoice::Given;
        } else {
            request.choice = WindowChoice::Root;
        }
    }
    const std::string geometry = textOf("geometry");
    const size_t cross = geometry.find('x');
    if (cross == std::string::npos) throw OptionError{"--geometry: '" + geometry + "' is not WIDTHxHEIGHT, for instance 1024x768"};
    request.ownWidth = static_cast<int>(ParseWholeOption("geometry width", geometry.substr(0, cross), 1, 32767));
    request.ownHeight = static_cast<int>(ParseWholeOption("geometry height", geometry.substr(cross + 1), 1, 32767));
    if (given("display")) request.displayName = textOf("display");
    request.tryShared = !given("no-shm");
    request.loop.framesPerSecond = ParseWholeOption("frame-rate", textOf("frame-rate"), 1, 1000);
    request.clock.framesPerSecond = request.loop.framesPerSecond;
    if (given("clock")) {
        request.clock.fixed = true;
        request.clock.start = ParseWholeOption("clock", textOf("clock"), 0, INT64_MAX / 2);
    }
    if (given("frames")) request.loop.frameLimit = ParseWholeOption("frames", textOf("frames"), 1, INT32_MAX);
    return request;
}

// The single-dash spellings screen lockers use: -root, -window-id.
std::vector<std::string> LongSpellings(int argc, char** argv)
{
    std::vector<std::string> arguments(argv, argv + argc);
    for (size_t i = 1; i < arguments.size(); ++i)
        if (arguments[i] == "-root" || arguments[i] == "-window-id" || arguments[i].rfind("-window-id=", 0) == 0)
            arguments[i] = "-" + arguments[i];
    return arguments;
}

int Usage(const std::string& message)
{
    std::cerr << kProgram << ": " << message << "\nTry '" << kProgram << " --help'.\n";
    return 2;
}

int RunWayland(const Request& request)
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
    wayland.frameLimit = request.loop.frameLimit;
    wayland.framesPerSecond = request.loop.framesPerSecond;
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

}  // namespace

int main(int argc, char** argv)
{
    cxxopts::Options options = MakeOptions();
    Request request;
    try {
        std::vector<std::string> arguments = LongSpellings(argc, argv);
        std::vector<char*> pointers;
        for (std::string& argument : arguments) pointers.push_back(argument.data());
        const cxxopts::ParseResult parsed = options.parse(static_cast<int>(pointers.size()), pointers.data());
        if (parsed.count("help")) {
            std::cout << options.help({kSystemGroup, "X11", "Wayland", "Window", kSettingsGroup, "Run"})
                      << "\nIn its own window, q, Escape or the close button end it; SIGTERM, SIGINT and SIGHUP end it "
                         "anywhere.\n";
            return 0;
        }
        request = ReadRequest(parsed);
    } catch (const cxxopts::exceptions::exception& problem) {
        return Usage(problem.what());
    } catch (const OptionError& problem) {
        return Usage(problem.message);
    }

    CatchEndingSignals();
    if (request.system == DisplaySystem::Neither) {
        std::cerr << kProgram << ": no display: neither WAYLAND_DISPLAY (Wayland) nor DISPLAY (X11) is set\n";
        return 1;
    }
    if (request.system == DisplaySystem::Wayland) return RunWayland(request);
    InstallXErrorHandlers(kProgram);
    XLayer x;
    x.tryShared = request.tryShared;
    std::string error;
    int status = 1;
    if (OpenXLayer(x, request.displayName, request.choice, request.window, request.ownWidth, request.ownHeight, error)) {
        SaverFrames frames;
        SetUpFrames(frames, request.settings, request.clock);
        status = RunSaverLoop(x, frames, request.loop, error);
        ReleaseFrames(frames);
    }
    CloseXLayer(x);
    if (status != 0) std::cerr << kProgram << ": " << error << "\n";
    return status;
}
