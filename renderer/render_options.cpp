#include "renderer/render_options.h"

#include <cxxopts.hpp>

#include <climits>

#include "core/ifs/figures.h"

namespace {

constexpr const char* kProgram = "velmora-render";
constexpr const char* kSettingsGroup = "Settings (taken as given, like stored settings)";

// WxHxBPP, for instance 1024x768x32.
DisplayMode ParseMode(const std::string& text)
{
    const size_t first = text.find('x');
    const size_t second = first == std::string::npos ? first : text.find('x', first + 1);
    if (second == std::string::npos)
        throw OptionError{"--mode: '" + text + "' is not WIDTHxHEIGHTxBITS, for instance 1024x768x32"};
    const int64_t width = ParseWholeOption("mode width", text.substr(0, first), 1, 32767);
    const int64_t height = ParseWholeOption("mode height", text.substr(first + 1, second - first - 1), 1, 32767);
    const int64_t bits = ParseWholeOption("mode bits", text.substr(second + 1), 16, 32);
    if (bits != 16 && bits != 32) throw OptionError{"--mode: the depth must be 32 or 16 bits, not " + std::to_string(bits)};
    if (width * height * (bits / 8) > INT32_MAX) throw OptionError{"--mode: " + text + " is too large a screen"};
    return {static_cast<int16_t>(width), static_cast<int16_t>(height), static_cast<int16_t>(bits)};
}

ChannelTint ParseTint(const std::string& text)
{
    int16_t factors[3];
    size_t start = 0;
    for (int i = 0; i < 3; ++i) {
        const size_t comma = text.find(',', start);
        if ((i < 2) != (comma != std::string::npos))
            throw OptionError{"--tint: '" + text + "' is not three factors a,b,c, each -1, 0 or 1"};
        factors[i] = static_cast<int16_t>(ParseWholeOption("tint", text.substr(start, comma - start), -1, 1));
        start = comma + 1;
    }
    return {factors[0], factors[1], factors[2]};
}

cxxopts::Options MakeOptions()
{
    cxxopts::Options options(kProgram, "Draws the frames of a Velmora Screen Saver run, or one of its figures, "
                                       "into raw, PNG or GIF files.");
    options.custom_help("[OPTION...] (--raw DIR | --png DIR | --gif FILE)...");
    // Every value is read as text and checked here, for messages that say what is wrong.
    const auto text = [] { return cxxopts::value<std::string>(); };
    options.add_options("Screen")
        ("mode", "screen mode WIDTHxHEIGHTxBITS, bits 32 or 16", text()->default_value("1024x768x32"), "WxHxBPP");
    AddSettingsOptions(options, kSettingsGroup);
    options.add_options("Run")
        ("clock", "seconds since 1970 at the start (default: now)", text(), "T")
        ("fps", "frames per clock second: frame k ends at T + floor(k / F)", text()->default_value("60"), "F")
        ("frames", "frames to draw", text()->default_value("1"), "N")
        ("first-frame", "first frame written; earlier ones are drawn only", text()->default_value("0"), "K")
        ("figure", "draw table figure N (0..20) once instead of a run", text(), "N")
        ("tint", "with --figure: the tint factors, each -1, 0 or 1", text()->default_value("1,1,1"), "a,b,c");
    options.add_options("Output")
        ("raw", "write DIR/frame-NNNNNN.raw: the frame's pixel words, little-endian", text(), "DIR")
        ("png", "write DIR/frame-NNNNNN.png: the whole screen, 8-bit RGB", text(), "DIR")
        ("gif", "write the frames as one looping animated GIF", text(), "FILE")
        ("gif-delay", "GIF frame time in 1/100 s (default: from --fps, at least 2)", text(), "CS")
        ("quiet", "no progress messages")
        ("h,help", "show this help");
    return options;
}

RenderRequest ReadRequest(const cxxopts::ParseResult& parsed)
{
    if (!parsed.unmatched().empty()) throw OptionError{"unexpected argument '" + parsed.unmatched().front() + "'"};
    RenderRequest request;
    request.settings = ReadSettingsOptions(parsed);  // shared with the X11 saver
    request.mode = ParseMode(parsed["mode"].as<std::string>());
    const auto given = [&](const char* name) { return parsed.count(name) > 0; };
    const auto whole = [&](const char* name, int64_t low, int64_t high) {
        return ParseWholeOption(name, parsed[name].as<std::string>(), low, high);
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
        request.tint = ParseTint(parsed["tint"].as<std::string>());
    } else if (given("tint")) {
        throw OptionError{"--tint applies only with --figure; a run picks its tints itself (--color 1)"};
    }

    if (given("raw")) request.outputs.rawDirectory = parsed["raw"].as<std::string>();
    if (given("png")) request.outputs.pngDirectory = parsed["png"].as<std::string>();
    if (given("gif")) request.outputs.gifFile = parsed["gif"].as<std::string>();
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
    std::vector<std::string> all = {kProgram};
    all.insert(all.end(), arguments.begin(), arguments.end());
    std::vector<char*> pointers;
    for (std::string& argument : all) pointers.push_back(argument.data());
    try {
        cxxopts::Options options = MakeOptions();
        const cxxopts::ParseResult parsed = options.parse(static_cast<int>(pointers.size()), pointers.data());
        if (parsed.count("help")) {
            RenderRequest request;
            request.help = true;
            return request;
        }
        return ReadRequest(parsed);
    } catch (const cxxopts::exceptions::exception& problem) {
        throw OptionError{problem.what()};
    }
}

std::string RenderHelp()
{
    return MakeOptions().help({"Screen", kSettingsGroup, "Run", "Output"}) +
           "\nExample: a 20-second animation of a run at 320x240 pixels\n  " + kProgram +
           " --mode 320x240x32 --frames 600 --fps 30 --color 1 --gif run.gif\n";
}
