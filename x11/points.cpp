#include "x11/points.h"

#include <algorithm>
#include <climits>
#include <cstddef>
#include <utility>

namespace {

uint32_t Hash(uint32_t key) { return key * 2654435761u; }

// The colour table's slot for word, or the empty one where it would go.
size_t ColourSlot(const ShownPoints& points, uint32_t word)
{
    const size_t mask = points.colourWords.size() - 1;
    size_t slot = Hash(word) >> points.colourShift;
    while (points.colourWords[slot] != 0 && points.colourWords[slot] != word) slot = (slot + 1) & mask;
    return slot;
}

// A colour table of 2^bits slots, holding the groups found so far.
void SizeColourTable(ShownPoints& points, int bits)
{
    points.colourWords.assign(size_t{1} << bits, 0);
    points.colourGroups.assign(points.colourWords.size(), 0);
    points.colourShift = 32 - bits;
    for (size_t group = 0; group < points.groupWords.size(); ++group) {
        const size_t slot = ColourSlot(points, points.groupWords[group]);
        points.colourWords[slot] = points.groupWords[group];
        points.colourGroups[slot] = static_cast<int32_t>(group);
    }
}

// The group of a colour, made when it is new.
int32_t GroupOf(ShownPoints& points, uint32_t word)
{
    size_t slot = ColourSlot(points, word);
    if (points.colourWords[slot] == 0) {
        if (2 * (points.groupWords.size() + 1) > points.colourWords.size()) {  // half full: twice the size
            SizeColourTable(points, 33 - points.colourShift);
            slot = ColourSlot(points, word);
        }
        points.colourWords[slot] = word;
        points.colourGroups[slot] = static_cast<int32_t>(points.groupWords.size());
        points.groupWords.push_back(word);
    }
    return points.colourGroups[slot];
}

// Each lit word's group (-1 for a black one: a point that fell outside).
template <class Pixel>
void GroupLit(const Pixel* pixels, std::span<const int32_t> lit, ShownPoints& points)
{
    int32_t* const litGroup = points.litGroup.data();
    for (size_t i = 0; i < lit.size(); ++i) {
        const uint32_t word = pixels[lit[i]];
        litGroup[i] = word != 0 ? GroupOf(points, word) : -1;
    }
}

// Rows of word indices without a division for each: index * ceil(2^32 / width)
// / 2^32 is the row or one more.
struct RowOfIndex {
    uint64_t reciprocal;
    int32_t width;
    explicit RowOfIndex(int32_t w)
        : reciprocal(w > 0 ? ((uint64_t{1} << 32) + static_cast<uint64_t>(w) - 1) / static_cast<uint64_t>(w) : 0),
          width(w)
    {
    }
    int32_t operator()(int32_t index) const
    {
        const auto row = static_cast<int32_t>((static_cast<uint64_t>(index) * reciprocal) >> 32);
        return row - static_cast<int32_t>(row * width > index);
    }
};

}  // namespace

void GroupFrame(const DrawnFrame& frame, unsigned long alphaBits, ShownPoints& points)
{
    FramePoints& next = points.next;
    const std::span<const int32_t> lit = frame.lit;
    if (points.colourWords.empty()) SizeColourTable(points, 9);
    points.litGroup.resize(lit.size());
    points.groupWords.clear();
    if (frame.bitsPerPixel == 32)
        GroupLit(static_cast<const uint32_t*>(frame.pixels), lit, points);
    else
        GroupLit(static_cast<const uint16_t*>(frame.pixels), lit, points);
    // Empty the colour table for the next frame: only the slots this one used, the
    // last filled first, so that each word's probe finds it.
    for (size_t group = points.groupWords.size(); group-- > 0;)
        points.colourWords[ColourSlot(points, points.groupWords[group])] = 0;

    // Group sizes to starts; each point to its group's next place, so that the
    // starts end up as the groups' ends.
    const int32_t* const litGroup = points.litGroup.data();
    next.groupEnds.assign(points.groupWords.size(), 0);
    int32_t* const ends = next.groupEnds.data();
    for (size_t i = 0; i < lit.size(); ++i)
        if (litGroup[i] >= 0) ++ends[litGroup[i]];
    int32_t start = 0;
    for (int32_t& end : next.groupEnds) start += std::exchange(end, start);
    next.points.resize(static_cast<size_t>(start));
    XPoint* const placed = next.points.data();
    const RowOfIndex rowOf(frame.width);
    int32_t first = INT32_MAX;
    int32_t last = -1;
    for (size_t i = 0; i < lit.size(); ++i) {
        if (litGroup[i] < 0) continue;
        const int32_t index = lit[i];
        const int32_t row = rowOf(index);
        placed[ends[litGroup[i]]++] = {static_cast<short>(frame.offsetX + (index - row * frame.width)),
                                       static_cast<short>(frame.offsetY + row)};
        first = std::min(first, index);
        last = std::max(last, index);
    }
    next.colours.clear();
    for (const uint32_t word : points.groupWords) next.colours.push_back(word | alphaBits);
    next.firstRow = last >= 0 ? rowOf(first) : 0;
    next.lastRow = last >= 0 ? rowOf(last) : -1;
}

void NextShown(ShownPoints& points) { std::swap(points.shown, points.next); }

void ForgetShown(ShownPoints& points)
{
    points.shown.points.clear();
    points.shown.colours.clear();
    points.shown.groupEnds.clear();
    points.shown.firstRow = 0;
    points.shown.lastRow = -1;
}

bool SendAsPoints(int64_t changedPixels, int32_t width, int32_t height)
{
    return changedPixels * kPointCost < int64_t{width} * height;
}

void DrawFramePoints(Display* display, Drawable drawable, GC gc, const FramePoints& frame)
{
    int32_t begin = 0;
    for (size_t group = 0; group < frame.colours.size(); ++group) {
        const int32_t end = frame.groupEnds[group];
        XSetForeground(display, gc, frame.colours[group]);
        XDrawPoints(display, drawable, gc, const_cast<XPoint*>(frame.points.data() + begin), end - begin,
                    CoordModeOrigin);
        begin = end;
    }
}

void EraseFramePoints(Display* display, Drawable drawable, GC gc, const FramePoints& frame, unsigned long black)
{
    if (frame.points.empty()) return;
    XSetForeground(display, gc, black);
    XDrawPoints(display, drawable, gc, const_cast<XPoint*>(frame.points.data()), static_cast<int>(frame.points.size()),
                CoordModeOrigin);
}

void ShowAsPoints(Display* display, Drawable drawable, GC gc, const ShownPoints& points, unsigned long black)
{
    EraseFramePoints(display, drawable, gc, points.shown, black);
    DrawFramePoints(display, drawable, gc, points.next);
}
