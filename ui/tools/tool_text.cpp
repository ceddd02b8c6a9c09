// Texts of the printer tools: code-page conversions and control texts.
#include "ui/tools/tool_text.h"

#include "ui/ui_state.h"

#include <vector>

namespace tolma::ui {

std::string SystemCodePageText(WStringView text) {
  if (text.empty()) return {};
  const int wide = static_cast<int>(text.size());
  const int needed = WideCharToMultiByte(CP_ACP, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
  if (needed <= 0) return {};
  std::string out(static_cast<size_t>(needed), '\0');
  const int written = WideCharToMultiByte(CP_ACP, 0, text.data(), wide, out.data(), needed, nullptr, nullptr);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}

WString WideFromSystemCodePage(std::span<const uint8_t> bytes) {
  size_t n = 0;
  while (n < bytes.size() && bytes[n] != 0) ++n;
  if (n == 0) return {};
  const auto* text = reinterpret_cast<const char*>(bytes.data());
  const int count = static_cast<int>(n);
  const int needed = MultiByteToWideChar(CP_ACP, 0, text, count, nullptr, 0);
  if (needed <= 0) return {};
  WString out(static_cast<size_t>(needed), 0);
  const int written = MultiByteToWideChar(CP_ACP, 0, text, count, out.data(), needed);
  out.resize(written > 0 ? static_cast<size_t>(written) : 0);
  return out;
}

WString WideFromSystemCodePage(std::string_view bytes) {
  return WideFromSystemCodePage(std::span(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

WString ItemText(HWND dialog, int id) {
  HWND item = GetDlgItem(dialog, id);
  if (item == nullptr) return {};
  const int length = GetWindowTextLengthW(item);
  if (length <= 0) return {};
  std::vector<WCHAR> text(static_cast<size_t>(length) + 1, 0);
  const int got = GetWindowTextW(item, text.data(), length + 1);
  return WString(text.data(), got > 0 ? static_cast<size_t>(got) : 0);
}

void SetItemText(HWND dialog, int id, WStringView text) {
  const WString copy(text);
  SetDlgItemTextW(dialog, id, copy.c_str());
}

void SetItemBytes(HWND dialog, int id, std::string_view bytes) {
  SetItemText(dialog, id, WideFromSystemCodePage(bytes));
}

void SetItemString(HWND dialog, int id, UINT stringId) {
  WCHAR text[256] = {};
  LoadStringW(State().module, stringId, text, 256);
  SetDlgItemTextW(dialog, id, text);
}

}  // namespace tolma::ui
