// Numbers of the program's resources, commands and dialog controls.
#pragma once

// Resources
constexpr int IDI_MAIN_ICON = 101;
constexpr int IDR_MAIN_ACCEL = 113;
constexpr int IDR_MENU = 141;
constexpr int IDR_POPUP = 142;
constexpr int IDD_SELECTDEVICE = 144;
constexpr int IDB_BANNER = 147;

// Commands (WM_COMMAND identifiers)
constexpr int IDM_CHANGEDEVICE = 40002;
constexpr int IDM_TOGGLEFULLSCREEN = 40003;
constexpr int IDM_TOGGLESTART = 40004;
constexpr int IDM_SINGLESTEP = 40005;
constexpr int IDM_EXIT = 40006;

// Controls of the device selection dialog
constexpr int IDC_DEVICE_COMBO = 1000;
constexpr int IDC_ADAPTER_COMBO = 1002;
constexpr int IDC_FULLSCREENMODES_COMBO = 1003;
constexpr int IDC_MULTISAMPLE_COMBO = 1005;
constexpr int IDC_WINDOW = 1016;
constexpr int IDC_FULLSCREEN = 1018;

// Banner picture size, pixels
constexpr int kBannerWidth = 393;
constexpr int kBannerHeight = 152;
