// The chaos game: one point moved again and again by randomly chosen maps.
//
// Every pass starts from the same warm-up point with a generator of its own seeded
// with 0, so two passes over the same figure visit the same points bit for bit and
// a pass leaves nothing behind. All arithmetic is done in double from
// single-precision operands and rounded to single precision where a value is stored.
#pragma once

#include <cstdint>

#include "core/ifs/figures.h"
#include "core/ifs/random_source.h"

struct PassPoint {
    float x, y;
};

// Extent of a pass: minimum x and y, width and height.
struct FigureBounds {
    float minX, minY, width, height;
};

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

// ChooseMap for every draw 0..32767, so that a step looks its map up instead of
// comparing; refilled only when the limits change.
struct MapTable {
    MapChooser filled = {{-1, -1, -1}};
    uint8_t mapOfDraw[32768];

    const uint8_t* For(const MapChooser& chooser);
};

// Points per pass: Quality * 200 as a 32-bit product; 0 or less makes no step.
inline int32_t PassLength(int16_t quality)
{
    const int32_t steps = static_cast<int32_t>(quality) * 200;
    return steps > 0 ? steps : 0;
}

// One map with its coefficients widened to double once: the widening is exact, so
// applying it gives the same point as ApplyMap without a conversion per step.
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

// One pass over the figure: warm-up, a generator seeded with 0, then steps points,
// each handed to visit(x, y). A template so the step loop inlines its consumer;
// taken by value, so that what the consumer holds can live in registers.
template <class Visit>
inline void RunPass(const IfsFigure& figure, int32_t steps, MapTable& maps, Visit visit)
{
    const PassPoint start = WarmUpPoint(figure);
    float x = start.x;
    float y = start.y;
    uint32_t state = 0;
    const uint8_t* mapOfDraw = maps.For(MakeMapChooser(figure));
    const WideMap wide[4] = {Widen(figure.maps[0]), Widen(figure.maps[1]), Widen(figure.maps[2]),
                             Widen(figure.maps[3])};
    for (int32_t i = 0; i < steps; ++i) {
        ApplyMap(x, y, wide[mapOfDraw[NextRandom(state)]]);
        visit(x, y);
    }
}

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

// The bounds of one pass of steps points.
FigureBounds MeasureBounds(const IfsFigure& figure, int32_t steps, MapTable& maps);

// The points of one bounds pass, kept so that the plot can read them instead of
// walking the same chain again, and the pixels the plot lit, so that the clear
// touches only those. Storage is the run's, made once per frame size.
struct KeptPoints {
    PassPoint* points = nullptr;  // capacity entries
    int32_t* litIndex = nullptr;  // capacity entries
    int32_t capacity = -1;        // -1: no storage
    int32_t count = -1;           // points kept by the last pass; -1 when it kept none
    int32_t litCount = 0;         // pixels the last plot lit
};

// The bounds pass with its points kept (kept must have room for steps of them).
// Beside step i it calls alongside(i): work that shares nothing with the chain,
// such as plotting another frame's points, runs in the shadow of its latency.
template <class Alongside>
inline FigureBounds MeasureKept(const IfsFigure& figure, int32_t steps, MapTable& maps, KeptPoints& kept,
                                Alongside alongside)
{
    // Taken apart into plain locals and a restrict pointer, so that the extremes
    // stay in registers while the points are stored.
    float maxX = -1e10f, maxY = -1e10f, minX = 1e10f, minY = 1e10f;
    PassPoint* __restrict out = kept.points;
    int32_t i = 0;
    RunPass(figure, steps, maps, [&maxX, &maxY, &minX, &minY, out, &i, alongside](float x, float y) {
        maxX = x > maxX ? x : maxX;
        minX = x < minX ? x : minX;
        maxY = y > maxY ? y : maxY;
        minY = y < minY ? y : minY;
        out[i] = {x, y};
        alongside(i++);
    });
    kept.count = steps;
    kept.litCount = 0;
    PassExtremes extremes;
    extremes.maxX = maxX;
    extremes.maxY = maxY;
    extremes.minX = minX;
    extremes.minY = minY;
    return extremes.Bounds();
}
