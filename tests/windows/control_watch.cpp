// The control-id watch over the system's own user functions.
#include "tests/windows/control_watch.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <algorithm>
#include <mutex>

namespace tolma::wincheck {
namespace {

std::mutex watchLock;
std::vector<ControlUse> uses;

// Notes that the DLL asked dialog `dialog` for control `id`, and whether the dialog has it. A null window (a call
// made before the dialog exists or after it is gone) is not a dialog and is left to the system.
void Note(HWND dialog, int id) {
  if (dialog == nullptr || !IsWindow(dialog)) return;
  char title[256] = {};
  GetWindowTextA(dialog, title, sizeof title);
  const bool present = GetDlgItem(dialog, id) != nullptr;
  const std::lock_guard<std::mutex> hold(watchLock);
  auto entry = std::find_if(uses.begin(), uses.end(), [&](const ControlUse& u) { return u.dialog == title; });
  if (entry == uses.end()) entry = uses.insert(uses.end(), ControlUse{title, {}, {}});
  auto insert = [id](std::vector<int>& ids) {
    auto at = std::lower_bound(ids.begin(), ids.end(), id);
    if (at == ids.end() || *at != id) ids.insert(at, id);
  };
  insert(entry->used);
  if (!present) insert(entry->lacking);
}

HWND WINAPI WatchGetDlgItem(HWND dialog, int id) {
  Note(dialog, id);
  return GetDlgItem(dialog, id);
}

LRESULT WINAPI WatchSendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  Note(dialog, id);
  return SendDlgItemMessageW(dialog, id, message, wParam, lParam);
}

BOOL WINAPI WatchSetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  Note(dialog, id);
  return SetDlgItemTextW(dialog, id, text);
}

UINT WINAPI WatchGetDlgItemTextW(HWND dialog, int id, LPWSTR text, int size) {
  Note(dialog, id);
  return GetDlgItemTextW(dialog, id, text, size);
}

BOOL WINAPI WatchCheckDlgButton(HWND dialog, int id, UINT check) {
  Note(dialog, id);
  return CheckDlgButton(dialog, id, check);
}

UINT WINAPI WatchIsDlgButtonChecked(HWND dialog, int id) {
  Note(dialog, id);
  return IsDlgButtonChecked(dialog, id);
}

BOOL WINAPI WatchCheckRadioButton(HWND dialog, int first, int last, int check) {
  Note(dialog, first);
  Note(dialog, last);
  Note(dialog, check);
  return CheckRadioButton(dialog, first, last, check);
}

template <typename Fn>
void* Address(Fn* function) {
  return reinterpret_cast<void*>(reinterpret_cast<void (*)()>(function));
}

// clang-format off
const Redirect kWatch[] = {
    {"USER32.dll", "GetDlgItem", Address(&WatchGetDlgItem)},
    {"USER32.dll", "SendDlgItemMessageW", Address(&WatchSendDlgItemMessageW)},
    {"USER32.dll", "SetDlgItemTextW", Address(&WatchSetDlgItemTextW)},
    {"USER32.dll", "GetDlgItemTextW", Address(&WatchGetDlgItemTextW)},
    {"USER32.dll", "CheckDlgButton", Address(&WatchCheckDlgButton)},
    {"USER32.dll", "IsDlgButtonChecked", Address(&WatchIsDlgButtonChecked)},
    {"USER32.dll", "CheckRadioButton", Address(&WatchCheckRadioButton)},
};
// clang-format on

}  // namespace

std::span<const Redirect> ControlWatchRedirects() { return kWatch; }

std::vector<ControlUse> ControlUses() {
  const std::lock_guard<std::mutex> hold(watchLock);
  return uses;
}

}  // namespace tolma::wincheck
