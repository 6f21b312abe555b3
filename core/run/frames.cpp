#include "core/run/frames.h"

#include <cstring>

#include "core/run/frames_state.h"

SaverFrames::SaverFrames() : state(std::make_unique<State>()) {}
SaverFrames::~SaverFrames() { if (state) ReleaseFrameBuffer(state->run); }
SaverFrames::SaverFrames(SaverFrames&&) noexcept = default;
SaverFrames& SaverFrames::operator=(SaverFrames&& other) noexcept
{
    if (this != &other) {
        if (state) ReleaseFrameBuffer(state->run);
        state = std::move(other.state);
    }
    return *this;
}

void SetUpFrames(SaverFrames& frames, const SaverSettings& settings, const RunClock& clock, int64_t frameLimit)
{
    SaverFrames::State& s = *frames.state;
    s.clock = clock;
    s.frameLimit = frameLimit;
    s.run.settings = HoldForRun(settings);
    if (clock.fixed) {
        const RunClock* source = &s.clock;  // the state stays where it is when the record moves
        s.run.clock = [source] { return source->start + source->frame / source->framesPerSecond; };
    }
}

void SizeFrames(SaverFrames& frames, const DisplayMode& mode) { SetUpFrameGeometry(frames.state->run, mode); }

void StartFrames(SaverFrames& frames)
{
    SaverFrames::State& s = *frames.state;
    if (s.started) return;
    StartFirstFigure(s.run);
    s.started = true;
}

bool AllocateFrames(SaverFrames& frames)
{
    SaverFrames::State& s = *frames.state;
    s.allocated = AllocateFrameBuffer(s.run);
    s.shown.clear();  // a new frame buffer is all black
    return s.allocated;
}

bool LayOutFrames(SaverFrames& frames, const DisplayMode& mode)
{
    SizeFrames(frames, mode);
    StartFrames(frames);
    return AllocateFrames(frames);
}

std::string NoMemoryMessage(const SaverFrames& frames)
{
    const FrameBuffer& frame = frames.state->run.frame;
    return "not enough memory for a " + std::to_string(frame.frameWidth) + " x " + std::to_string(frame.frameHeight) +
           " frame";
}

DrawnFrame CurrentFrame(const SaverFrames& frames)
{
    const SaverFrames::State& s = *frames.state;
    const FrameBuffer& frame = s.run.frame;
    DrawnFrame view;
    view.pixels = s.allocated ? frame.pixels : nullptr;
    view.width = frame.frameWidth;
    view.height = frame.frameHeight;
    view.offsetX = frame.frameOffsetX;
    view.offsetY = frame.frameOffsetY;
    view.bitsPerPixel = frame.bitsPerPixel;
    view.previousLit = s.shown;
    return view;
}

bool FramesLeft(const SaverFrames& frames)
{
    const SaverFrames::State& s = *frames.state;
    return s.allocated && (s.frameLimit == kNoFrameLimit || s.drawn < s.frameLimit);
}

int64_t FramesDrawn(const SaverFrames& frames) { return frames.state->drawn; }

DrawnFrame DrawNextFrame(SaverFrames& frames)
{
    SaverFrames::State& s = *frames.state;
    const FrameDrawn drawn = DrawFrame(s.run);
    DrawnFrame view = CurrentFrame(frames);
    view.unchanged = drawn.unchanged;
    view.lit = drawn.lit;
    if (!drawn.litNoted && s.allocated) {
        s.scanned.clear();
        FindLitWords(s.run.frame.pixels, s.run.frame.pixelCount, s.run.frame.bitsPerPixel, s.scanned);
        view.lit = s.scanned;
    }
    s.lit = view.lit;
    if (!view.unchanged) view.changedRows = ChangedRows(view.previousLit, view.lit, view.width, view.height);
    view.last = s.frameLimit != kNoFrameLimit && s.drawn + 1 >= s.frameLimit;
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
    SaverFrames::State& s = *frames.state;
    // The frame drawn is the one shown now; its list goes before EndFrame clears it.
    s.shown.assign(s.lit.begin(), s.lit.end());
    s.lit = {};
    EndFrame(s.run);
    ++s.clock.frame;
    ++s.drawn;
}

void ReleaseFrames(SaverFrames& frames)
{
    SaverFrames::State& s = *frames.state;
    ReleaseFrameBuffer(s.run);
    s.allocated = false;
    s.shown.clear();
    s.lit = {};
}

void StartFramePacing(SaverFrames& frames, int64_t periodTicks, int64_t now)
{
    StartPacingPeriod(frames.state->pacer, periodTicks, now);
}

int64_t NextFrameDue(SaverFrames& frames, int64_t now)
{
    FramePacer& pacer = frames.state->pacer;
    return now + TicksToWait(pacer, now);
}

bool FrameDue(const SaverFrames& frames, int64_t now)
{
    const FramePacer& pacer = frames.state->pacer;
    return now >= pacer.deadline - pacer.period / 4;
}

bool DrawTableFigure(SaverFrames& frames, int figure, const ChannelTint& tint)
{
    SaverFrames::State& s = *frames.state;
    if (!s.allocated || figure < 0 || figure >= kFigureCount) return false;
    SaverRun& run = s.run;
    const IfsFigure& shape = FigureTable[figure];
    const int32_t steps = PassLength(run.settings.Quality);
    const FigureBounds bounds = MeasureBounds(shape, steps, run.tables.maps);
    PlotFigure(shape, steps, bounds, {run.settings.Brightness, run.settings.on3D, tint}, run.frame, run.tables);
    return true;
}
