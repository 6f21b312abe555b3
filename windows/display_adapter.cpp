#include "windows/display_adapter.h"

#include <windows.h>

#include "windows/rules/video_modes.h"

namespace {

// The record's layout without the two panning fields.
constexpr WORD kDevModeSize = 148;

DEVMODEA listedModeRecord;

// The desktop's mode as the screen's device context tells it.
void DesktopMode(int& bitsPerPixel, int& width, int& height)
{
    HDC screen = GetDC(nullptr);
    bitsPerPixel = GetDeviceCaps(screen, BITSPIXEL);
    width = GetDeviceCaps(screen, HORZRES);
    height = GetDeviceCaps(screen, VERTRES);
    ReleaseDC(nullptr, screen);
}

bool ListedMode(int number, int& bitsPerPixel, int& width, int& height)
{
    // One record for the whole scan, cleared before its first mode.
    if (number == 0) {
        ZeroMemory(&listedModeRecord, sizeof listedModeRecord);
        listedModeRecord.dmSize = kDevModeSize;
        listedModeRecord.dmDriverExtra = 0;
    }
    if (!EnumDisplaySettingsA(nullptr, static_cast<DWORD>(number), &listedModeRecord)) return false;
    bitsPerPixel = static_cast<int>(listedModeRecord.dmBitsPerPel);
    width = static_cast<int>(listedModeRecord.dmPelsWidth);
    height = static_cast<int>(listedModeRecord.dmPelsHeight);
    return true;
}

const DisplayAdapter windowsAdapter = {DesktopMode, ListedMode};

}  // namespace

const DisplayAdapter& WindowsDisplayAdapter() { return windowsAdapter; }
