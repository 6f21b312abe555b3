// What the saver scripts cannot see from outside, on Wine's DirectDraw (GDI
// renderer): the failure message, releasing at any time, the bitmap copy's edge
// cases, and a run whose frame pixels cannot be made.
#include <windows.h>

#include <gtest/gtest.h>

#include <regex>

#include "app/exit_triggers.h"
#include "app/run_saver_win32.h"
#include "app/saver_run.h"
#include "app/saver_window_win32.h"
#include "display/full_screen_win32.h"
#include "display/video_modes_win32.h"
#include "settings/settings.h"

// The saver window, made once as the program makes it, on a 1024 x 768 Wine
// virtual desktop of its own: there modes can be switched (Xvfb offers one).
static HWND Window()
{
    static const int made = [] {
        RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\Explorer\\Desktops", "velmora-fs", REG_SZ, "1024x768", 9);
        SetThreadDesktop(CreateDesktopA("velmora-fs", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
        RegisterSaverClass(GetModuleHandleA(nullptr));
        return CreateSaverWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    }();
    return made ? saverWindow : nullptr;
}

static char boxShown[96];  // "CAPTION|TEXT|1" of the message box; 1: owned by the saver window
static bool releasedBeforeBox = false;

// Notes what a box over the saver window shows as it opens, and closes it.
static LRESULT CALLBACK CloseMessageBox(int code, WPARAM wParam, LPARAM lParam)
{
    const auto box = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && box != saverWindow) {
        char caption[16] = "", text[64] = "";
        GetWindowTextA(box, caption, sizeof caption);
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message's static control
        wsprintfA(boxShown, "%s|%s|%d", caption, text, GetWindow(box, GW_OWNER) == saverWindow);
        releasedBeforeBox = directDraw == nullptr;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

static int bitsDuringRun = 0;

TEST(FullScreen, ReleasesAtAnyTimeCopiesWholeBitmapsAndReportsFailures)
{
    ReleaseFullScreen();  // nothing is open yet
    currentDisplayMode = {1024, 768, 32};
    ASSERT_TRUE(InitFullScreen(Window()));
    const DWORD c = 0x102030, words[4 * 3] = {c, c, c, c, c, c, c, c, c, c, c, c};
    HBITMAP bitmap = CreateBitmap(4, 3, 1, 32, words);
    EXPECT_EQ(CopyBitmapToSurface(backSurface, nullptr, 10, 20, 0, 0), E_FAIL);
    EXPECT_EQ(CopyBitmapToSurface(nullptr, bitmap, 10, 20, 0, 0), E_FAIL);
    EXPECT_EQ(CopyBitmapToSurface(backSurface, bitmap, 10, 20, 0, 0), DD_OK);  // 0: the bitmap's own size
    HDC dc = nullptr;
    ASSERT_EQ(backSurface->GetDC(&dc), DD_OK);
    EXPECT_EQ(GetPixel(dc, 13, 22), RGB(0x10, 0x20, 0x30));
    EXPECT_EQ(GetPixel(dc, 14, 22), RGB(0, 0, 0));
    EXPECT_EQ(GetPixel(dc, 13, 23), RGB(0, 0, 0));
    backSurface->ReleaseDC(dc);
    ReleaseFullScreen();
    ReleaseFullScreen();
    EXPECT_EQ(directDraw, nullptr);

    // A failing step gives the desktop back before the box with its code opens.
    currentDisplayMode = {1234, 567, 32};  // a mode no adapter offers
    HHOOK hook = SetWindowsHookExA(WH_CBT, CloseMessageBox, nullptr, GetCurrentThreadId());
    EXPECT_FALSE(InitFullScreen(Window()));
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(releasedBeforeBox);
    EXPECT_TRUE(std::regex_match(boxShown, std::regex(R"(ERROR\|Direct Draw Init Failed \([89a-f][0-9a-f]{7}\)\n\|1)")))
        << boxShown;
}

// Pixels that cannot be made end the run as a stop would (status 0), the full
// screen given back and the desktop's 32 bits back from the run's 16.
TEST(FullScreen, AFrameBufferThatCannotBeMadeEndsTheRunCleanly)
{
    ASSERT_NE(Window(), nullptr);
    InstallDisplayAdapter();
    saverSettings.Res = 8;  // 1024 x 768 x 16
    saverRunning = 1;
    SetFrameAllocator([](size_t) -> void* {
        bitsDuringRun = GetDeviceCaps(saverDC, BITSPIXEL);
        return nullptr;
    });
    const SaverRunResult run = RunSaver();
    SetFrameAllocator(nullptr);
    EXPECT_EQ(run.lastWParam, 0u);
    EXPECT_EQ(directDraw, nullptr);
    EXPECT_EQ(bitsDuringRun, 16);
    EXPECT_EQ(GetDeviceCaps(saverDC, BITSPIXEL), 32);
}
