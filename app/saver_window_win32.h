// The saver window: its class, its creation and its window procedure.
#pragma once

#include <windows.h>

// The class name and the window title; the pair identifies a running instance.
constexpr const char* kSaverName = "Velmora Screen Saver";
constexpr int kSaverIconId = 104;

extern HINSTANCE appInstance;  // owner of the resources
extern HWND saverWindow;       // owner of the full screen and of the settings dialog
extern HDC saverDC;            // kept for the life of the process, never released

void RegisterSaverClass(HINSTANCE instance);

// A 100 x 100 pop-up just right of the visible desktop, shown and updated.
// 1 when the window exists, 0 when it could not be made.
int CreateSaverWindow(HINSTANCE instance, int showCommand);

LRESULT CALLBACK SaverWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
