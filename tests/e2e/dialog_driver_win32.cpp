// Test-only driver of the configuration dialog. It finds the open dialog by its
// title and reads and drives it from outside, through ordinary window messages,
// as the end-to-end tests need. Commands run in the order given; every query
// prints one line (texts as the ANSI calls give them, in code page 1251).
//
//   dialog_driver [--timeout SECONDS] COMMAND...
//
//   title                  the dialog's title
//   size                   the dialog's client size in dialog units: "W H"
//   owner                  the owner window: "CLASS|TITLE|enabled 0|1"
//   controls               one line per control in tab order:
//                          "ID CLASS STYLE X Y W H TEXT" (style in hex, dialog units)
//   text ID                a control's text
//   settext ID TEXT        overwrites a control's text (to see it rewritten)
//   check ID               1 when the check box is ticked, else 0
//   cursel ID              the list's selected index (-1 for none)
//   count ID | item ID N   the list's item count | the text of item N
//   range ID               a scroll bar's range: "MIN MAX"
//   pos ID                 a scroll bar's position
//   focus                  the ID of the control that has the focus
//   left ID N | right ID N N arrow clicks (WM_HSCROLL SB_LINELEFT / SB_LINERIGHT)
//   scroll ID CODE         one WM_HSCROLL with any scroll code
//   click ID               a click on a button (BM_CLICK)
//   select ID N            selects item N and notifies CBN_SELCHANGE; prints
//                          "msgbox" when that opened a message box, else "done"
//   msgbox                 the open message box: caption, text, the IDs of its
//                          visible buttons (one line) and "icon 0|1"
//   msgbox-ok              closes the message box with OK and waits for the
//                          dialog to finish handling the selection
//   template PATH          (alone) the Russian template 112 stored in the program
//                          at PATH, item by item as "controls" prints them
//   ok | cancel            presses OK or Cancel and waits until the dialog is gone
//   close                  the caption's close box (SC_CLOSE); waits until gone
//   escape                 the Escape key on the focused control; waits until gone
#include <fcntl.h>
#include <io.h>
#include <windows.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>
#include <string>

