// The chaos game: one point moved again and again by randomly chosen maps.
//
// Every pass starts from the same warm-up point and seeds the random source with 0,
// so two passes over the same figure visit the same points bit for bit. All
// arithmetic is done in double from single-precision operands and rounded to
// single precision where a value is stored.
#pragma once

#include <cstdint>

#include "ifs/figures.h"
#include "ifs/random_source.h"
#include "settings/settings.h"

struct PassPoint {
    float x, y;
};

// Extent of the last measured pass: minimum x and y, width and height.
struct FigureBounds {
    float minX, minY, width, height;
};

extern FigureBounds figureBounds;

// The single-precision float nearest to 1/32767, which is 32769 * 2^-30.
constexpr float kDrawScale = 32769.0f / 1073741824.0f;

inline void ApplyMap(float& x, float& y, const IfsMap& map)
{
    const double oldX = static_cast<double>(x);
    const double oldY = static_cast<double>(y);
    x = static_cast<float>((static_cast<double>(map.a) * oldX + static_cast<double>(map.b) * oldY) +
                           static_cast<double>(map.e));
    y = static_cast<float>((static_cast<double>(map.c) * oldX + static_cast<double>(map.d) * oldY) +
                           static_cast<double>(map.f));
}

// Map 0 applied 100 times to (1, 1); the result is not itself a point of the pass.
PassPoint WarmUpPoint(const IfsFigure& figure);

// The map for one draw r (0..32767): the first of maps 0..2 whose running weight
// sum reaches u = r * kDrawScale, otherwise map 3. The weight of map 3 is never read.
int ChooseMap(const IfsFigure& figure, int r);

// ChooseMap as three integer limits. Because u grows with r, "u <= sum of weights"
// holds for exactly the draws below some limit; taking the running maximum of the
// limits keeps the first-match rule, so the choice is the number of limits <= r.
struct MapChooser {
    int limit[3];
};

MapChooser MakeMapChooser(const IfsFigure& figure);

inline int ChooseMap(const MapChooser& chooser, int r)
{
    return (r >= chooser.limit[0]) + (r >= chooser.limit[1]) + (r >= chooser.limit[2]);
}

// ChooseMap for every draw 0..32767 as one table, so that a step looks its map up
// instead of comparing. The table is the process's one, refilled when the limits
// change; it stays valid until the next call.
const uint8_t* MapTable(const MapChooser& chooser);

// Points per pass: Quality * 200 as a 32-bit product; 0 or less makes no step.
inline int32_t PassLength() { return static_cast<int32_t>(saverSettings.Quality.value) * 200; }

// One map with its coefficients widened to double once, for the step loop: the
// widening is exact, so applying it gives the same point as ApplyMap, and the loop
// spends no conversions on coefficients.
struct WideMap {
    double a, b, c, d, e, f;
};

inline WideMap Widen(const IfsMap& map)
{
    return {static_cast<double>(map.a), static_cast<double>(map.b), static_cast<double>(map.c),
            static_cast<double>(map.d), static_cast<double>(map.e), static_cast<double>(map.f)};
}

inline void ApplyMap(float& x, float& y, const WideMap& map)
{
    const double oldX = static_cast<double>(x);
    const double oldY = static_cast<double>(y);
    x = static_cast<float>((map.a * oldX + map.b * oldY) + map.e);
    y = static_cast<float>((map.c * oldX + map.d * oldY) + map.f);
}

// Runs one pass over the figure: warm-up, seed 0, then n steps, each point handed
// to visit(x, y). A template so the step loop inlines its consumer; taken by value,
// so that what the consumer holds can live in registers.
template <class Visit>
inline void RunPass(const IfsFigure& figure, int32_t n, Visit visit)
{
    const PassPoint start = WarmUpPoint(figure);
    float x = start.x;
    float y = start.y;
    SeedRandom(0);
    uint32_t state = randomSource.state;
    const uint8_t* mapOfDraw = MapTable(MakeMapChooser(figure));
    const WideMap maps[4] = {Widen(figure.maps[0]), Widen(figure.maps[1]), Widen(figure.maps[2]),
                             Widen(figure.maps[3])};
    for (int32_t i = 0; i < n; ++i) {
        ApplyMap(x, y, maps[mapOfDraw[NextRandom(state)]]);
        visit(x, y);
    }
    randomSource.state = state;
}

// One pass over the figure; writes figureBounds. The random source is left where
// PassLength() draws after seed 0 leave it.
void MeasureBounds(const IfsFigure& figure);

// The points of one bounds pass, kept so the plot can reuse them instead of
// walking the same chain again. Storage is the caller's, made once per run.
struct PassRecord {
    PassPoint* points;   // capacity entries
    int32_t* litIndex;   // capacity entries: pixels the plot lit, for clearing
    int32_t capacity;
    int32_t count;       // points kept by the last MeasureBounds; -1 if not kept
    int32_t litCount;
    uint32_t endState;   // random state after the pass
};

// MeasureBounds that also keeps the pass's points in record when they fit.
void MeasureBounds(const IfsFigure& figure, PassRecord& record);

// The four extremes of a pass: strict tests, none excluding another, so the first
// point sets all four; a NaN coordinate passes none of them.
struct PassExtremes {
    float maxX = -1e10f;
    float maxY = -1e10f;
    float minX = 1e10f;
    float minY = 1e10f;

    void Take(float x, float y)
    {
        maxX = x > maxX ? x : maxX;
        minX = x < minX ? x : minX;
        maxY = y > maxY ? y : maxY;
        minY = y < minY ? y : minY;
    }

    FigureBounds Bounds() const
    {
        return {minX, minY, static_cast<float>(static_cast<double>(maxX) - static_cast<double>(minX)),
                static_cast<float>(static_cast<double>(maxY) - static_cast<double>(minY))};
    }
};

// The bounds pass over figure with its points kept in record (which must have room
// for n of them) and its bounds in bounds rather than figureBounds. Beside step i it
// calls alongside(i): work that shares nothing with the chain, such as plotting
// another frame's points, runs in the shadow of the chain's latency.
template <class Alongside>
inline void MeasureKept(const IfsFigure& figure, int32_t n, PassRecord& record, FigureBounds& bounds,
                        Alongside alongside)
{
    // Taken apart into plain locals and a restrict pointer, so that the extremes
    // stay in registers while the points are stored.
    float maxX = -1e10f, maxY = -1e10f, minX = 1e10f, minY = 1e10f;
    PassPoint* __restrict out = record.points;
    int32_t i = 0;
    RunPass(figure, n, [&maxX, &maxY, &minX, &minY, out, &i, alongside](float x, float y) {
        maxX = x > maxX ? x : maxX;
        minX = x < minX ? x : minX;
        maxY = y > maxY ? y : maxY;
        minY = y < minY ? y : minY;
        out[i] = {x, y};
        alongside(i++);
    });
    PassExtremes extremes;
    extremes.maxX = maxX;
    extremes.maxY = maxY;
    extremes.minX = minX;
    extremes.minY = minY;
    bounds = extremes.Bounds();
    record.count = n < 0 ? 0 : n;
    record.litCount = 0;
    record.endState = randomSource.state;
}
