// One frame of a run in WebAssembly, measured as core_bench's BM_Frame measures it
// natively: Quality, screen width, height and depth (Zoom 80), the clock ticking one
// second every 60 frames, a fresh run per call. Built by the Emscripten tree as
// frame_bench.html; bench/web_frame_bench.sh calls it in headless Chromium, reading
// the processor time the page's thread spent, beside core_bench.
#include <emscripten/emscripten.h>

#include <memory>

#include "core/run/saver_run.h"

// Draws frames frames of a fresh run; the milliseconds they took, or -1 without
// memory for the frame.
extern "C" EMSCRIPTEN_KEEPALIVE double velmora_bench_frames(int quality, int width, int height, int bits, int frames)
{
    const auto run = std::make_unique<SaverRun>();
    run->settings.Quality = static_cast<int16_t>(quality);
    int64_t frame = 0;
    run->clock = [&frame] { return 1'700'000'000 + frame / 60; };
    SetUpFrameGeometry(*run, DisplayMode{static_cast<int16_t>(width), static_cast<int16_t>(height),
                                         static_cast<int16_t>(bits)});
    StartFirstFigure(*run);
    if (!AllocateFrameBuffer(*run)) return -1;
    const double start = emscripten_get_now();
    for (; frame < frames; ++frame) {
        DrawFrame(*run);
        EndFrame(*run);
    }
    const double elapsed = emscripten_get_now() - start;
    ReleaseFrameBuffer(*run);
    return elapsed;
}
