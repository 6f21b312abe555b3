// velmora-render: draws the frames of a saver run, or one table figure, without a
// screen, and writes them as raw FrameBuffer words, PNG pictures or an animated GIF.
//
// The run is the saver's own: the same procedures in the same order as the Windows
// driver, with the clock replaced by one that reads --clock T + floor(k / --fps)
// at the end of frame k.
#include <cxxopts.hpp>

#include <chrono>
#include <climits>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "core/run/frames.h"
#include "core/run/saver_run.h"
#include "core/run/display_mode.h"
#include "core/ifs/chaos.h"
#include "core/ifs/random_source.h"
#include "core/render/frame_buffer.h"
#include "core/render/plot.h"
#include "core/render/tint.h"
#include "core/settings/settings.h"
#include "renderer/frame_output.h"
#include "cli/settings_options.h"

namespace {

constexpr const char* kProgram = "velmora-render";
constexpr const char* kSettingsGroup = "Settings (taken as given, like stored settings)";

struct Request {
    DisplayMode mode = {1024, 768, 32};
    int64_t clock = 0;
    int64_t framesPerSecond = 60;
    int64_t frames = 1;
    int64_t firstFrame = 0;
    std::optional<int> figure;
    ChannelTint tint = kGreyTint;
    FrameOutputs outputs;
    bool quiet = false;
    SaverSettings settings = kDefaultSettings;
};

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

Request ReadRequest(const cxxopts::ParseResult& parsed)
{
    if (!parsed.unmatched().empty()) throw OptionError{"unexpected argument '" + parsed.unmatched().front() + "'"};
    Request request;
    request.settings = ReadSettingsOptions(parsed);  // shared with the X11 saver
    request.mode = ParseMode(parsed["mode"].as<std::string>());
    const auto given = [&](const char* name) { return parsed.count(name) > 0; };
    const auto whole = [&](const char* name, int64_t low, int64_t high) {
        return ParseWholeOption(name, parsed[name].as<std::string>(), low, high);
    };

    request.clock = given("clock") ? whole("clock", 0, INT64_MAX / 2) : std::chrono::duration_cast<std::chrono::seconds>(
                                                                             std::chrono::system_clock::now().time_since_epoch())
                                                                             .count();
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

int Fail(const std::string& message)
{
    std::cerr << kProgram << ": " << message << "\n";
    return 1;
}

std::string NoMemory(const FrameBuffer& frame)
{
    return "not enough memory for a " + std::to_string(frame.frameWidth) + " x " + std::to_string(frame.frameHeight) +
           " frame";
}

// Progress on stderr, about once a second while a long run goes on.
struct Progress {
    int64_t total;
    bool quiet;
    bool shown = false;
    std::chrono::steady_clock::time_point last = std::chrono::steady_clock::now();
};

void ReportProgress(Progress& progress, int64_t done)
{
    const auto now = std::chrono::steady_clock::now();
    if (progress.quiet || now - progress.last < std::chrono::seconds(1)) return;
    progress.last = now;
    progress.shown = true;
    std::fprintf(stderr, "%s: frame %lld of %lld\n", kProgram, static_cast<long long>(done),
                 static_cast<long long>(progress.total));
}

// The saver run, frame by frame, as the Windows driver runs it.
int RenderRun(const Request& request)
{
    SaverFrames frames;
    SetUpFrames(frames, request.settings, {true, request.clock, request.framesPerSecond, 0});
    if (!LayOutFrames(frames, request.mode)) return Fail(NoMemory(frames.run->frame));
    std::string error;
    FrameWriter writer;
    if (!OpenFrameOutputs(writer, request.outputs, request.mode, error)) {
        CloseFrameOutputs(writer, error);
        ReleaseFrames(frames);
        return Fail(error);
    }
    Progress progress = {request.frames, request.quiet};
    for (int64_t k = 0; k < request.frames; ++k) {
        DrawNextFrame(frames);
        if (k >= request.firstFrame && !WriteFrame(writer, frames.run->frame, k, error)) break;
        FinishFrame(frames);
        ReportProgress(progress, k + 1);
    }
    const bool written = error.empty();
    const bool closed = CloseFrameOutputs(writer, error);
    ReleaseFrames(frames);
    if (!closed || !written) return Fail(error);
    if (progress.shown) std::fprintf(stderr, "%s: %lld frames done\n", kProgram, static_cast<long long>(request.frames));
    return 0;
}

// One table figure, measured and plotted into a black frame.
int RenderFigure(const Request& request)
{
    const auto owned = std::make_unique<SaverRun>();
    SaverRun& run = *owned;
    run.settings = HoldForRun(request.settings);
    SetUpFrameGeometry(run, request.mode);
    if (!AllocateFrameBuffer(run)) return Fail(NoMemory(run.frame));
    const IfsFigure& figure = FigureTable[*request.figure];
    const int32_t steps = PassLength(run.settings.Quality);
    const FigureBounds bounds = MeasureBounds(figure, steps, run.tables.maps);
    const PlotStyle style = {run.settings.Brightness, run.settings.on3D, request.tint};
    PlotFigure(figure, steps, bounds, style, run.frame, run.tables);
    std::string error;
    FrameWriter writer;
    const bool ok = OpenFrameOutputs(writer, request.outputs, request.mode, error) && WriteFrame(writer, run.frame, 0, error);
    const bool closed = CloseFrameOutputs(writer, error);
    ReleaseFrameBuffer(run);
    return ok && closed ? 0 : Fail(error);
}

}  // namespace

int main(int argc, char** argv)
{
    cxxopts::Options options = MakeOptions();
    Request request;
    try {
        const cxxopts::ParseResult parsed = options.parse(argc, argv);
        if (parsed.count("help")) {
            std::cout << options.help({"Screen", kSettingsGroup, "Run", "Output"}) << "\nExample: a 20-second animation of a run at 320x240 pixels\n"
                      << "  " << kProgram << " --mode 320x240x32 --frames 600 --fps 30 --color 1 --gif run.gif\n";
            return 0;
        }
        request = ReadRequest(parsed);
    } catch (const cxxopts::exceptions::exception& problem) {
        std::cerr << kProgram << ": " << problem.what() << "\nTry '" << kProgram << " --help'.\n";
        return 2;
    } catch (const OptionError& problem) {
        std::cerr << kProgram << ": " << problem.message << "\nTry '" << kProgram << " --help'.\n";
        return 2;
    }
    return request.figure ? RenderFigure(request) : RenderRun(request);
}
