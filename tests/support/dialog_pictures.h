// Dialog pictures for people: a dialog's painted client area written as a PNG, with its controls outlined.
#pragma once

#include "platform/host/user/dialog_host.h"

#include <string>

namespace tolma::test {

// Writes the view's client area as an RGB PNG; with `outlines` the controls are drawn over it as frames (group
// boxes, buttons, edits), bars (labels, in proportion to their text) and trackbars with their thumbs; disabled
// controls in a lighter grey. False when the file cannot be written.
bool WriteDialogPng(const host::DialogView& view, const std::string& path, bool outlines = true);

// Writes the picture as NAME.png into the folder that TOLMA_DIALOG_PNG_DIR names; nothing when it is not set.
// Returns the path written, or an empty text.
std::string SaveDialogPicture(const host::DialogView& view, const std::string& name);

}  // namespace tolma::test
