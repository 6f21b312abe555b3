#include "app/saver_frames.h"

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
            frames.mode.bitsPerPixel};
}

FrameView DrawNextFrame(SaverFrames& frames)
{
    UseClockOf(frames);
    DrawFrame();
    return CurrentFrame(frames);
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
