// A tiny window program that proves the end-to-end harness: on start it saves
// the ANSI code page and a Russian word (code page 1251 bytes) under
// HKCU\Software\Velmora E2E, then shows a 200 x 100 pop-up at the top left of
// the screen in one known colour (16, 160, 240). A key press ends it with the
// key's virtual-key code as exit status.
#include <windows.h>

#include <cstdio>

namespace {

const char kTitle[] = "Velmora e2e smoke";
const COLORREF kColour = RGB(16, 160, 240);

void SaveText(HKEY key, const char* name, const char* text)
{
    RegSetValueExA(key, name, 0, REG_SZ, reinterpret_cast<const BYTE*>(text),
                   static_cast<DWORD>(lstrlenA(text) + 1));
}

void SaveFacts()
{
    HKEY key;
    if (RegCreateKeyExA(HKEY_CURRENT_USER, "Software\\Velmora E2E", 0, nullptr, 0, KEY_WRITE,
                        nullptr, &key, nullptr) != ERROR_SUCCESS)
        return;
    char codePage[16];
    std::snprintf(codePage, sizeof codePage, "%u", GetACP());
    SaveText(key, "CodePage", codePage);
    SaveText(key, "Greeting", "\xcf\xf0\xe8\xe2\xe5\xf2");
    RegCloseKey(key);
}

LRESULT CALLBACK SmokeWndProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_PAINT: {
        PAINTSTRUCT paint;
        HDC dc = BeginPaint(window, &paint);
        HBRUSH brush = CreateSolidBrush(kColour);
        FillRect(dc, &paint.rcPaint, brush);
        DeleteObject(brush);
        EndPaint(window, &paint);
        return 0;
    }
    case WM_KEYDOWN:
        PostQuitMessage(static_cast<int>(wParam));
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int)
{
    SaveFacts();
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = SmokeWndProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.lpszClassName = kTitle;
    if (!RegisterClassA(&windowClass)) return 1;
    HWND window = CreateWindowExA(WS_EX_TOPMOST, kTitle, kTitle, WS_POPUP | WS_VISIBLE, 0, 0, 200,
                                  100, nullptr, nullptr, instance, nullptr);
    if (!window) return 2;
    SetForegroundWindow(window);
    SetFocus(window);
    MSG message = {};
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return static_cast<int>(message.wParam);
}
