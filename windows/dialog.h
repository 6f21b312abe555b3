// The configuration dialog (IDD_SETTINGS, made with DialogBoxParamW): shows every
// setting, steps the six bounded ones with arrow-only scroll bars and stores
// everything on OK.
#pragma once

#include <windows.h>

// lParam of the dialog's creation points to the SaverSettings it shows and edits.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