namespace {

const char* const kDialogTitle = "    Velmora Screen Saver v.1.4 - Настройки";

DWORD timeoutMs = 30000;
HWND dialog = nullptr;
HWND probe = nullptr;  // a hidden dialog in the same font, for MapDialogRect

[[noreturn]] void Fail(const std::string& what)
{
    std::fprintf(stderr, "dialog_driver: %s\n", what.c_str());
    std::exit(2);
}

void Print(const std::string& line)
{
    std::fwrite(line.data(), 1, line.size(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

// Polls every 20 ms until done() holds or the timeout has passed.
template <typename Condition>
bool PollUntil(Condition done)
{
    const DWORD start = GetTickCount();
    while (!done()) {
        if (GetTickCount() - start > timeoutMs) return false;
        Sleep(20);
    }
    return true;
}

INT_PTR CALLBACK ProbeProc(HWND, UINT, WPARAM, LPARAM) { return FALSE; }

// An empty dialog with the same font as template 112 has the same base units.
void CreateProbe()
{
    alignas(4) WORD buffer[64] = {};
    auto* header = reinterpret_cast<DLGTEMPLATE*>(buffer);
    header->style = DS_SETFONT | WS_POPUP;
    header->cx = 10;
    header->cy = 10;
    WORD* p = buffer + sizeof(DLGTEMPLATE) / sizeof(WORD);
    *p++ = 0;  // no menu
    *p++ = 0;  // the standard dialog class
    *p++ = 0;  // no title
    *p++ = 8;  // points
    for (const char* face = "MS Sans Serif";; ++face) {
        *p++ = static_cast<WORD>(*face);
        if (!*face) break;
    }
    probe = CreateDialogIndirectParamA(GetModuleHandleA(nullptr), header, nullptr, ProbeProc, 0);
    if (!probe) Fail("cannot create the probe dialog");
}

// Dialog units from pixels: the unit count that MapDialogRect maps onto px.
int ToDialogUnits(int px, bool horizontal)
{
    RECT base = {0, 0, 4, 8};
    MapDialogRect(probe, &base);
    const int unit = horizontal ? base.right : base.bottom;
    const int guess = px * (horizontal ? 4 : 8) / unit;
    for (int d = guess - 3; d <= guess + 3; ++d) {
        RECT r = {d, d, 0, 0};
        MapDialogRect(probe, &r);
        if ((horizontal ? r.left : r.top) == px) return d;
    }
    Fail("no dialog-unit value maps to " + std::to_string(px) + " pixels");
}

std::string DialogUnitRect(RECT screen)
{
    POINT corners[2] = {{screen.left, screen.top}, {screen.right, screen.bottom}};
    MapWindowPoints(HWND_DESKTOP, dialog, corners, 2);
    return std::to_string(ToDialogUnits(corners[0].x, true)) + " " + std::to_string(ToDialogUnits(corners[0].y, false)) +
           " " + std::to_string(ToDialogUnits(corners[1].x - corners[0].x, true)) + " " +
           std::to_string(ToDialogUnits(corners[1].y - corners[0].y, false));
}

bool IsOtherProcess(HWND window)
{
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    return process != GetCurrentProcessId();
}

void FindDialog()
{
    const bool found = PollUntil([] {
        dialog = FindWindowA("#32770", kDialogTitle);
        return dialog && IsOtherProcess(dialog) && IsWindowVisible(dialog);
    });
    if (!found) Fail("the settings dialog did not appear");
}

HWND Control(int id)
{
    HWND control = GetDlgItem(dialog, id);
    if (!control) Fail("no control with ID " + std::to_string(id));
    return control;
}

std::string WindowText(HWND window)
{
    const LRESULT length = SendMessageA(window, WM_GETTEXTLENGTH, 0, 0);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    const LRESULT got = SendMessageA(window, WM_GETTEXT, text.size(), reinterpret_cast<LPARAM>(text.data()));
    text.resize(static_cast<size_t>(got));
    return text;
}

std::string ClassOf(HWND window)
{
    char name[64] = {};
    GetClassNameA(window, name, sizeof name);
    return name;
}

std::string Hex(DWORD value)
{
    char text[16];
    std::snprintf(text, sizeof text, "0x%08lx", static_cast<unsigned long>(value));
    return text;
}

// A list item's text in the ANSI code page. The item is asked for in Unicode:
// Wine garbles an ANSI CB_GETLBTEXT sent to another process.
std::string ItemText(HWND list, int index)
{
    const LRESULT length = SendMessageW(list, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length < 0) Fail("no item " + std::to_string(index));
    std::wstring wide(static_cast<size_t>(length) + 1, L'\0');
    const LRESULT got = SendMessageW(list, CB_GETLBTEXT, static_cast<WPARAM>(index), reinterpret_cast<LPARAM>(wide.data()));
    if (got < 0) Fail("no item " + std::to_string(index));
    std::string text(static_cast<size_t>(got) * 2 + 1, '\0');
    const int bytes = WideCharToMultiByte(CP_ACP, 0, wide.data(), static_cast<int>(got), text.data(),
                                          static_cast<int>(text.size()), nullptr, nullptr);
    text.resize(static_cast<size_t>(bytes));
    return text;
}

void PrintControls()
{
    for (HWND child = GetWindow(dialog, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        RECT rect;
        GetWindowRect(child, &rect);
        Print(std::to_string(static_cast<short>(GetDlgCtrlID(child))) + " " + ClassOf(child) + " " +
              Hex(static_cast<DWORD>(GetWindowLongA(child, GWL_STYLE))) + " " + DialogUnitRect(rect) + " " +
              WindowText(child));
    }
}

// ---- dialog template 112 as stored in a program's resources ------------------

struct TemplateReader {
    const WORD* at;
    WORD Word() { return *at++; }
    DWORD Dword()
    {
        const DWORD low = Word();
        return low | static_cast<DWORD>(Word()) << 16;
    }
    short Short() { return static_cast<short>(Word()); }
    // A string, or 0xFFFF and an ordinal (printed as #N, or by the control class).
    std::string NameOrOrdinal(bool controlClass)
    {
        if (*at == 0xFFFF) {
            ++at;
            const WORD ordinal = Word();
            static const char* const kClasses[] = {"Button", "Edit", "Static", "ListBox", "ScrollBar", "ComboBox"};
            if (controlClass && ordinal >= 0x80 && ordinal <= 0x85) return kClasses[ordinal - 0x80];
            return "#" + std::to_string(ordinal);
        }
        const WORD* start = at;
        while (*at) ++at;
        const int length = static_cast<int>(at - start);
        ++at;
        std::string text(static_cast<size_t>(length) * 2 + 1, '\0');
        text.resize(static_cast<size_t>(WideCharToMultiByte(CP_ACP, 0, reinterpret_cast<const wchar_t*>(start), length,
                                                            text.data(), static_cast<int>(text.size()), nullptr, nullptr)));
        return text;
    }
    void AlignToDword()
    {
        while (reinterpret_cast<uintptr_t>(at) % 4) ++at;
    }
};

std::string Numbers(std::initializer_list<int> values)
{
    std::string text;
    for (int value : values) text += (text.empty() ? "" : " ") + std::to_string(value);
    return text;
}

// Prints the Russian template 112 of the program at path: a header line
// "dialog STYLE X Y W H POINTS FONT|TITLE", then "ID CLASS STYLE X Y W H TEXT" per item.
void PrintTemplate(const char* path)
{
    const HMODULE module = LoadLibraryExA(path, nullptr, LOAD_LIBRARY_AS_DATAFILE);
    if (!module) Fail(std::string("cannot open ") + path);
    const HRSRC resource =
        FindResourceExA(module, MAKEINTRESOURCEA(5), MAKEINTRESOURCEA(112), MAKELANGID(LANG_RUSSIAN, SUBLANG_DEFAULT));
    if (!resource) Fail("no Russian dialog 112");
    TemplateReader reader = {static_cast<const WORD*>(LockResource(LoadResource(module, resource)))};
    if (reader.at[0] == 1 && reader.at[1] == 0xFFFF) Fail("an extended template; expected the classic form");
    const DWORD style = reader.Dword();
    reader.Dword();  // extended style
    const int items = reader.Word();
    const int x = reader.Short(), y = reader.Short(), cx = reader.Short(), cy = reader.Short();
    const std::string menu = reader.NameOrOrdinal(false);
    const std::string windowClass = reader.NameOrOrdinal(false);
    const std::string title = reader.NameOrOrdinal(false);
    std::string font;
    int points = 0;
    if (style & DS_SETFONT) {
        points = reader.Word();
        font = reader.NameOrOrdinal(false);
    }
    Print("dialog " + Hex(style) + " " + Numbers({x, y, cx, cy, items, points}) + " " + font + "|" + title);
    for (int i = 0; i < items; ++i) {
        reader.AlignToDword();
        const DWORD itemStyle = reader.Dword();
        reader.Dword();
        const int ix = reader.Short(), iy = reader.Short(), icx = reader.Short(), icy = reader.Short();
        const int id = reader.Short();
        const std::string itemClass = reader.NameOrOrdinal(true);
        const std::string text = reader.NameOrOrdinal(false);
        reader.at += (reader.Word() + 1) / 2;  // creation data
        Print(std::to_string(id) + " " + itemClass + " " + Hex(itemStyle) + " " + Numbers({ix, iy, icx, icy}) + " " +
              text);
    }
}

// ---- the message box of the video-mode check --------------------------------

HWND messageBox = nullptr;

BOOL CALLBACK FindOwnedBox(HWND window, LPARAM)
{
    if (GetWindow(window, GW_OWNER) != dialog || !IsWindowVisible(window) || ClassOf(window) != "#32770") return TRUE;
    messageBox = window;
    return FALSE;
}

bool MessageBoxOpen()
{
    messageBox = nullptr;
    EnumWindows(FindOwnedBox, 0);
    return messageBox != nullptr;
}

void PrintMessageBox()
{
    if (!PollUntil(MessageBoxOpen)) Fail("no message box is open");
    std::string text, buttons;
    bool icon = false;
    for (HWND child = GetWindow(messageBox, GW_CHILD); child; child = GetWindow(child, GW_HWNDNEXT)) {
        if (!IsWindowVisible(child)) continue;
        const std::string kind = ClassOf(child);
        if (kind == "Button") buttons += (buttons.empty() ? "" : " ") + std::to_string(GetDlgCtrlID(child));
        if (kind != "Static") continue;
        if (SendMessageA(child, STM_GETICON, 0, 0)) icon = true;
        const std::string caption = WindowText(child);
        if (!caption.empty()) text = caption;
    }
    Print(WindowText(messageBox));
    Print(text);
    Print(buttons);
    Print(std::string("icon ") + (icon ? "1" : "0"));
}

// A notification that may open a message box is sent from a thread of its own:
// the send returns only when the dialog has finished with it.
struct PendingSend {
    HWND target;
    WPARAM wParam;
    LPARAM lParam;
};
PendingSend pending;
HANDLE pendingThread = nullptr;

DWORD WINAPI SendPending(void*)
{
    SendMessageA(pending.target, WM_COMMAND, pending.wParam, pending.lParam);
    return 0;
}

bool PendingDone() { return !pendingThread || WaitForSingleObject(pendingThread, 0) == WAIT_OBJECT_0; }

void FinishPending()
{
    if (!PollUntil(PendingDone)) Fail("the dialog did not finish handling the selection");
    if (pendingThread) CloseHandle(pendingThread);
    pendingThread = nullptr;
}

void SelectItem(int id, int index)
{
    FinishPending();
    const HWND list = Control(id);
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    pending = {dialog, MAKEWPARAM(id, CBN_SELCHANGE), reinterpret_cast<LPARAM>(list)};
    pendingThread = CreateThread(nullptr, 0, SendPending, nullptr, 0, nullptr);
    if (!pendingThread) Fail("cannot start a thread");
    if (!PollUntil([] { return PendingDone() || MessageBoxOpen(); })) Fail("the selection was not handled");
    Print(PendingDone() ? "done" : "msgbox");
}

void CloseMessageBox()
{
    if (!PollUntil(MessageBoxOpen)) Fail("no message box is open");
    PostMessageA(messageBox, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
    if (!PollUntil([] { return !MessageBoxOpen(); })) Fail("the message box did not close");
    FinishPending();
}

void WaitDialogGone()
{
    if (!PollUntil([] { return !IsWindow(dialog); })) Fail("the dialog did not close");
    Print("closed");
}

void PressButton(int id)
{
    FinishPending();
    SendMessageA(Control(id), BM_CLICK, 0, 0);
}

int FocusedId()
{
    GUITHREADINFO info = {};
    info.cbSize = sizeof info;
    if (!GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info) || !info.hwndFocus) return 0;
    return static_cast<short>(GetDlgCtrlID(info.hwndFocus));
}

void Arrow(int id, WPARAM code, int times)
{
    const HWND bar = Control(id);
    for (int i = 0; i < times; ++i) SendMessageA(dialog, WM_HSCROLL, MAKEWPARAM(code, 0), reinterpret_cast<LPARAM>(bar));
}

// ---- the command line --------------------------------------------------------

struct Arguments {
    int count;
    char** values;
    int at;
    const char* Next(const char* what)
    {
        if (at >= count) Fail(std::string("missing ") + what);
        return values[at++];
    }
    int Number(const char* what) { return std::atoi(Next(what)); }
};

void RunCommand(const std::string& command, Arguments& args)
{
    if (command == "title") {
        Print(WindowText(dialog));
    } else if (command == "owner") {
        const HWND owner = GetWindow(dialog, GW_OWNER);
        if (!owner) Fail("the dialog has no owner");
        Print(ClassOf(owner) + "|" + WindowText(owner) + "|enabled " + (IsWindowEnabled(owner) ? "1" : "0"));
    } else if (command == "size") {
        RECT client;
        GetClientRect(dialog, &client);
        Print(std::to_string(ToDialogUnits(client.right, true)) + " " + std::to_string(ToDialogUnits(client.bottom, false)));
    } else if (command == "controls") {
        PrintControls();
    } else if (command == "text") {
        Print(WindowText(Control(args.Number("ID"))));
    } else if (command == "settext") {
        const HWND control = Control(args.Number("ID"));
        SendMessageA(control, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(args.Next("text")));
    } else if (command == "check") {
        Print(std::to_string(SendMessageA(Control(args.Number("ID")), BM_GETCHECK, 0, 0)));
    } else if (command == "cursel") {
        Print(std::to_string(static_cast<int>(SendMessageA(Control(args.Number("ID")), CB_GETCURSEL, 0, 0))));
    } else if (command == "count") {
        Print(std::to_string(static_cast<int>(SendMessageA(Control(args.Number("ID")), CB_GETCOUNT, 0, 0))));
    } else if (command == "item") {
        const HWND list = Control(args.Number("ID"));
        Print(ItemText(list, args.Number("item")));
    } else if (command == "range") {
        int low = 0, high = 0;
        GetScrollRange(Control(args.Number("ID")), SB_CTL, &low, &high);
        Print(std::to_string(low) + " " + std::to_string(high));
    } else if (command == "pos") {
        Print(std::to_string(GetScrollPos(Control(args.Number("ID")), SB_CTL)));
    } else if (command == "focus") {
        Print(std::to_string(FocusedId()));
    } else if (command == "left" || command == "right") {
        const int id = args.Number("ID");
        Arrow(id, command == "left" ? SB_LINELEFT : SB_LINERIGHT, args.Number("count"));
    } else if (command == "scroll") {
        const int id = args.Number("ID");
        Arrow(id, static_cast<WPARAM>(args.Number("code")), 1);
    } else if (command == "click") {
        PressButton(args.Number("ID"));
    } else if (command == "select") {
        const int id = args.Number("ID");
        SelectItem(id, args.Number("item"));
    } else if (command == "msgbox") {
        PrintMessageBox();
    } else if (command == "msgbox-ok") {
        CloseMessageBox();
    } else if (command == "ok" || command == "cancel") {
        PressButton(command == "ok" ? IDOK : IDCANCEL);
        WaitDialogGone();
    } else if (command == "close") {
        FinishPending();
        PostMessageA(dialog, WM_SYSCOMMAND, SC_CLOSE, 0);
        WaitDialogGone();
    } else if (command == "escape") {
        FinishPending();
        const int focused = FocusedId();
        const HWND target = focused ? GetDlgItem(dialog, focused) : dialog;
        PostMessageA(target, WM_KEYDOWN, VK_ESCAPE, 1);
        PostMessageA(target, WM_KEYUP, VK_ESCAPE, 0xC0000001);
        WaitDialogGone();
    } else {
        Fail("unknown command " + command);
    }
}

}  // namespace

int main(int argc, char** argv)
{
    _setmode(_fileno(stdout), _O_BINARY);  // lines end in \n alone
    Arguments args = {argc, argv, 1};
    if (args.at < argc && std::strcmp(argv[args.at], "--timeout") == 0) {
        ++args.at;
        timeoutMs = static_cast<DWORD>(args.Number("seconds")) * 1000;
    }
    if (args.at + 1 < argc && std::strcmp(argv[args.at], "template") == 0) {
        PrintTemplate(argv[args.at + 1]);  // needs no open dialog
        return 0;
    }
    CreateProbe();
    FindDialog();
    while (args.at < argc) {
        const std::string command = args.Next("command");
        RunCommand(command, args);
    }
    // A message box left open for a later run stays open: the send is abandoned.
    return 0;
}
