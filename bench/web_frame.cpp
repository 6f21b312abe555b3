// One frame of a run in WebAssembly, measured as core_bench's BM_Frame measures it
// natively: Quality, screen width, height and depth (Zoom 80), the clock ticking one
// second every 60 frames; a fresh run per repetition, frames drawn for a tenth of a
// second, the mean per frame (on a busy machine the fastest of many short repetitions
// tells most). Built by the Emscripten tree as frame_bench.html;
// bench/web_frame_bench.sh runs it in headless Chromium beside core_bench.
#include <emscripten/emscripten.h>

#include <cstdio>
#include <memory>

#include "core/run/saver_run.h"

namespace {

// Nanoseconds per frame over one repetition, or -1 without memory for the frame.
double FrameTime(int16_t quality, int16_t width, int16_t height, int16_t bits)
{
    const auto run = std::make_unique<SaverRun>();
    run->settings.Quality = quality;
    int64_t frames = 0;
    run->clock = [&frames] { return 1'700'000'000 + frames / 60; };
    SetUpFrameGeometry(*run, DisplayMode{width, height, bits});
    StartFirstFigure(*run);
    if (!AllocateFrameBuffer(*run)) return -1;
    const double start = emscripten_get_now();
    double now = start;
    while (now - start < 100.0) {
        DrawFrame(*run);
        EndFrame(*run);
        ++frames;
        now = emscripten_get_now();
    }
    ReleaseFrameBuffer(*run);
    return (now - start) * 1e6 / static_cast<double>(frames);
}

}  // namespace

// Prints "frame QUALITY/WIDTH/HEIGHT/BITS NS" per repetition, then "done".
int main()
{
    constexpr int kRepetitions = 20;
    const int16_t cases[][4] = {{40, 320, 240, 32}, {40, 1024, 768, 32}, {300, 320, 240, 32}, {300, 1024, 768, 32}};
    for (int repetition = 0; repetition < kRepetitions; ++repetition)
        for (const auto& c : cases)
            std::printf("frame %d/%d/%d/%d %.1f\n", c[0], c[1], c[2], c[3], FrameTime(c[0], c[1], c[2], c[3]));
    std::printf("done\n");
    return 0;
}
