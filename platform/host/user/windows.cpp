// Host window manager: live windows, message sending and posting, focus, enabling, text, geometry, window
// longs, invalidation and the paint hooks of the GDI.
#include "platform/host/gdi/gdi_state.h"
#include "platform/host/state.h"
#include "platform/host/user/user_state.h"

#include <algorithm>
#include <cstring>
#include <mutex>
#include <set>

using tolma::host::detail::HostMutex;
using tolma::host::detail::Window;

namespace tolma::host::detail {

// Defined with the dialogs and the controls.
LRESULT DialogMessage(Window* dialog, UINT message, WPARAM wParam, LPARAM lParam);
LRESULT ControlMessage(Window* control, UINT message, WPARAM wParam, LPARAM lParam);
std::set<Window*>& LiveWindows();
std::vector<Window*>& DialogStack();

namespace {

struct Posted {
  HWND window;
  UINT message;
  WPARAM wParam;
  LPARAM lParam;
};
std::deque<Posted>& PostedMessages() {
  static std::deque<Posted> queue;
  return queue;
}

RECT Union(const RECT& a, const RECT& b) {
  return RECT{std::min(a.left, b.left), std::min(a.top, b.top), std::max(a.right, b.right),
              std::max(a.bottom, b.bottom)};
}

}  // namespace

std::set<Window*>& LiveWindows() {
  static std::set<Window*> windows;
  return windows;
}

std::vector<Window*>& DialogStack() {
  static std::vector<Window*> stack;
  return stack;
}

Window* FindWindow(HWND window) {
  auto* w = reinterpret_cast<Window*>(window);
  return LiveWindows().count(w) ? w : nullptr;
}

Window* DialogOf(Window* window) {
  if (window == nullptr) return nullptr;
  return window->kind == ControlKind::Dialog ? window : window->parent;
}

Window* ControlOf(Window* dialog, int id) {
  if (dialog == nullptr) return nullptr;
  for (Window* c : dialog->children)
    if (c->id == id) return c;
  return nullptr;
}

Window* RunningDialog() { return DialogStack().empty() ? nullptr : DialogStack().back(); }

LRESULT Send(Window* window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (window == nullptr) return 0;
  return window->kind == ControlKind::Dialog ? DialogMessage(window, message, wParam, lParam)
                                             : ControlMessage(window, message, wParam, lParam);
}

void NotifyParent(Window* control, UINT code) {
  if (control == nullptr || control->parent == nullptr) return;
  Send(control->parent, WM_COMMAND, MAKEWPARAM(control->id, code), reinterpret_cast<LPARAM>(control->handle()));
}

void MoveFocus(Window* dialog, Window* control) {
  if (dialog == nullptr || dialog->focus == control) return;
  Window* old = dialog->focus;
  dialog->focus = control;
  if (old != nullptr && FindWindow(old->handle()) != nullptr)
    Send(old, WM_KILLFOCUS, reinterpret_cast<WPARAM>(control ? control->handle() : nullptr), 0);
  if (control != nullptr && dialog->focus == control)
    Send(control, WM_SETFOCUS, reinterpret_cast<WPARAM>(old ? old->handle() : nullptr), 0);
}

void Invalidate(Window* dialog, const RECT* rect, bool erase) {
  if (dialog == nullptr) return;
  const RECT whole{0, 0, dialog->clientWidth, dialog->clientHeight};
  RECT r = rect != nullptr ? *rect : whole;
  r = RECT{std::max<LONG>(r.left, 0), std::max<LONG>(r.top, 0), std::min(r.right, whole.right),
           std::min(r.bottom, whole.bottom)};
  if (r.right <= r.left || r.bottom <= r.top) return;
  dialog->update = dialog->hasUpdate ? Union(dialog->update, r) : r;
  dialog->hasUpdate = true;
  dialog->eraseUpdate = dialog->eraseUpdate || erase;
}

bool TakeUpdate(HWND handle, RECT& update, bool& erase) {
  Window* w = FindWindow(handle);
  if (w == nullptr || w->kind != ControlKind::Dialog) return false;
  update = w->hasUpdate ? w->update : RECT{0, 0, w->clientWidth, w->clientHeight};
  erase = w->hasUpdate && w->eraseUpdate;
  w->hasUpdate = false;
  w->eraseUpdate = false;
  return true;
}

bool EraseBackground(HWND handle, HDC dc) {
  Window* w = FindWindow(handle);
  if (w == nullptr) return false;
  return Send(w, WM_ERASEBKGND, reinterpret_cast<WPARAM>(dc), 0) != 0;
}

// Posted messages go to the running dialogs' loop, which dispatches them in order.
bool DispatchPosted() {
  bool any = false;
  while (!PostedMessages().empty()) {
    const Posted p = PostedMessages().front();
    PostedMessages().pop_front();
    if (Window* w = FindWindow(p.window)) {
      Send(w, p.message, p.wParam, p.lParam);
      any = true;
    }
  }
  return any;
}

void ForgetPosted(Window* window) {
  auto& q = PostedMessages();
  q.erase(std::remove_if(q.begin(), q.end(), [&](const Posted& p) { return p.window == window->handle(); }), q.end());
}

void ResetWindows() {
  for (Window* w : LiveWindows()) delete w;
  LiveWindows().clear();
  DialogStack().clear();
  PostedMessages().clear();
}

}  // namespace tolma::host::detail

