// What the saver scripts cannot see from outside, on Wine's DirectDraw (GDI
// renderer): the failure message, releasing at any time, the bitmap copies, a run
// whose frame pixels cannot be made, the covers and the display-power pause.
#include <windows.h>
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <vector>

#include "core/run/frames_state.h"
#include "windows/animation_driver.h"
#include "windows/frame_bitmap.h"
#include "windows/saver_window.h"

// The saver window, made once as the program makes it, on a 1024 x 768 Wine
// virtual desktop of its own: there modes can be switched (Xvfb offers one).
static WindowsSaver saver;
static HWND Window()
{
    static const bool made = [] {  // once
        RegSetKeyValueA(HKEY_CURRENT_USER, "Software\\Wine\\Explorer\\Desktops", "velmora-fs", REG_SZ, "1024x768", 9);
        SetThreadDesktop(CreateDesktopA("velmora-fs", nullptr, nullptr, 0, GENERIC_ALL, nullptr));
        RegisterSaverClass(GetModuleHandleA(nullptr)), RegisterCoverClass(GetModuleHandleA(nullptr));
        return CreateSaverWindow(saver, GetModuleHandleA(nullptr), SW_SHOWNORMAL);
    }();
    return made ? saver.saverWindow : nullptr;
}

static char boxShown[96];  // "CAPTION|TEXT|1" of the message box; 1: owned by the saver window
static bool releasedBeforeBox = false;

