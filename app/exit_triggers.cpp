#include "app/exit_triggers.h"

uint8_t saverRunning = 1;
uint32_t mouseMoveCount = 0;
int16_t lastMouseX = 0;
int16_t lastMouseY = 0;

void NoteMouseMove(uint32_t position)
{
    ++mouseMoveCount;
    const int16_t x = static_cast<int16_t>(position & 0xFFFFu);
    const int16_t y = static_cast<int16_t>(position >> 16);
    if (mouseMoveCount > 1) {
        const int32_t dx = int32_t{x} - lastMouseX;
        const int32_t dy = int32_t{y} - lastMouseY;
        if (dx > 2 || dx < -2 || dy > 2 || dy < -2) saverRunning = 0;
    }
    lastMouseX = x;
    lastMouseY = y;
}
