// The command lines of velmora and velmora-render, read in-process: what each
// form of an option asks for, the environment's part in velmora's, and window ids.
#include <gtest/gtest.h>

#include <sstream>

#include "linux/saver_options.h"
#include "renderer/render_options.h"

namespace {

std::vector<std::string> Split(const std::string& line)
{
    std::istringstream words(line);
    std::vector<std::string> arguments;
    for (std::string word; words >> word;) arguments.push_back(word);
    return arguments;
}

// The message of the OptionError the arguments raise, or "" when they are taken.
template <typename Parse>
std::string Refusal(Parse parse)
{
    try {
        parse();
        return "";
    } catch (const OptionError& problem) {
        return problem.message;
    }
}

TEST(SaverOptions, EachFormAsksForWhatItSays)
{
    const SaverEnvironment none = {"", "", "", true};
    SaverRequest r = ParseSaverCommandLine(
        Split("--zoom=50 --quality 7 --color 1 --geometry 320x240 --frame-rate 30 --clock 9 --frames 4 --no-shm --display :3"),
        none);
    EXPECT_TRUE(r.settings.Zoom.value == 50 && r.settings.Quality.value == 7 && r.settings.onColor == 1 &&
                r.settings.Brightness.value == kDefaultSettings.Brightness.value);
    EXPECT_TRUE(r.ownWidth == 320 && r.ownHeight == 240 && r.framesPerSecond == 30 && r.clock.framesPerSecond == 30 &&
                r.clock.fixed && r.clock.start == 9 && r.frameLimit == 4 && !r.tryShared && r.displayName == ":3");
    EXPECT_EQ(r.system, DisplaySystem::X11);
    // The last of a repeated option counts; lockers' single-dash spellings are taken.
    r = ParseSaverCommandLine(Split("--zoom 5 --zoom=6 -window-id=0x20"), none);
    EXPECT_TRUE(r.settings.Zoom.value == 6 && r.window == SaverWindow::Given && r.windowId == 0x20);
    r = ParseSaverCommandLine(Split("-window-id 33"), none);
    EXPECT_TRUE(r.window == SaverWindow::Given && r.windowId == 33);
    EXPECT_TRUE(ParseSaverCommandLine(Split("--zoom 1 -h --zoom x"), none).help);
    EXPECT_TRUE(ParseSaverCommandLine(Split("--help"), none).help);
}

TEST(SaverOptions, TheEnvironmentChoosesTheSystemAndTheWindow)
{
    const struct {
        SaverEnvironment environment;
        const char* arguments;
        DisplaySystem system;
        SaverWindow window;
        unsigned long id;
    } cases[] = {
        {{"", "", "", true}, "", DisplaySystem::Neither, SaverWindow::Own, 0},
        {{"", "", ":0", true}, "", DisplaySystem::X11, SaverWindow::Own, 0},
        {{"", "wayland-0", ":0", true}, "", DisplaySystem::Wayland, SaverWindow::Own, 0},
        {{"", "wayland-0", ":0", false}, "", DisplaySystem::X11, SaverWindow::Own, 0},
        {{"0x40", "wayland-0", "", true}, "-root", DisplaySystem::X11, SaverWindow::Given, 0x40},
        {{"", "wayland-0", "", true}, "--root", DisplaySystem::X11, SaverWindow::Root, 0},
        {{"0x40", "", ":0", true}, "--window-id 7", DisplaySystem::X11, SaverWindow::Given, 7},
        {{"0x40", "", ":0", true}, "--wayland", DisplaySystem::Wayland, SaverWindow::Own, 0},
        {{"", "", ":0", true}, "--fullscreen", DisplaySystem::Wayland, SaverWindow::Own, 0},
    };
    for (const auto& c : cases) {
        const SaverRequest r = ParseSaverCommandLine(Split(c.arguments), c.environment);
        EXPECT_TRUE(r.system == c.system && r.window == c.window && r.windowId == c.id) << c.arguments;
    }
    EXPECT_EQ(Refusal([] { ParseSaverCommandLine({"--root"}, {"junk", "", ":0", true}); }),
              "XSCREENSAVER_WINDOW: 'junk' is not a window id");
}

TEST(RenderOptions, EachFormAsksForWhatItSays)
{
    RenderRequest r = ParseRenderCommandLine(
        Split("--mode=320x240x16 --clock 5 --fps 30 --frames 9 --first-frame=2 --lighting 0 --png p --gif g --raw r --quiet"));
    EXPECT_TRUE(r.mode.width == 320 && r.mode.height == 240 && r.mode.bitsPerPixel == 16 && r.clock == 5 &&
                r.framesPerSecond == 30 && r.frames == 9 && r.firstFrame == 2 && r.settings.on3D == 0 && r.quiet);
    EXPECT_TRUE(r.outputs.pngDirectory == "p" && r.outputs.gifFile == "g" && r.outputs.rawDirectory == "r" &&
                r.outputs.gifDelay == 3);
    r = ParseRenderCommandLine(Split("--figure 20 --tint -1,0,1 --raw r"));
    EXPECT_TRUE(r.figure == 20 && r.tint.factor0 == -1 && r.tint.factor1 == 0 && r.tint.factor2 == 1 && !r.clock);
    EXPECT_TRUE(ParseRenderCommandLine(Split("-h")).help);
}

TEST(Options, BadFormsAreRefusedWithTheirReason)
{
    const struct {
        bool saver;
        const char* arguments;
        const char* message;
    } cases[] = {
        {true, "--bogus", "Option \u2018bogus\u2019 does not exist"},
        {true, "-x", "Option \u2018x\u2019 does not exist"},
        {true, "--zoom", "Option \u2018zoom\u2019 is missing an argument"},
        {true, "--zoom --color", "--zoom: '--color' is not a whole number"},
        {true, "--zoom= ", "--zoom: '' is not a whole number"},
        {true, "stray", "unexpected argument 'stray'"},
        {true, "-- --zoom", "unexpected argument '--zoom'"},
        {true, "--window-id 0x0", "--window-id: '0x0' is not a window id (0x1a00003 or 27262979)"},
        {false, "--quiet", "nothing to write: give --raw DIR, --png DIR or --gif FILE"},
        {false, "--mode 640x480x24 --raw r", "--mode: the depth must be 32 or 16 bits, not 24"},
        {false, "--x11 --raw r", "Option \u2018x11\u2019 does not exist"},
        {true, "--x11=1", "Option \u2018x11\u2019 takes no value, not '1'"},
        {false, "-hq", "Option \u2018hq\u2019 does not exist"},
        {false, "--=1", "Argument \u2018--=1\u2019 starts with a - but has incorrect syntax"},
    };
    for (const auto& c : cases) {
        const std::vector<std::string> arguments = Split(c.arguments);
        const std::string message = c.saver ? Refusal([&] { ParseSaverCommandLine(arguments, {"", "", ":0", true}); })
                                            : Refusal([&] { ParseRenderCommandLine(arguments); });
        EXPECT_EQ(message, c.message) << c.arguments;
    }
}

// Arguments of any length in every form, and control characters, are refused
// on one line that shows at most 60 bytes of them; velmora-render reads them alike.
TEST(Options, LongAndStrangeArgumentsAreRefusedOnOneShortLine)
{
    const std::string tooLong = " is too long: at most 4095 bytes are taken";
    const std::string a(58, 'a'), n(60, '9'), mega(1'000'000, 'a');
    std::string newlines;  // 60 of them as a message shows them
    for (int i = 0; i < 60; ++i) newlines += "\\n";
    const struct {
        std::vector<std::string> arguments;
        std::string message;
    } cases[] = {
        {{"--zoom", std::string(20000, '9')}, "--zoom: '" + n + "...' (20000 bytes)" + tooLong},
        {{"--quality=" + std::string(1'000'000, '9')}, "--quality: '" + n + "...' (1000000 bytes)" + tooLong},
        {{"--" + std::string(60000, 'a')}, "argument 1, '--" + a + "...' (60002 bytes)," + tooLong},
        {{"--zoom", "1", "-" + mega}, "argument 3, '-a" + a + "...' (1000001 bytes)," + tooLong},
        {{"--bogus=" + std::string(4088, 'a')}, "argument 1, '--bogus=" + std::string(52, 'a') + "...' (4096 bytes)," + tooLong},
        {{"--display", mega}, "--display: 'aa" + a + "...' (1000000 bytes)" + tooLong},
        {{"--zoom", std::string(9000, '\n')}, "--zoom: '" + newlines + "...' (9000 bytes)" + tooLong},
        {{std::string(4095, '9'), "--zoom"}, "unexpected argument '" + n + "...' (4095 bytes)"},
        {{"--zoom", "1\n2\x1b\t"}, "--zoom: '1\\n2\\x1b\\t' is not a whole number"},
        {{"--zoom", n + "9"}, "--zoom: " + n + "... (61 bytes) is out of range (-32768 to 32767)"},
        {{"--zoom", n.substr(1) + "\u00e9"}, "--zoom: '" + n.substr(1) + "...' (61 bytes) is not a whole number"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Refusal([&] { ParseSaverCommandLine(c.arguments, {"", "", ":0", true}); }), c.message);
        const std::string render = Refusal([&] { ParseRenderCommandLine(c.arguments); });
        EXPECT_TRUE(!render.empty() && render.size() < 250 && render.find('\n') == std::string::npos) << render;
    }
    EXPECT_EQ(Refusal([] { ParseSaverCommandLine({"--root"}, {std::string(100'000, 'x'), "", "", true}); }),
              "XSCREENSAVER_WINDOW: '" + std::string(60, 'x') + "...' (100000 bytes) is not a window id");
}

TEST(SaverOptions, ParseWindowId)
{
    const struct {
        const char* text;
        bool valid;
        unsigned long id;
    } cases[] = {
        {"0x1a00003", true, 0x1a00003}, {"0X1A00003", true, 0x1a00003}, {"27262979", true, 27262979},
        {"0x1FFFFFFF", true, 0x1FFFFFFF}, {"536870911", true, 0x1FFFFFFF},
        {"0x20000000", false, 0}, {"536870912", false, 0},  // beyond the 29 bits of an X id
        {"99999999999999999999999", false, 0}, {"0xFFFFFFFFFFFFFFFFFF", false, 0},  // overflow
        {"", false, 0}, {"0x", false, 0}, {"0", false, 0}, {"0x0", false, 0}, {"-5", false, 0},
        {"+5", false, 0}, {" 12", false, 0}, {"12 ", false, 0}, {"12ab", false, 0}, {"0x1g", false, 0},
        {"0x-1", false, 0}, {"1a00003", false, 0},
    };
    for (const auto& c : cases) {
        unsigned long window = 77;
        EXPECT_EQ(ParseWindowId(c.text, window), c.valid) << '"' << c.text << '"';
        EXPECT_EQ(window, c.valid ? c.id : 77ul) << '"' << c.text << '"';
    }
}

}  // namespace
