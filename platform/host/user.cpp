// Host stand-ins for the user-interface services: message boxes, the active window, string resources, debug output.
#include "platform/host/state.h"

#include <algorithm>
#include <deque>
#include <map>
#include <mutex>

using tolma::host::WideString;
using tolma::host::detail::HostMutex;

namespace {

struct UserState {
  std::vector<tolma::host::MessageBoxCall> boxes;
  std::deque<int> answers;
  HWND active = nullptr;
  std::vector<std::string> debug;
};

UserState& User() {
  static UserState state;
  return state;
}

// String tables by module; like a module's resources they outlive Reset.
std::map<HMODULE, std::map<UINT, WideString>>& StringTables() {
  static std::map<HMODULE, std::map<UINT, WideString>> tables;
  return tables;
}

// The answer of a box nobody scripted: its first button.
int FirstButton(UINT type) {
  switch (type & 0x0F) {
    case MB_ABORTRETRYIGNORE:
      return IDABORT;
    case MB_YESNOCANCEL:
    case MB_YESNO:
      return IDYES;
    case MB_RETRYCANCEL:
      return IDRETRY;
    default:
      return IDOK;
  }
}

}  // namespace

namespace tolma::host {
namespace detail {

void ResetUser() { User() = UserState{}; }

}  // namespace detail

std::vector<MessageBoxCall> MessageBoxes() {
  std::lock_guard lock(HostMutex());
  return User().boxes;
}

void QueueMessageBoxAnswer(int answer) {
  std::lock_guard lock(HostMutex());
  User().answers.push_back(answer);
}

void SetActiveWindowHandle(HWND window) {
  std::lock_guard lock(HostMutex());
  User().active = window;
}

std::vector<std::string> DebugOutput() {
  std::lock_guard lock(HostMutex());
  return User().debug;
}

void RegisterStringResources(HMODULE module, const std::vector<std::pair<UINT, WideString>>& strings) {
  std::lock_guard lock(HostMutex());
  auto& table = StringTables()[module];
  for (const auto& [id, text] : strings) table[id] = text;
}

}  // namespace tolma::host

extern "C" {

int WINAPI MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  std::lock_guard lock(HostMutex());
  auto& user = User();
  user.boxes.push_back({owner, tolma::host::Utf8(text), tolma::host::Utf8(caption), type});
  if (user.answers.empty()) return FirstButton(type);
  const int answer = user.answers.front();
  user.answers.pop_front();
  return answer;
}

HWND WINAPI GetActiveWindow(void) {
  std::lock_guard lock(HostMutex());
  return User().active;
}

// Copies a string of the module's table, cut to the buffer; 0 when the string does not exist.
int WINAPI LoadStringW(HINSTANCE module, UINT id, LPWSTR buffer, int bufferMax) {
  if (buffer == nullptr || bufferMax <= 0) return 0;
  buffer[0] = 0;
  std::lock_guard lock(HostMutex());
  const auto table = StringTables().find(module);
  if (table == StringTables().end()) {
    SetLastError(ERROR_MOD_NOT_FOUND);
    return 0;
  }
  const auto it = table->second.find(id);
  if (it == table->second.end()) {
    SetLastError(ERROR_NOT_FOUND);
    return 0;
  }
  const size_t n = std::min<size_t>(it->second.size(), static_cast<size_t>(bufferMax) - 1);
  std::copy_n(it->second.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<int>(n);
}

void WINAPI OutputDebugStringW(LPCWSTR text) {
  std::lock_guard lock(HostMutex());
  User().debug.push_back(tolma::host::Utf8(text));
}

}  // extern "C"
