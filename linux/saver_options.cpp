#include "linux/saver_options.h"

#include <charconv>
#include <climits>
#include <cstdlib>

namespace {

constexpr const char* kSettingsGroup = "Settings (taken as given, like stored settings)";

OptionTable SaverOptions()
{
    OptionTable table;
    table.program = "velmora";
    table.description = "Velmora Screen Saver for X11 and Wayland: fractals of iterated function systems.";
    table.groups = {
        {"Display system (default: Wayland when $WAYLAND_DISPLAY is set and no X window is given)",
         {Switch("x11", "draw on X11"), Switch("wayland", "draw on Wayland")}},
        {"X11",
         {Switch("root", "draw into $XSCREENSAVER_WINDOW when it is set, else the root window"),
          Value("window-id", "ID", "draw into this window (0x hexadecimal or decimal)"),
          Value("display", "NAME", "the X display (default: $DISPLAY)"),
          Switch("no-shm", "send frames with plain XPutImage, without shared memory")}},
        {"Wayland",
         {Switch("fullscreen", "the screen saver: full screen; any key, button, touch or pointer movement ends it"),
          Switch("wallpaper", "an animated background on every output (wlr-layer-shell)"),
          Value("output", "NAME", "full screen or wallpaper on this output only")}},
        {"Window", {Value("geometry", "WxH", "size of the program's own window", "1024x768")}},
        SettingsOptions(kSettingsGroup),
        {"Run",
         {Value("frame-rate", "HZ", "frames per second, paced on a monotonic clock", "60"),
          Value("clock", "T",
                "start clock in seconds since 1970: frame k reads T + floor(k / HZ) (default: the calendar clock)"),
          Value("frames", "N", "draw N frames, then keep the last one on screen until ended"),
          Switch("help", "show this help", 'h')}},
    };
    return table;
}

SaverRequest ReadRequest(const ParsedOptions& parsed, const SaverEnvironment& environment)
{
    SaverRequest request;
    const auto given = [&](const char* name) { return parsed.Given(name); };
    const auto textOf = [&](const char* name) { return parsed.Text(name); };
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
    if (given("x11") || !x11Option.empty())
        request.system = DisplaySystem::X11;
    else if (given("wayland") || !waylandOption.empty())
        request.system = DisplaySystem::Wayland;
    else if (!environment.xscreensaverWindow.empty())
        request.system = DisplaySystem::X11;
    else if (!environment.waylandDisplay.empty() && environment.waylandBuilt)
        request.system = DisplaySystem::Wayland;
    else if (!environment.display.empty())
        request.system = DisplaySystem::X11;
    if (given("root") && given("window-id")) throw OptionError{"--root and --window-id name different windows; give one"};
    if (given("window-id")) {
        if (!ParseWindowId(textOf("window-id"), request.windowId))
            throw OptionError{"--window-id: " + Quoted(textOf("window-id")) + " is not a window id (0x1a00003 or 27262979)"};
        request.window = SaverWindow::Given;
    } else if (given("root")) {
        const std::string& named = environment.xscreensaverWindow;
        if (!named.empty()) {
            if (!ParseWindowId(named, request.windowId))
                throw OptionError{"XSCREENSAVER_WINDOW: " + Quoted(named) + " is not a window id"};
            request.window = SaverWindow::Given;
        } else {
            request.window = SaverWindow::Root;
        }
    }
    const std::string geometry = textOf("geometry");
    const size_t cross = geometry.find('x');
    if (cross == std::string::npos)
        throw OptionError{"--geometry: " + Quoted(geometry) + " is not WIDTHxHEIGHT, for instance 1024x768"};
    request.ownWidth = static_cast<int>(ParseWholeOption("geometry width", geometry.substr(0, cross), 1, 32767));
    request.ownHeight = static_cast<int>(ParseWholeOption("geometry height", geometry.substr(cross + 1), 1, 32767));
    if (given("display")) request.displayName = textOf("display");
    request.tryShared = !given("no-shm");
    request.framesPerSecond = ParseWholeOption("frame-rate", textOf("frame-rate"), 1, 1000);
    request.clock.framesPerSecond = request.framesPerSecond;
    if (given("clock")) {
        request.clock.fixed = true;
        request.clock.start = ParseWholeOption("clock", textOf("clock"), 0, INT64_MAX / 2);
    }
    if (given("frames")) request.frameLimit = ParseWholeOption("frames", textOf("frames"), 1, INT32_MAX);
    return request;
}

}  // namespace

SaverEnvironment EnvironmentOfProcess(bool waylandBuilt)
{
    const auto value = [](const char* name) {
        const char* text = std::getenv(name);
        return std::string(text ? text : "");
    };
    return {value("XSCREENSAVER_WINDOW"), value("WAYLAND_DISPLAY"), value("DISPLAY"), waylandBuilt};
}

SaverRequest ParseSaverCommandLine(const std::vector<std::string>& arguments, const SaverEnvironment& environment)
{
    // The single-dash spellings screen lockers use: -root, -window-id.
    std::vector<std::string> spelled;
    for (const std::string& argument : arguments)
        spelled.push_back(argument == "-root" || argument == "-window-id" || argument.rfind("-window-id=", 0) == 0
                              ? "-" + argument
                              : argument);
    const OptionTable table = SaverOptions();
    const ParsedOptions parsed = ParseCommandLine(table, spelled);
    if (parsed.Given("help")) {
        SaverRequest request;
        request.help = true;
        return request;
    }
    return ReadRequest(parsed, environment);
}

std::string SaverHelp()
{
    return HelpText(SaverOptions()) +
           "\nIn its own window, q, Escape or the close button end it; SIGTERM, SIGINT and SIGHUP end it anywhere.\n";
}

bool ParseWindowId(const std::string& text, unsigned long& window)
{
    const bool hex = text.size() > 2 && text[0] == '0' && (text[1] == 'x' || text[1] == 'X');
    const char* begin = text.data() + (hex ? 2 : 0);
    const char* end = text.data() + text.size();
    unsigned long value = 0;
    const auto [stop, code] = std::from_chars(begin, end, value, hex ? 16 : 10);
    if (begin == end || code != std::errc() || stop != end || value == 0 || value > 0x1FFFFFFFul) return false;
    window = value;
    return true;
}
