// Host stand-ins for the file-open dialog (answered by the scripted user), WinHelp (recorded) and the common
// controls' class registration.
#include "platform/host/state.h"
#include "platform/host/user/user_state.h"

#include <mutex>

using tolma::host::WideString;
using tolma::host::detail::HostMutex;
using tolma::host::detail::UserAction;

namespace {

struct CommonDialogState {
  std::vector<tolma::host::FileDialogCall> files;
  std::vector<tolma::host::HelpCall> help;
  DWORD extendedError = 0;
  DWORD classes = 0;
};

CommonDialogState& Common() {
  static CommonDialogState state;
  return state;
}

std::string Utf8OrEmpty(LPCWSTR text) { return text ? tolma::host::Utf8(text) : std::string(); }

// The (description, patterns) pairs of a filter: NUL-separated texts ending with an empty one.
std::vector<std::pair<std::string, std::string>> FilterPairs(LPCWSTR filter) {
  std::vector<std::pair<std::string, std::string>> pairs;
  if (filter == nullptr) return pairs;
  for (const WCHAR* p = filter; *p != 0;) {
    const std::string description = tolma::host::Utf8(p);
    while (*p != 0) ++p;
    ++p;
    const std::string patterns = tolma::host::Utf8(p);
    while (*p != 0) ++p;
    pairs.emplace_back(description, patterns);
    if (patterns.empty()) break;
    ++p;
  }
  return pairs;
}

}  // namespace

namespace tolma::host {
namespace detail {

void ResetCommonDialogs() { Common() = CommonDialogState{}; }

DWORD RegisteredCommonControls() { return Common().classes; }

}  // namespace detail

std::vector<FileDialogCall> FileDialogCalls() {
  std::lock_guard lock(HostMutex());
  return Common().files;
}

std::vector<HelpCall> HelpCalls() {
  std::lock_guard lock(HostMutex());
  return Common().help;
}

DWORD CommonControlClasses() {
  std::lock_guard lock(HostMutex());
  return Common().classes;
}

}  // namespace tolma::host

extern "C" {

// Answered by the scripted user's next action: ChooseFile writes the path (with the default extension added to a
// name without one) when it fits the caller's buffer; CancelFileDialog, or no answer at all, cancels.
BOOL WINAPI GetOpenFileNameW(LPOPENFILENAMEW ofn) {
  std::lock_guard lock(HostMutex());
  CommonDialogState& state = Common();
  state.extendedError = 0;
  if (ofn == nullptr || ofn->lStructSize != sizeof(OPENFILENAMEW) || ofn->lpstrFile == nullptr || ofn->nMaxFile == 0) {
    state.extendedError = 0x0001;  // CDERR_STRUCTSIZE
    return FALSE;
  }
  tolma::host::FileDialogCall call;
  call.owner = ofn->hwndOwner;
  call.filter = FilterPairs(ofn->lpstrFilter);
  call.defaultExtension = Utf8OrEmpty(ofn->lpstrDefExt);
  call.title = Utf8OrEmpty(ofn->lpstrTitle);
  call.initialDirectory = Utf8OrEmpty(ofn->lpstrInitialDir);
  call.flags = ofn->Flags;
  call.bufferChars = ofn->nMaxFile;

  std::optional<UserAction> answer = tolma::host::detail::TakeActionOf(UserAction::Kind::ChooseFile);
  if (!answer) answer = tolma::host::detail::TakeActionOf(UserAction::Kind::CancelFileDialog);
  if (!answer) tolma::host::detail::ReportUserFailure("a file-open dialog opened and the script does not answer it");
  if (!answer || answer->kind == UserAction::Kind::CancelFileDialog) {
    state.files.push_back(call);
    return FALSE;
  }

  WideString path = tolma::host::Wide(answer->text);
  const size_t slash = path.find_last_of(u"\\/");
  const size_t nameStart = slash == WideString::npos ? 0 : slash + 1;
  const size_t dot = path.find_last_of(u'.');
  if ((dot == WideString::npos || dot < nameStart) && ofn->lpstrDefExt != nullptr && ofn->lpstrDefExt[0] != 0)
    path += u"." + WideString(ofn->lpstrDefExt);
  if (path.size() + 1 > ofn->nMaxFile) {
    // The buffer's first two units receive the size needed.
    if (ofn->nMaxFile >= 2) {
      ofn->lpstrFile[0] = static_cast<WCHAR>((path.size() + 1) & 0xFFFF);
      ofn->lpstrFile[1] = 0;
    }
    state.extendedError = FNERR_BUFFERTOOSMALL;
    state.files.push_back(call);
    return FALSE;
  }
  std::copy(path.begin(), path.end(), ofn->lpstrFile);
  ofn->lpstrFile[path.size()] = 0;
  const size_t extension = path.find_last_of(u'.');
  ofn->nFileOffset = static_cast<WORD>(nameStart);
  ofn->nFileExtension =
      static_cast<WORD>(extension == WideString::npos || extension < nameStart ? path.size() : extension + 1);
  call.chosen = true;
  call.path = tolma::host::Utf8(ofn->lpstrFile);
  state.files.push_back(call);
  return TRUE;
}

DWORD WINAPI CommDlgExtendedError(void) {
  std::lock_guard lock(HostMutex());
  return Common().extendedError;
}

BOOL WINAPI WinHelpW(HWND window, LPCWSTR helpFile, UINT command, ULONG_PTR data) {
  std::lock_guard lock(HostMutex());
  Common().help.push_back({window, Utf8OrEmpty(helpFile), command, data});
  return TRUE;
}

BOOL WINAPI InitCommonControlsEx(const INITCOMMONCONTROLSEX* init) {
  if (init == nullptr || init->dwSize != sizeof(INITCOMMONCONTROLSEX)) return FALSE;
  std::lock_guard lock(HostMutex());
  Common().classes |= init->dwICC;
  return TRUE;
}

void WINAPI InitCommonControls(void) {
  std::lock_guard lock(HostMutex());
  Common().classes |= ICC_WIN95_CLASSES;
}

}  // extern "C"
