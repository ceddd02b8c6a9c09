// Conversion to the ANSI code page, checked by converting back.
#include "ui/tools/code_page.h"

#include "common/wide.h"

#include <utility>

namespace tolma::ui {

bool ToAnsiCodePage(const WCHAR* text, std::string& out) {
  out.clear();
  if (text == nullptr) return false;
  // Both lengths include the terminating zero.
  const int bytes = WideCharToMultiByte(CP_ACP, 0, text, -1, nullptr, 0, nullptr, nullptr);
  if (bytes <= 0) return false;
  std::string converted(static_cast<size_t>(bytes), '\0');
  if (WideCharToMultiByte(CP_ACP, 0, text, -1, converted.data(), bytes, nullptr, nullptr) != bytes) return false;

  const int units = MultiByteToWideChar(CP_ACP, 0, converted.data(), -1, nullptr, 0);
  if (units <= 0) return false;
  WString back(static_cast<size_t>(units), 0);
  if (MultiByteToWideChar(CP_ACP, 0, converted.data(), -1, back.data(), units) != units) return false;
  back.resize(static_cast<size_t>(units) - 1);
  if (back != WStringView(text)) return false;  // a character the code page replaced or approximated

  converted.resize(static_cast<size_t>(bytes) - 1);
  out = std::move(converted);
  return true;
}

}  // namespace tolma::ui
