#include "windows/dialog.h"

#include <shellapi.h>

#include "windows/display_adapter.h"
#include "windows/resources/resource_ids.h"
#include "core/settings/persistence.h"
#include "windows/registry.h"
#include "core/settings/settings.h"

namespace {

constexpr int kVideoModeList = IDC_VIDEO_MODE_LIST;
constexpr int kLightingCheck = IDC_LIGHTING_CHECK;
constexpr int kColourCheck = IDC_COLOUR_CHECK;

constexpr const wchar_t* kMailTarget = L"mailto:info@quorvane.example";
constexpr const wchar_t* kWebTarget = L"http://www.quorvane.example/";

// The dialog's texts are UTF-16 throughout, so they read right whatever the
// system's ANSI code page.
static_assert(sizeof(wchar_t) == sizeof(char16_t));
const wchar_t* Wide(const char16_t* text) { return reinterpret_cast<const wchar_t*>(text); }

// A scroll bar, the setting it steps and the static that shows the value, in the
// order in which the dialog initialises them and looks up the sender of a click.
struct SteppingPair {
    int scrollBarId;
    int valueTextId;
    BoundedSetting SaverSettings::*setting;
};

constexpr SteppingPair kSteppingPairs[] = {
    {IDC_QUALITY_ARROWS, IDC_QUALITY_VALUE, &SaverSettings::Quality},
    {IDC_ZOOM_ARROWS, IDC_ZOOM_VALUE, &SaverSettings::Zoom},
    {IDC_LIFETIME_ARROWS, IDC_LIFETIME_VALUE, &SaverSettings::LifeTimeOneFig},
    {IDC_BRIGHTNESS_ARROWS, IDC_BRIGHTNESS_VALUE, &SaverSettings::Brightness},
    {IDC_INTENSITY_ARROWS, IDC_INTENSITY_VALUE, &SaverSettings::IntensityDeformation},
    {IDC_NOT_REPLAY_ARROWS, IDC_NOT_REPLAY_VALUE, &SaverSettings::CountNotReplay},
};

void ShowValue(HWND dialog, int valueTextId, int16_t value)
{
    SetDlgItemInt(dialog, valueTextId, static_cast<UINT>(static_cast<int>(value)), TRUE);
}

void InitDialog(HWND dialog, const SaverSettings& settings)
{
    const HWND list = GetDlgItem(dialog, kVideoModeList);
    for (const VideoModeEntry& entry : VideoModeTable)
        SendMessageW(list, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(Wide(entry.label)));
    // An index outside the list (a hand-edited Res) leaves it without a selection.
    SendMessageW(list, CB_SETCURSEL, static_cast<WPARAM>(static_cast<int>(settings.Res)), 0);

    CheckDlgButton(dialog, kLightingCheck, settings.on3D ? BST_CHECKED : BST_UNCHECKED);
    CheckDlgButton(dialog, kColourCheck, settings.onColor ? BST_CHECKED : BST_UNCHECKED);

    // The scroll bars keep no position: they serve only as pairs of arrow buttons.
    for (const SteppingPair& pair : kSteppingPairs) {
        const BoundedSetting& setting = settings.*pair.setting;
        ShowValue(dialog, pair.valueTextId, setting.value);
        SetScrollRange(GetDlgItem(dialog, pair.scrollBarId), SB_CTL, setting.min, setting.max, FALSE);
    }
}

// One arrow click: moves setting by step within min..max (SB_LINERIGHT up,
// SB_LINELEFT down) and always rewrites the value text valueTextId.
void StepSetting(HWND dialog, int scrollCode, int valueTextId, BoundedSetting& setting, int16_t min, int16_t max,
                 int16_t step)
{
    const BoundedSetting bounds = {setting.value, min, max, step};
    if (scrollCode == SB_LINERIGHT) setting.value = SteppedValue(bounds, StepDirection::Right);
    if (scrollCode == SB_LINELEFT) setting.value = SteppedValue(bounds, StepDirection::Left);
    ShowValue(dialog, valueTextId, setting.value);
}

void OnArrowClick(HWND dialog, SaverSettings& settings, int scrollCode, HWND scrollBar)
{
    if (scrollCode != SB_LINELEFT && scrollCode != SB_LINERIGHT) return;
    for (const SteppingPair& pair : kSteppingPairs) {
        if (GetDlgItem(dialog, pair.scrollBarId) != scrollBar) continue;
        BoundedSetting& setting = settings.*pair.setting;
        StepSetting(dialog, scrollCode, pair.valueTextId, setting, setting.min, setting.max, setting.step);
        return;
    }
}

void OnVideoModeChange(HWND dialog)
{
    const HWND list = GetDlgItem(dialog, kVideoModeList);
    const int index = static_cast<int>(SendMessageW(list, CB_GETCURSEL, 0, 0));
    DisplayMode mode = {0, 0, 0};
    if (SelectDisplayMode(WindowsDisplayAdapter(), static_cast<int16_t>(index), mode)) return;
    MessageBoxW(dialog, L"Данный видеорежим не поддерживается Вашей системой", L"Внимание!", MB_OK);
    // Selecting by message raises no CBN_SELCHANGE, so item 0 is not checked again.
    SendMessageW(list, CB_SETCURSEL, 0, 0);
}

void StoreAndClose(HWND dialog, const SaverSettings& settings)
{
    const int res = static_cast<int>(SendDlgItemMessageW(dialog, kVideoModeList, CB_GETCURSEL, 0, 0));
    const int on3D = IsDlgButtonChecked(dialog, kLightingCheck) == BST_CHECKED ? 1 : 0;
    const int onColor = IsDlgButtonChecked(dialog, kColourCheck) == BST_CHECKED ? 1 : 0;
    SaveSettings(WindowsRegistry(), settings, res, on3D, onColor);
    EndDialog(dialog, IDOK);
}

INT_PTR OnCommand(HWND dialog, const SaverSettings& settings, WPARAM wParam)
{
    switch (LOWORD(wParam)) {
    case IDOK:
        StoreAndClose(dialog, settings);
        return TRUE;
    case IDCANCEL:
        EndDialog(dialog, IDCANCEL);
        return TRUE;
    case IDC_MAIL_BUTTON:
        ShellExecuteW(nullptr, nullptr, kMailTarget, nullptr, nullptr, SW_SHOWNORMAL);
        return 0;
    case IDC_WEB_BUTTON:
        ShellExecuteW(nullptr, nullptr, kWebTarget, nullptr, nullptr, SW_HIDE);
        return 0;
    case kVideoModeList:
        if (HIWORD(wParam) == CBN_SELCHANGE) OnVideoModeChange(dialog);
        return 0;
    default:
        return 0;
    }
}

}  // namespace

// The settings the dialog shows and edits come as the creation parameter.
INT_PTR CALLBACK SettingsDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) SetWindowLongPtrW(dialog, DWLP_USER, lParam);
    auto* settings = reinterpret_cast<SaverSettings*>(GetWindowLongPtrW(dialog, DWLP_USER));
    if (!settings) return 0;
    switch (message) {
    case WM_INITDIALOG:
        InitDialog(dialog, *settings);
        return TRUE;  // the focus goes to the first tab stop, the Quality arrows
    case WM_HSCROLL:
        OnArrowClick(dialog, *settings, LOWORD(wParam), reinterpret_cast<HWND>(lParam));
        return 0;
    case WM_COMMAND:
        return OnCommand(dialog, *settings, wParam);
    default:
        return 0;
    }
}
