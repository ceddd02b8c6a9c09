// Internal: the host's window manager (windows, dialogs, controls, focus, painting), module resources and the
// scripted user, shared by the user-interface rooms and the GDI.
#pragma once

#include "platform/host/user/dialog_host.h"
#include "platform/host/user/dialog_template.h"

#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tolma::host::detail {

// --- Module resources ---

// The data of a module's resource (a copy); nothing when the module has no such resource.
std::optional<std::vector<uint8_t>> ModuleResource(HMODULE module, LPCWSTR type, LPCWSTR name);

// --- Windows ---

struct Window {
  ControlKind kind = ControlKind::Static;
  WideString className;
  Window* parent = nullptr;       // the dialog of a control
  std::vector<Window*> children;  // controls in template (tab) order
  int id = 0;
  DWORD style = 0;
  DWORD exStyle = 0;
  WideString text;
  RECT rect{};  // controls: in the dialog's client pixels
  bool enabled = true;
  bool visible = true;
  LONG_PTR userData = 0;

  // Dialogs.
  DLGPROC proc = nullptr;
  HWND owner = nullptr;
  LONG_PTR msgResult = 0;
  LONG_PTR dlgUser = 0;
  bool running = false;
  bool ended = false;
  INT_PTR result = 0;
  int templateId = 0;
  POINT clientOrigin{};  // on the screen
  RECT frame{};          // the window rectangle on the screen
  LONG clientWidth = 0;
  LONG clientHeight = 0;
  int baseX = 6;  // dialog base units in pixels
  int baseY = 13;
  bool hasUpdate = false;
  bool eraseUpdate = false;
  RECT update{};
  Window* focus = nullptr;
  int defId = 0;

  // Buttons.
  int check = BST_UNCHECKED;
  // Edits.
  DWORD limit = 32767;
  DWORD selStart = 0;
  DWORD selEnd = 0;
  // Combo boxes.
  std::vector<std::pair<WideString, LPARAM>> items;
  int selected = -1;
  // Trackbars and up-down controls.
  LONG minimum = 0;
  LONG maximum = 100;
  LONG position = 0;
  LONG pageSize = 20;
  LONG lineSize = 1;
  std::vector<LONG> ticks;
  Window* buddy = nullptr;

  HWND handle() { return reinterpret_cast<HWND>(this); }
  DWORD buttonType() const { return style & BS_TYPEMASK; }
  bool isRadio() const { return buttonType() == BS_RADIOBUTTON || buttonType() == BS_AUTORADIOBUTTON; }
  bool isCheckBox() const {
    const DWORD t = buttonType();
    return t == BS_CHECKBOX || t == BS_AUTOCHECKBOX || t == BS_3STATE || t == BS_AUTO3STATE;
  }
};

// The live window behind a handle (nullptr for anything else).
Window* FindWindow(HWND window);
// The dialog a window belongs to (itself for a dialog).
Window* DialogOf(Window* window);
// The control of a dialog with that id (the first one).
Window* ControlOf(Window* dialog, int id);
// The innermost dialog whose modal loop runs.
Window* RunningDialog();

// Sends a message to a dialog (through its procedure and the default dialog handling) or a control.
LRESULT Send(Window* window, UINT message, WPARAM wParam, LPARAM lParam);
// WM_COMMAND with a notification code from a control to its dialog.
void NotifyParent(Window* control, UINT code);
// Moves the focus (WM_KILLFOCUS to the old control, WM_SETFOCUS to the new one); nullptr: no control.
void MoveFocus(Window* dialog, Window* control);
// Dispatches the posted messages in order; true when there were any.
bool DispatchPosted();
// Drops the messages posted to a window.
void ForgetPosted(Window* window);
// Marks part of a dialog's client area (nullptr: all of it) for the next WM_PAINT.
void Invalidate(Window* dialog, const RECT* rect, bool erase);

// A click of the mouse on a button (the person's click and BM_CLICK): focus, check state, BN_CLICKED.
void ClickButton(Window* button);
// Sets an edit's text as WM_SETTEXT does (EN_UPDATE and EN_CHANGE for single-line edits).
void SetEditText(Window* edit, const WideString& text);
// Types one character at an edit's caret as the keyboard does; false when the edit refuses it.
bool TypeCharacter(Window* edit, WCHAR c);
// Sets an up-down control's position and, with UDS_SETBUDDYINT, its buddy's text.
void SetUpDownPosition(Window* updown, LONG position);

// --- Painting hooks for the GDI ---

// For BeginPaint: takes a host window's update rectangle (the whole client area when none is pending) and
// whether the background is to be erased; false for a window the window manager does not know.
bool TakeUpdate(HWND window, RECT& update, bool& erase);
// Sends WM_ERASEBKGND; when the dialog does not erase, fills the update with the dialog colour. True when erased.
bool EraseBackground(HWND window, HDC dc);

// --- Scripted user ---

struct UserAction {
  enum class Kind {
    Click,
    Tick,
    Untick,
    Type,
    Retype,
    Erase,
    Focus,
    Select,
    SelectIndex,
    MoveTrackbar,
    Spin,
    PressEnter,
    PressEscape,
    CloseBox,
    AnswerMessageBox,
    ChooseFile,
    CancelFileDialog,
    Look,
  };
  Kind kind = Kind::Click;
  int id = 0;
  int value = 0;
  std::string text;
  std::function<void(const DialogView&)> look;
};
// Queues an action.
void QueueAction(UserAction action);
// Takes the next action when it is of `kind` (the answer of a message box or file dialog).
std::optional<UserAction> TakeActionOf(UserAction::Kind kind);
// Takes the next action, whatever it is.
std::optional<UserAction> TakeAction();
// Plays an action on a running dialog.
void PlayAction(Window* dialog, const UserAction& action);
// Reports a mistake of the script (acting on what a person cannot act on).
void ReportUserFailure(const std::string& message);
// Records a message that a dialog procedure received.
void RecordDialogMessage(Window* dialog, UINT message, WPARAM wParam, LPARAM lParam);
// The view of a dialog as a person sees it (and of its canvas).
DialogView ViewOfDialog(Window* dialog);
// Keeps the view of a dialog that closed.
void RecordClosedDialog(DialogView view);
// The common-control classes registered by InitCommonControlsEx.
DWORD RegisteredCommonControls();

// Text conversions.
inline std::string Utf8Of(const WideString& text) { return Utf8(text.c_str()); }
inline WideString WideOf(const std::string& utf8) { return Wide(utf8); }

// Resets of the rooms.
void ResetWindows();
void ResetScript();
void ResetCommonDialogs();
void ResetMessageBoxes();
void ResetDebugOutput();

}  // namespace tolma::host::detail