namespace tolma::host {

HWND CurrentDialog() {
  std::lock_guard lock(HostMutex());
  Window* d = detail::RunningDialog();
  return d ? d->handle() : nullptr;
}

int LiveWindowCount() {
  std::lock_guard lock(HostMutex());
  return static_cast<int>(detail::LiveWindows().size());
}

}  // namespace tolma::host

extern "C" {

LRESULT WINAPI SendMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return 0;
  }
  return tolma::host::detail::Send(w, message, wParam, lParam);
}

BOOL WINAPI PostMessageW(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  std::lock_guard lock(HostMutex());
  if (tolma::host::detail::FindWindow(window) == nullptr) {
    SetLastError(ERROR_INVALID_WINDOW_HANDLE);
    return FALSE;
  }
  tolma::host::detail::PostedMessages().push_back({window, message, wParam, lParam});
  return TRUE;
}

BOOL WINAPI IsWindow(HWND window) {
  std::lock_guard lock(HostMutex());
  return tolma::host::detail::FindWindow(window) != nullptr;
}

HWND WINAPI GetParent(HWND window) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr) return nullptr;
  if (w->parent != nullptr) return w->parent->handle();
  return w->owner;  // a dialog's owner
}

// Disabling the focused control takes the focus away, as Windows does.
BOOL WINAPI EnableWindow(HWND window, BOOL enable) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr) return FALSE;
  const BOOL wasDisabled = w->enabled ? FALSE : TRUE;
  const bool now = enable != FALSE;
  if (w->enabled != now) {
    w->enabled = now;
    if (!now && w->parent != nullptr && w->parent->focus == w) tolma::host::detail::MoveFocus(w->parent, nullptr);
    tolma::host::detail::Send(w, WM_ENABLE, now ? TRUE : FALSE, 0);
  }
  return wasDisabled;
}

BOOL WINAPI IsWindowEnabled(HWND window) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  return w != nullptr && w->enabled;
}

BOOL WINAPI ShowWindow(HWND window, int command) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr) return FALSE;
  const BOOL wasVisible = w->visible ? TRUE : FALSE;
  w->visible = command != SW_HIDE;
  if (!w->visible && w->parent != nullptr && w->parent->focus == w) tolma::host::detail::MoveFocus(w->parent, nullptr);
  return wasVisible;
}

BOOL WINAPI IsWindowVisible(HWND window) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr || !w->visible) return FALSE;
  return w->parent == nullptr || w->parent->visible;
}

BOOL WINAPI SetWindowTextW(HWND window, LPCWSTR text) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr) return FALSE;
  return tolma::host::detail::Send(w, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) != 0;
}

