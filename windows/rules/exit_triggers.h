// What ends a saver run: the running flag and the mouse-movement rule.
#pragma once

#include <cstdint>

struct ExitTriggers {
    uint8_t saverRunning = 1;     // cleared by the first trigger and never set again
    uint32_t mouseMoveCount = 0;  // mouse-move messages seen so far
    int16_t lastMouseX = 0;       // where the previous one put the pointer
    int16_t lastMouseY = 0;
};

// One mouse-move message; position is its lParam: x in the low 16 bits, y in the
// high 16 bits, each signed. A move of more than 2 pixels in x or y since the
// previous message clears saverRunning; the first message only records where the
// pointer is, so small steps never stop the saver however far they go in total.
void NoteMouseMove(ExitTriggers& triggers, uint32_t position);
