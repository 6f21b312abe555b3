// Test-only driver of the settings dialog: finds the open dialog by its title and
// reads and drives it from outside through window messages, one command after
// another (see Run). Texts are read through the Unicode calls and printed in
// UTF-8, one line per query.   dialog_driver [--timeout SECONDS] COMMAND...
#include <fcntl.h>
#include <io.h>
#include <windows.h>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include "windows/resources/resource_ids.h"
namespace {

const wchar_t* const kTitle = L"    Velmora Screen Saver v.1.4 - Настройки";
DWORD timeoutMs = 30000;
HWND dialog = nullptr, messageBox = nullptr;
HANDLE pendingSend = nullptr;  // a selection notice still being handled

[[noreturn]] void Fail(const std::string& what) { std::fprintf(stderr, "dialog_driver: %s\n", what.c_str()), std::exit(2); }

template <typename Condition>
bool PollUntil(Condition done)
{
    for (const DWORD start = GetTickCount(); !done(); Sleep(20))
        if (GetTickCount() - start > timeoutMs) return false;
    return true;
}

std::string Utf8(const std::wstring& text)
{
    std::string out(text.size() * 3 + 1, '\0');
    out.resize(WideCharToMultiByte(CP_UTF8, 0, text.data(), int(text.size()), out.data(), int(out.size()), nullptr, nullptr));
    return out;
}

void Print(const std::string& line) { std::printf("%s\n", line.c_str()), std::fflush(stdout); }

std::wstring TextOf(HWND window)
{
    std::wstring text(SendMessageW(window, WM_GETTEXTLENGTH, 0, 0) + 1, L'\0');
    text.resize(SendMessageW(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data())));
    return text;
}

std::wstring ClassOf(HWND window)
{
    wchar_t name[64] = L"";
    return GetClassNameW(window, name, 64), name;
}

HWND Control(int id) { return GetDlgItem(dialog, id) ? GetDlgItem(dialog, id) : (Fail("no control " + std::to_string(id)), nullptr); }

BOOL CALLBACK FindBox(HWND window, LPARAM)
{
    const bool box = GetWindow(window, GW_OWNER) == dialog && IsWindowVisible(window) && ClassOf(window) == L"#32770";
    return box ? (messageBox = window, FALSE) : TRUE;
}

bool BoxOpen() { return messageBox = nullptr, EnumWindows(FindBox, 0), messageBox != nullptr; }
bool SendDone() { return !pendingSend || WaitForSingleObject(pendingSend, 0) == WAIT_OBJECT_0; }

void FinishSend()
{
    if (!PollUntil(SendDone)) Fail("the dialog did not finish handling the selection");
    if (pendingSend) CloseHandle(pendingSend), pendingSend = nullptr;
}

// The notice is sent from a thread of its own, which returns once the dialog has
// handled it: after the message box it may open is closed.
DWORD WINAPI SendSelection(void* list)
{
    SendMessageW(dialog, WM_COMMAND, MAKEWPARAM(IDC_VIDEO_MODE_LIST, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list));
    return 0;
}

int Focused()
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
    return info.hwndFocus ? static_cast<short>(GetDlgCtrlID(info.hwndFocus)) : 0;
}

