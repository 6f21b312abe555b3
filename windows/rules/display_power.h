// Whether the saver draws: not while the system has turned the display off.
#pragma once

#include <cstdint>

// The display states the system notifies (the data of its display-state setting).
enum class DisplayState : uint32_t { Off = 0, On = 1, Dimmed = 2 };

struct DisplayPower {
    bool displayOff = false;  // as last notified; on until told otherwise
};

// One notification of the display's state. Off pauses the drawing; on and dimmed
// (the picture is still seen, only darker) go on with it; any other value is
// taken as on, so an unknown state never leaves the saver blank.
void NoteDisplayState(DisplayPower& power, uint32_t state);

// False while the display is off: the loop waits for messages instead of drawing.
bool ShouldDraw(const DisplayPower& power);
