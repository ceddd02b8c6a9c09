// "Hologram Overlay Varnish" (110): hologram lamination outside a print job, its area, copies and head settings.
#pragma once

#include "common/wide.h"
#include "platform/win32.h"

#include <cstdint>
#include <optional>

namespace tolma::ui {

// The "Copies" text as a number: decimal digits only (nothing for an empty or other text); values beyond the field's
// range are taken as 65535, which printing then refuses.
std::optional<uint16_t> ParseCopiesText(WStringView text);

// The dialog procedure of template 110; the dialog edits the private part of the DEVMODE being edited at once and
// ends with 1 when anything was changed, 0 otherwise.
INT_PTR CALLBACK HologramProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs "Hologram Overlay Varnish" for the DEVMODE being edited.
INT_PTR RunHologram(HWND owner);

}  // namespace tolma::ui