void Run(const std::string& command, char**& arg, char** end)
{
    auto next = [&] { return arg < end ? *arg++ : (Fail("missing argument of " + command), nullptr); };
    auto number = [&] { return std::atoi(next()); };
    auto send = [&](UINT message, WPARAM w = 0, LPARAM l = 0) { return SendMessageW(Control(number()), message, w, l); };
    if (command == "title") {
        Print(Utf8(TextOf(dialog)));
    } else if (command == "owner") {  // "CLASS|TITLE|enabled 0|1"
        HWND owner = GetWindow(dialog, GW_OWNER);
        Print(Utf8(ClassOf(owner) + L"|" + TextOf(owner)) + "|enabled " + (IsWindowEnabled(owner) ? "1" : "0"));
    } else if (command == "focus") {
        Print(std::to_string(Focused()));
    } else if (command == "captions") {  // "ID TEXT" for every control with a text
        for (HWND c = GetWindow(dialog, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT))
            if (!TextOf(c).empty()) Print(std::to_string(static_cast<short>(GetDlgCtrlID(c))) + " " + Utf8(TextOf(c)));
    } else if (command == "text") {
        Print(Utf8(TextOf(Control(number()))));
    } else if (command == "settext") {
        HWND control = Control(number());
        SetWindowTextA(control, next());
    } else if (command == "check" || command == "cursel") {  // ticked 1 or 0 | selected item, -1 for none
        Print(std::to_string(static_cast<int>(send(command == "check" ? BM_GETCHECK : CB_GETCURSEL))));
    } else if (command == "range") {  // "MIN MAX"
        int low = 0, high = 0;
        GetScrollRange(Control(number()), SB_CTL, &low, &high);
        Print(std::to_string(low) + " " + std::to_string(high));
    } else if (command == "items") {  // joined by |
        HWND list = Control(number());
        std::wstring all;
        for (int i = 0, n = static_cast<int>(SendMessageW(list, CB_GETCOUNT, 0, 0)); i < n; ++i) {
            std::wstring item(SendMessageW(list, CB_GETLBTEXTLEN, i, 0) + 1, L'\0');
            item.resize(SendMessageW(list, CB_GETLBTEXT, i, reinterpret_cast<LPARAM>(item.data())));
            all += (i ? L"|" : L"") + item;
        }
        Print(Utf8(all));
    } else if (command == "left" || command == "right" || command == "scroll") {
        HWND bar = Control(number());
        const int code = command == "scroll" ? number() : command == "left" ? SB_LINELEFT : SB_LINERIGHT;
        for (int i = command == "scroll" ? 1 : number(); i > 0; --i)
            SendMessageW(dialog, WM_HSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(bar));
    } else if (command == "click") {
        FinishSend();
        send(BM_CLICK);
    } else if (command == "select") {  // ID N as a user would: "msgbox" if that opened one, else "done"
        FinishSend();
        HWND list = Control(number());
        SendMessageW(list, CB_SETCURSEL, number(), 0);
        pendingSend = CreateThread(nullptr, 0, SendSelection, list, 0, nullptr);
        if (!pendingSend || !PollUntil([] { return SendDone() || BoxOpen(); })) Fail("the selection was not handled");
        Print(SendDone() ? "done" : "msgbox");
    } else if (command == "msgbox") {  // "CAPTION|TEXT|BUTTON IDS|icon 0|1"
        if (!PollUntil(BoxOpen)) Fail("no message box is open");
        std::wstring text, buttons;
        bool icon = false;
        for (HWND c = GetWindow(messageBox, GW_CHILD); c; c = GetWindow(c, GW_HWNDNEXT)) {
            if (!IsWindowVisible(c)) continue;
            if (ClassOf(c) == L"Button") buttons += (buttons.empty() ? L"" : L" ") + std::to_wstring(GetDlgCtrlID(c));
            if (ClassOf(c) != L"Static") continue;
            icon |= SendMessageW(c, STM_GETICON, 0, 0) != 0;
            if (!TextOf(c).empty()) text = TextOf(c);
        }
        Print(Utf8(TextOf(messageBox) + L"|" + text + L"|" + buttons) + (icon ? "|icon 1" : "|icon 0"));
    } else if (command == "msgbox-ok") {
        if (!PollUntil(BoxOpen)) Fail("no message box is open");
        PostMessageW(messageBox, WM_COMMAND, IDOK, 0), FinishSend();
    } else if (command == "ok" || command == "cancel" || command == "close" || command == "escape") {
        FinishSend();
        HWND focused = Focused() ? GetDlgItem(dialog, Focused()) : dialog;
        if (command == "ok" || command == "cancel") PostMessageW(Control(command == "ok" ? IDOK : IDCANCEL), BM_CLICK, 0, 0);
        if (command == "close") PostMessageW(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);  // the caption's close box
        if (command == "escape") PostMessageW(focused, WM_KEYDOWN, VK_ESCAPE, 1), PostMessageW(focused, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        if (!PollUntil([] { return !IsWindow(dialog); })) Fail("the dialog did not close");
        Print("closed");
    } else {
        Fail("unknown command " + command);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n alone
    char** arg = argv + 1;
    char** end = argv + argc;
    if (arg < end && std::strcmp(*arg, "--timeout") == 0 && arg + 1 < end) timeoutMs = std::atoi(arg[1]) * 1000, arg += 2;
    const bool found = PollUntil([] {
        dialog = FindWindowW(L"#32770", kTitle);
        DWORD process = 0;
        if (dialog) GetWindowThreadProcessId(dialog, &process);
        return dialog && process != GetCurrentProcessId() && IsWindowVisible(dialog);
    });
    if (!found) Fail("the settings dialog did not appear");
    while (arg < end) Run(*arg++, arg, end);
    return 0;
}
