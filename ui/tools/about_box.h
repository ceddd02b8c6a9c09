// The About box: the device name, the driver's version and the logo "tlmlogov.bmp" installed beside the driver.
#pragma once

#include "common/wide.h"
#include "platform/win32.h"

namespace tolma::ui {

inline constexpr const WCHAR* kDriverVersion = TOLMA_WIDE("4.00.03");
inline constexpr UINT kStrLogoFile = 2107;  // "tlmlogov.bmp"
// Where the logo is painted, in client pixels: stretched into 78 x 54 at (11, 14).
inline constexpr RECT kLogoArea{11, 14, 11 + 78, 14 + 54};

// The logo's path: the logo file name (string 2107) in the directory of the printer driver's main file, for the
// printer of the device sheet (else the current printer). Empty when the printer or its driver cannot be read.
WString LogoPath();

// Loads the logo as a DIB section; nullptr when there is no printer, driver directory or picture.
HBITMAP LoadLogo();

// The dialog procedure of template 102; it ends with IDOK or IDCANCEL.
INT_PTR CALLBACK AboutProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs the About box.
INT_PTR RunAboutBox(HWND owner);

}  // namespace tolma::ui