// Notes what a box over the saver window shows as it opens, and closes it.
static LRESULT CALLBACK CloseMessageBox(int code, WPARAM wParam, LPARAM lParam)
{
    const auto box = reinterpret_cast<HWND>(wParam);
    if (code == HCBT_ACTIVATE && box != saver.saverWindow) {
        char caption[16] = "", text[64] = "";
        GetWindowTextA(box, caption, sizeof caption);
        GetDlgItemTextA(box, 0xFFFF, text, sizeof text);  // the message's static control
        wsprintfA(boxShown, "%s|%s|%d", caption, text, GetWindow(box, GW_OWNER) == saver.saverWindow);
        releasedBeforeBox = saver.screen.directDraw == nullptr;
        PostMessageA(box, WM_COMMAND, IDOK, 0);
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

TEST(FullScreen, ReleasesAtAnyTimeCopiesWholeBitmapsAndReportsFailures)
{
    FullScreen& screen = saver.screen;
    ReleaseFullScreen(screen);  // nothing is open yet
    ASSERT_TRUE(InitFullScreen(screen, Window(), {1024, 768, 32}));
    const DWORD c = 0x102030, words[4 * 3] = {c, c, c, c, c, c, c, c, c, c, c, c};
    HBITMAP bitmap = CreateBitmap(4, 3, 1, 32, words);
    EXPECT_EQ(CopyBitmapToSurface(screen.backSurface, nullptr, 10, 20, 0, 0), E_FAIL);
    EXPECT_EQ(CopyBitmapToSurface(nullptr, bitmap, 10, 20, 0, 0), E_FAIL);
    EXPECT_EQ(CopyBitmapToSurface(screen.backSurface, bitmap, 10, 20, 0, 0), DD_OK);  // 0: the bitmap's own size
    HDC dc = nullptr;
    ASSERT_EQ(screen.backSurface->GetDC(&dc), DD_OK);
    EXPECT_EQ(std::tuple(GetPixel(dc, 13, 22), GetPixel(dc, 14, 22), GetPixel(dc, 13, 23)),
              std::tuple(RGB(0x10, 0x20, 0x30), RGB(0, 0, 0), RGB(0, 0, 0)));
    screen.backSurface->ReleaseDC(dc);
    for (int twice = 0; twice < 2; ++twice) ReleaseFullScreen(screen);
    EXPECT_EQ(std::tuple(screen.directDraw, screen.primarySurface, screen.backSurface, screen.timerRaised),
              std::tuple(nullptr, nullptr, nullptr, false));

    // A failing step gives the desktop back before the box with its code opens.
    HHOOK hook = SetWindowsHookExA(WH_CBT, CloseMessageBox, nullptr, GetCurrentThreadId());
    EXPECT_FALSE(InitFullScreen(screen, Window(), {1234, 567, 32}));  // a mode no adapter offers
    UnhookWindowsHookEx(hook);
    EXPECT_TRUE(releasedBeforeBox);
    EXPECT_TRUE(std::regex_match(boxShown, std::regex(R"(ERROR\|Direct Draw Init Failed \([89a-f][0-9a-f]{7}\)\n\|1)")))
        << boxShown;
}

// A 16-bit frame of 819 pixels a row (Zoom 80 on 1024 x 768) reaches its bitmap
// word for word, although the bitmap's rows are padded to 1640 bytes.
TEST(FullScreen, SixteenBitRowsOfOddWidthAreCopiedWordForWord)
{
    const int width = 819, height = 5;
    std::vector<uint16_t> frame(width * height), back(width * height);
    for (size_t i = 0; i < frame.size(); ++i) frame[i] = static_cast<uint16_t>(i * 40503u);
    FrameBitmap bitmap = MakeFrameBitmap(GetDC(Window()), width, height, 16);
    PutFramePixels(bitmap, frame.data(), width * height * 2);
    DIBSECTION section = {};
    ASSERT_EQ(GetObjectA(bitmap.handle, sizeof section, &section), int{sizeof section});
    ASSERT_EQ(section.dsBm.bmWidthBytes, 1640);  // the system's row length
    for (int row = 0; row < height; ++row)
        std::memcpy(&back[row * width], static_cast<uint8_t*>(section.dsBm.bmBits) + row * 1640, width * 2);
    EXPECT_EQ(back, frame);
    DeleteFrameBitmap(bitmap);
}

// Pixels that cannot be made end the run as a stop would (status 0), the full
// screen given back and the desktop's 32 bits back from the run's 16.
static int bitsDuringRun = 0;
TEST(FullScreen, AFrameBufferThatCannotBeMadeEndsTheRunCleanly)
{
    ASSERT_NE(Window(), nullptr);
    saver.settings.Res = 8;  // 1024 x 768 x 16
    SaverFrames frames;
    frames.state->run.allocate = [](size_t) -> void* {
        bitsDuringRun = GetDeviceCaps(saver.saverDC, BITSPIXEL);
        return nullptr;
    };
    const SaverRunResult run = RunSaver(saver, frames);
    EXPECT_EQ(std::tuple(run.lastWParam, saver.screen.directDraw, bitsDuringRun, GetDeviceCaps(saver.saverDC, BITSPIXEL)),
              std::tuple(0u, nullptr, 16, 32));
    EXPECT_TRUE(saver.coverWindows.empty());  // one monitor here: nothing to cover
}

// A cover (here over part of the one screen) is black, topmost and leaves the
// focus where it was; a click on it or a move of 3 pixels ends the run.
TEST(Covers, InputOnACoverEndsTheRunAndTheCoversGo)
{
    ASSERT_NE(Window(), nullptr);
    for (UINT message : {WM_LBUTTONDOWN, WM_KEYDOWN, WM_MOUSEMOVE}) {
        SetFocus(saver.saverWindow);
        saver.triggers = {};
        OpenCoverWindows(saver, {{600, 100, 900, 400}});
        ASSERT_EQ(saver.coverWindows.size(), 1u);
        HWND cover = saver.coverWindows[0];
        EXPECT_EQ(GetFocus(), saver.saverWindow);
        EXPECT_TRUE(GetWindowLongA(cover, GWL_EXSTYLE) & WS_EX_TOPMOST);
        EXPECT_EQ(GetPixel(GetDC(nullptr), 700, 200), RGB(0, 0, 0));
        for (LPARAM at : {MAKELPARAM(10, 10), MAKELPARAM(12, 8)}) SendMessageA(cover, message, 0, at);
        EXPECT_EQ(saver.triggers.saverRunning, message == WM_MOUSEMOVE ? 1 : 0) << "moves of 2 pixels";
        SendMessageA(cover, message, 0, MAKELPARAM(15, 8));
        EXPECT_EQ(saver.triggers.saverRunning, 0) << "message " << message;
        CloseCoverWindows(saver);
        EXPECT_FALSE(IsWindow(cover));
    }
}

// The display-state notification pauses the drawing (off) and resumes it (on).
TEST(DisplayPower, TheSaverWindowTakesTheDisplayState)
{
    ASSERT_NE(Window(), nullptr);
    WatchDisplayPower(saver);
    for (DWORD state : {0u, 1u, 0u, 2u}) {
        struct { POWERBROADCAST_SETTING head; BYTE rest[3]; } setting = {{GUID_CONSOLE_DISPLAY_STATE, sizeof state, {}}, {}};
        std::memcpy(setting.head.Data, &state, sizeof state);
        SendMessageA(saver.saverWindow, WM_POWERBROADCAST, PBT_POWERSETTINGCHANGE, reinterpret_cast<LPARAM>(&setting));
        EXPECT_EQ(ShouldDraw(saver.power), state != 0) << "state " << state;
    }
    StopWatchingDisplayPower(saver);
}
