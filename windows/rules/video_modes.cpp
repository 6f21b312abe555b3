#include "windows/rules/video_modes.h"

const VideoModeEntry VideoModeTable[kVideoModeCount] = {
    {u"Текущий видеорежим", {0, 0, 0}},
    {u"320 x 240 x 32", {320, 240, 32}},
    {u"640 x 480 x 32", {640, 480, 32}},
    {u"800 x 600 x 32", {800, 600, 32}},
    {u"1024 x 768 x 32", {1024, 768, 32}},
    {u"320 x 240 x 16", {320, 240, 16}},
    {u"640 x 480 x 16", {640, 480, 16}},
    {u"800 x 600 x 16", {800, 600, 16}},
    {u"1024 x 768 x 16", {1024, 768, 16}},
};

namespace {

void ResolveMode(const DisplayAdapter& adapter, int16_t index, DisplayMode& currentDisplayMode)
{
    if (index == 0) {
        int bits = 0, width = 0, height = 0;
        adapter.desktopMode(bits, width, height);
        currentDisplayMode.bitsPerPixel = static_cast<int16_t>(bits == 24 ? 32 : bits);
        currentDisplayMode.width = static_cast<int16_t>(width);
        currentDisplayMode.height = static_cast<int16_t>(height);
    } else if (index >= 1 && index < kVideoModeCount) {
        currentDisplayMode = VideoModeTable[index].mode;
    }
}

}  // namespace

bool SelectDisplayMode(const DisplayAdapter& adapter, int16_t index, DisplayMode& currentDisplayMode)
{
    ResolveMode(adapter, index, currentDisplayMode);
    // The whole list is read even after a match.
    bool listed = false;
    int bits = 0, width = 0, height = 0;
    for (int number = 0; adapter.listedMode(number, bits, width, height); ++number)
        listed |= bits == currentDisplayMode.bitsPerPixel && width == currentDisplayMode.width &&
                  height == currentDisplayMode.height;
    return listed;
}
