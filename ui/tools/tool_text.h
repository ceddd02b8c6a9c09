// Texts of the printer tools: the system's single-byte code page the printer and the reply monitor take, and the
// texts of dialog controls.
#pragma once

#include "common/wide.h"
#include "platform/win32.h"

#include <cstdint>
#include <span>
#include <string>
#include <string_view>

namespace tolma::ui {

// A text in the system's single-byte code page (characters it lacks become "?").
std::string SystemCodePageText(WStringView text);

// Bytes of the system's single-byte code page as UTF-16, up to the first zero byte.
WString WideFromSystemCodePage(std::span<const uint8_t> bytes);
WString WideFromSystemCodePage(std::string_view bytes);

// The whole text of a dialog control (empty when there is no such control).
WString ItemText(HWND dialog, int id);

// Sets a control's text from UTF-16 or from single-byte code page bytes (up to their first zero byte).
void SetItemText(HWND dialog, int id, WStringView text);
void SetItemBytes(HWND dialog, int id, std::string_view bytes);

// Sets a control's text from a string of the string table (an empty text when the table lacks it).
void SetItemString(HWND dialog, int id, UINT stringId);

}  // namespace tolma::ui
