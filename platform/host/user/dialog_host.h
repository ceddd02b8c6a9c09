// Host API for dialogs: the module resources the host's DialogBoxParamW runs, a scripted user that plays a
// queue of actions while a modal dialog runs, views of dialogs and their controls (and painted pixels), and the
// records of help, file-dialog and dialog-message traffic.
//
// How to add a dialog to DomaUI
//   1. Template and ids. Add the control and dialog ids to ui/resources/dialog_ids.h (plain #defines, read by the
//      resource compiler and by the code) and a DIALOGEX template to ui/resources/dialogs.rc. Use the predefined
//      statements (PUSHBUTTON, DEFPUSHBUTTON, AUTOCHECKBOX, AUTORADIOBUTTON, GROUPBOX, LTEXT, EDITTEXT, COMBOBOX)
//      and CONTROL with the class "msctls_trackbar32" or "msctls_updown32" for common controls. Nothing else is
//      needed: the build compiles the script once with the MinGW resource compiler, links it into DomaUI.dll, and
//      embeds the same .res bytes in the Linux build, where this host reads the binary templates.
//   2. Dialog procedure in ui/ (ui/tools/ or ui/adjust/): the rules as plain functions (tested directly), the
//      procedure a thin mapping from messages to them; run it with tolma::ui::RunDialog (ui/dialogs.h), which
//      initialises the common controls and passes DomaUI's module and template id to DialogBoxParamW. Keep the
//      dialog's own state in a struct made at WM_INITDIALOG and kept in DWLP_USER (ui::DialogState<T>, freed at
//      WM_DESTROY): the property sheets run the procedures themselves, with an lParam of their own.
//   3. Test with the scripted user: queue what a person does, run the dialog, look at the controls, the DEVMODE,
//      the raw jobs and the painted pixels:
//
//        host::ScriptedUser user;
//        user.MoveTrackbar(1801, 7)
//            .Look([](const host::DialogView& d) { EXPECT_EQ(d[1812].text, "7"); })
//            .Click(1605);
//        EXPECT_EQ(ui::RunDialog(nullptr, IDD_HEAD_SETTINGS, ui::HeadSettingsProc), 1605);
//        EXPECT_FALSE(host::LastDialog()[1800].enabled);
//
//      Acting on a control a person cannot use (disabled, hidden, read-only, missing) is reported through the
//      failure handler (the test fixtures make it a test failure) and the action is skipped. A dialog still open
//      when the script has no more actions is reported and closed with -1. Message boxes take the next action
//      when it is AnswerMessageBox (else the answers of QueueMessageBoxAnswer, else their first button); file
//      dialogs must be answered by ChooseFile or CancelFileDialog. To look at a dialog, write a view as a PNG
//      (tests/support/dialog_pictures.h: SaveDialogPicture writes into $TOLMA_DIALOG_PNG_DIR when it is set).
//
// What the window manager does like Windows: WM_INITDIALOG with the first tab stop as focus; WM_COMMAND
// notifications (BN_CLICKED; EN_UPDATE then EN_CHANGE for each typed character and for WM_SETTEXT on single-line
// edits; EN_SETFOCUS/EN_KILLFOCUS as the focus moves, also when a focused control is disabled and when the dialog
// ends; CBN_DROPDOWN, CBN_SELCHANGE (when the selection changes), CBN_SELENDOK, CBN_CLOSEUP for a chosen entry);
// WM_HSCROLL from horizontal trackbars (TB_THUMBTRACK, TB_THUMBPOSITION, TB_ENDTRACK for a drag); WM_NOTIFY
// UDN_DELTAPOS then WM_VSCROLL (SB_THUMBPOSITION, then SB_ENDSCROLL) from up-down controls, whose buddy text is
// set with UDS_SETBUDDYINT (with thousands separators unless UDS_NOTHOUSANDS); WM_SYSCOMMAND SC_CLOSE from the close
// box, turned into WM_CLOSE and then a posted IDCANCEL command when the procedure does not handle them; WM_PAINT
// after each action when part of the dialog is invalid (WM_ERASEBKGND first when asked for). Trackbar and up-down
// classes exist only after InitCommonControlsEx: without them DialogBoxParamW fails with -1.
// Geometry: dialog base units 6 x 13 pixels for an 8-point font (scaled for other sizes), a caption of 23 and a
// frame of 3 pixels; controls are not painted (the canvas holds what the dialog procedure paints on its client
// area, over the dialog colour 0xF0F0F0). Controls offered: buttons of every BS_ kind, edits, statics, drop-down
// combo boxes, trackbars and up-down controls; another class makes DialogBoxParamW fail with a reported reason.
#pragma once

#include "platform/host/host.h"

#include <functional>
#include <span>
#include <string>
#include <vector>

