// Plotting: one pixel per chaos-game point, stretched from figureBounds to the frame.
//
// 32-bit pixels hold blue in bits 0-7, green 8-15, red 16-23; 16-bit pixels are 5-6-5.
// A point's column and row are computed in double and truncated; a point whose
// linear index falls outside the frame is dropped. The level is the brightness,
// or with on3D the brightness shaded down towards the frame's edges.
#pragma once

#include <cstdint>

#include "ifs/chaos.h"
#include "render/tint.h"

// The plotting passes: run the chaos game again over the figure (MeasureBounds must
// have just measured the same figure) and write the frame's pixels.
void PlotFigure32(const IfsFigure& figure, uint32_t* pixels);
void PlotFigure16(const IfsFigure& figure, uint16_t* pixels);

// The same pictures from the points a MeasureBounds(figure, record) kept, with the
// random source left where the full pass leaves it; lit pixel indices are recorded
// so ClearLitPixels can undo them. A record that kept no points replays the pass.
void PlotRecord32(const IfsFigure& figure, PassRecord& record, uint32_t* pixels);
void PlotRecord16(const IfsFigure& figure, PassRecord& record, uint16_t* pixels);

// PlotRecord32/16 of shown's points (kept by a pass of the current Quality) while
// the bounds pass over next runs alongside, keeping its points in nextRecord and
// its bounds in nextBounds: the next frame is measured in the shadow of this plot.
void PlotRecordMeasuringNext32(PassRecord& shown, uint32_t* pixels, const IfsFigure& next, PassRecord& nextRecord,
                               FigureBounds& nextBounds);
void PlotRecordMeasuringNext16(PassRecord& shown, uint16_t* pixels, const IfsFigure& next, PassRecord& nextRecord,
                               FigureBounds& nextBounds);

// Sets back to 0 exactly the pixels the last PlotRecord lit; with a buffer that
// was all black before the plot, the whole buffer is black again.
void ClearLitPixels(PassRecord& record, uint32_t* pixels);
void ClearLitPixels(PassRecord& record, uint16_t* pixels);

// Pieces of the pass, exposed for tests and tools.
uint8_t BaseLevel32(int16_t brightness);  // low byte of the brightness
uint8_t BaseLevel16(int16_t brightness);  // brightness / 8, low byte
int ShadeLevel(int base, int col, int row, int width, int height);
uint32_t PackPixel32(int level, ChannelTint tint);
uint16_t PackPixel16(int level, ChannelTint tint);
// Truncation toward zero; NaN, infinities and values beyond 32 bits give 0.
int32_t TruncateToInt(double value);
