#include "display/video_modes_win32.h"

#include <windows.h>

#include "app/saver_window_win32.h"
#include "display/video_modes.h"

namespace {

// The record's layout without the two panning fields.
constexpr WORD kDevModeSize = 148;

DEVMODEA listedModeRecord;

void DesktopMode(int& bitsPerPixel, int& width, int& height)
{
    bitsPerPixel = GetDeviceCaps(saverDC, BITSPIXEL);
    width = GetDeviceCaps(saverDC, HORZRES);
    height = GetDeviceCaps(saverDC, VERTRES);
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

void InstallDisplayAdapter() { SetDisplayAdapter(&windowsAdapter); }
