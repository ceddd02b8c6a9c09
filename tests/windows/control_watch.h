// Watching the control ids a DLL's dialog procedures use: the DLL's imports of the id-taking user functions are
// routed through wrappers that call the system's own and note every id asked of a dialog that has no such control.
// Plain C++ types only, so that code built over the host layer's declarations can use it.
#pragma once

#include "tests/windows/dll_imports.h"

#include <span>
#include <string>
#include <vector>

namespace tolma::wincheck {

// The USER32 imports to route through the watch (GetDlgItem, SendDlgItemMessageW, SetDlgItemTextW and the rest).
std::span<const Redirect> ControlWatchRedirects();

struct ControlUse {
  std::string dialog;        // the dialog window's title
  std::vector<int> used;     // the control ids the DLL asked of it, ascending
  std::vector<int> lacking;  // those of them the dialog has no control for
};

// What the watch has seen since the program started, one entry a dialog title, in the order first seen.
std::vector<ControlUse> ControlUses();

}  // namespace tolma::wincheck
