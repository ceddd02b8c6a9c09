// DomaUI's message box: caption and text from the string table.
#pragma once

#include "platform/win32.h"

namespace tolma::ui {

inline constexpr int kCaptionChars = 32;
inline constexpr int kMessageChars = 256;

// Shows a message box owned by the active window, with the caption (at most 32 characters) and the text (at
// most 256) loaded from the string table; returns the button that closed it.
int ShowStringMessage(UINT captionId, UINT textId, UINT type);

}  // namespace tolma::ui
