// The scripted user: a queue of what a person does, played on the running dialog the way Windows delivers it,
// refusing what a person cannot do; views of dialogs and controls; the records of dialog traffic.
#include "platform/host/draw_host.h"
#include "platform/host/gdi/gdi_state.h"
#include "platform/host/state.h"
#include "platform/host/user/user_state.h"

#include <deque>
#include <mutex>

using tolma::host::ControlKind;
using tolma::host::WideString;
using tolma::host::detail::HostMutex;
using tolma::host::detail::UserAction;
using tolma::host::detail::Window;

namespace tolma::host::detail {
namespace {

struct ScriptState {
  std::deque<UserAction> actions;
  std::function<void(const std::string&)> handler;
  std::vector<std::string> failures;
  std::vector<DialogView> closed;
  std::vector<DialogMessage> messages;
};

ScriptState& Script() {
  static ScriptState state;
  return state;
}

std::string Describe(Window* d) { return "dialog " + std::to_string(d->templateId) + " \"" + Utf8Of(d->text) + "\""; }

std::string KindName(ControlKind kind) {
  switch (kind) {
    case ControlKind::Dialog:
      return "dialog";
    case ControlKind::Button:
      return "button";
    case ControlKind::Edit:
      return "edit";
    case ControlKind::Static:
      return "static";
    case ControlKind::ComboBox:
      return "list";
    case ControlKind::ListBox:
      return "list box";
    case ControlKind::Trackbar:
      return "trackbar";
    case ControlKind::UpDown:
      return "up-down control";
  }
  return "control";
}

// The control an action is for, when a person can act on it (else a failure and nullptr).
Window* Usable(Window* d, const UserAction& a, const std::string& verb, ControlKind kind) {
  Window* c = ControlOf(d, a.id);
  const std::string what = Describe(d) + ": cannot " + verb + " control " + std::to_string(a.id);
  if (c == nullptr) {
    ReportUserFailure(what + ": there is no such control");
    return nullptr;
  }
  if (c->kind != kind) {
    ReportUserFailure(what + ": it is a " + KindName(c->kind) + ", not a " + KindName(kind));
    return nullptr;
  }
  if (!c->visible) {
    ReportUserFailure(what + ": it is hidden");
    return nullptr;
  }
  if (!c->enabled || !d->enabled) {
    ReportUserFailure(what + ": it is disabled");
    return nullptr;
  }
  return c;
}

// Clicking into an edit: the focus, and the caret after the text (or the whole text selected).
void ClickIntoEdit(Window* d, Window* e, bool selectAll) {
  MoveFocus(d, e);
  e->selEnd = static_cast<DWORD>(e->text.size());
  e->selStart = selectAll ? 0 : e->selEnd;
}

bool StillUsable(Window* d, Window* c) { return !d->ended && FindWindow(c->handle()) && c->enabled && c->visible; }

void ChooseEntry(Window* d, Window* c, int index) {
  MoveFocus(d, c);
  if (!StillUsable(d, c)) return;
  NotifyParent(c, CBN_DROPDOWN);
  const bool changed = c->selected != index;
  c->selected = index;
  if (changed) NotifyParent(c, CBN_SELCHANGE);
  NotifyParent(c, CBN_SELENDOK);
  NotifyParent(c, CBN_CLOSEUP);
}

void DragTrackbar(Window* d, Window* t, LONG position) {
  MoveFocus(d, t);
  if (!StillUsable(d, t)) return;
  t->position = position;
  const UINT message = (t->style & TBS_VERT) ? WM_VSCROLL : WM_HSCROLL;
  const auto from = reinterpret_cast<LPARAM>(t->handle());
  for (WORD code : {WORD(TB_THUMBTRACK), WORD(TB_THUMBPOSITION), WORD(TB_ENDTRACK)}) {
    if (d->ended) return;
    Send(d, message, MAKEWPARAM(code, code == TB_ENDTRACK ? 0 : static_cast<WORD>(position)), from);
  }
}

// One click on an up-down arrow: UDN_DELTAPOS (which may refuse it), the new position (from the buddy's text
// first), the buddy's text, then SB_THUMBPOSITION and SB_ENDSCROLL.
void ClickArrow(Window* d, Window* u, bool up) {
  if (u->buddy != nullptr && (u->style & UDS_SETBUDDYINT)) {
    LPARAM error = 0;
    const LRESULT pos = Send(u, UDM_GETPOS32, 0, reinterpret_cast<LPARAM>(&error));
    if (!error) u->position = static_cast<LONG>(pos);
  }
  const int towardsMaximum = u->maximum >= u->minimum ? 1 : -1;
  NMUPDOWN change{};
  change.hdr.hwndFrom = u->handle();
  change.hdr.idFrom = static_cast<UINT_PTR>(u->id);
  change.hdr.code = UDN_DELTAPOS;
  change.iPos = u->position;
  change.iDelta = up ? towardsMaximum : -towardsMaximum;
  if (Send(d, WM_NOTIFY, static_cast<WPARAM>(u->id), reinterpret_cast<LPARAM>(&change)) != 0 || d->ended) return;
  const LONG low = std::min(u->minimum, u->maximum), high = std::max(u->minimum, u->maximum);
  LONG next = u->position + change.iDelta;
  if (next < low) next = (u->style & UDS_WRAP) ? high : low;
  if (next > high) next = (u->style & UDS_WRAP) ? low : high;
  if (next == u->position) return;
  SetUpDownPosition(u, next);
  const UINT message = (u->style & UDS_HORZ) ? WM_HSCROLL : WM_VSCROLL;
  const auto from = reinterpret_cast<LPARAM>(u->handle());
  Send(d, message, MAKEWPARAM(SB_THUMBPOSITION, static_cast<WORD>(next)), from);
  if (!d->ended) Send(d, message, MAKEWPARAM(SB_ENDSCROLL, static_cast<WORD>(next)), from);
}

// Enter: the focused push button, else the default button (when enabled), else IDOK.
void PressEnterOn(Window* d) {
  Window* target = nullptr;
  if (d->focus != nullptr && d->focus->kind == ControlKind::Button &&
      (d->focus->buttonType() == BS_PUSHBUTTON || d->focus->buttonType() == BS_DEFPUSHBUTTON))
    target = d->focus;
  int id = IDOK;
  if (target == nullptr) {
    const LRESULT def = Send(d, DM_GETDEFID, 0, 0);
    if (HIWORD(def) == DC_HASDEFID) {
      id = static_cast<short>(LOWORD(def));
      target = ControlOf(d, id);
    }
  } else {
    id = target->id;
  }
  if (target != nullptr && !target->enabled) return;
  Send(d, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED), reinterpret_cast<LPARAM>(target ? target->handle() : nullptr));
}

void PressEscapeOn(Window* d) {
  Window* cancel = ControlOf(d, IDCANCEL);
  if (cancel != nullptr && !cancel->enabled) return;
  Send(d, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), reinterpret_cast<LPARAM>(cancel ? cancel->handle() : nullptr));
}

