#include "app/saver_frames.h"

#include <cstring>

#include "app/saver_run.h"
#include "ifs/random_source.h"
#include "render/frame_buffer.h"

namespace {

// The run reads its clock through a plain function; this is the record it reads.
const RunClock* activeClock = nullptr;

int64_t FixedRunClock() { return activeClock->start + activeClock->frame / activeClock->framesPerSecond; }

void UseClockOf(const SaverFrames& frames)
{
    saverSettings = frames.settings;
    activeClock = &frames.clock;
    SetClock(frames.clock.fixed ? FixedRunClock : nullptr);
}

}  // namespace

bool LayOutFrames(SaverFrames& frames, const DisplayMode& mode)
{
    UseClockOf(frames);
    frames.mode = mode;
    currentDisplayMode = mode;
    SetUpFrameGeometry(mode);
    if (!frames.started) {
        StartFirstFigure();
        frames.started = true;
    }
    frames.allocated = AllocateFrameBuffer();
    return frames.allocated;
}

FrameView CurrentFrame(const SaverFrames& frames)
{
    return {frames.allocated ? framePixels : nullptr, frameWidth, frameHeight, frameOffsetX, frameOffsetY,
            frames.mode.bitsPerPixel, frames.lit.data(), static_cast<int32_t>(frames.lit.size())};
}

FrameView DrawNextFrame(SaverFrames& frames)
{
    UseClockOf(frames);
    DrawFrame();
    frames.lit.clear();
    if (frames.allocated) FindLitWords(framePixels, pixelCount, frames.mode.bitsPerPixel, frames.lit);
    return CurrentFrame(frames);
}

void FindLitWords(const void* pixels, int32_t count, int bitsPerPixel, std::vector<int32_t>& lit)
{
    // Nearly every word is black: test 64 bytes at a time, words only where some are lit.
    const auto* bytes = static_cast<const unsigned char*>(pixels);
    const int32_t wordBytes = bitsPerPixel / 8;
    const int32_t wordsPerBlock = 64 / wordBytes;
    int32_t index = 0;
    for (; index + wordsPerBlock <= count; index += wordsPerBlock) {
        uint64_t block[8];
        std::memcpy(block, bytes + static_cast<size_t>(index) * static_cast<size_t>(wordBytes), sizeof block);
        if ((block[0] | block[1] | block[2] | block[3] | block[4] | block[5] | block[6] | block[7]) == 0) continue;
        for (int32_t i = index; i < index + wordsPerBlock; ++i)
            if (bitsPerPixel == 32 ? static_cast<const uint32_t*>(pixels)[i] : static_cast<const uint16_t*>(pixels)[i])
                lit.push_back(i);
    }
    for (; index < count; ++index)
        if (bitsPerPixel == 32 ? static_cast<const uint32_t*>(pixels)[index] : static_cast<const uint16_t*>(pixels)[index])
            lit.push_back(index);
}

void FinishFrame(SaverFrames& frames)
{
    UseClockOf(frames);
    EndFrame();
    ++frames.clock.frame;
}

void ReleaseFrames(SaverFrames& frames)
{
    ReleaseFrameBuffer();
    frames.allocated = false;
    SetClock(nullptr);
    activeClock = nullptr;
}