int WINAPI GetWindowTextW(HWND window, LPWSTR text, int max) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr || text == nullptr || max <= 0) return 0;
  return static_cast<int>(tolma::host::detail::Send(w, WM_GETTEXT, max, reinterpret_cast<LPARAM>(text)));
}

int WINAPI GetWindowTextLengthW(HWND window) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  return w == nullptr ? 0 : static_cast<int>(tolma::host::detail::Send(w, WM_GETTEXTLENGTH, 0, 0));
}

BOOL WINAPI GetClientRect(HWND window, LPRECT rect) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr || rect == nullptr) return FALSE;
  if (w->kind == tolma::host::ControlKind::Dialog)
    *rect = RECT{0, 0, w->clientWidth, w->clientHeight};
  else
    *rect = RECT{0, 0, w->rect.right - w->rect.left, w->rect.bottom - w->rect.top};
  return TRUE;
}

// Screen coordinates: a dialog's frame; a control's rectangle moved by its dialog's client origin.
BOOL WINAPI GetWindowRect(HWND window, LPRECT rect) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr || rect == nullptr) return FALSE;
  if (w->kind == tolma::host::ControlKind::Dialog) {
    *rect = w->frame;
  } else {
    const POINT o = w->parent->clientOrigin;
    *rect = RECT{w->rect.left + o.x, w->rect.top + o.y, w->rect.right + o.x, w->rect.bottom + o.y};
  }
  return TRUE;
}

namespace {
// A window's client origin on the screen.
bool ClientOrigin(HWND window, POINT& origin) {
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr) return false;
  if (w->kind == tolma::host::ControlKind::Dialog) {
    origin = w->clientOrigin;
  } else {
    origin = POINT{w->parent->clientOrigin.x + w->rect.left, w->parent->clientOrigin.y + w->rect.top};
  }
  return true;
}
}  // namespace

BOOL WINAPI ScreenToClient(HWND window, POINT* point) {
  std::lock_guard lock(HostMutex());
  POINT o{};
  if (point == nullptr || !ClientOrigin(window, o)) return FALSE;
  point->x -= o.x;
  point->y -= o.y;
  return TRUE;
}

BOOL WINAPI ClientToScreen(HWND window, POINT* point) {
  std::lock_guard lock(HostMutex());
  POINT o{};
  if (point == nullptr || !ClientOrigin(window, o)) return FALSE;
  point->x += o.x;
  point->y += o.y;
  return TRUE;
}

// From one window's client coordinates to another's (nullptr: the screen).
int WINAPI MapWindowPoints(HWND from, HWND to, POINT* points, UINT count) {
  std::lock_guard lock(HostMutex());
  POINT a{}, b{};
  if ((from != nullptr && !ClientOrigin(from, a)) || (to != nullptr && !ClientOrigin(to, b))) return 0;
  const LONG dx = a.x - b.x, dy = a.y - b.y;
  for (UINT i = 0; points != nullptr && i < count; ++i) {
    points[i].x += dx;
    points[i].y += dy;
  }
  return MAKELONG(static_cast<WORD>(dx), static_cast<WORD>(dy));
}

LONG_PTR WINAPI GetWindowLongPtrW(HWND window, int index) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr) return 0;
  const bool dialog = w->kind == tolma::host::ControlKind::Dialog;
  switch (index) {
    case GWL_STYLE:
      return static_cast<LONG>(w->style);
    case GWL_EXSTYLE:
      return static_cast<LONG>(w->exStyle);
    case GWLP_ID:
      return w->id;
    case GWLP_USERDATA:
      return w->userData;
    case DWLP_MSGRESULT:
      return dialog ? w->msgResult : 0;
    case DWLP_DLGPROC:
      return dialog ? reinterpret_cast<LONG_PTR>(w->proc) : 0;
    case DWLP_USER:
      return dialog ? w->dlgUser : 0;
    default:
      return 0;
  }
}