ControlView ViewOfControl(Window* c) {
  ControlView v;
  v.window = c->handle();
  v.id = c->id;
  v.kind = c->kind;
  v.className = Utf8Of(c->className);
  v.style = c->style;
  v.rect = c->rect;
  v.text = Utf8Of(c->text);
  v.enabled = c->enabled;
  v.visible = c->visible;
  v.focused = c->parent != nullptr && c->parent->focus == c;
  v.checked = c->check;
  for (const auto& [text, data] : c->items) v.entries.push_back({Utf8Of(text), data});
  v.selected = c->selected;
  if (c->kind == ControlKind::ComboBox) v.text = v.selectedText();
  if (c->kind == ControlKind::Trackbar || c->kind == ControlKind::UpDown) {
    v.minimum = c->minimum;
    v.maximum = c->maximum;
    v.position = c->position;
  }
  v.ticks = c->ticks;
  v.buddyId = c->buddy != nullptr ? c->buddy->id : 0;
  return v;
}

}  // namespace

void QueueAction(UserAction action) { Script().actions.push_back(std::move(action)); }

std::optional<UserAction> TakeActionOf(UserAction::Kind kind) {
  auto& q = Script().actions;
  if (q.empty() || q.front().kind != kind) return std::nullopt;
  UserAction a = std::move(q.front());
  q.pop_front();
  return a;
}

