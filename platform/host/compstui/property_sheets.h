// Host API for the common property-sheet UI: a session that plays the common UI around a driver's property-sheet
// function (DrvDocumentPropertySheets, DrvDevicePropertySheets) the way it does for a person, and views of the
// pages and items the driver added.
//
//   DOCUMENTPROPERTYHEADER header{...};
//   host::PropertySheetSession sheet(&DrvDocumentPropertySheets, reinterpret_cast<LPARAM>(&header));
//   sheet.Choose(5, 1);        // "Print on both sides": "Yes", then the callback with SEL_CHANGED
//   user.MoveTrackbar(1801, 7).CloseBox();
//   sheet.Press(13);           // "Head Settings": its dialog runs with the scripted user, then DLGPROC
//   sheet.Apply();             // APPLYNOW
//   sheet.SetResult();         // PROPSHEETUI_REASON_SET_RESULT (CPSUI_OK), as the spooler sends it
//   sheet.Destroy();
//
// What a person cannot do (choose a disabled item or option, press a button that is not there) is reported
// through the scripted user's failure handler (the test fixtures make it a test failure) and not done. Adding a
// page fails with SetFailure(FailPoint::AddPropertySheetPage).
#pragma once

#include "platform/host/host.h"

#include <string>
#include <vector>

namespace tolma::host {

// How an item shows.
enum class ItemKind { Header, TwoStates, List, ComboBox, UpDown, PushButton, Other };

struct OptionView {
  std::string text;
  ULONG_PTR icon = 0;
  bool enabled = true;  // not OPTPF_DISABLED
  bool hidden = false;  // OPTPF_HIDE
  BYTE style = 0;       // push buttons: PUSHBUTTON_TYPE_*
  LPARAM param = 0;     // push buttons: the dialog's resource number; up-down: the upper end of the range
};

// An item as the common UI shows it.
struct ItemView {
  std::string name;
  int level = 0;
  ItemKind kind = ItemKind::Other;
  DWORD flags = 0;  // OPTIF_*
  bool enabled = false;
  bool callback = false;
  LONG selection = 0;               // lists: the chosen option; up-down: the number; headers: the icon
  int count = 0;                    // options counted by the item's type
  WORD typeStyle = 0;               // OPTTYPE Style
  std::vector<OptionView> options;  // every parameter the type points at (lists: at least `count`)
  BYTE dmPubId = 0;
  BYTE userItemId = 0;
  ULONG_PTR userData = 0;
  // Push buttons of the dialog-procedure kind: the dialog's resource number and procedure.
  UINT dialogId = 0;
  DLGPROC dialogProc = nullptr;
  // The extended push button, when the item has one.
  bool hasExtPush = false;
  std::string extPushTitle;
  bool extPushEnabled = false;
  UINT extPushDialogId = 0;
  DLGPROC extPushProc = nullptr;
  WORD extPushFlags = 0;
  // The chosen option's text (empty when the selection is outside the options).
  std::string selectedText() const {
    return selection >= 0 && selection < LONG(options.size()) ? options[selection].text : "";
  }
};

// A page the driver added with CPSFUNC_ADD_PCOMPROPSHEETUI, as it stood when the view was taken.
struct PageView {
  WORD size = 0;
  WORD flags = 0;
  HINSTANCE instance = nullptr;
  std::string callerName;
  std::string itemTreeName;
  ULONG_PTR userData = 0;
  bool hasHelpFile = false;
  bool hasCallback = false;
  ULONG_PTR dialogPages = 0;  // pDlgPage (CPSUI_PDLGPAGE_* values)
  int itemCount = 0;
  ULONG_PTR icon = 0;
  WORD callerVersion = 0;
  WORD itemVersion = 0;
  std::vector<ItemView> items;
};

// A call the driver made to the common UI's pfnComPropSheet.
struct ComPropSheetCall {
  UINT function = 0;
  LPARAM param1 = 0;
  LPARAM param2 = 0;
  LONG_PTR result = 0;
};

class PropertySheetSession {
 public:
  // Calls `sheetFunction` with PROPSHEETUI_REASON_INIT and `initParam` (the property-sheet header).
  PropertySheetSession(PFNPROPSHEETUI sheetFunction, LPARAM initParam);
  // Sends PROPSHEETUI_REASON_DESTROY when the driver opened and was not destroyed yet.
  ~PropertySheetSession();
  PropertySheetSession(const PropertySheetSession&) = delete;
  PropertySheetSession& operator=(const PropertySheetSession&) = delete;

