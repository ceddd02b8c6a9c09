// Host stand-ins for message boxes and the active window: boxes are recorded and answered by the scripted user,
// then by queued answers, then by their first button.
#include "platform/host/state.h"
#include "platform/host/user/user_state.h"

#include <deque>
#include <mutex>

using tolma::host::detail::HostMutex;

namespace {

struct BoxState {
  std::vector<tolma::host::MessageBoxCall> boxes;
  std::deque<int> answers;
  HWND active = nullptr;
};

BoxState& Boxes() {
  static BoxState state;
  return state;
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

// Whether a box of that type has the button.
bool HasButton(UINT type, int button) {
  switch (type & 0x0F) {
    case MB_OK:
      return button == IDOK;
    case MB_OKCANCEL:
      return button == IDOK || button == IDCANCEL;
    case MB_ABORTRETRYIGNORE:
      return button == IDABORT || button == IDRETRY || button == IDIGNORE;
    case MB_YESNOCANCEL:
      return button == IDYES || button == IDNO || button == IDCANCEL;
    case MB_YESNO:
      return button == IDYES || button == IDNO;
    case MB_RETRYCANCEL:
      return button == IDRETRY || button == IDCANCEL;
    default:
      return true;
  }
}

}  // namespace

namespace tolma::host {
namespace detail {

void ResetMessageBoxes() { Boxes() = BoxState{}; }

}  // namespace detail

std::vector<MessageBoxCall> MessageBoxes() {
  std::lock_guard lock(HostMutex());
  return Boxes().boxes;
}

void QueueMessageBoxAnswer(int answer) {
  std::lock_guard lock(HostMutex());
  Boxes().answers.push_back(answer);
}

void SetActiveWindowHandle(HWND window) {
  std::lock_guard lock(HostMutex());
  Boxes().active = window;
}

}  // namespace tolma::host

extern "C" {

int WINAPI MessageBoxW(HWND owner, LPCWSTR text, LPCWSTR caption, UINT type) {
  std::lock_guard lock(HostMutex());
  BoxState& state = Boxes();
  state.boxes.push_back({owner, tolma::host::Utf8(text), tolma::host::Utf8(caption), type});
  using Kind = tolma::host::detail::UserAction::Kind;
  if (auto action = tolma::host::detail::TakeActionOf(Kind::AnswerMessageBox)) {
    if (HasButton(type, action->value)) return action->value;
    tolma::host::detail::ReportUserFailure("the message box \"" + state.boxes.back().text + "\" has no button " +
                                           std::to_string(action->value));
    return FirstButton(type);
  }
  if (state.answers.empty()) return FirstButton(type);
  const int answer = state.answers.front();
  state.answers.pop_front();
  return answer;
}

// The innermost running dialog, else the window the test set.
HWND WINAPI GetActiveWindow(void) {
  std::lock_guard lock(HostMutex());
  if (tolma::host::detail::Window* dialog = tolma::host::detail::RunningDialog()) return dialog->handle();
  return Boxes().active;
}

}  // extern "C"