std::optional<UserAction> TakeAction() {
  auto& q = Script().actions;
  if (q.empty()) return std::nullopt;
  UserAction a = std::move(q.front());
  q.pop_front();
  return a;
}

void ReportUserFailure(const std::string& message) {
  ScriptState& s = Script();
  s.failures.push_back(message);
  if (s.handler) s.handler("scripted user: " + message);
}

void RecordDialogMessage(Window* dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  Script().messages.push_back({dialog->templateId, message, wParam, lParam});
}

void RecordClosedDialog(DialogView view) { Script().closed.push_back(std::move(view)); }

DialogView ViewOfDialog(Window* d) {
  DialogView v;
  v.window = d->handle();
  v.templateId = d->templateId;
  v.title = Utf8Of(d->text);
  v.ended = d->ended;
  v.result = d->result;
  for (Window* c : d->children) v.controls.push_back(ViewOfControl(c));
  if (std::shared_ptr<GdiBitmap> canvas = CanvasOf(d->handle(), false)) {
    v.width = canvas->width;
    v.height = canvas->height;
    v.pixels.resize(static_cast<size_t>(v.width) * static_cast<size_t>(v.height) * 3);
    const PixelPlane plane = canvas->Plane();
    size_t at = 0;
    for (LONG y = 0; y < v.height; ++y)
      for (LONG x = 0; x < v.width; ++x) {
        const ULONG c = plane.Get(x, y);
        v.pixels[at++] = static_cast<uint8_t>(c >> 16);
        v.pixels[at++] = static_cast<uint8_t>(c >> 8);
        v.pixels[at++] = static_cast<uint8_t>(c);
      }
  }
  return v;
}

