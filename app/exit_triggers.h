// What ends a saver run: the running flag and the mouse-movement rule.
#pragma once

#include <cstdint>

// Set at process start; cleared by the first trigger and never set again.
extern uint8_t saverRunning;

// Mouse-move messages seen so far and the position of the previous one.
extern uint32_t mouseMoveCount;
extern int16_t lastMouseX;
extern int16_t lastMouseY;

// One mouse-move message; position is its lParam: x in the low 16 bits, y in the
// high 16 bits, each signed. A move of more than 2 pixels in x or y since the
// previous message clears saverRunning; the first message only records where the
// pointer is, so small steps never stop the saver however far they go in total.
void NoteMouseMove(uint32_t position);