LONG_PTR WINAPI SetWindowLongPtrW(HWND window, int index, LONG_PTR value) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr) return 0;
  const LONG_PTR previous = GetWindowLongPtrW(window, index);
  const bool dialog = w->kind == tolma::host::ControlKind::Dialog;
  switch (index) {
    case GWL_STYLE:
      w->style = static_cast<DWORD>(value);
      break;
    case GWL_EXSTYLE:
      w->exStyle = static_cast<DWORD>(value);
      break;
    case GWLP_USERDATA:
      w->userData = value;
      break;
    case DWLP_MSGRESULT:
      if (dialog) w->msgResult = value;
      break;
    case DWLP_USER:
      if (dialog) w->dlgUser = value;
      break;
    default:
      return 0;
  }
  return previous;
}

HWND WINAPI SetFocus(HWND window) {
  std::lock_guard lock(HostMutex());
  Window* running = tolma::host::detail::RunningDialog();
  Window* w = tolma::host::detail::FindWindow(window);
  Window* dialog = w != nullptr ? tolma::host::detail::DialogOf(w) : running;
  if (dialog == nullptr) return nullptr;
  Window* previous = dialog->focus;
  if (w != nullptr && (!w->enabled || !w->visible)) return previous ? previous->handle() : nullptr;
  tolma::host::detail::MoveFocus(dialog, w == dialog ? nullptr : w);
  return previous ? previous->handle() : nullptr;
}

HWND WINAPI GetFocus(void) {
  std::lock_guard lock(HostMutex());
  Window* d = tolma::host::detail::RunningDialog();
  if (d == nullptr) return nullptr;
  return d->focus ? d->focus->handle() : d->handle();
}

BOOL WINAPI InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr) return FALSE;
  if (w->kind != tolma::host::ControlKind::Dialog) return TRUE;  // controls are not painted
  tolma::host::detail::Invalidate(w, rect, erase != FALSE);
  return TRUE;
}

BOOL WINAPI ValidateRect(HWND window, const RECT*) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr) return FALSE;
  w->hasUpdate = false;
  w->eraseUpdate = false;
  return TRUE;
}

// Paints at once when part of the dialog is invalid.
BOOL WINAPI UpdateWindow(HWND window) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w == nullptr) return FALSE;
  if (w->kind == tolma::host::ControlKind::Dialog && w->hasUpdate) tolma::host::detail::Send(w, WM_PAINT, 0, 0);
  return TRUE;
}

// A device context on a dialog's client area (or, for any other window, its canvas).
HDC WINAPI GetDC(HWND window) {
  std::lock_guard lock(HostMutex());
  Window* w = tolma::host::detail::FindWindow(window);
  if (w != nullptr && w->kind != tolma::host::ControlKind::Dialog) return nullptr;
  tolma::host::detail::GdiDc* dc = tolma::host::detail::NewWindowDc(window, RECTL{}, false);
  dc->fromGetDc = true;
  return reinterpret_cast<HDC>(dc);
}

int WINAPI ReleaseDC(HWND window, HDC handle) {
  std::lock_guard lock(HostMutex());
  tolma::host::detail::GdiDc* dc = tolma::host::detail::FindDc(handle);
  if (dc == nullptr || dc->memory || !dc->fromGetDc || dc->window != window) return 0;
  tolma::host::detail::FreeWindowDc(dc);
  return 1;
}

// number * numerator / denominator rounded half away from zero; -1 when the denominator is 0 or it overflows.
int WINAPI MulDiv(int number, int numerator, int denominator) {
  if (denominator == 0) return -1;
  int64_t product = int64_t(number) * numerator;
  const bool negative = (product < 0) != (denominator < 0);
  const int64_t n = product < 0 ? -product : product;
  const int64_t d = denominator < 0 ? -int64_t(denominator) : denominator;
  const int64_t q = (n + d / 2) / d;
  const int64_t r = negative ? -q : q;
  if (r > 0x7FFFFFFF || r < -0x7FFFFFFFLL - 1) return -1;
  return static_cast<int>(r);
}

}  // extern "C"
