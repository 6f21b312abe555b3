// The frames of a run, as every front end and the renderer draw them: the run's
// clock and frame limit, the layout for a surface size, the pacing of frames,
// and per frame what it drew and what it changed.
//
// A driver calls SetUpFrames once, LayOutFrames for the first size and for each
// new one (or its three steps apart, where the platform has work between them),
// then per frame DrawNextFrame, (shows what it drew), FinishFrame; finally
// ReleaseFrames. Drivers that wait for frames themselves ask NextFrameDue after
// each one; those woken by the display (a compositor's or a browser's frame
// callback) ask FrameDue.
#pragma once

#include <cstdint>
#include <memory>
#include <span>
#include <string>
#include <vector>

#include "core/ifs/figures.h"
#include "core/render/tint.h"
#include "core/run/damage.h"
#include "core/run/display_mode.h"
#include "core/run/frame_pacing.h"
#include "core/settings/settings.h"

struct SaverRun;

// The calendar clock in whole seconds, or (fixed) start + floor(frame / framesPerSecond)
// read while frame number `frame` is drawn and ended.
struct RunClock {
    bool fixed = false;
    int64_t start = 0;
    int64_t framesPerSecond = 60;
    int64_t frame = 0;
};

constexpr int64_t kNoFrameLimit = -1;

// A frame as drawn: width x height words of bitsPerPixel bits (32: 0x00RRGGBB,
// 16: 5-6-5), row-major from the top row, to be shown at (offsetX, offsetY) of
// the surface; the indices of the words it lit and of those the frame shown
// before lit (repeats and black words may be among them), and the rows holding
// either; whether the picture is the one the frame before showed; and whether
// the frame limit ends the run with it.
struct DrawnFrame {
    const void* pixels = nullptr;  // null while no frame is held
    int32_t width = 0;
    int32_t height = 0;
    int32_t offsetX = 0;
    int32_t offsetY = 0;
    int bitsPerPixel = 32;
    std::span<const int32_t> lit;
    std::span<const int32_t> previousLit;  // black these out, then write lit
    RowBand changedRows = {0, 0};          // of the figure area; none when unchanged
    bool unchanged = false;
    bool last = false;

    size_t Bytes() const { return static_cast<size_t>(width) * static_cast<size_t>(height) * (bitsPerPixel == 32 ? 4u : 2u); }
};

// The run lives apart from the record and reads its clock there, so the record
// can be moved (a front end's record, a fresh start) without the run reading a
// clock that has gone.
struct SaverFrames {
    struct State;
    std::unique_ptr<State> state;
    SaverFrames();
    ~SaverFrames();
    SaverFrames(SaverFrames&&) noexcept;
    SaverFrames& operator=(SaverFrames&&) noexcept;
};

// Starts frames with settings taken as given (the run holds them to its ranges),
// the clock, and how many frames are drawn before the last one stays (kNoFrameLimit: no limit).
void SetUpFrames(SaverFrames& frames, const SaverSettings& settings, const RunClock& clock,
                 int64_t frameLimit = kNoFrameLimit);

// The figure area for a surface of the mode's size (bitsPerPixel 32, else 16);
// chooses the first figure on the first call and keeps the run going on later
// ones. False when the frame cannot be allocated (NoMemoryMessage says so).
bool LayOutFrames(SaverFrames& frames, const DisplayMode& mode);
// LayOutFrames in its three steps: the area, the first figure (once), the pixels.
void SizeFrames(SaverFrames& frames, const DisplayMode& mode);
void StartFrames(SaverFrames& frames);
bool AllocateFrames(SaverFrames& frames);
// "not enough memory for a W x H frame" of the current layout.
std::string NoMemoryMessage(const SaverFrames& frames);

// The figure area of the current layout (no lit pixels before a frame is drawn).
DrawnFrame CurrentFrame(const SaverFrames& frames);
// Whether a frame is still to be drawn: the layout holds pixels and the frame
// limit has not been reached.
bool FramesLeft(const SaverFrames& frames);
// Draws the next frame; FinishFrame after it has been shown. What it returns stays
// valid until then.
DrawnFrame DrawNextFrame(SaverFrames& frames);
void FinishFrame(SaverFrames& frames);
void ReleaseFrames(SaverFrames& frames);
// Frames finished so far.
int64_t FramesDrawn(const SaverFrames& frames);

// Pacing, in ticks of a monotonic clock: frames a period apart, the first due now.
void StartFramePacing(SaverFrames& frames, int64_t periodTicks, int64_t now);
// After a frame has been shown: when the next one is due. Deadlines follow each
// other a period apart; a driver more than a period behind starts afresh from now.
int64_t NextFrameDue(SaverFrames& frames, int64_t now);
// For drivers woken by the display: whether the next frame is due at now. A wake-up
// at most a quarter period early counts, as the next would come three quarters late.
bool FrameDue(const SaverFrames& frames, int64_t now);

// One table figure, measured and plotted once into the laid-out frame, in a tint
// of the driver's choice, instead of a run's frame. False without frame pixels.
bool DrawTableFigure(SaverFrames& frames, int figure, const ChannelTint& tint);

// Appends the indices of the nonzero words among count words of bitsPerPixel bits.
void FindLitWords(const void* pixels, int32_t count, int bitsPerPixel, std::vector<int32_t>& lit);
