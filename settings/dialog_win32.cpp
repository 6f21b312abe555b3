#include "settings/dialog_win32.h"

#include <shellapi.h>

#include "display/video_modes.h"
#include "settings/persistence.h"

namespace {

constexpr int kVideoModeList = 1031;
constexpr int kLightingCheck = 1033;
constexpr int kColourCheck = 1034;
constexpr int kMailButton = 1026;
constexpr int kWebButton = 1029;

constexpr const char* kMailTarget = "mailto:info@quorvane.example";
constexpr const char* kWebTarget = "http://www.quorvane.example/";

// A scroll bar, the setting it steps and the static that shows the value, in the
// order in which the dialog initialises them and looks up the sender of a click.
struct SteppingPair {
    int scrollBarId;
    int valueTextId;
    BoundedSetting SaverSettings::*setting;
};

constexpr SteppingPair kSteppingPairs[] = {
    {1008, 1018, &SaverSettings::Quality},
    {1021, 1022, &SaverSettings::Zoom},
    {1024, 1023, &SaverSettings::LifeTimeOneFig},
    {1028, 1035, &SaverSettings::Brightness},
    {1027, 1032, &SaverSettings::IntensityDeformation},
    {1030, 1036, &SaverSettings::CountNotReplay},
};

void ShowValue(HWND dialog, int valueTextId, int16_t value)
{
    SetDlgItemInt(dialog, valueTextId, static_cast<UINT>(static_cast<int>(value)), TRUE);
}

void InitDialog(HWND dialog)
{
    const HWND list = GetDlgItem(dialog, kVideoModeList);
    for (const VideoModeEntry& entry : VideoModeTable)
        SendMessageA(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(entry.label));
    // An index outside the list (a hand-edited Res) leaves it without a selection.
    SendMessageA(list, CB_SETCURSEL, static_cast<WPARAM>(static_cast<int>(saverSettings.Res)), 0);

    CheckDlgButton(dialog, kLightingCheck, saverSettings.on3D ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, kColourCheck, saverSettings.onColor ? BST_CHECKED : BST_UNCHECKED);

    // The scroll bars keep no position: they serve only as pairs of arrow buttons.
    for (const SteppingPair& pair : kSteppingPairs) {
        const BoundedSetting& setting = saverSettings.*pair.setting;
        ShowValue(dialog, pair.valueTextId, setting.value);
        SetScrollRange(GetDlgItem(dialog, pair.scrollBarId), SB_CTL, setting.min, setting.max, FALSE);
    }
}

void OnArrowClick(HWND dialog, int scrollCode, HWND scrollBar)
{
    if (scrollCode != SB_LINELEFT && scrollCode != SB_LINERIGHT) return;
    for (const SteppingPair& pair : kSteppingPairs) {
        if (GetDlgItem(dialog, pair.scrollBarId) != scrollBar) continue;
        BoundedSetting& setting = saverSettings.*pair.setting;
        StepSetting(dialog, scrollCode, pair.valueTextId, setting, setting.min, setting.max, setting.step);
        return;
    }
}

void OnVideoModeChange(HWND dialog)
{
    const HWND list = GetDlgItem(dialog, kVideoModeList);
    const int index = static_cast<int>(SendMessageA(list, CB_GETCURSEL, 0, 0));
    if (SelectDisplayMode(static_cast<int16_t>(index))) return;
    MessageBoxA(dialog, "Данный видеорежим не поддерживается Вашей системой", "Внимание!", MB_OK);
    // Selecting by message raises no CBN_SELCHANGE, so item 0 is not checked again.
    SendMessageA(list, CB_SETCURSEL, 0, 0);
}

void StoreAndClose(HWND dialog)
{
    const int res = static_cast<int>(SendDlgItemMessageA(dialog, kVideoModeList, CB_GETCURSEL, 0, 0));
    const int on3D = IsDlgButtonChecked(dialog, kLightingCheck) == BST_CHECKED ? 1 : 0;
    const int onColor = IsDlgButtonChecked(dialog, kColourCheck) == BST_CHECKED ? 1 : 0;
    SaveSettings(res, on3D, onColor);
    EndDialog(dialog, IDOK);
}

INT_PTR OnCommand(HWND dialog, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        StoreAndClose(dialog);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case kMailButton:
        ShellExecuteA(nullptr, nullptr, kMailTarget, nullptr, nullptr, SW_SHOWNORMAL);
        return 0;
    case kWebButton:
        ShellExecuteA(nullptr, nullptr, kWebTarget, nullptr, nullptr, SW_HIDE);
        return 0;
    case kVideoModeList:
        if (HIWORD(wParam) == CBN_SELCHANGE) OnVideoModeChange(dialog);
        return 0;
    default:
        return 0;
    }
}

}  // namespace

void StepSetting(HWND dialog, int scrollCode, int valueTextId, BoundedSetting& setting, int16_t min,
                 int16_t max, int16_t step)
{
    const BoundedSetting bounds = {setting.value, min, max, step};
    if (scrollCode == SB_LINERIGHT) setting.value = SteppedValue(bounds, StepDirection::Right);
    if (scrollCode == SB_LINELEFT) setting.value = SteppedValue(bounds, StepDirection::Left);
    ShowValue(dialog, valueTextId, setting.value);
}

INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(dialog);
        return TRUE;  // the focus goes to the first tab stop, scroll bar 1008
    case WM_HSCROLL:
        OnArrowClick(dialog, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_COMMAND:
        return OnCommand(dialog, wParam);
    default:
        return 0;
    }
}
