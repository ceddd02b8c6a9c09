// Where DomaUI.dll's spooler and registry imports go in the check programs: to the host layer compiled in.
#pragma once

#include "tests/windows/dll_imports.h"

#include <span>

namespace tolma::wincheck {

// Every WINSPOOL.DRV and ADVAPI32.dll function DomaUI.dll imports, routed to the host layer's.
std::span<const Redirect> UiHostRoutes();

// The DLLs whose every import must be among UiHostRoutes.
std::span<const char* const> UiHostDlls();

}  // namespace tolma::wincheck
