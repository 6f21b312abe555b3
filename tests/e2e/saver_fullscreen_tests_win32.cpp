// The full screen and the saver run on the real platform (Wine's DirectDraw
// through GDI, on an X screen of 1024 x 768): opening, copying bitmaps onto the
// back buffer, presenting at the refresh rate, releasing, the failure message;
// the run's ends: a mode not offered, a key, a stop during set-up, no memory.
#include <windows.h>

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <string>
#include <thread>

#include "app/exit_triggers.h"
#include "app/run_saver_win32.h"
#include "app/saver_run.h"
#include "app/saver_window_win32.h"
#include "display/full_screen_win32.h"
#include "display/video_modes.h"
#include "display/video_modes_win32.h"
#include "settings/settings.h"

namespace {

HWND MakeWindow()
{
    static ATOM windowClass = [] {
        WNDCLASSA description = {};
        description.lpfnWndProc = DefWindowProcA;
        description.hInstance = GetModuleHandleA(nullptr);
        description.lpszClassName = "Velmora full-screen test";
        return RegisterClassA(&description);
    }();
    HWND window = CreateWindowExA(0, MAKEINTATOM(windowClass), "Velmora full-screen test", WS_POPUP,
                                  GetSystemMetrics(SM_CXSCREEN), 0, 100, 100, nullptr, nullptr,
                                  GetModuleHandleA(nullptr), nullptr);
    ShowWindow(window, SW_SHOWNORMAL);
    UpdateWindow(window);
    return window;
}

// A 32-bit bitmap of width x height whose pixel (x, y) is colour(x, y).
HBITMAP MakeBitmap(int width, int height, COLORREF (*colour)(int, int))
{
    HDC screen = GetDC(nullptr);
    HBITMAP bitmap = CreateCompatibleBitmap(screen, width, height);
    HDC dc = CreateCompatibleDC(screen);
    HGDIOBJ old = SelectObject(dc, bitmap);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) SetPixel(dc, x, y, colour(x, y));
    SelectObject(dc, old);
    DeleteDC(dc);
    ReleaseDC(nullptr, screen);
    return bitmap;
}

COLORREF Gradient(int x, int y) { return RGB(40 + 10 * x, 100 + 20 * y, 7); }

BOOL CALLBACK KeepStaticText(HWND child, LPARAM found)
{
    char name[16] = "", buffer[256] = "";
    GetClassNameA(child, name, sizeof name);
    if (lstrcmpiA(name, "Static") != 0 || GetWindowTextA(child, buffer, sizeof buffer) == 0) return TRUE;
    *reinterpret_cast<std::string*>(found) = buffer;
    return FALSE;
}

// The text of a message box: its one static control with text.
std::string MessageBoxText(HWND box)
{
    std::string text;
    EnumChildWindows(box, KeepStaticText, reinterpret_cast<LPARAM>(&text));
    return text;
}

COLORREF SurfacePixel(IDirectDrawSurface* surface, int x, int y)
{
    HDC dc = nullptr;
    if (FAILED(surface->GetDC(&dc))) return CLR_INVALID;
    const COLORREF colour = GetPixel(dc, x, y);
    surface->ReleaseDC(dc);
    return colour;
}

class FullScreenTest : public ::testing::Test {
protected:
    HWND window = nullptr;
    void SetUp() override
    {
        window = MakeWindow();
        currentDisplayMode = {1024, 768, 32};
    }
    void TearDown() override
    {
        ReleaseFullScreen();
        DestroyWindow(window);
    }
};

}  // namespace

TEST_F(FullScreenTest, ReleaseBeforeAnyOpeningAndTwiceIsHarmless)
{
    ReleaseFullScreen();
    ReleaseFullScreen();
    EXPECT_EQ(directDraw, nullptr);
    EXPECT_EQ(primarySurface, nullptr);
}

