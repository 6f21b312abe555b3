// Cost of the chaos game and of one frame of a run, per step.
//
// BareChain is the floor: draw, choose and apply, nothing stored. Frame is what the
// run does per frame apart from the platform (blend, bounds, plot, clear, advance).
// Both report ns per step, so their ratio is the frame's overhead over the chain.
#include <benchmark/benchmark.h>

#include <vector>

#include "app/saver_run.h"
#include "ifs/chaos.h"
#include "ifs/random_source.h"
#include "render/frame_buffer.h"
#include "render/plot.h"
#include "settings/settings.h"

namespace {

// Ticks one second every 60 frames, as a run at 60 frames a second sees the clock.
int64_t benchFrames = 0;
int64_t BenchClock() { return 1'700'000'000 + benchFrames / 60; }

void SetQuality(const benchmark::State& state)
{
    saverSettings = kDefaultSettings;
    saverSettings.Quality.value = static_cast<int16_t>(state.range(0));
}

void ReportPerStep(benchmark::State& state)
{
    state.counters["ns/step"] = benchmark::Counter(static_cast<double>(state.iterations()) * PassLength(),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

// The serial chain of a pass with nothing kept: only the last point escapes.
void BM_BareChain(benchmark::State& state)
{
    SetQuality(state);
    const int32_t n = PassLength();
    int figure = 0;
    for (auto _ : state) {
        const IfsFigure& f = FigureTable[figure];
        figure = (figure + 1) % kFigureCount;
        PassPoint point = WarmUpPoint(f);
        SeedRandom(0);
        const MapChooser chooser = MakeMapChooser(f);
        for (int32_t i = 0; i < n; ++i) ApplyMap(point.x, point.y, f.maps[ChooseMap(chooser, NextRandom())]);
        benchmark::DoNotOptimize(point);
    }
    ReportPerStep(state);
}

// One frame of a run: Args are Quality, screen width, height and depth (Zoom 80).
void BM_Frame(benchmark::State& state)
{
    SetQuality(state);
    const DisplayMode mode = {static_cast<int16_t>(state.range(1)), static_cast<int16_t>(state.range(2)),
                              static_cast<int16_t>(state.range(3))};
    benchFrames = 0;
    SetClock(BenchClock);
    SetUpFrameGeometry(mode);
    StartFirstFigure();
    if (!AllocateFrameBuffer()) {
        state.SkipWithError("no memory for the frame");
        return;
    }
    for (auto _ : state) {
        DrawFrame();
        benchmark::ClobberMemory();
        EndFrame();
        ++benchFrames;
    }
    ReleaseFrameBuffer();
    SetClock(nullptr);
    ReportPerStep(state);
}

void BM_MeasureBounds(benchmark::State& state)
{
    SetQuality(state);
    for (auto _ : state) {
        MeasureBounds(FigureTable[0]);
        benchmark::DoNotOptimize(figureBounds);
    }
    ReportPerStep(state);
}

void BM_PlotFigure32(benchmark::State& state)
{
    SetQuality(state);
    frameWidth = 819;
    frameHeight = 614;
    pixelCount = frameWidth * frameHeight;
    std::vector<uint32_t> pixels(pixelCount, 0);
    MeasureBounds(FigureTable[0]);
    for (auto _ : state) {
        PlotFigure32(FigureTable[0], pixels.data());
        benchmark::ClobberMemory();
    }
    ReportPerStep(state);
}

void FrameArgs(benchmark::internal::Benchmark* bench)
{
    for (int quality : {40, 300})
        for (int bits : {32, 16}) {
            bench->Args({quality, 320, 240, bits});
            bench->Args({quality, 1024, 768, bits});
        }
}

}  // namespace

BENCHMARK(BM_BareChain)->Arg(40)->Arg(300);
BENCHMARK(BM_Frame)->Apply(FrameArgs);
BENCHMARK(BM_MeasureBounds)->Arg(40)->Arg(300);
BENCHMARK(BM_PlotFigure32)->Arg(40)->Arg(300);

BENCHMARK_MAIN();
