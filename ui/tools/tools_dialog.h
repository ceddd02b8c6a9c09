// "Tools": the printer's maintenance panel (free commands, test cards, cleaning, print offsets, direct encoding,
// file sending), talking to the printer through the printer link.
#pragma once

#include "platform/win32.h"

namespace tolma::ui {

inline constexpr INT_PTR kToolsClosed = 1605;

// The dialog procedure of template 112; it ends with 1605.
INT_PTR CALLBACK ToolsProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs "Tools" for the printer of the link's printer information.
INT_PTR RunToolsDialog(HWND owner);

}  // namespace tolma::ui
