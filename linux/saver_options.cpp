#include "linux/saver_options.h"

#include <charconv>
#include <climits>
#include <cstdlib>
#include <span>

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
         {Switch("fullscreen", "the screen saver: full screen on every output; any key, button, touch or pointer movement ends it"),
          Switch("wallpaper", "an animated background on every output (wlr-layer-shell)"),
          Value("output", "NAME", "full screen or wallpaper on this output only")}},
        {"Idle",
         {Value("idle", "SECONDS",
                "keep running; whenever the session has had no input for SECONDS, the screen saver full screen on "
                "every output until input ends it")}},
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

// Each display system's own options, in the order a message names the first given.
constexpr const char* kX11Options[] = {"no-shm", "display", "window-id", "root"};
constexpr const char* kWaylandOptions[] = {"output", "wallpaper", "fullscreen"};

// Options that cannot go together, each pair with the line that says why.
struct Conflict {
    const char* first;
    const char* second;
    const char* why;
};
constexpr Conflict kConflicts[] = {
    {"fullscreen", "wallpaper", "--fullscreen and --wallpaper are two modes; give one"},
    {"idle", "wallpaper", "--idle shows the saver full screen, not as --wallpaper"},
    {"idle", "root", "--idle covers the screen with a window of its own, not with --root"},
    {"idle", "window-id", "--idle covers the screen with a window of its own, not with --window-id"},
    {"root", "window-id", "--root and --window-id name different windows; give one"},
};

// The last given of names ("" for none).
std::string LastGiven(const ParsedOptions& parsed, std::span<const char* const> names)
{
    std::string found;
    for (const char* name : names)
        if (parsed.Given(name)) found = name;
    return found;
}

// Refuses options that cannot go together; x11Option and waylandOption are each
// system's own options given.
void CheckConflicts(const ParsedOptions& parsed, const std::string& x11Option, const std::string& waylandOption)
{
    const auto given = [&](const char* name) { return parsed.Given(name); };
    if (given("x11") && given("wayland")) throw OptionError{"--x11 and --wayland each choose the display system; give one"};
    if (given("x11") && !waylandOption.empty()) throw OptionError{"--" + waylandOption + " is for Wayland, not with --x11"};
    if (given("wayland") && !x11Option.empty()) throw OptionError{"--" + x11Option + " is for X11, not with --wayland"};
    if (!x11Option.empty() && !waylandOption.empty())
        throw OptionError{"--" + x11Option + " is for X11 and --" + waylandOption + " for Wayland; give one"};
    for (const Conflict& conflict : kConflicts)
        if (given(conflict.first) && given(conflict.second)) throw OptionError{conflict.why};
    if (given("output") && !given("fullscreen") && !given("wallpaper") && !given("idle"))
        throw OptionError{"--output goes with --fullscreen or --wallpaper (or --idle)"};
}

// An X window or option, or no Wayland session, means X11; Wayland's own options mean Wayland.
DisplaySystem SystemOf(const ParsedOptions& parsed, const SaverEnvironment& environment, const std::string& x11Option,
                       const std::string& waylandOption)
{
    if (parsed.Given("x11") || !x11Option.empty()) return DisplaySystem::X11;
    if (parsed.Given("wayland") || !waylandOption.empty()) return DisplaySystem::Wayland;
    if (!environment.xscreensaverWindow.empty()) return DisplaySystem::X11;
    if (!environment.waylandDisplay.empty() && environment.waylandBuilt) return DisplaySystem::Wayland;
    if (!environment.display.empty()) return DisplaySystem::X11;
    return DisplaySystem::Neither;
}

// The window given (--window-id, or --root with $XSCREENSAVER_WINDOW), the root
// window, or one of our own of --geometry's size.
void ReadWindow(const ParsedOptions& parsed, const SaverEnvironment& environment, SaverRequest& request)
{
    if (parsed.Given("window-id")) {
        if (!ParseWindowId(parsed.Text("window-id"), request.windowId))
            throw OptionError{"--window-id: " + Quoted(parsed.Text("window-id")) + " is not a window id (0x1a00003 or 27262979)"};
        request.window = SaverWindow::Given;
    } else if (parsed.Given("root")) {
        const std::string& named = environment.xscreensaverWindow;
        if (!named.empty()) {
            if (!ParseWindowId(named, request.windowId))
                throw OptionError{"XSCREENSAVER_WINDOW: " + Quoted(named) + " is not a window id"};
            request.window = SaverWindow::Given;
        } else {
            request.window = SaverWindow::Root;
        }
    }
    const std::string geometry = parsed.Text("geometry");
    const size_t cross = geometry.find('x');
    if (cross == std::string::npos)
        throw OptionError{"--geometry: " + Quoted(geometry) + " is not WIDTHxHEIGHT, for instance 1024x768"};
    request.ownWidth = static_cast<int>(ParseWholeOption("geometry width", geometry.substr(0, cross), 1, 32767));
    request.ownHeight = static_cast<int>(ParseWholeOption("geometry height", geometry.substr(cross + 1), 1, 32767));
}

// The frame rate, the clock and the frame limit.
void ReadRun(const ParsedOptions& parsed, SaverRequest& request)
{
    request.framesPerSecond = ParseWholeOption("frame-rate", parsed.Text("frame-rate"), 1, 1000);
    request.clock.framesPerSecond = request.framesPerSecond;
    if (parsed.Given("clock")) {
        request.clock.fixed = true;
        request.clock.start = ParseWholeOption("clock", parsed.Text("clock"), 0, INT64_MAX / 2);
    }
    if (parsed.Given("frames")) request.frameLimit = ParseWholeOption("frames", parsed.Text("frames"), 1, INT32_MAX);
}

SaverRequest ReadRequest(const ParsedOptions& parsed, const SaverEnvironment& environment)
{
    SaverRequest request;
    request.settings = ReadSettingsOptions(parsed);
    const std::string x11Option = LastGiven(parsed, kX11Options);
    const std::string waylandOption = LastGiven(parsed, kWaylandOptions);
    CheckConflicts(parsed, x11Option, waylandOption);
    if (parsed.Given("idle")) request.idleSeconds = ParseWholeOption("idle", parsed.Text("idle"), 1, 86400);
    request.fullscreen = parsed.Given("fullscreen") || parsed.Given("idle");
    request.wallpaper = parsed.Given("wallpaper");
    if (parsed.Given("output")) request.output = parsed.Text("output");
    request.system = SystemOf(parsed, environment, x11Option, waylandOption);
    ReadWindow(parsed, environment, request);
    if (parsed.Given("display")) request.displayName = parsed.Text("display");
    request.tryShared = !parsed.Given("no-shm");
    ReadRun(parsed, request);
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
