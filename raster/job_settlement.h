// The settlement of a job's settings at its first page: what the printer reports overrides the DEVMODE.
#pragma once

#include "common/devmode.h"

#include <cstdint>
#include <string_view>

namespace tolma {

// What the model and ribbon cache tells of the printer: its ribbon code (0 when unknown) and its model text
// (empty when unknown).
struct PrinterReport {
  int32_t ribbonCode = 0;
  std::string_view model;
};

// Settles the job's settings in `priv` at the first page of a document. An encode-only job loses its back.
// Unless the ribbon is fixed (`fixedRibbon` set, and `printer` is then not consulted): the reported ribbon
// becomes `ribbonType`, a two-sided mode the ribbon does not offer becomes 0, a model without two-sided
// printing makes the job one-sided, the rotation is normalised for the sides left, and the printing mode
// becomes 0 without an encoder and when it is 2 or more. Returns false when the page must be refused: no
// ribbon is installed and the job prints (`priv` is then settled up to the ribbon type).
bool SettleFirstPage(PrivateDevmode& priv, const PrinterReport& printer);

// From the job header on, a fixed ribbon's type is the one the panels are composed for: replaces `ribbonType`
// by the fixed list's ribbon when `fixedRibbon` is set.
void SettleFixedRibbon(PrivateDevmode& priv);

}  // namespace tolma
