// Plotting: one pixel per chaos-game point, stretched from the pass's bounds to
// the frame.
//
// A point's column and row are computed in double and truncated; a point whose
// linear index falls outside the frame is dropped. The level is the brightness,
// or with on3D the brightness shaded down towards the frame's edges.
#pragma once

#include <cstdint>

#include "core/ifs/chaos.h"
#include "core/render/frame_buffer.h"
#include "core/render/tint.h"

// How the points look: the Brightness and on3D settings and the tint.
struct PlotStyle {
    int16_t brightness;
    uint8_t on3D;
    ChannelTint tint;
};

// The shade level of every row 0..height and column 0..width, kept while the
// base level, the frame size and on3D stay the same.
struct ShadeTables {
    int base = -1;
    int width = -1;
    int height = -1;
    bool shaded = false;
    uint8_t byRow[32769];
    uint8_t byCol[32769];

    void Prepare(int newBase, int newWidth, int newHeight, bool newShaded);
};

// What passes reuse from frame to frame.
struct PassTables {
    MapTable maps;
    ShadeTables shades;
};

// The plain plotting passes: run the chaos game over the figure again and write
// the frame's pixels (32- or 16-bit words, by name), scaled by bounds.
void PlotFigure32(const IfsFigure& figure, int32_t steps, const FigureBounds& bounds, const PlotStyle& style,
                  FrameBuffer& frame, PassTables& tables);
void PlotFigure16(const IfsFigure& figure, int32_t steps, const FigureBounds& bounds, const PlotStyle& style,
                  FrameBuffer& frame, PassTables& tables);
// The plain pass at the frame's depth: 32-bit words, else 16-bit ones.
void PlotFigure(const IfsFigure& figure, int32_t steps, const FigureBounds& bounds, const PlotStyle& style,
                FrameBuffer& frame, PassTables& tables);

// The same picture from the points a MeasureKept pass kept, at the frame's depth;
// the lit pixels are noted in kept for ClearLitPixels.
void PlotKept(KeptPoints& kept, const FigureBounds& bounds, const PlotStyle& style, FrameBuffer& frame,
              PassTables& tables);

// PlotKept while the bounds pass over next (steps points) runs alongside, keeping
// its points in nextKept: the next frame is measured in the shadow of this plot.
FigureBounds PlotKeptMeasuringNext(KeptPoints& kept, const FigureBounds& bounds, const PlotStyle& style,
                                   FrameBuffer& frame, PassTables& tables, const IfsFigure& next, int32_t steps,
                                   KeptPoints& nextKept);

// Sets back to 0 exactly the pixels the last PlotKept lit; with a frame that was
// all black before the plot, the whole frame is black again.
void ClearLitPixels(KeptPoints& kept, FrameBuffer& frame);

// The shortcut the plot tries first for every point: the column, and the row
// counted up from the bottom edge (the row is the last row less it), from one
// product per axis, decided only where that product truncates as the exact
// divisions do; an undecided point takes the divisions. PlaceByProduct is what this
// build plots with (SSE2 on x86), PlaceByProductPortable the plain double code of
// every other target; the two decide alike.
struct ProductScale {
    double minX, minY;
    double scaleX, scaleY;  // frame size / bounds size
    double frameW, frameH;  // whole numbers, as a frame's size
};
struct ProductPlace {
    bool decided;
    int32_t col, up;  // meaningful when decided
};
ProductPlace PlaceByProduct(const ProductScale& scale, PassPoint point);
ProductPlace PlaceByProductPortable(const ProductScale& scale, PassPoint point);

// Pieces of the pass.
uint8_t BaseLevel(int16_t brightness, int16_t bitsPerPixel);  // low byte; of brightness / 8 at 16 bits
int ShadeLevel(int base, int col, int row, int width, int height);
uint32_t PackPixel32(int level, ChannelTint tint);
uint16_t PackPixel16(int level, ChannelTint tint);
// Truncation toward zero; NaN, infinities and values beyond 32 bits give 0.
int32_t TruncateToInt(double value);
