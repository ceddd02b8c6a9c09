// Host stand-in for the common property-sheet UI: the pfnComPropSheet a driver's sheet function calls, and a
// session that acts on the driver's items the way the common UI does for a person.
#include "platform/host/compstui/property_sheets.h"

#include "platform/host/state.h"
#include "platform/host/user/user_state.h"

#include <mutex>

namespace tolma::host {
namespace {

void Refuse(const std::string& message) {
  std::lock_guard lock(detail::HostMutex());
  detail::ReportUserFailure("common UI: " + message);
}

std::string Text(const WCHAR* text) { return text != nullptr ? Utf8(text) : std::string(); }

ItemKind KindOf(const OPTTYPE* type) {
  if (type == nullptr) return ItemKind::Header;
  switch (type->Type) {
    case TVOT_2STATES:
      return ItemKind::TwoStates;
    case TVOT_LISTBOX:
      return ItemKind::List;
    case TVOT_COMBOBOX:
      return ItemKind::ComboBox;
    case TVOT_UDARROW:
      return ItemKind::UpDown;
    case TVOT_PUSHBUTTON:
      return ItemKind::PushButton;
    default:
      return ItemKind::Other;
  }
}

// How many options a type counts, as the common UI reads them.
int CountedOptions(const OPTTYPE* type) {
  if (type == nullptr) return 0;
  switch (type->Type) {
    case TVOT_2STATES:
      return 2;
    case TVOT_PUSHBUTTON:
      return 1;
    case TVOT_UDARROW:
      return 2;
    default:
      return type->Count;
  }
}

ItemView ViewOf(const OPTITEM& item) {
  ItemView v;
  v.name = Text(item.pName);
  v.level = item.Level;
  v.kind = KindOf(item.pOptType);
  v.flags = item.Flags;
  v.enabled = (item.Flags & OPTIF_DISABLED) == 0;
  v.callback = (item.Flags & OPTIF_CALLBACK) != 0;
  v.selection = item.Sel;
  v.dmPubId = item.DMPubID;
  v.userItemId = item.UserItemID;
  v.userData = item.UserData;
  if (const OPTTYPE* type = item.pOptType) {
    v.count = CountedOptions(type);
    v.typeStyle = type->Style;
    const int params = v.kind == ItemKind::List || v.kind == ItemKind::ComboBox ? type->Count : v.count;
    for (int i = 0; i < params && type->pOptParam != nullptr; ++i) {
      const OPTPARAM& p = type->pOptParam[i];
      OptionView o;
      // A push button's and an up-down's pData is no text (a procedure, a unit).
      if (v.kind != ItemKind::PushButton) o.text = Text(p.pData);
      o.icon = p.IconID;
      o.enabled = (p.Flags & OPTPF_DISABLED) == 0;
      o.hidden = (p.Flags & OPTPF_HIDE) != 0;
      o.style = p.Style;
      o.param = p.lParam;
      v.options.push_back(o);
    }
    if (v.kind == ItemKind::PushButton && type->pOptParam != nullptr &&
        type->pOptParam[0].Style == PUSHBUTTON_TYPE_DLGPROC) {
      v.dialogId = static_cast<UINT>(type->pOptParam[0].lParam);
      v.dialogProc = reinterpret_cast<DLGPROC>(type->pOptParam[0].pData);
    }
  }
  if ((item.Flags & OPTIF_EXT_IS_EXTPUSH) != 0 && item.pExtPush != nullptr && (item.Flags & OPTIF_EXT_HIDE) == 0) {
    const EXTPUSH& push = *item.pExtPush;
    v.hasExtPush = true;
    v.extPushTitle = Text(push.pTitle);
    v.extPushEnabled = (item.Flags & OPTIF_EXT_DISABLED) == 0 && v.enabled;
    v.extPushFlags = push.Flags;
    if ((push.Flags & EPF_PUSH_TYPE_DLGPROC) != 0) {
      v.extPushDialogId = push.DlgTemplateID;
      v.extPushProc = push.DlgProc;
    }
  }
  return v;
}

}  // namespace

PropertySheetSession::PropertySheetSession(PFNPROPSHEETUI sheetFunction, LPARAM initParam) : function_(sheetFunction) {
  info_.cbSize = sizeof info_;
  info_.Version = PROPSHEETUI_INFO_VERSION;
  info_.Flags = PSUIINFO_UNICODE;
  info_.Reason = PROPSHEETUI_REASON_INIT;
  info_.hComPropSheet = this;
  info_.pfnComPropSheet = &PropertySheetSession::ComPropSheet;
  info_.lParamInit = initParam;
  // The common UI's own pages use trackbars and up-down controls: their classes exist while it runs.
  const INITCOMMONCONTROLSEX controls{sizeof(INITCOMMONCONTROLSEX), ICC_BAR_CLASSES | ICC_UPDOWN_CLASS};
  InitCommonControlsEx(&controls);
  initResult_ = function_(&info_, initParam);
}

PropertySheetSession::~PropertySheetSession() {
  if (initResult_ > 0 && !destroyed_) Destroy();
}

LONG_PTR CALLBACK PropertySheetSession::ComPropSheet(HANDLE sheet, UINT function, LPARAM param1, LPARAM param2) {
  auto* self = static_cast<PropertySheetSession*>(sheet);
  ComPropSheetCall call{function, param1, param2, 0};
  if (function == CPSFUNC_ADD_PCOMPROPSHEETUIW && param1 != 0) {
    if (!detail::ShouldFail(FailPoint::AddPropertySheetPage)) {
      auto* records = reinterpret_cast<COMPROPSHEETUI*>(param1);
      AddedPage page{records, {}};
      for (WORD i = 0; i < records->cOptItem && records->pOptItem != nullptr; ++i)
        page.initialSelections.push_back(records->pOptItem[i].Sel);
      self->pages_.push_back(std::move(page));
      call.result = static_cast<LONG_PTR>(self->pages_.size());  // the page's handle
      if (param2 != 0) *reinterpret_cast<DWORD*>(param2) = 1;    // pages added
    } else if (param2 != 0) {
      *reinterpret_cast<DWORD*>(param2) = static_cast<DWORD>(ERR_CPSUI_ALLOCMEM_FAILED);
    }
  }
  self->calls_.push_back(call);
  return call.result;
}

COMPROPSHEETUI* PropertySheetSession::Records(int page) const {
  return page >= 0 && page < int(pages_.size()) ? pages_[page].records : nullptr;
}

PageView PropertySheetSession::Page(int page) const {
  PageView v;
  const COMPROPSHEETUI* r = Records(page);
  if (r == nullptr) {
    Refuse("there is no page " + std::to_string(page));
    return v;
  }
  v.size = r->cbSize;
  v.flags = r->Flags;
  v.instance = r->hInstCaller;
  v.callerName = Text(r->pCallerName);
  v.itemTreeName = Text(r->pOptItemName);
  v.userData = r->UserData;
  v.hasHelpFile = r->pHelpFile != nullptr;
  v.hasCallback = r->pfnCallBack != nullptr;
  v.dialogPages = reinterpret_cast<ULONG_PTR>(r->pDlgPage);
  v.itemCount = r->cOptItem;
  v.icon = r->IconID;
  v.callerVersion = r->CallerVersion;
  v.itemVersion = r->OptItemVersion;
  for (WORD i = 0; i < r->cOptItem && r->pOptItem != nullptr; ++i) v.items.push_back(ViewOf(r->pOptItem[i]));
  return v;
}

ItemView PropertySheetSession::Item(int item, int page) const {
  const OPTITEM* it = ItemOf(item, page, "look at");
  return it != nullptr ? ViewOf(*it) : ItemView{};
}

OPTITEM* PropertySheetSession::ItemOf(int item, int page, const std::string& action) const {
  const COMPROPSHEETUI* r = Records(page);
  if (r == nullptr || r->pOptItem == nullptr || item < 0 || item >= r->cOptItem) {
    Refuse("cannot " + action + " item " + std::to_string(item) + " of page " + std::to_string(page) +
           ": there is no such item");
    return nullptr;
  }
  return &r->pOptItem[item];
}

LONG PropertySheetSession::Callback(int page, WORD reason, OPTITEM* current, LONG oldSelection) {
  COMPROPSHEETUI* r = Records(page);
  if (r == nullptr || r->pfnCallBack == nullptr) return -1;
  CPSUICBPARAM param{};
  param.cbSize = sizeof param;
  param.Reason = reason;
  param.hDlg = nullptr;
  param.pOptItem = r->pOptItem;
  param.cOptItem = r->cOptItem;
  param.pCurItem = current != nullptr ? current : r->pOptItem;
  param.OldSel = oldSelection;
  param.UserData = r->UserData;
  const LONG action = r->pfnCallBack(&param);
  // Items marked changed are shown anew and their mark cleared.
  changed_.clear();
  if (action == CPSUICB_ACTION_OPTIF_CHANGED) {
    for (WORD i = 0; i < r->cOptItem; ++i) {
      if ((r->pOptItem[i].Flags & OPTIF_CHANGED) == 0) continue;
      changed_.push_back(i);
      r->pOptItem[i].Flags &= ~static_cast<DWORD>(OPTIF_CHANGED);
    }
  }
  return action;
}

LONG PropertySheetSession::Choose(int item, int option, int page) {
  OPTITEM* it = ItemOf(item, page, "choose in");
  if (it == nullptr) return -1;
  const ItemView v = ViewOf(*it);
  const std::string what =
      "cannot choose option " + std::to_string(option) + " of item " + std::to_string(item) + " \"" + v.name + "\"";
  if (v.kind != ItemKind::TwoStates && v.kind != ItemKind::List && v.kind != ItemKind::ComboBox) {
    Refuse(what + ": it offers no options");
    return -1;
  }
  if (!v.enabled) {
    Refuse(what + ": the item is disabled");
    return -1;
  }
  if (option < 0 || option >= v.count || option >= int(v.options.size())) {
    Refuse(what + ": it has " + std::to_string(v.count) + " options");
    return -1;
  }
  if (!v.options[option].enabled || v.options[option].hidden) {
    Refuse(what + ": the option \"" + v.options[option].text + "\" is disabled");
    return -1;
  }
  const LONG old = it->Sel;
  it->Sel = option;
  if (old == option || !v.callback) return -1;
  return Callback(page, CPSUICB_REASON_SEL_CHANGED, it, old);
}

LONG PropertySheetSession::TypeNumber(int item, LONG value, int page) {
  OPTITEM* it = ItemOf(item, page, "type into");
  if (it == nullptr) return -1;
  const ItemView v = ViewOf(*it);
  if (v.kind != ItemKind::UpDown || !v.enabled) {
    Refuse("cannot type into item " + std::to_string(item) + " \"" + v.name +
           "\": " + (v.kind != ItemKind::UpDown ? "it is no number" : "the item is disabled"));
    return -1;
  }
  const LONG old = it->Sel;
  it->Sel = value;
  if (old == value || !v.callback) return -1;
  return Callback(page, CPSUICB_REASON_SEL_CHANGED, it, old);
}

LONG PropertySheetSession::Press(int item, INT_PTR* dialogResult, int page) {
  if (dialogResult != nullptr) *dialogResult = 0;
  OPTITEM* it = ItemOf(item, page, "press");
  if (it == nullptr) return -1;
  const ItemView v = ViewOf(*it);
  const std::string what = "cannot press item " + std::to_string(item) + " \"" + v.name + "\"";
  if (v.kind != ItemKind::PushButton || v.options.empty() || v.options[0].style != PUSHBUTTON_TYPE_DLGPROC) {
    Refuse(what + ": it is no dialog push button");
    return -1;
  }
  if (!v.enabled) {
    Refuse(what + ": the item is disabled");
    return -1;
  }
  COMPROPSHEETUI* r = Records(page);
  CPSUICBPARAM param{};
  param.cbSize = sizeof param;
  param.Reason = CPSUICB_REASON_DLGPROC;
  param.pOptItem = r->pOptItem;
  param.cOptItem = r->cOptItem;
  param.pCurItem = it;
  param.OldSel = it->Sel;
  param.UserData = r->UserData;
  const INT_PTR result = DialogBoxParamW(r->hInstCaller, MAKEINTRESOURCEW(v.dialogId), nullptr, v.dialogProc,
                                         reinterpret_cast<LPARAM>(&param));
  if (dialogResult != nullptr) *dialogResult = result;
  if (!v.callback) return -1;
  return Callback(page, CPSUICB_REASON_DLGPROC, it, it->Sel);
}

LONG PropertySheetSession::PressExtended(int item, INT_PTR* dialogResult, int page) {
  if (dialogResult != nullptr) *dialogResult = 0;
  OPTITEM* it = ItemOf(item, page, "press the extended button of");
  if (it == nullptr) return -1;
  const ItemView v = ViewOf(*it);
  const std::string what = "cannot press the extended button of item " + std::to_string(item) + " \"" + v.name + "\"";
  if (!v.hasExtPush || (v.extPushFlags & EPF_PUSH_TYPE_DLGPROC) == 0) {
    Refuse(what + ": it has no dialog push button");
    return -1;
  }
  if (!v.extPushEnabled) {
    Refuse(what + ": it is disabled");
    return -1;
  }
  COMPROPSHEETUI* r = Records(page);
  CPSUICBPARAM param{};
  param.cbSize = sizeof param;
  param.Reason = CPSUICB_REASON_EXTPUSH;
  param.pOptItem = r->pOptItem;
  param.cOptItem = r->cOptItem;
  param.pCurItem = it;
  param.OldSel = it->Sel;
  param.UserData = r->UserData;
  const INT_PTR result = DialogBoxParamW(r->hInstCaller, MAKEINTRESOURCEW(v.extPushDialogId), nullptr, v.extPushProc,
                                         reinterpret_cast<LPARAM>(&param));
  if (dialogResult != nullptr) *dialogResult = result;
  if (!v.callback) return -1;
  return Callback(page, CPSUICB_REASON_EXTPUSH, it, it->Sel);
}

LONG PropertySheetSession::Apply(int page) {
  if (Records(page) == nullptr) {
    Refuse("cannot apply page " + std::to_string(page) + ": there is no such page");
    return -1;
  }
  return Callback(page, CPSUICB_REASON_APPLYNOW, nullptr, 0);
}

LONG PropertySheetSession::Restore(int page, WORD reason) {
  COMPROPSHEETUI* r = Records(page);
  if (r == nullptr) {
    Refuse("cannot undo page " + std::to_string(page) + ": there is no such page");
    return -1;
  }
  const std::vector<LONG>& initial = pages_[page].initialSelections;
  for (WORD i = 0; i < r->cOptItem && i < initial.size(); ++i) r->pOptItem[i].Sel = initial[i];
  return Callback(page, reason, nullptr, 0);
}

LONG PropertySheetSession::Undo(int page) { return Restore(page, CPSUICB_REASON_UNDO_CHANGES); }

LONG PropertySheetSession::Revert(int page) { return Restore(page, CPSUICB_REASON_ITEMS_REVERTED); }

LONG PropertySheetSession::About(int page) {
  const COMPROPSHEETUI* r = Records(page);
  if (r == nullptr || (r->Flags & CPSUIF_ABOUT_CALLBACK) == 0) {
    Refuse("cannot ask page " + std::to_string(page) + " for its About: it offers none");
    return -1;
  }
  return Callback(page, CPSUICB_REASON_ABOUT, nullptr, 0);
}

LONG PropertySheetSession::SetResult(LRESULT result) {
  SETRESULT_INFO setResult{};
  setResult.cbSize = sizeof setResult;
  setResult.hSetResult = this;
  setResult.Result = result;
  info_.Reason = PROPSHEETUI_REASON_SET_RESULT;
  return function_(&info_, reinterpret_cast<LPARAM>(&setResult));
}

LONG PropertySheetSession::Destroy() {
  destroyed_ = true;
  info_.Reason = PROPSHEETUI_REASON_DESTROY;
  const LONG result = function_(&info_, TRUE);
  pages_.clear();
  return result;
}

}  // namespace tolma::host
