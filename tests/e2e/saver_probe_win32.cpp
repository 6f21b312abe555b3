// A helper of the saver's end-to-end tests. It shows a 64 x 64 square in one
// known colour (200, 40, 120) at the top left of the screen, without taking the
// focus, and appends a line "WIDTHxHEIGHTxBITS" to FILE whenever the display
// mode changes, the first one at start. It ends when STOPFILE exists. Its window
// also keeps a Wine virtual desktop open between saver runs.
//   saver_probe.exe FILE STOPFILE
#include <windows.h>

#include <cstdio>

namespace {

const COLORREF kColour = RGB(200, 40, 120);
char lastMode[64] = "";

void RecordMode(const char* path)
{
    DEVMODEA mode = {};
    mode.dmSize = sizeof mode;
    if (!EnumDisplaySettingsA(nullptr, ENUM_CURRENT_SETTINGS, &mode)) return;
    char text[64];
    std::snprintf(text, sizeof text, "%lux%lux%lu", mode.dmPelsWidth, mode.dmPelsHeight, mode.dmBitsPerPel);
    if (lstrcmpA(text, lastMode) == 0) return;
    if (std::FILE* file = std::fopen(path, "a")) {
        std::fprintf(file, "%s\n", text);
        std::fclose(file);
        lstrcpyA(lastMode, text);
    }
}

LRESULT CALLBACK ProbeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_PAINT) {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HBRUSH brush = CreateSolidBrush(kColour);
        FillRect(dc, &paint.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    if (__argc != 3) return 2;
    const char* path = __argv[1];
    const char* stopPath = __argv[2];

    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ProbeWndProc;
    windowClass.hInstance = instance;
    windowClass.lpszClassName = "Velmora e2e probe";
    RegisterClassA(&windowClass);
    HWND window = CreateWindowExA(WS_EX_NOACTIVATE | WS_EX_TOOLWINDOW, windowClass.lpszClassName, "Velmora e2e probe",
                                  WS_POPUP, 0, 0, 64, 64, nullptr, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOWNOACTIVATE);
    UpdateWindow(window);

    while (GetFileAttributesA(stopPath) == INVALID_FILE_ATTRIBUTES) {
        RecordMode(path);
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        MsgWaitForMultipleObjects(0, nullptr, FALSE, 20, QS_ALLINPUT);
    }
    RecordMode(path);
    return 0;
}
