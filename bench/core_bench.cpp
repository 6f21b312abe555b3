// Cost of the chaos game and of one frame of a run, per step.
//
// BareChain is the floor: draw, choose and apply, nothing stored. Frame is what the
// run does per frame apart from the platform (blend, bounds, plot, clear, advance),
// averaged over a run; TransitionFrame the same when every frame shows a new blend
// (a stored LifeTimeOneFig of 0 switches figures at every completed blend). All
// report ns per step, so their ratios are the frame's cost over the chain.
//
// On a shared machine, compare the "_min" rows of a run with repetitions:
//   core_bench --benchmark_repetitions=10 --benchmark_enable_random_interleaving=true
#include <benchmark/benchmark.h>

#include <algorithm>
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

double Fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

// The serial chain of a pass, with the same step as every pass, nothing kept: only
// the last point escapes.
void BM_BareChain(benchmark::State& state)
{
    SetQuality(state);
    const int32_t n = PassLength();
    int figure = 0;
    for (auto _ : state) {
        PassPoint last = {0.0f, 0.0f};
        RunPass(FigureTable[figure], n, [&](float x, float y) { last = {x, y}; });
        figure = (figure + 1) % kFigureCount;
        benchmark::DoNotOptimize(last);
    }
    ReportPerStep(state);
}

// One frame of a run: Args are Quality, screen width, height and depth (Zoom 80).
void RunFrames(benchmark::State& state, int16_t lifeTime)
{
    SetQuality(state);
    saverSettings.LifeTimeOneFig.value = lifeTime;
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

void BM_Frame(benchmark::State& state) { RunFrames(state, kDefaultSettings.LifeTimeOneFig.value); }
void BM_TransitionFrame(benchmark::State& state) { RunFrames(state, 0); }

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

BENCHMARK(BM_BareChain)->Arg(40)->Arg(300)->ComputeStatistics("min", Fastest);
BENCHMARK(BM_Frame)->Apply(FrameArgs)->ComputeStatistics("min", Fastest);
BENCHMARK(BM_TransitionFrame)->Apply(FrameArgs)->ComputeStatistics("min", Fastest);
BENCHMARK(BM_MeasureBounds)->Arg(40)->Arg(300)->ComputeStatistics("min", Fastest);
BENCHMARK(BM_PlotFigure32)->Arg(40)->Arg(300)->ComputeStatistics("min", Fastest);

BENCHMARK_MAIN();
