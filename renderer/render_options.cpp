#include "renderer/render_options.h"

#include <climits>

#include "core/ifs/figures.h"

namespace {

constexpr const char* kSettingsGroup = "Settings (taken as given, like stored settings)";

// WxHxBPP, for instance 1024x768x32.
DisplayMode ParseMode(const std::string& text)
{
    const size_t first = text.find('x');
    const size_t second = first == std::string::npos ? first : text.find('x', first + 1);
    if (second == std::string::npos)
        throw OptionError{"--mode: " + Quoted(text) + " is not WIDTHxHEIGHTxBITS, for instance 1024x768x32"};
    const int64_t width = ParseWholeOption("mode width", text.substr(0, first), 1, 32767);
    const int64_t height = ParseWholeOption("mode height", text.substr(first + 1, second - first - 1), 1, 32767);
    const int64_t bits = ParseWholeOption("mode bits", text.substr(second + 1), 16, 32);
    if (bits != 16 && bits != 32) throw OptionError{"--mode: the depth must be 32 or 16 bits, not " + std::to_string(bits)};
    if (width * height * (bits / 8) > INT32_MAX) throw OptionError{"--mode: " + Shortened(text) + " is too large a screen"};
    return {static_cast<int16_t>(width), static_cast<int16_t>(height), static_cast<int16_t>(bits)};
}

ChannelTint ParseTint(const std::string& text)
{
    int16_t factors[3];
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t comma = text.find(',', start);
        if ((i < 2) != (comma != std::string::npos))
            throw OptionError{"--tint: " + Quoted(text) + " is not three factors a,b,c, each -1, 0 or 1"};
        factors[i] = static_cast<int16_t>(ParseWholeOption("tint", text.substr(start, comma - start), -1, 1));
        start = comma + 1;
    }
    return {factors[0], factors[1], factors[2]};
}

OptionTable RenderOptions()
{
    // Every value is read as text and checked here, for messages that say what is wrong.
    OptionTable table;
    table.program = "velmora-render";
    table.description =
        "Draws the frames of a Velmora Screen Saver run, or one of its figures, into raw, PNG or GIF files.";
    table.usage = "[OPTION...] (--raw DIR | --png DIR | --gif FILE)...";
    table.groups = {
        {"Screen", {Value("mode", "WxHxBPP", "screen mode WIDTHxHEIGHTxBITS, bits 32 or 16", "1024x768x32")}},
        SettingsOptions(kSettingsGroup),
        {"Run",
         {Value("clock", "T", "seconds since 1970 at the start (default: now)"),
          Value("fps", "F", "frames per clock second: frame k ends at T + floor(k / F)", "60"),
          Value("frames", "N", "frames to draw", "1"),
          Value("first-frame", "K", "first frame written; earlier ones are drawn only", "0"),
          Value("figure", "N", "draw table figure N (0..20) once instead of a run"),
          Value("tint", "a,b,c", "with --figure: the tint factors, each -1, 0 or 1", "1,1,1")}},
        {"Output",
         {Value("raw", "DIR", "write DIR/frame-NNNNNN.raw: the frame's pixel words, little-endian"),
          Value("png", "DIR", "write DIR/frame-NNNNNN.png: the whole screen, 8-bit RGB"),
          Value("gif", "FILE", "write the frames as one looping animated GIF"),
          Value("gif-delay", "CS", "GIF frame time in 1/100 s (default: from --fps, at least 2)"),
          Switch("quiet", "no progress messages"),
          Switch("help", "show this help", 'h')}},
    };
    return table;
}

RenderRequest ReadRequest(const ParsedOptions& parsed)
{
    RenderRequest request;
    request.settings = ReadSettingsOptions(parsed);  // shared with the X11 saver
    request.mode = ParseMode(parsed.Text("mode"));
    const auto given = [&](const char* name) { return parsed.Given(name); };
    const auto whole = [&](const char* name, int64_t low, int64_t high) {
        return ParseWholeOption(name, parsed.Text(name), low, high);
    };

    if (given("clock")) request.clock = whole("clock", 0, INT64_MAX / 2);
    request.framesPerSecond = whole("fps", 1, INT32_MAX);
    request.frames = whole("frames", 1, INT32_MAX);
    request.firstFrame = whole("first-frame", 0, INT32_MAX);
    if (request.firstFrame >= request.frames)
        throw OptionError{"--first-frame " + std::to_string(request.firstFrame) + " writes nothing: it must be below --frames " +
                         std::to_string(request.frames)};
    if (given("figure")) {
        request.figure = static_cast<int>(whole("figure", 0, kFigureCount - 1));
        for (const char* runOnly : {"frames", "first-frame", "clock", "fps"})
            if (given(runOnly)) throw OptionError{std::string("--") + runOnly + " belongs to a run; --figure draws one picture"};
        request.tint = ParseTint(parsed.Text("tint"));
    } else if (given("tint")) {
        throw OptionError{"--tint applies only with --figure; a run picks its tints itself (--color 1)"};
    }

    if (given("raw")) request.outputs.rawDirectory = parsed.Text("raw");
    if (given("png")) request.outputs.pngDirectory = parsed.Text("png");
    if (given("gif")) request.outputs.gifFile = parsed.Text("gif");
    if (request.outputs.rawDirectory.empty() && request.outputs.pngDirectory.empty() && request.outputs.gifFile.empty())
        throw OptionError{"nothing to write: give --raw DIR, --png DIR or --gif FILE"};
    const int64_t delay = (100 + request.framesPerSecond / 2) / request.framesPerSecond;
    request.outputs.gifDelay = static_cast<int>(given("gif-delay") ? whole("gif-delay", 1, 65535) : (delay < 2 ? 2 : delay));
    request.quiet = given("quiet");
    return request;
}

}  // namespace

RenderRequest ParseRenderCommandLine(const std::vector<std::string>& arguments)
{
    const OptionTable table = RenderOptions();
    const ParsedOptions parsed = ParseCommandLine(table, arguments);
    if (parsed.Given("help")) {
        RenderRequest request;
        request.help = true;
        return request;
    }
    return ReadRequest(parsed);
}

std::string RenderHelp()
{
    return HelpText(RenderOptions()) +
           "\nExample: a 20-second animation of a run at 320x240 pixels\n"
           "  velmora-render --mode 320x240x32 --frames 600 --fps 30 --color 1 --gif run.gif\n";
}