TEST_F(FullScreenTest, OpensTheFlipChainAndReleasesIt)
{
    ASSERT_TRUE(InitFullScreen(window));
    ASSERT_NE(directDraw, nullptr);
    ASSERT_NE(primarySurface, nullptr);
    ASSERT_NE(backSurface, nullptr);

    DDSURFACEDESC description = {};
    description.dwSize = sizeof description;
    ASSERT_EQ(primarySurface->GetSurfaceDesc(&description), DD_OK);
    EXPECT_EQ(description.dwWidth, 1024u);
    EXPECT_EQ(description.dwHeight, 768u);
    EXPECT_TRUE(description.ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE);
    EXPECT_EQ(description.dwBackBufferCount, 1u);

    ReleaseFullScreen();
    EXPECT_EQ(directDraw, nullptr);
    EXPECT_EQ(primarySurface, nullptr);
    EXPECT_NE(backSurface, nullptr) << "the back buffer pointer is left as it was";
    ReleaseFullScreen();
}

TEST_F(FullScreenTest, CopiesTheTopLeftOfABitmapToAPosition)
{
    ASSERT_TRUE(InitFullScreen(window));
    HBITMAP bitmap = MakeBitmap(4, 3, Gradient);

    // Width and height 0: the whole bitmap.
    EXPECT_EQ(CopyBitmapToSurface(backSurface, bitmap, 10, 20, 0, 0), DD_OK);
    EXPECT_EQ(SurfacePixel(backSurface, 10, 20), Gradient(0, 0));
    EXPECT_EQ(SurfacePixel(backSurface, 13, 22), Gradient(3, 2));
    EXPECT_EQ(SurfacePixel(backSurface, 14, 22), RGB(0, 0, 0));

    // 2 x 1 of it at (100, 50): the rest of the bitmap stays behind.
    EXPECT_EQ(CopyBitmapToSurface(backSurface, bitmap, 100, 50, 2, 1), DD_OK);
    EXPECT_EQ(SurfacePixel(backSurface, 101, 50), Gradient(1, 0));
    EXPECT_EQ(SurfacePixel(backSurface, 102, 50), RGB(0, 0, 0));
    EXPECT_EQ(SurfacePixel(backSurface, 100, 51), RGB(0, 0, 0));
    DeleteObject(bitmap);
}

TEST_F(FullScreenTest, ANullBitmapOrSurfaceIsRefused)
{
    ASSERT_TRUE(InitFullScreen(window));
    HBITMAP bitmap = MakeBitmap(2, 2, Gradient);
    EXPECT_EQ(CopyBitmapToSurface(backSurface, nullptr, 0, 0, 0, 0), E_FAIL);
    EXPECT_EQ(CopyBitmapToSurface(nullptr, bitmap, 0, 0, 0, 0), E_FAIL);
    EXPECT_EQ(SurfacePixel(backSurface, 0, 0), RGB(0, 0, 0));
    DeleteObject(bitmap);
}

// The flip does not wait under Wine; the frames are held to the refresh rate
// (60 Hz here) all the same, so a run never draws as fast as it can.
TEST_F(FullScreenTest, FramesComeAtTheRefreshRate)
{
    ASSERT_TRUE(InitFullScreen(window));
    PresentFrame();
    LARGE_INTEGER frequency, start, end;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&start);
    constexpr int kFrames = 60;
    for (int i = 0; i < kFrames; ++i) PresentFrame();
    QueryPerformanceCounter(&end);
    const double seconds = static_cast<double>(end.QuadPart - start.QuadPart) / static_cast<double>(frequency.QuadPart);
    EXPECT_GT(seconds, (kFrames - 2) / 60.0);
    EXPECT_LT(seconds, 3.0);
}

// A failing step: the desktop is given back, then the user is told the failing
// code in a box owned by the window, with the caption "ERROR" and an OK button.
TEST_F(FullScreenTest, AFailureIsReportedInAMessageBoxAfterReleasing)
{
    currentDisplayMode = {1234, 567, 32};  // a mode no adapter offers
    std::atomic<bool> stop{false};
    std::string text;
    HWND owner = nullptr;
    bool releasedFirst = false;
    std::thread watcher([&] {
        while (!stop) {
            HWND box = FindWindowA("#32770", "ERROR");
            if (box) {
                text = MessageBoxText(box);
                owner = GetWindow(box, GW_OWNER);
                releasedFirst = directDraw == nullptr;
                PostMessageA(box, WM_COMMAND, IDOK, 0);
                return;
            }
            Sleep(20);
        }
    });
    const bool opened = InitFullScreen(window);
    stop = true;
    watcher.join();
    ASSERT_FALSE(opened);
    EXPECT_TRUE(releasedFirst);
    EXPECT_EQ(owner, window);
    ASSERT_EQ(text.rfind("Direct Draw Init Failed (", 0), 0u) << text;
    // Eight lower-case hexadecimal digits, then ")" and a line break.
    ASSERT_EQ(text.size(), std::strlen("Direct Draw Init Failed (") + 8 + 2) << text;
    EXPECT_EQ(text.substr(text.size() - 2), ")\n");
    for (size_t i = 25; i < 33; ++i) EXPECT_TRUE(std::strchr("0123456789abcdef", text[i])) << text;
    EXPECT_NE(text.substr(25, 8), "00000000");
    EXPECT_EQ(directDraw, nullptr);
    EXPECT_EQ(primarySurface, nullptr);
}

