// DomaUI's string table: ids of the strings the code loads, and the table itself.
#pragma once

#include "platform/win32.h"

#include <span>

namespace tolma::ui {

// String ids used by name in the code.
inline constexpr UINT kStrHelpFile = 200;      // "Doma.hlp"
inline constexpr UINT kStrProductName = 2009;  // "Tolma Q47x Card Printer", the caption of every message
inline constexpr UINT kStrPaperName = 2017;    // "86mmx54mm Card"
inline constexpr UINT kStrBinName = 2018;      // "Card Feeder"
inline constexpr UINT kStrSystemError = 2019;  // "System Error"

struct StringResource {
  UINT id;
  const WCHAR* text;
};

// Every string of the table, in id order.
std::span<const StringResource> StringTable();

// The text of a string id, or nullptr when the table has no such string.
const WCHAR* StringText(UINT id);

#ifndef _WIN32
// Gives `module` its resources on the host: the string table for LoadStringW, and the compiled resource script
// (dialog templates) for DialogBoxParamW. On Windows the linker puts them into the DLL.
void RegisterHostResources(HMODULE module);
#endif

}  // namespace tolma::ui
