// Texts in the system's single-byte (ANSI) code page, for the reply monitor's transfer requests.
#pragma once

#include "platform/win32.h"

#include <string>

namespace tolma::ui {

// Converts a zero-terminated text to the system's ANSI code page. False (and `out` empty) when the text cannot be
// converted, or not without loss: a name the code page cannot spell must not reach the monitor as another name.
bool ToAnsiCodePage(const WCHAR* text, std::string& out);

}  // namespace tolma::ui