void PlayAction(Window* d, const UserAction& a) {
  using Kind = UserAction::Kind;
  switch (a.kind) {
    case Kind::Click:
      if (Window* b = Usable(d, a, "click", ControlKind::Button)) {
        if (b->buttonType() == BS_GROUPBOX)
          ReportUserFailure(Describe(d) + ": cannot click control " + std::to_string(a.id) + ": it is a group box");
        else
          ClickButton(b);
      }
      return;
    case Kind::Tick:
    case Kind::Untick:
      if (Window* b = Usable(d, a, a.kind == Kind::Tick ? "tick" : "untick", ControlKind::Button)) {
        if (!b->isCheckBox() && !b->isRadio()) {
          ReportUserFailure(Describe(d) + ": control " + std::to_string(a.id) + " is no check box or radio button");
        } else if (a.kind == Kind::Untick && b->isRadio()) {
          ReportUserFailure(Describe(d) + ": a radio button (" + std::to_string(a.id) + ") cannot be unticked");
        } else {
          const int wanted = a.kind == Kind::Tick ? BST_CHECKED : BST_UNCHECKED;
          for (int clicks = 0; clicks < 3 && b->check != wanted && StillUsable(d, b); ++clicks) ClickButton(b);
        }
      }
      return;
    case Kind::Type:
    case Kind::Retype:
    case Kind::Erase:
      if (Window* e = Usable(d, a, a.kind == Kind::Erase ? "erase" : "type into", ControlKind::Edit)) {
        if (e->style & ES_READONLY) {
          ReportUserFailure(Describe(d) + ": cannot type into control " + std::to_string(a.id) + ": it is read-only");
          return;
        }
        ClickIntoEdit(d, e, a.kind != Kind::Type);
        if (a.kind == Kind::Erase || (a.kind == Kind::Retype && a.text.empty())) {
          if (StillUsable(d, e) && !e->text.empty()) {
            e->text.clear();
            e->selStart = e->selEnd = 0;
            NotifyParent(e, EN_UPDATE);
            NotifyParent(e, EN_CHANGE);
          }
          return;
        }
        for (WCHAR c : WideOf(a.text)) {
          if (!StillUsable(d, e)) return;
          TypeCharacter(e, c);
        }
      }
      return;
    case Kind::Focus: {
      Window* c = ControlOf(d, a.id);
      if (c == nullptr || c->kind == ControlKind::Static ||
          (c->kind == ControlKind::Button && c->buttonType() == BS_GROUPBOX)) {
        ReportUserFailure(Describe(d) + ": control " + std::to_string(a.id) + " cannot take the focus");
        return;
      }
      if (Usable(d, a, "focus", c->kind)) MoveFocus(d, c);
      return;
    }
    case Kind::Select:
    case Kind::SelectIndex:
      if (Window* c = Usable(d, a, "choose from", ControlKind::ComboBox)) {
        int index = a.value;
        if (a.kind == Kind::Select) {
          index = -1;
          std::string entries;
          for (size_t i = 0; i < c->items.size(); ++i) {
            const std::string text = Utf8Of(c->items[i].first);
            if (index < 0 && text == a.text) index = static_cast<int>(i);
            entries += (i ? ", \"" : "\"") + text + "\"";
          }
          if (index < 0) {
            ReportUserFailure(Describe(d) + ": list " + std::to_string(a.id) + " has no entry \"" + a.text +
                              "\" (entries: " + entries + ")");
            return;
          }
        } else if (index < 0 || index >= static_cast<int>(c->items.size())) {
          ReportUserFailure(Describe(d) + ": list " + std::to_string(a.id) + " has no entry " + std::to_string(index));
          return;
        }
        ChooseEntry(d, c, index);
      }
      return;
    case Kind::MoveTrackbar:
      if (Window* t = Usable(d, a, "move", ControlKind::Trackbar)) {
        if (a.value < std::min(t->minimum, t->maximum) || a.value > std::max(t->minimum, t->maximum)) {
          ReportUserFailure(Describe(d) + ": trackbar " + std::to_string(a.id) + " cannot go to " +
                            std::to_string(a.value) + " (range " + std::to_string(t->minimum) + ".." +
                            std::to_string(t->maximum) + ")");
          return;
        }
        DragTrackbar(d, t, a.value);
      }
      return;
    case Kind::Spin:
      if (Window* u = Usable(d, a, "spin", ControlKind::UpDown)) {
        const int clicks = a.value < 0 ? -a.value : a.value;
        for (int i = 0; i < clicks && StillUsable(d, u); ++i) ClickArrow(d, u, a.value > 0);
      }
      return;
    case Kind::PressEnter:
      PressEnterOn(d);
      return;
    case Kind::PressEscape:
      PressEscapeOn(d);
      return;
    case Kind::CloseBox:
      if (!(d->style & WS_SYSMENU)) {
        ReportUserFailure(Describe(d) + " has no close box (WS_SYSMENU)");
        return;
      }
      Send(d, WM_SYSCOMMAND, SC_CLOSE, 0);
      return;
    case Kind::AnswerMessageBox:
      ReportUserFailure(Describe(d) + ": a message box answer is next but no message box is open");
      return;
    case Kind::ChooseFile:
    case Kind::CancelFileDialog:
      ReportUserFailure(Describe(d) + ": a file dialog answer is next but no file dialog is open");
      return;
    case Kind::Look:
      if (a.look) a.look(ViewOfDialog(d));
      return;
  }
}

void ResetScript() { Script() = ScriptState{}; }

void ResetUser() {
  ResetWindows();
  ResetScript();
  ResetCommonDialogs();
  ResetMessageBoxes();
  ResetDebugOutput();
}

}  // namespace tolma::host::detail

