#include "core/run/frames.h"

#include <cstring>

void SetUpFrames(SaverFrames& frames, const SaverSettings& settings, const RunClock& clock)
{
    *frames.clock = clock;
    frames.run->settings = HoldForRun(settings);
    if (clock.fixed) {
        const RunClock* source = frames.clock.get();
        frames.run->clock = [source] { return source->start + source->frame / source->framesPerSecond; };
    }
}

bool LayOutFrames(SaverFrames& frames, const DisplayMode& mode)
{
    SaverRun& run = *frames.run;
    SetUpFrameGeometry(run, mode);
    if (!frames.started) {
        StartFirstFigure(run);
        frames.started = true;
    }
    frames.allocated = AllocateFrameBuffer(run);
    return frames.allocated;
}

DrawnFrame CurrentFrame(const SaverFrames& frames)
{
    const FrameBuffer& frame = frames.run->frame;
    DrawnFrame view;
    view.pixels = frames.allocated ? frame.pixels : nullptr;
    view.width = frame.frameWidth;
    view.height = frame.frameHeight;
    view.offsetX = frame.frameOffsetX;
    view.offsetY = frame.frameOffsetY;
    view.bitsPerPixel = frame.bitsPerPixel;
    return view;
}

DrawnFrame DrawNextFrame(SaverFrames& frames)
{
    SaverRun& run = *frames.run;
    const FrameDrawn drawn = DrawFrame(run);
    DrawnFrame view = CurrentFrame(frames);
    view.unchanged = drawn.unchanged;
    view.lit = drawn.lit;
    if (!drawn.litNoted && frames.allocated) {
        frames.lit.clear();
        FindLitWords(run.frame.pixels, run.frame.pixelCount, run.frame.bitsPerPixel, frames.lit);
        view.lit = frames.lit;
    }
    return view;
}

void FindLitWords(const void* pixels, int32_t count, int bitsPerPixel, std::vector<int32_t>& lit)
{
    // Nearly every word is black: test 64 bytes at a time, words only where some are lit.
    const auto* bytes = static_cast<const unsigned char*>(pixels);
    const int32_t wordBytes = bitsPerPixel / 8;
    const int32_t wordsPerBlock = 64 / wordBytes;
    const auto litAt = [&](int32_t i) {
        return bitsPerPixel == 32 ? static_cast<const uint32_t*>(pixels)[i] != 0
                                  : static_cast<const uint16_t*>(pixels)[i] != 0;
    };
    int32_t index = 0;
    for (; index + wordsPerBlock <= count; index += wordsPerBlock) {
        uint64_t block[8];
        std::memcpy(block, bytes + static_cast<size_t>(index) * static_cast<size_t>(wordBytes), sizeof block);
        if ((block[0] | block[1] | block[2] | block[3] | block[4] | block[5] | block[6] | block[7]) == 0) continue;
        for (int32_t i = index; i < index + wordsPerBlock; ++i)
            if (litAt(i)) lit.push_back(i);
    }
    for (; index < count; ++index)
        if (litAt(index)) lit.push_back(index);
}

void FinishFrame(SaverFrames& frames)
{
    EndFrame(*frames.run);
    ++frames.clock->frame;
}

void ReleaseFrames(SaverFrames& frames)
{
    ReleaseFrameBuffer(*frames.run);
    frames.allocated = false;
}
