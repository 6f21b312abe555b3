// The configuration dialog (resource 112): shows every setting, steps the six
// bounded ones with arrow-only scroll bars and stores everything on OK.
#pragma once

#include <windows.h>

#include "settings/settings.h"

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// One arrow click: moves setting by step within min..max (SB_LINERIGHT up,
// SB_LINELEFT down) and always rewrites the value text valueTextId.
void StepSetting(HWND dialog, int scrollCode, int valueTextId, BoundedSetting& setting, int16_t min,
                 int16_t max, int16_t step);