// ---- The saver run around the full screen --------------------------------------

namespace {

int CursorCount()
{
    const int shown = ShowCursor(TRUE);
    ShowCursor(FALSE);
    return shown - 1;
}

void* NoMemory(size_t) { return nullptr; }

class RunSaverTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        // A new saver window for every run, as every process has its own.
        static const bool registered = (RegisterSaverClass(GetModuleHandleA(nullptr)), true);
        ASSERT_TRUE(registered);
        ASSERT_EQ(CreateSaverWindow(GetModuleHandleA(nullptr), SW_SHOWNORMAL), 1);
        InstallDisplayAdapter();
        saverSettings = kDefaultSettings;  // Res 0: the desktop's 1024 x 768 x 32
        saverRunning = 1;
        figureAge = 0;
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        }
    }
    void TearDown() override
    {
        SetFrameAllocator(nullptr);
        ReleaseDC(saverWindow, saverDC);
        DestroyWindow(saverWindow);
        saverRunning = 1;
    }
};

}  // namespace

TEST_F(RunSaverTest, AModeTheAdapterDoesNotListEndsBeforeAnything)
{
    saverSettings.Res = 1;  // 320 x 240 x 32: not offered on this screen
    const int cursor = CursorCount();
    const SaverRunResult run = RunSaver();
    EXPECT_FALSE(run.finished);
    EXPECT_EQ(CursorCount(), cursor) << "the cursor is left alone";
    EXPECT_EQ(directDraw, nullptr);
}

TEST_F(RunSaverTest, TheLoopRunsUntilAKeyAndHandsBackItsCode)
{
    // A quit message is taken like any other, without ending the loop.
    PostThreadMessageA(GetCurrentThreadId(), WM_QUIT, 7, 0);
    PostMessageA(saverWindow, WM_KEYDOWN, 'Q', 0);
    const int cursor = CursorCount();
    const SaverRunResult run = RunSaver();
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.lastWParam, static_cast<WPARAM>('Q'));
    EXPECT_EQ(figureAge, 2) << "one frame for each message";
    EXPECT_EQ(CursorCount(), cursor - 1) << "the cursor stays hidden";
    EXPECT_EQ(directDraw, nullptr) << "the full screen is given back";
    EXPECT_EQ(framePixels, nullptr);
    ShowCursor(TRUE);
}

TEST_F(RunSaverTest, ARunStoppedDuringSetUpDrawsNoFrame)
{
    saverRunning = 0;
    const SaverRunResult run = RunSaver();
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.lastWParam, 0u);
    EXPECT_EQ(figureAge, 0);
    EXPECT_EQ(directDraw, nullptr);
    ShowCursor(TRUE);
}

// Pixels that cannot be allocated end the run cleanly with status 0.
TEST_F(RunSaverTest, AFrameBufferThatCannotBeMadeEndsTheRunCleanly)
{
    SetFrameAllocator(NoMemory);
    PostMessageA(saverWindow, WM_KEYDOWN, 'Q', 0);
    const SaverRunResult run = RunSaver();
    EXPECT_TRUE(run.finished);
    EXPECT_EQ(run.lastWParam, 0u);
    EXPECT_EQ(figureAge, 0);
    EXPECT_EQ(directDraw, nullptr);
    EXPECT_EQ(framePixels, nullptr);
    ShowCursor(TRUE);
}
