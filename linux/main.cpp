// velmora: the Velmora Screen Saver for X11. Draws the saver's run into a window
// it is given (--window-id, or --root with $XSCREENSAVER_WINDOW as screen lockers
// start their programs), the root window, or a window of its own.
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
#include "cli/settings_options.h"
#include "cli/waiting.h"

namespace {

constexpr const char* kProgram = "velmora";
constexpr const char* kSettingsGroup = "Settings (taken as given, like stored settings)";

struct Request {
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
    cxxopts::Options options(kProgram, "Velmora Screen Saver for X11: fractals of iterated function systems.");
    const auto text = [] { return cxxopts::value<std::string>(); };
    options.add_options("Window")
        ("root", "draw into $XSCREENSAVER_WINDOW when it is set, else the root window")
        ("window-id", "draw into this window (0x hexadecimal or decimal)", text(), "ID")
        ("geometry", "size of the program's own window", text()->default_value("1024x768"), "WxH")
        ("display", "the X display (default: $DISPLAY)", text(), "NAME")
        ("no-shm", "send frames with plain XPutImage, without shared memory");
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
            std::cout << options.help({"Window", kSettingsGroup, "Run"})
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
