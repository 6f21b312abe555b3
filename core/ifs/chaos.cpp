#include "core/ifs/chaos.h"

#include <cstring>

PassPoint WarmUpPoint(const IfsFigure& figure)
{
    float x = 1.0f;
    float y = 1.0f;
    for (int i = 0; i < 100; ++i) ApplyMap(x, y, figure.maps[0]);
    return {x, y};
}

namespace {

float DrawValue(int r) { return static_cast<float>(static_cast<double>(r) * static_cast<double>(kDrawScale)); }

// Number of draws r in 0..32767 with u(r) <= sum; u grows with r, so a binary search.
int DrawsAtOrBelow(double sum)
{
    int low = 0;
    int high = 32768;
    while (low < high) {
        const int mid = (low + high) / 2;
        if (static_cast<double>(DrawValue(mid)) <= sum)
            low = mid + 1;
        else
            high = mid;
    }
    return low;
}

}  // namespace

int ChooseMap(const IfsFigure& figure, int r)
{
    const double u = static_cast<double>(DrawValue(r));
    double sum = 0.0;
    for (int m = 0; m < 3; ++m) {
        sum += static_cast<double>(figure.maps[m].p);
        if (u <= sum) return m;
    }
    return 3;
}

MapChooser MakeMapChooser(const IfsFigure& figure)
{
    MapChooser chooser;
    double sum = 0.0;
    int highest = 0;
    for (int m = 0; m < 3; ++m) {
        sum += static_cast<double>(figure.maps[m].p);
        const int limit = DrawsAtOrBelow(sum);
        if (limit > highest) highest = limit;
        chooser.limit[m] = highest;
    }
    return chooser;
}

const uint8_t* MapTable::For(const MapChooser& chooser)
{
    if (std::memcmp(&filled, &chooser, sizeof chooser) != 0) {
        // The limits never decrease, so each map takes one run of draws.
        int start = 0;
        for (int m = 0; m < 3; ++m) {
            std::memset(mapOfDraw + start, m, static_cast<size_t>(chooser.limit[m] - start));
            start = chooser.limit[m];
        }
        std::memset(mapOfDraw + start, 3, static_cast<size_t>(32768 - start));
        filled = chooser;
    }
    return mapOfDraw;
}

FigureBounds MeasureBounds(const IfsFigure& figure, int32_t steps, MapTable& maps)
{
    PassExtremes extremes;
    RunPass(figure, steps, maps, [&](float x, float y) { extremes.Take(x, y); });
    return extremes.Bounds();
}