  // What INIT returned, and the information record as the driver left it.
  LONG initResult() const { return initResult_; }
  const PROPSHEETUI_INFO& info() const { return info_; }
  std::vector<ComPropSheetCall> calls() const { return calls_; }
  int pageCount() const { return static_cast<int>(pages_.size()); }
  // A page added by the driver (the first by default) and one of its items; an empty view, reported, when
  // there is none.
  PageView Page(int page = 0) const;
  ItemView Item(int item, int page = 0) const;
  // The driver's records themselves (nullptr when there is no such page).
  COMPROPSHEETUI* Records(int page = 0) const;

  // The items the driver marked changed (OPTIF_CHANGED) in the last callback that answered
  // CPSUICB_ACTION_OPTIF_CHANGED, in order; the common UI shows them anew and clears the mark.
  std::vector<int> ChangedItems() const { return changed_; }

  // A person's actions on an item. Each returns what the driver's callback returned (CPSUICB_ACTION_*), or -1
  // when the action was refused or no callback was called.
  // Chooses an option of a list or two-state item; the callback runs with SEL_CHANGED when the choice changed.
  LONG Choose(int item, int option, int page = 0);
  // Types a number into an up-down item; the callback runs with SEL_CHANGED when the number changed.
  LONG TypeNumber(int item, LONG value, int page = 0);
  // Presses a push button of the dialog-procedure kind: its dialog runs (with the scripted user), then the
  // callback with DLGPROC. `dialogResult` receives what the dialog returned.
  LONG Press(int item, INT_PTR* dialogResult = nullptr, int page = 0);
  // Presses an item's extended push button (dialog-procedure kind), then the callback with EXTPUSH.
  LONG PressExtended(int item, INT_PTR* dialogResult = nullptr, int page = 0);
  // Page-wide actions: Apply (APPLYNOW), undo (the selections as the page was added, then UNDO_CHANGES),
  // revert (the same with ITEMS_REVERTED), About (ABOUT, only with CPSUIF_ABOUT_CALLBACK).
  LONG Apply(int page = 0);
  LONG Undo(int page = 0);
  LONG Revert(int page = 0);
  LONG About(int page = 0);

  // The spooler's end of the sheet: PROPSHEETUI_REASON_SET_RESULT with a SETRESULT_INFO carrying `result`, and
  // PROPSHEETUI_REASON_DESTROY. Each returns what the sheet function returned.
  LONG SetResult(LRESULT result = CPSUI_OK);
  LONG Destroy();

 private:
  static LONG_PTR CALLBACK ComPropSheet(HANDLE sheet, UINT function, LPARAM param1, LPARAM param2);
  struct AddedPage {
    COMPROPSHEETUI* records = nullptr;
    std::vector<LONG> initialSelections;
  };
  OPTITEM* ItemOf(int item, int page, const std::string& action) const;
  LONG Callback(int page, WORD reason, OPTITEM* current, LONG oldSelection);
  LONG Restore(int page, WORD reason);

  PFNPROPSHEETUI function_;
  PROPSHEETUI_INFO info_{};
  LONG initResult_ = 0;
  bool destroyed_ = false;
  std::vector<AddedPage> pages_;
  std::vector<ComPropSheetCall> calls_;
  std::vector<int> changed_;
};

}  // namespace tolma::host
