// Running DomaUI's dialogs: common controls, the module's templates, help, number labels, and the private part of
// the DEVMODE being edited.
#pragma once

#include "common/devmode.h"
#include "platform/win32.h"

#include <new>

namespace tolma::ui {

// Runs one of DomaUI's dialog templates modally over `proc`, after initialising the common controls (trackbars,
// up-down controls) the templates use. Returns what DialogBoxParamW returns (-1 when the dialog cannot be made).
INT_PTR RunDialog(HWND owner, UINT templateId, DLGPROC proc, LPARAM param = 0);

// Opens the help file named by string 200 ("Doma.hlp") at its contents.
void OpenHelpContents(HWND dialog);

// Writes a number into a control as a plain decimal text ("%d").
void SetItemNumber(HWND dialog, int id, long value);

// The private part of a DEVMODE as DomaUI finds it: at the DEVMODE's start plus dmSize, without looking at the
// signature. Nothing (nullptr) when the DEVMODE does not declare a whole private part there (dmDriverExtra below
// 2224), when dmSize would put it over the size fields, or when it would not be aligned for the record.
PrivateDevmode* LocatePrivatePart(DEVMODEW* devmode);
// The private part of the DEVMODE the open sheet edits (nullptr when there is none).
PrivateDevmode* EditedPrivatePart();

// A dialog's own state, made at WM_INITDIALOG and freed at WM_DESTROY, kept in the dialog's DWLP_USER.
template <typename T>
T* DialogState(HWND dialog) {
  return reinterpret_cast<T*>(GetWindowLongPtrW(dialog, DWLP_USER));
}

// Makes a dialog's own state at WM_INITDIALOG and keeps it in DWLP_USER. Without memory for it the dialog ends
// with -1 and nothing (nullptr) is returned.
template <typename T>
T* CreateDialogState(HWND dialog) {
  T* state = new (std::nothrow) T;
  if (state == nullptr) {
    EndDialog(dialog, -1);
    return nullptr;
  }
  SetWindowLongPtrW(dialog, DWLP_USER, reinterpret_cast<LONG_PTR>(state));
  return state;
}

// Frees a dialog's own state at WM_DESTROY.
template <typename T>
void DestroyDialogState(HWND dialog) {
  T* state = DialogState<T>(dialog);
  SetWindowLongPtrW(dialog, DWLP_USER, 0);
  delete state;
}

// A WM_SYSCOMMAND with SC_CLOSE (the close box).
inline bool IsCloseCommand(UINT message, WPARAM wParam) {
  return message == WM_SYSCOMMAND && (wParam & 0xFFF0) == SC_CLOSE;
}

}  // namespace tolma::ui
