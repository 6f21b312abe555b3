// The configuration dialog (IDD_SETTINGS, made with DialogBoxParamW): shows every
// setting, steps the six bounded ones with arrow-only scroll bars and stores
// everything on OK.
#pragma once

#include <windows.h>

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

