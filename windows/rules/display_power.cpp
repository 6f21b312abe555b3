#include "windows/rules/display_power.h"

void NoteDisplayState(DisplayPower& power, uint32_t state)
{
    power.displayOff = state == static_cast<uint32_t>(DisplayState::Off);
}

bool ShouldDraw(const DisplayPower& power) { return !power.displayOff; }
