// velmora-render: draws the frames of a saver run, or one table figure, without a
// screen, and writes them as raw FrameBuffer words, PNG pictures or an animated GIF.
//
// The run is the saver's own: the same procedures in the same order as the Windows
// driver, with the clock replaced by one that reads --clock T + floor(k / --fps)
// at the end of frame k.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <iostream>
#include <memory>
#include <string>
#include <vector>

#include "core/ifs/random_source.h"
#include "core/run/frames.h"
#include "core/run/display_mode.h"
#include "core/render/tint.h"
#include "core/settings/settings.h"
#include "cli/settings_options.h"
#include "renderer/frame_output.h"
#include "renderer/render_options.h"

namespace {

constexpr const char* kProgram = "velmora-render";

int Fail(const std::string& message)
{
    std::cerr << kProgram << ": " << message << "\n";
    return 1;
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

// The saver run, frame by frame, as every front end draws it.
int RenderRun(const RenderRequest& request)
{
    SaverFrames frames;
    SetUpFrames(frames, request.settings, {true, *request.clock, request.framesPerSecond, 0});
    if (!LayOutFrames(frames, request.mode)) return Fail(NoMemoryMessage(frames));
    std::string error;
    FrameWriter writer;
    if (!OpenFrameOutputs(writer, request.outputs, request.mode, error)) {
        CloseFrameOutputs(writer, error);
        ReleaseFrames(frames);
        return Fail(error);
    }
    Progress progress = {request.frames, request.quiet};
    for (int64_t k = 0; k < request.frames; ++k) {
        const DrawnFrame frame = DrawNextFrame(frames);
        if (k >= request.firstFrame && !WriteFrame(writer, frame, k, error)) break;
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
int RenderFigure(const RenderRequest& request)
{
    SaverFrames frames;
    SetUpFrames(frames, request.settings, {});
    SizeFrames(frames, request.mode);  // no first figure: nothing of a run is drawn
    if (!AllocateFrames(frames)) return Fail(NoMemoryMessage(frames));
    DrawTableFigure(frames, *request.figure, request.tint);
    std::string error;
    FrameWriter writer;
    const bool ok =
        OpenFrameOutputs(writer, request.outputs, request.mode, error) && WriteFrame(writer, CurrentFrame(frames), 0, error);
    const bool closed = CloseFrameOutputs(writer, error);
    ReleaseFrames(frames);
    return ok && closed ? 0 : Fail(error);
}

}  // namespace

int main(int argc, char** argv)
{
    RenderRequest request;
    try {
        request = ParseRenderCommandLine(std::vector<std::string>(argv + 1, argv + argc));
    } catch (const OptionError& problem) {
        std::cerr << kProgram << ": " << problem.message << "\nTry '" << kProgram << " --help'.\n";
        return 2;
    }
    if (request.help) {
        std::cout << RenderHelp();
        return 0;
    }
    if (!request.quiet) WriteHeldForRunNotes(kProgram, request.settings, stderr);
    if (!request.clock)
        request.clock = SystemClockSeconds();  // the calendar clock, 64 bits wide on every target
    return request.figure ? RenderFigure(request) : RenderRun(request);
}
