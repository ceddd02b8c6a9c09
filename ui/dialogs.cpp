// Running DomaUI's dialogs and the helpers their procedures share.
#include "ui/dialogs.h"

#include "common/wide.h"
#include "ui/resources/strings.h"
#include "ui/ui_state.h"

#include <cstdint>
#include <string>

namespace tolma::ui {

INT_PTR RunDialog(HWND owner, UINT templateId, DLGPROC proc, LPARAM param) {
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  return DialogBoxParamW(State().module, MAKEINTRESOURCEW(templateId), owner, proc, param);
}

void OpenHelpContents(HWND dialog) {
  WCHAR file[MAX_PATH] = {};
  if (LoadStringW(State().module, kStrHelpFile, file, MAX_PATH) == 0) {
    OutputDebugStringW(TOLMA_WIDE("Unable to find HELP FILE\n"));
    return;
  }
  WinHelpW(dialog, file, HELP_CONTENTS, 0);
}

void SetItemNumber(HWND dialog, int id, long value) {
  const WString text = WideFromAscii(std::to_string(value));
  SetDlgItemTextW(dialog, id, text.c_str());
}

PrivateDevmode* LocatePrivatePart(DEVMODEW* devmode) {
  if (devmode == nullptr) return nullptr;
  const size_t at = devmode->dmSize;
  const auto address = reinterpret_cast<uintptr_t>(devmode) + at;
  if (at < offsetof(DEVMODEW, dmDriverExtra) + sizeof devmode->dmDriverExtra ||
      devmode->dmDriverExtra < sizeof(PrivateDevmode) || address % alignof(PrivateDevmode) != 0)
    return nullptr;
  return reinterpret_cast<PrivateDevmode*>(address);
}

PrivateDevmode* EditedPrivatePart() { return LocatePrivatePart(State().editedDevmode); }

}  // namespace tolma::ui
