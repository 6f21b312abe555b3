// Cost of one chaos-game pass: the bounds pass and the plotting pass, per step.
#include <benchmark/benchmark.h>

#include <vector>

#include "ifs/chaos.h"
#include "render/frame_buffer.h"
#include "render/plot.h"
#include "settings/settings.h"

namespace {

void SetQuality(const benchmark::State& state)
{
    saverSettings = kDefaultSettings;
    saverSettings.Quality.value = static_cast<int16_t>(state.range(0));
}

void SetSteps(benchmark::State& state) { state.SetItemsProcessed(state.iterations() * PassLength()); }

void BM_MeasureBounds(benchmark::State& state)
{
    SetQuality(state);
    for (auto _ : state) {
        MeasureBounds(FigureTable[0]);
        benchmark::DoNotOptimize(figureBounds);
    }
    SetSteps(state);
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
    SetSteps(state);
}

}  // namespace

BENCHMARK(BM_MeasureBounds)->Arg(40)->Arg(300);
BENCHMARK(BM_PlotFigure32)->Arg(40)->Arg(300);

BENCHMARK_MAIN();
