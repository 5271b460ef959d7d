// Resource numbers of the desktop program: control ids and the menu command.
#pragma once

namespace tarnwick {

// The standard buttons' ids.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;
// The id of static texts, group boxes and the icon, which nobody addresses.
inline constexpr int IDC_STATIC = -1;

inline constexpr int IDC_DOWNLOAD = 1000;
inline constexpr int IDC_CONVERT = 1001;
inline constexpr int IDC_INPUT_FILE = 1002;
inline constexpr int IDC_OUTPUT_ORBITS = 1003;
inline constexpr int IDC_OUTPUT_INFO = 1004;
inline constexpr int IDC_DOWNLOAD_MIRROR = 1005;
inline constexpr int IDC_BROWSE_INPUT = 1286;
inline constexpr int IDC_BROWSE_OUTPUT = 1287;

/// The about entry of the window menu.
inline constexpr unsigned IDM_ABOUTBOX = 0x0010;

}  // namespace tarnwick
