// Resource and control IDs of Velmora.scr, shared by the resource script, the
// program and its tests.
#pragma once

#define IDI_VELMORA 104     // the window class's icon
#define IDS_SAVER_NAME 1    // the name Windows lists for the screen saver

// The settings dialog and its controls. Each bounded setting has an arrow-only
// scroll bar (_ARROWS) and a static that shows its value (_VALUE).
#define IDD_SETTINGS 112
#define IDC_QUALITY_ARROWS 1008
#define IDC_QUALITY_VALUE 1018
#define IDC_ZOOM_ARROWS 1021
#define IDC_ZOOM_VALUE 1022
#define IDC_LIFETIME_VALUE 1023
#define IDC_LIFETIME_ARROWS 1024
#define IDC_MAIL_BUTTON 1026
#define IDC_INTENSITY_ARROWS 1027
#define IDC_BRIGHTNESS_ARROWS 1028
#define IDC_WEB_BUTTON 1029
#define IDC_NOT_REPLAY_ARROWS 1030
#define IDC_VIDEO_MODE_LIST 1031
#define IDC_INTENSITY_VALUE 1032
#define IDC_LIGHTING_CHECK 1033
#define IDC_COLOUR_CHECK 1034
#define IDC_BRIGHTNESS_VALUE 1035
#define IDC_NOT_REPLAY_VALUE 1036
