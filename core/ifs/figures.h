// Figures: iterated function systems of up to four affine maps.
#pragma once

// One affine map: (x, y) -> (a*x + b*y + e, c*x + d*y + f); p is its selection weight.
struct IfsMap {
    float a, b, c, d, e, f, p;
};

// Four maps back to back. Unused maps are seven zeros. Blending and deformation
// treat a figure as the flat array of 28 floats: value k of map m at 7*m + k.
struct IfsFigure {
    IfsMap maps[4];
};

static_assert(sizeof(IfsMap) == 7 * sizeof(float));
static_assert(sizeof(IfsFigure) == 28 * sizeof(float));

constexpr int kFigureCount = 21;
constexpr int kFigureValues = 28;

// The 21 built-in figures, numbered 0..20; never written.
extern const IfsFigure FigureTable[kFigureCount];

inline float* FigureValues(IfsFigure& figure) { return &figure.maps[0].a; }
inline const float* FigureValues(const IfsFigure& figure) { return &figure.maps[0].a; }