namespace tolma::host {

// Makes the resources of a compiled resource script (".res" bytes) the resources of `module`: its dialog
// templates (RT_DIALOG) for DialogBoxParamW, its bitmaps for LoadImageW. Kept across Reset. False when the
// bytes are no resource file.
bool RegisterModuleResources(HMODULE module, std::span<const uint8_t> resFile);
// The numeric ids of a module's dialog templates, in increasing order.
std::vector<int> DialogTemplateIds(HMODULE module);
// A module's string table as the compiled resources hold it (RT_STRING), by id.
std::vector<std::pair<UINT, std::string>> CompiledStrings(HMODULE module);

// --- Views of dialogs and controls ---

enum class ControlKind { Dialog, Button, Edit, Static, ComboBox, ListBox, Trackbar, UpDown };

struct ListEntry {
  std::string text;
  LPARAM data = 0;
  bool operator==(const ListEntry&) const = default;
};

// A control as a person (and the dialog procedure) sees it.
struct ControlView {
  HWND window = nullptr;
  int id = 0;
  ControlKind kind = ControlKind::Static;
  std::string className;
  DWORD style = 0;
  RECT rect{};  // in the dialog's client pixels
  std::string text;
  bool enabled = false;
  bool visible = false;
  bool focused = false;
  int checked = 0;                 // buttons: BST_UNCHECKED, BST_CHECKED, BST_INDETERMINATE
  std::vector<ListEntry> entries;  // combo boxes
  int selected = -1;               // combo boxes: the selected entry, -1 for none
  LONG minimum = 0;                // trackbars and up-down controls: range and position
  LONG maximum = 0;
  LONG position = 0;
  std::vector<LONG> ticks;  // trackbars: tick marks set with TBM_SETTIC
  int buddyId = 0;          // up-down controls: the buddy's id (0: none)
  bool readOnly() const { return (style & ES_READONLY) != 0; }
  // The selected entry's text (empty without a selection).
  std::string selectedText() const {
    return selected >= 0 && selected < int(entries.size()) ? entries[selected].text : "";
  }
};

// A dialog: its controls and its painted client area.
struct DialogView {
  HWND window = nullptr;
  int templateId = 0;
  std::string title;
  bool ended = false;
  INT_PTR result = 0;
  LONG width = 0;  // client area in pixels
  LONG height = 0;
  std::vector<uint8_t> pixels;  // client area, rows top to bottom, red, green, blue
  std::vector<ControlView> controls;

  // The control with that id; reports a failure and returns an empty view when there is none.
  const ControlView& operator[](int id) const;
  bool Has(int id) const;
  // A pixel of the client area as 0xRRGGBB (kNoBrush outside).
  ULONG Pixel(LONG x, LONG y) const;
};

// The innermost running dialog (nullptr when none runs) and views of it or of any live dialog.
HWND CurrentDialog();
DialogView ViewOf(HWND dialog);
// Views of the dialogs that closed since the last Reset, in closing order (taken when they ended, before
// WM_DESTROY), and the last one.
std::vector<DialogView> ClosedDialogs();
DialogView LastDialog();
// Windows alive (dialogs and controls).
int LiveWindowCount();

// --- The scripted user ---

// Queues what a person does; DialogBoxParamW plays the queue while its dialog runs (a nested dialog takes the
// actions while it runs). Every method returns the script for chaining.
class ScriptedUser {
 public:
  // Clicks a push button, check box or radio button (check boxes and radio buttons of the AUTO kinds change).
  ScriptedUser& Click(int id);
  // Clicks a check box or radio button only if it is not already checked (Tick), or checked (Untick).
  ScriptedUser& Tick(int id);
  ScriptedUser& Untick(int id);
  // Clicks into an edit after its text and types `text` one character at a time.
  ScriptedUser& Type(int id, const std::string& text);
  // Selects all of an edit's text and types `text` over it.
  ScriptedUser& Retype(int id, const std::string& text);
  // Selects all of an edit's text and deletes it.
  ScriptedUser& Erase(int id);
  // Clicks into a control (moving the focus to it).
  ScriptedUser& Focus(int id);
  // Drops a list down and picks the entry with that text, or at that position.
  ScriptedUser& Select(int id, const std::string& entry);
  ScriptedUser& SelectIndex(int id, int index);
  // Drags a trackbar's thumb to `position`.
  ScriptedUser& MoveTrackbar(int id, int position);
  // Clicks an up-down control's arrow `clicks` times: up (or right) for positive counts, down for negative.
  ScriptedUser& Spin(int id, int clicks);
  ScriptedUser& PressEnter();
  ScriptedUser& PressEscape();
  // Clicks the dialog's close box.
  ScriptedUser& CloseBox();
  // Answers the next message box with a button (IDOK, IDYES, ...).
  ScriptedUser& AnswerMessageBox(int button);
  // Answers the next file-open dialog with a path (a host path or a Windows one), or cancels it.
  ScriptedUser& ChooseFile(const std::string& path);
  ScriptedUser& CancelFileDialog();
  // Looks at the running dialog between two actions.
  ScriptedUser& Look(std::function<void(const DialogView&)> look);
};
// Actions queued and not played yet.
int PendingUserActions();
// Where mistakes of the script go (a person cannot act like that); the default records them only.
void SetUserFailureHandler(std::function<void(const std::string&)> handler);
std::vector<std::string> UserFailures();

// --- Records ---

// The messages dialog procedures received, in order.
struct DialogMessage {
  int templateId = 0;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
};
std::vector<DialogMessage> DialogMessages();

// WinHelpW calls.
struct HelpCall {
  HWND window = nullptr;
  std::string file;
  UINT command = 0;
  ULONG_PTR data = 0;
};
std::vector<HelpCall> HelpCalls();

// GetOpenFileNameW calls with what the caller asked for and how the script answered.
struct FileDialogCall {
  HWND owner = nullptr;
  std::vector<std::pair<std::string, std::string>> filter;  // (description, patterns) pairs
  std::string defaultExtension;
  std::string title;
  std::string initialDirectory;
  DWORD flags = 0;
  DWORD bufferChars = 0;
  bool chosen = false;
  std::string path;  // what the caller received
};
std::vector<FileDialogCall> FileDialogCalls();

// The classes InitCommonControlsEx registered (ICC_* bits); 0 after Reset.
DWORD CommonControlClasses();

// GDI objects: brushes and pens made by CreateSolidBrush and CreatePen and not deleted.
int LiveBrushAndPenCount();

}  // namespace tolma::host
