// Host dialog manager: DialogBoxParamW over a module's compiled dialog templates, its modal loop (posted messages,
// painting, the scripted user's actions), the default dialog handling and the Dlg* helper functions.
#include "platform/host/gdi/gdi_state.h"
#include "platform/host/state.h"
#include "platform/host/user/user_state.h"

#include <algorithm>
#include <mutex>
#include <set>

using tolma::host::ControlKind;
using tolma::host::WideString;
using tolma::host::detail::HostMutex;
using tolma::host::detail::Window;

namespace tolma::host::detail {

std::set<Window*>& LiveWindows();
std::vector<Window*>& DialogStack();

namespace {

constexpr ULONG kDialogColour = 0xF0F0F0;
constexpr LONG kCaption = 23;
constexpr LONG kFrame = 3;
constexpr int kMaxPaintsInARow = 64;

WCHAR UpperAscii(WCHAR c) { return c >= u'a' && c <= u'z' ? static_cast<WCHAR>(c - u'a' + u'A') : c; }

bool ClassIs(const ResourceId& cls, uint16_t ordinal, const char16_t* name) {
  if (cls.isNumber) return cls.number == ordinal;
  const WideString wanted(name);
  if (cls.text.size() != wanted.size()) return false;
  for (size_t i = 0; i < wanted.size(); ++i)
    if (UpperAscii(cls.text[i]) != UpperAscii(wanted[i])) return false;
  return true;
}

std::string ClassName(const ResourceId& cls) {
  if (!cls.isNumber) return Utf8Of(cls.text);
  switch (cls.number) {
    case 0x80:
      return "Button";
    case 0x81:
      return "Edit";
    case 0x82:
      return "Static";
    case 0x83:
      return "ListBox";
    case 0x84:
      return "ScrollBar";
    case 0x85:
      return "ComboBox";
    default: {
      std::string name = "#";  // appended, not "#" + ...: GCC's optimiser misreports that as an overlapping copy
      name += std::to_string(cls.number);
      return name;
    }
  }
}

// The kind of control a template's class makes; false for a class the host does not offer (or whose common
// controls were not initialised).
bool KindOf(const ResourceId& cls, ControlKind& kind, std::string& why) {
  if (ClassIs(cls, 0x80, u"Button")) {
    kind = ControlKind::Button;
  } else if (ClassIs(cls, 0x81, u"Edit")) {
    kind = ControlKind::Edit;
  } else if (ClassIs(cls, 0x82, u"Static")) {
    kind = ControlKind::Static;
  } else if (ClassIs(cls, 0x85, u"ComboBox")) {
    kind = ControlKind::ComboBox;
  } else if (ClassIs(cls, 0xFFFF, u"msctls_trackbar32")) {
    kind = ControlKind::Trackbar;
    if (!(RegisteredCommonControls() & ICC_BAR_CLASSES)) {
      why = "the trackbar class is not registered (InitCommonControlsEx with ICC_BAR_CLASSES)";
      return false;
    }
  } else if (ClassIs(cls, 0xFFFF, u"msctls_updown32")) {
    kind = ControlKind::UpDown;
    if (!(RegisteredCommonControls() & ICC_UPDOWN_CLASS)) {
      why = "the up-down class is not registered (InitCommonControlsEx with ICC_UPDOWN_CLASS)";
      return false;
    }
  } else {
    why = "the host offers no window class " + ClassName(cls);
    return false;
  }
  return true;
}

void Destroy(Window* w) {
  for (Window* c : w->children) Destroy(c);
  ForgetPosted(w);
  LiveWindows().erase(w);
  delete w;
}

// Builds a dialog and its controls from a template; nullptr (with the reason) when a control cannot be made.
Window* CreateDialogWindow(const DialogTemplate& t, int templateId, HWND owner, DLGPROC proc, std::string& why) {
  auto* d = new Window;
  d->kind = ControlKind::Dialog;
  d->className = u"#32770";
  d->style = t.style;
  d->exStyle = t.exStyle;
  d->text = t.title;
  d->proc = proc;
  d->owner = owner;
  d->templateId = templateId;
  d->enabled = true;
  // Base units: those of an 8-point dialog font scaled to the template's size, the system font's without one.
  if (t.style & DS_SETFONT) {
    const int points = t.pointSize != 0 ? t.pointSize : 8;
    d->baseX = MulDiv(6, points, 8);
    d->baseY = MulDiv(13, points, 8);
  } else {
    d->baseX = 8;
    d->baseY = 16;
  }
  d->clientWidth = MulDiv(t.cx, d->baseX, 4);
  d->clientHeight = MulDiv(t.cy, d->baseY, 8);
  const LONG frame = (t.style & (DS_MODALFRAME | WS_DLGFRAME)) ? kFrame : (t.style & WS_BORDER) ? 1 : 0;
  const LONG caption = (t.style & WS_CAPTION) == WS_CAPTION ? kCaption : 0;
  const LONG at = 100 + 20 * static_cast<LONG>(DialogStack().size());
  d->frame = RECT{at, at, at + 2 * frame + d->clientWidth, at + 2 * frame + caption + d->clientHeight};
  d->clientOrigin = POINT{at + frame, at + frame + caption};
  LiveWindows().insert(d);

  for (const ControlTemplate& ct : t.controls) {
    ControlKind kind{};
    if (!KindOf(ct.windowClass, kind, why)) {
      why = "control " + std::to_string(static_cast<int>(ct.id)) + ": " + why;
      Destroy(d);
      return nullptr;
    }
    auto* c = new Window;
    c->kind = kind;
    c->className = ct.windowClass.isNumber ? WideOf(ClassName(ct.windowClass)) : ct.windowClass.text;
    c->parent = d;
    c->id = static_cast<int>(static_cast<short>(static_cast<WORD>(ct.id)));
    c->style = ct.style;
    c->exStyle = ct.exStyle;
    c->enabled = !(ct.style & WS_DISABLED);
    c->visible = (ct.style & WS_VISIBLE) != 0;
    if (!ct.title.isNumber) c->text = ct.title.text;
    const LONG left = MulDiv(ct.x, d->baseX, 4), top = MulDiv(ct.y, d->baseY, 8);
    LONG height = MulDiv(ct.cy, d->baseY, 8);
    if (kind == ControlKind::ComboBox) height = std::min<LONG>(height, MulDiv(12, d->baseY, 8) + 2);  // closed list
    c->rect = RECT{left, top, left + MulDiv(ct.cx, d->baseX, 4), top + height};
    if (kind == ControlKind::Trackbar) c->pageSize = 20;
    if (kind == ControlKind::UpDown) {
      c->minimum = 100;  // the control's default range runs from 100 down to 0
      c->maximum = 0;
      // The buddy is the control made before it; aligning takes the up-down's width off the buddy.
      if ((c->style & UDS_AUTOBUDDY) && !d->children.empty()) {
        Window* buddy = d->children.back();
        c->buddy = buddy;
        const LONG width = c->rect.right - c->rect.left;
        if (c->style & UDS_ALIGNRIGHT) {
          buddy->rect.right -= width;
          c->rect = RECT{buddy->rect.right, buddy->rect.top, buddy->rect.right + width, buddy->rect.bottom};
        } else if (c->style & UDS_ALIGNLEFT) {
          buddy->rect.left += width;
          c->rect = RECT{buddy->rect.left - width, buddy->rect.top, buddy->rect.left, buddy->rect.bottom};
        }
      }
    }
    d->children.push_back(c);
    LiveWindows().insert(c);
  }
  return d;
}

// The control the dialog manager gives the focus to first: the first visible, enabled tab stop.
Window* FirstTabStop(Window* d) {
  for (Window* c : d->children)
    if ((c->style & WS_TABSTOP) && c->enabled && c->visible) return c;
  return nullptr;
}

std::string Describe(Window* d) { return "dialog " + std::to_string(d->templateId) + " \"" + Utf8Of(d->text) + "\""; }

// What DefDlgProc does when the dialog procedure leaves a message alone.
LRESULT DefaultDialog(Window* d, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SYSCOMMAND:
      if ((wParam & 0xFFF0) == SC_CLOSE) Send(d, WM_CLOSE, 0, 0);
      return 0;
    case WM_CLOSE: {
      Window* cancel = ControlOf(d, IDCANCEL);
      if (cancel == nullptr || cancel->enabled)
        PostMessageW(d->handle(), WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(cancel ? cancel->handle() : nullptr));
      return 0;
    }
    case WM_PAINT: {
      PAINTSTRUCT paint;
      if (BeginPaint(d->handle(), &paint) != nullptr) EndPaint(d->handle(), &paint);
      return 0;
    }
    case WM_ERASEBKGND: {
      const RECT all{0, 0, d->clientWidth, d->clientHeight};
      FillRect(reinterpret_cast<HDC>(wParam), &all, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_SETTEXT: {
      const auto* text = reinterpret_cast<const WCHAR*>(lParam);
      d->text = text ? WideString(text) : WideString();
      return TRUE;
    }
    case WM_GETTEXT: {
      auto* out = reinterpret_cast<WCHAR*>(lParam);
      if (out == nullptr || wParam == 0) return 0;
      const size_t n = std::min<size_t>(d->text.size(), wParam - 1);
      std::copy_n(d->text.begin(), n, out);
      out[n] = 0;
      return static_cast<LRESULT>(n);
    }
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(d->text.size());
    case DM_GETDEFID: {
      int id = d->defId;
      if (id == 0)
        for (Window* c : d->children)
          if (c->kind == ControlKind::Button && c->buttonType() == BS_DEFPUSHBUTTON) {
            id = c->id;
            break;
          }
      return id != 0 ? MAKELONG(id, DC_HASDEFID) : 0;
    }
    case DM_SETDEFID:
      d->defId = static_cast<int>(wParam);
      return TRUE;
    default:
      return 0;
  }
}

// Messages whose result is the dialog procedure's own return value rather than DWLP_MSGRESULT.
bool ReturnsDirectly(UINT message) {
  return message == WM_INITDIALOG || (message >= 0x0132 && message <= 0x0138) || message == 0x0039 ||
         message == 0x002E || message == 0x002F || message == 0x0037;
}

void EndDialogWindow(Window* d, INT_PTR result) {
  d->result = result;
  d->ended = true;
  // Hiding the dialog takes the focus away from its control.
  if (d->focus != nullptr) MoveFocus(d, nullptr);
}

// Plays the dialog until it ends: posted messages, then painting, then the next scripted action.
void RunModalLoop(Window* d) {
  int paints = 0;
  for (;;) {
    DispatchPosted();
    if (d->ended) return;
    if (d->hasUpdate) {
      if (++paints > kMaxPaintsInARow) {
        ReportUserFailure(Describe(d) + " keeps invalidating itself while painting");
        EndDialogWindow(d, -1);
        return;
      }
      Send(d, WM_PAINT, 0, 0);
      continue;
    }
    paints = 0;
    std::optional<UserAction> action = TakeAction();
    if (!action) {
      ReportUserFailure(Describe(d) + " is still open and the script has no more actions: closed with -1");
      EndDialogWindow(d, -1);
      return;
    }
    PlayAction(d, *action);
  }
}

}  // namespace

LRESULT DialogMessage(Window* d, UINT message, WPARAM wParam, LPARAM lParam) {
  RecordDialogMessage(d, message, wParam, lParam);
  d->msgResult = 0;
  const INT_PTR handled = d->proc != nullptr ? d->proc(d->handle(), message, wParam, lParam) : 0;
  if (FindWindow(d->handle()) == nullptr) return 0;
  if (ReturnsDirectly(message)) return handled != 0 ? handled : DefaultDialog(d, message, wParam, lParam);
  if (handled == 0) return DefaultDialog(d, message, wParam, lParam);
  return d->msgResult;
}

}  // namespace tolma::host::detail

extern "C" {

INT_PTR WINAPI DialogBoxParamW(HINSTANCE instance, LPCWSTR templateName, HWND owner, DLGPROC dialogProc, LPARAM init) {
  std::lock_guard lock(HostMutex());
  using namespace tolma::host::detail;
  const std::optional<std::vector<uint8_t>> bytes = ModuleResource(instance, RT_DIALOG, templateName);
  if (!bytes) {
    SetLastError(ERROR_RESOURCE_NAME_NOT_FOUND);
    return -1;
  }
  const int templateId = IS_INTRESOURCE(templateName) ? static_cast<int>(reinterpret_cast<ULONG_PTR>(templateName)) : 0;
  const std::optional<DialogTemplate> t = ParseDialogTemplate(*bytes);
  if (!t) {
    ReportUserFailure("dialog template " + std::to_string(templateId) + " is no extended dialog template");
    SetLastError(ERROR_INVALID_DATA);
    return -1;
  }
  std::string why;
  Window* d = CreateDialogWindow(*t, templateId, owner, dialogProc, why);
  if (d == nullptr) {
    ReportUserFailure("dialog " + std::to_string(templateId) + " cannot be created: " + why);
    SetLastError(ERROR_CANNOT_FIND_WND_CLASS);
    return -1;
  }

  // The owner is disabled while the dialog runs.
  Window* ownerWindow = FindWindow(owner);
  const bool reenableOwner = ownerWindow != nullptr && ownerWindow->enabled;
  if (reenableOwner) ownerWindow->enabled = false;
  DialogStack().push_back(d);
  d->running = true;
  MakeCanvas(d->handle(), d->clientWidth, d->clientHeight, kDialogColour);

  // WM_INITDIALOG; a non-zero answer gives the focus to the first tab stop as the dialog then stands (selecting
  // an edit's text).
  Window* first = FirstTabStop(d);
  const LRESULT focusDefault =
      Send(d, WM_INITDIALOG, reinterpret_cast<WPARAM>(first ? first->handle() : nullptr), init);
  first = d->ended ? nullptr : FirstTabStop(d);
  if (focusDefault != 0 && first != nullptr) {
    if (first->kind == ControlKind::Edit) {
      first->selStart = 0;
      first->selEnd = static_cast<DWORD>(first->text.size());
    }
    MoveFocus(d, first);
  }
  if (!d->ended) Invalidate(d, nullptr, true);
  RunModalLoop(d);

  // The view as the dialog ended, then WM_DESTROY and the windows go.
  tolma::host::DialogView view = ViewOfDialog(d);
  view.ended = true;
  view.result = d->result;
  RecordClosedDialog(std::move(view));
  Send(d, WM_DESTROY, 0, 0);
  const INT_PTR result = d->result;
  DialogStack().pop_back();
  DropCanvas(d->handle());
  Destroy(d);
  if (reenableOwner && FindWindow(owner) != nullptr) ownerWindow->enabled = true;
  return result;
}

BOOL WINAPI EndDialog(HWND dialog, INT_PTR result) {
  std::lock_guard lock(HostMutex());
  Window* d = tolma::host::detail::FindWindow(dialog);
  if (d == nullptr || d->kind != ControlKind::Dialog) return FALSE;
  tolma::host::detail::EndDialogWindow(d, result);
  return TRUE;
}

HWND WINAPI GetDlgItem(HWND dialog, int id) {
  std::lock_guard lock(HostMutex());
  Window* c = tolma::host::detail::ControlOf(tolma::host::detail::FindWindow(dialog), id);
  if (c == nullptr) {
    SetLastError(1421);  // ERROR_CONTROL_ID_NOT_FOUND
    return nullptr;
  }
  return c->handle();
}

int WINAPI GetDlgCtrlID(HWND window) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  return w != nullptr && w->kind != ControlKind::Dialog ? w->id : 0;
}

LRESULT WINAPI SendDlgItemMessageW(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard lock(HostMutex());
  Window* c = tolma::host::detail::ControlOf(tolma::host::detail::FindWindow(dialog), id);
  return c != nullptr ? tolma::host::detail::Send(c, message, wParam, lParam) : 0;
}

BOOL WINAPI SetDlgItemTextW(HWND dialog, int id, LPCWSTR text) {
  return SendDlgItemMessageW(dialog, id, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

UINT WINAPI GetDlgItemTextW(HWND dialog, int id, LPWSTR text, int max) {
  if (text == nullptr || max <= 0) return 0;
  text[0] = 0;
  return static_cast<UINT>(
      SendDlgItemMessageW(dialog, id, WM_GETTEXT, static_cast<WPARAM>(max), reinterpret_cast<LPARAM>(text)));
}

BOOL WINAPI SetDlgItemInt(HWND dialog, int id, UINT value, BOOL isSigned) {
  const std::string digits = isSigned ? std::to_string(static_cast<int>(value)) : std::to_string(value);
  const WideString text = tolma::host::Wide(digits);
  return SetDlgItemTextW(dialog, id, text.c_str());
}

// Leading blanks, a minus sign when signed, decimal digits, trailing blanks; anything else, or a value out of
// range, is no number (0 and *translated FALSE).
UINT WINAPI GetDlgItemInt(HWND dialog, int id, BOOL* translated, BOOL isSigned) {
  if (translated != nullptr) *translated = FALSE;
  WCHAR text[64] = {};
  std::lock_guard lock(HostMutex());
  Window* c = tolma::host::detail::ControlOf(tolma::host::detail::FindWindow(dialog), id);
  if (c == nullptr) return 0;
  const WideString all = [&] {
    const LRESULT length = tolma::host::detail::Send(c, WM_GETTEXTLENGTH, 0, 0);
    if (length >= static_cast<LRESULT>(std::size(text))) return WideString(u"x");  // too long for a number
    tolma::host::detail::Send(c, WM_GETTEXT, std::size(text), reinterpret_cast<LPARAM>(text));
    return WideString(text);
  }();
  size_t i = 0;
  while (i < all.size() && all[i] == u' ') ++i;
  bool negative = false;
  if (isSigned && i < all.size() && all[i] == u'-') {
    negative = true;
    ++i;
  }
  int64_t value = 0;
  size_t digits = 0;
  for (; i < all.size() && all[i] >= u'0' && all[i] <= u'9'; ++i, ++digits) {
    value = value * 10 + (all[i] - u'0');
    if (value > 0xFFFFFFFFLL) return 0;
  }
  while (i < all.size() && all[i] == u' ') ++i;
  if (digits == 0 || i != all.size()) return 0;
  if (negative) value = -value;
  if (isSigned && (value > 0x7FFFFFFF || value < -0x80000000LL)) return 0;
  if (translated != nullptr) *translated = TRUE;
  return static_cast<UINT>(static_cast<uint32_t>(value));
}

BOOL WINAPI CheckDlgButton(HWND dialog, int id, UINT check) {
  SendDlgItemMessageW(dialog, id, BM_SETCHECK, check, 0);
  return TRUE;
}

UINT WINAPI IsDlgButtonChecked(HWND dialog, int id) {
  return static_cast<UINT>(SendDlgItemMessageW(dialog, id, BM_GETCHECK, 0, 0));
}

BOOL WINAPI CheckRadioButton(HWND dialog, int firstId, int lastId, int checkId) {
  std::lock_guard lock(HostMutex());
  Window* d = tolma::host::detail::FindWindow(dialog);
  if (d == nullptr) return FALSE;
  for (int id = firstId; id <= lastId; ++id)
    if (Window* c = tolma::host::detail::ControlOf(d, id))
      tolma::host::detail::Send(c, BM_SETCHECK, id == checkId ? BST_CHECKED : BST_UNCHECKED, 0);
  return TRUE;
}

// Dialog units to pixels with the dialog's base units.
BOOL WINAPI MapDialogRect(HWND dialog, LPRECT rect) {
  std::lock_guard lock(HostMutex());
  Window* d = tolma::host::detail::FindWindow(dialog);
  if (d == nullptr || d->kind != ControlKind::Dialog || rect == nullptr) return FALSE;
  rect->left = MulDiv(rect->left, d->baseX, 4);
  rect->right = MulDiv(rect->right, d->baseX, 4);
  rect->top = MulDiv(rect->top, d->baseY, 8);
  rect->bottom = MulDiv(rect->bottom, d->baseY, 8);
  return TRUE;
}

// The system font's base units.
LONG WINAPI GetDialogBaseUnits(void) { return MAKELONG(8, 16); }

}  // extern "C"