namespace tolma::host {

namespace {
ScriptedUser& Queue(ScriptedUser& user, detail::UserAction::Kind kind, int id = 0, int value = 0,
                    std::string text = {}) {
  std::lock_guard lock(HostMutex());
  detail::UserAction a;
  a.kind = kind;
  a.id = id;
  a.value = value;
  a.text = std::move(text);
  detail::QueueAction(std::move(a));
  return user;
}
using Kind = detail::UserAction::Kind;
}  // namespace

ScriptedUser& ScriptedUser::Click(int id) { return Queue(*this, Kind::Click, id); }
ScriptedUser& ScriptedUser::Tick(int id) { return Queue(*this, Kind::Tick, id); }
ScriptedUser& ScriptedUser::Untick(int id) { return Queue(*this, Kind::Untick, id); }
ScriptedUser& ScriptedUser::Type(int id, const std::string& text) { return Queue(*this, Kind::Type, id, 0, text); }
ScriptedUser& ScriptedUser::Retype(int id, const std::string& text) { return Queue(*this, Kind::Retype, id, 0, text); }
ScriptedUser& ScriptedUser::Erase(int id) { return Queue(*this, Kind::Erase, id); }
ScriptedUser& ScriptedUser::Focus(int id) { return Queue(*this, Kind::Focus, id); }
ScriptedUser& ScriptedUser::Select(int id, const std::string& entry) {
  return Queue(*this, Kind::Select, id, 0, entry);
}
ScriptedUser& ScriptedUser::SelectIndex(int id, int index) { return Queue(*this, Kind::SelectIndex, id, index); }
ScriptedUser& ScriptedUser::MoveTrackbar(int id, int position) {
  return Queue(*this, Kind::MoveTrackbar, id, position);
}
ScriptedUser& ScriptedUser::Spin(int id, int clicks) { return Queue(*this, Kind::Spin, id, clicks); }
ScriptedUser& ScriptedUser::PressEnter() { return Queue(*this, Kind::PressEnter); }
ScriptedUser& ScriptedUser::PressEscape() { return Queue(*this, Kind::PressEscape); }
ScriptedUser& ScriptedUser::CloseBox() { return Queue(*this, Kind::CloseBox); }
ScriptedUser& ScriptedUser::AnswerMessageBox(int button) { return Queue(*this, Kind::AnswerMessageBox, 0, button); }
ScriptedUser& ScriptedUser::ChooseFile(const std::string& path) { return Queue(*this, Kind::ChooseFile, 0, 0, path); }
ScriptedUser& ScriptedUser::CancelFileDialog() { return Queue(*this, Kind::CancelFileDialog); }
ScriptedUser& ScriptedUser::Look(std::function<void(const DialogView&)> look) {
  std::lock_guard lock(HostMutex());
  detail::UserAction a;
  a.kind = Kind::Look;
  a.look = std::move(look);
  detail::QueueAction(std::move(a));
  return *this;
}

int PendingUserActions() {
  std::lock_guard lock(HostMutex());
  return static_cast<int>(detail::Script().actions.size());
}

void SetUserFailureHandler(std::function<void(const std::string&)> handler) {
  std::lock_guard lock(HostMutex());
  detail::Script().handler = std::move(handler);
}

std::vector<std::string> UserFailures() {
  std::lock_guard lock(HostMutex());
  return detail::Script().failures;
}

std::vector<DialogMessage> DialogMessages() {
  std::lock_guard lock(HostMutex());
  return detail::Script().messages;
}

DialogView ViewOf(HWND dialog) {
  std::lock_guard lock(HostMutex());
  Window* w = detail::FindWindow(dialog);
  if (w == nullptr || w->kind != ControlKind::Dialog) return DialogView{};
  return detail::ViewOfDialog(w);
}

std::vector<DialogView> ClosedDialogs() {
  std::lock_guard lock(HostMutex());
  return detail::Script().closed;
}

DialogView LastDialog() {
  std::lock_guard lock(HostMutex());
  const auto& closed = detail::Script().closed;
  return closed.empty() ? DialogView{} : closed.back();
}

const ControlView& DialogView::operator[](int id) const {
  for (const ControlView& c : controls)
    if (c.id == id) return c;
  static const ControlView none;
  std::lock_guard lock(HostMutex());
  detail::ReportUserFailure("the view of dialog " + std::to_string(templateId) + " has no control " +
                            std::to_string(id));
  return none;
}

bool DialogView::Has(int id) const {
  for (const ControlView& c : controls)
    if (c.id == id) return true;
  return false;
}

ULONG DialogView::Pixel(LONG x, LONG y) const {
  if (x < 0 || y < 0 || x >= width || y >= height) return kNoBrush;
  const size_t at = (static_cast<size_t>(y) * static_cast<size_t>(width) + static_cast<size_t>(x)) * 3;
  return (ULONG(pixels[at]) << 16) | (ULONG(pixels[at + 1]) << 8) | pixels[at + 2];
}

int LiveBrushAndPenCount() {
  std::lock_guard lock(HostMutex());
  return detail::LiveBrushAndPenCount();
}

}  // namespace tolma::host
