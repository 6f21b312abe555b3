#include "x11/points.h"

namespace {

uint32_t WordAt(const DrawnFrame& frame, int32_t index)
{
    return frame.bitsPerPixel == 32 ? static_cast<const uint32_t*>(frame.pixels)[index]
                                    : static_cast<const uint16_t*>(frame.pixels)[index];
}

}  // namespace

void GroupLitPoints(const DrawnFrame& frame, unsigned long alphaBits, ShownPoints& shown)
{
    const size_t count = frame.lit.size();
    // A table at least twice the number of points, a power of two, so probing ends.
    size_t tableSize = 64;
    while (tableSize < 2 * count) tableSize *= 2;
    if (shown.tableColours.size() != tableSize) {
        shown.tableColours.assign(tableSize, 0);
        shown.tableGroups.assign(tableSize, 0);
    }
    shown.colours.clear();
    shown.groupEnds.clear();
    shown.groupOfLit.resize(count);
    const size_t mask = tableSize - 1;
    for (size_t i = 0; i < count; ++i) {
        const uint32_t word = WordAt(frame, frame.lit[i]);
        if (word == 0) {  // noted but black (a point that fell outside): nothing to draw
            shown.groupOfLit[i] = -1;
            continue;
        }
        size_t slot = static_cast<size_t>((word * 2654435761u) >> 7) & mask;
        while (shown.tableColours[slot] != 0 && shown.tableColours[slot] != word) slot = (slot + 1) & mask;
        if (shown.tableColours[slot] == 0) {
            shown.tableColours[slot] = word;
            shown.tableGroups[slot] = static_cast<int32_t>(shown.colours.size());
            shown.colours.push_back(word | alphaBits);
            shown.groupEnds.push_back(0);
        }
        const int32_t group = shown.tableGroups[slot];
        shown.groupOfLit[i] = group;
        ++shown.groupEnds[static_cast<size_t>(group)];
    }
    // Counts to starts, then each point to its group's next place; the starts end
    // up as the groups' ends.
    int32_t start = 0;
    for (int32_t& end : shown.groupEnds) {
        const int32_t size = end;
        end = start;
        start += size;
    }
    shown.points.resize(static_cast<size_t>(start));
    // Indices mostly come in order: follow the row instead of dividing for each one.
    int32_t row = 0;
    int32_t rowStart = 0;
    for (size_t i = 0; i < count; ++i) {
        const int32_t index = frame.lit[i];
        if (shown.groupOfLit[i] < 0) continue;
        if (index < rowStart || index - rowStart >= 4 * frame.width) {
            row = index / frame.width;
            rowStart = row * frame.width;
        }
        while (index - rowStart >= frame.width) {
            ++row;
            rowStart += frame.width;
        }
        XPoint& point = shown.points[static_cast<size_t>(shown.groupEnds[static_cast<size_t>(shown.groupOfLit[i])]++)];
        point.x = static_cast<short>(frame.offsetX + (index - rowStart));
        point.y = static_cast<short>(frame.offsetY + row);
    }
    // Empty the table for the next frame: only the slots this one used.
    for (unsigned long colour : shown.colours) {
        const auto word = static_cast<uint32_t>(colour & ~alphaBits);
        size_t slot = static_cast<size_t>((word * 2654435761u) >> 7) & mask;
        while (shown.tableColours[slot] != word) slot = (slot + 1) & mask;
        shown.tableColours[slot] = 0;
    }
}

void DrawShownPoints(Display* display, Drawable drawable, GC gc, const ShownPoints& shown)
{
    int32_t begin = 0;
    for (size_t group = 0; group < shown.colours.size(); ++group) {
        const int32_t end = shown.groupEnds[group];
        XSetForeground(display, gc, shown.colours[group]);
        XDrawPoints(display, drawable, gc, const_cast<XPoint*>(shown.points.data() + begin), end - begin,
                    CoordModeOrigin);
        begin = end;
    }
}

void EraseShownPoints(Display* display, Drawable drawable, GC gc, const ShownPoints& shown, unsigned long black)
{
    if (shown.points.empty()) return;
    XSetForeground(display, gc, black);
    XDrawPoints(display, drawable, gc, const_cast<XPoint*>(shown.points.data()), static_cast<int>(shown.points.size()),
                CoordModeOrigin);
}
