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
//
// x86 plots with SSE2; to weigh the plain double placement of the other targets
// against it, build a second core_bench with -DVELMORA_PLOT_PORTABLE and run the two
// one after the other, a few times over.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <memory>
#include <vector>

#include "core/run/saver_run.h"
#include "core/ifs/chaos.h"
#include "core/render/plot.h"

namespace {

int32_t Steps(const benchmark::State& state) { return PassLength(static_cast<int16_t>(state.range(0))); }

void ReportPerStep(benchmark::State& state)
{
    state.counters["ns/step"] = benchmark::Counter(static_cast<double>(state.iterations()) * Steps(state),
                                                   benchmark::Counter::kIsRate | benchmark::Counter::kInvert);
}

double Fastest(const std::vector<double>& times) { return *std::min_element(times.begin(), times.end()); }

// The serial chain of a pass, with the same step as every pass, nothing kept: only
// the last point escapes.
void BM_BareChain(benchmark::State& state)
{
    const auto maps = std::make_unique<MapTable>();
    int figure = 0;
    for (auto _ : state) {
        PassPoint last = {0.0f, 0.0f};
        RunPass(FigureTable[figure], Steps(state), *maps, [&](float x, float y) { last = {x, y}; });
        figure = (figure + 1) % kFigureCount;
        benchmark::DoNotOptimize(last);
    }
    ReportPerStep(state);
}

// One frame of a run: Args are Quality, screen width, height and depth (Zoom 80).
// The clock ticks one second every 60 frames, as a run at 60 frames a second sees it.
void RunFrames(benchmark::State& state, int16_t lifeTime)
{
    const auto run = std::make_unique<SaverRun>();
    run->settings.Quality = static_cast<int16_t>(state.range(0));
    run->settings.LifeTimeOneFig = lifeTime;
    int64_t frames = 0;
    run->clock = [&frames] { return 1'700'000'000 + frames / 60; };
    const DisplayMode mode = {static_cast<int16_t>(state.range(1)), static_cast<int16_t>(state.range(2)),
                              static_cast<int16_t>(state.range(3))};
    SetUpFrameGeometry(*run, mode);
    StartFirstFigure(*run);
    if (!AllocateFrameBuffer(*run)) {
        state.SkipWithError("no memory for the frame");
        return;
    }
    for (auto _ : state) {
        DrawFrame(*run);
        benchmark::ClobberMemory();
        EndFrame(*run);
        ++frames;
    }
    ReleaseFrameBuffer(*run);
    ReportPerStep(state);
}

void BM_Frame(benchmark::State& state) { RunFrames(state, kDefaultSettings.LifeTimeOneFig.value); }
void BM_TransitionFrame(benchmark::State& state) { RunFrames(state, 0); }

void BM_MeasureBounds(benchmark::State& state)
{
    const auto maps = std::make_unique<MapTable>();
    for (auto _ : state) benchmark::DoNotOptimize(MeasureBounds(FigureTable[0], Steps(state), *maps));
    ReportPerStep(state);
}

void BM_PlotFigure32(benchmark::State& state)
{
    const auto tables = std::make_unique<PassTables>();
    FrameBuffer frame;
    frame.frameWidth = 819;
    frame.frameHeight = 614;
    frame.pixelCount = 819 * 614;
    std::vector<uint32_t> pixels(frame.pixelCount, 0);
    frame.pixels = pixels.data();
    const FigureBounds bounds = MeasureBounds(FigureTable[0], Steps(state), tables->maps);
    const PlotStyle style = {250, 1, kGreyTint};
    for (auto _ : state) {
        PlotFigure32(FigureTable[0], Steps(state), bounds, style, frame, *tables);
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
