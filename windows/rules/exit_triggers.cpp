#include "windows/rules/exit_triggers.h"

void NoteMouseMove(ExitTriggers& triggers, uint32_t position)
{
    ++triggers.mouseMoveCount;
    const int16_t x = static_cast<int16_t>(position & 0xFFFFu);
    const int16_t y = static_cast<int16_t>(position >> 16);
    if (triggers.mouseMoveCount > 1) {
        const int32_t dx = int32_t{x} - triggers.lastMouseX;
        const int32_t dy = int32_t{y} - triggers.lastMouseY;
        if (dx > 2 || dx < -2 || dy > 2 || dy < -2) triggers.saverRunning = 0;
    }
    triggers.lastMouseX = x;
    triggers.lastMouseY = y;
}
