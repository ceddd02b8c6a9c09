// Host controls: buttons (push, check, radio, group boxes), edits, statics, drop-down lists, trackbars and up-down
// controls, with the messages a dialog procedure sends them and the notifications they send back.
#include "platform/host/state.h"
#include "platform/host/user/user_state.h"

#include <algorithm>
#include <cstring>

using tolma::host::ControlKind;
using tolma::host::WideString;
using tolma::host::detail::Window;

namespace tolma::host::detail {
namespace {

size_t TextLength(const WCHAR* text) {
  size_t n = 0;
  while (text != nullptr && text[n] != 0) ++n;
  return n;
}

WideString TextOf(LPARAM lParam) {
  const auto* text = reinterpret_cast<const WCHAR*>(lParam);
  return WideString(text ? text : u"", TextLength(text));
}

// WM_GETTEXT: at most max - 1 units and a NUL.
LRESULT CopyText(const WideString& text, WPARAM max, LPARAM out) {
  auto* buffer = reinterpret_cast<WCHAR*>(out);
  if (buffer == nullptr || max == 0) return 0;
  const size_t n = std::min<size_t>(text.size(), max - 1);
  std::copy_n(text.begin(), n, buffer);
  buffer[n] = 0;
  return static_cast<LRESULT>(n);
}

WCHAR LowerAscii(WCHAR c) { return c >= u'A' && c <= u'Z' ? static_cast<WCHAR>(c - u'A' + u'a') : c; }

bool EqualNoCase(const WideString& a, const WideString& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (LowerAscii(a[i]) != LowerAscii(b[i])) return false;
  return true;
}
bool LessNoCase(const WideString& a, const WideString& b) {
  return std::lexicographical_compare(a.begin(), a.end(), b.begin(), b.end(),
                                      [](WCHAR x, WCHAR y) { return LowerAscii(x) < LowerAscii(y); });
}
bool StartsNoCase(const WideString& text, const WideString& prefix) {
  return text.size() >= prefix.size() && EqualNoCase(text.substr(0, prefix.size()), prefix);
}

// A number as an up-down control writes it into its buddy.
WideString FormatBuddyInt(LONG value, bool thousands) {
  const std::string digits = std::to_string(value < 0 ? -int64_t(value) : int64_t(value));
  WideString out;
  if (value < 0) out.push_back(u'-');
  for (size_t i = 0; i < digits.size(); ++i) {
    if (thousands && i != 0 && (digits.size() - i) % 3 == 0) out.push_back(u',');
    out.push_back(static_cast<WCHAR>(digits[i]));
  }
  return out;
}

// A buddy's text as an up-down control reads it: an optional minus sign, digits and thousands separators.
bool ParseBuddyInt(const WideString& text, LONG& value) {
  size_t i = 0;
  const bool negative = !text.empty() && text[0] == u'-';
  if (negative) ++i;
  int64_t v = 0;
  bool any = false;
  for (; i < text.size(); ++i) {
    if (text[i] == u',') continue;
    if (text[i] < u'0' || text[i] > u'9') return false;
    v = v * 10 + (text[i] - u'0');
    if (v > 0x7FFFFFFF) return false;
    any = true;
  }
  if (!any) return false;
  value = static_cast<LONG>(negative ? -v : v);
  return true;
}

LONG ClampTo(LONG v, LONG a, LONG b) { return std::clamp(v, std::min(a, b), std::max(a, b)); }

// The controls of a radio button's group: from the control with WS_GROUP at or before it up to the next one.
std::vector<Window*> GroupOf(Window* control) {
  const std::vector<Window*>& all = control->parent->children;
  const auto at = std::find(all.begin(), all.end(), control) - all.begin();
  ptrdiff_t first = at;
  while (first > 0 && !(all[first]->style & WS_GROUP)) --first;
  ptrdiff_t last = at + 1;
  while (last < static_cast<ptrdiff_t>(all.size()) && !(all[last]->style & WS_GROUP)) ++last;
  return std::vector<Window*>(all.begin() + first, all.begin() + last);
}

// --- Edits ---

LRESULT EditMessage(Window* e, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_SETTEXT:
      SetEditText(e, TextOf(lParam));
      return TRUE;
    case WM_SETFOCUS:
      NotifyParent(e, EN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      NotifyParent(e, EN_KILLFOCUS);
      return 0;
    case EM_SETSEL: {
      const auto size = static_cast<LONG>(e->text.size());
      const auto start = static_cast<LONG>(static_cast<int>(wParam));
      const auto end = static_cast<LONG>(static_cast<int>(lParam));
      if (start < 0) {
        e->selStart = e->selEnd;
      } else {
        e->selStart = static_cast<DWORD>(std::min(start, size));
        e->selEnd = static_cast<DWORD>(end < 0 ? size : std::min(end, size));
        if (e->selEnd < e->selStart) std::swap(e->selStart, e->selEnd);
      }
      return 0;
    }
    case EM_GETSEL:
      if (wParam) *reinterpret_cast<DWORD*>(wParam) = e->selStart;
      if (lParam) *reinterpret_cast<DWORD*>(lParam) = e->selEnd;
      return MAKELONG(e->selStart, e->selEnd);
    case EM_REPLACESEL: {
      const WideString insert = TextOf(lParam);
      e->text.replace(e->selStart, e->selEnd - e->selStart, insert);
      e->selStart = e->selEnd = e->selStart + static_cast<DWORD>(insert.size());
      NotifyParent(e, EN_UPDATE);
      NotifyParent(e, EN_CHANGE);
      return 0;
    }
    case EM_LIMITTEXT:
      e->limit = wParam != 0 ? static_cast<DWORD>(wParam) : 0x7FFFFFFE;
      return 0;
    case EM_GETLIMITTEXT:
      return e->limit;
    case EM_SETREADONLY:
      e->style = wParam ? (e->style | ES_READONLY) : (e->style & ~DWORD(ES_READONLY));
      return TRUE;
    default:
      return 0;
  }
}

// --- Buttons ---

LRESULT ButtonMessage(Window* b, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case BM_GETCHECK:
      return b->isRadio() || b->isCheckBox() ? b->check : BST_UNCHECKED;
    case BM_SETCHECK:
      if (b->isRadio() || b->isCheckBox()) b->check = static_cast<int>(wParam) & 3;
      return 0;
    case BM_GETSTATE:
      return b->check | (b->parent != nullptr && b->parent->focus == b ? 0x0008 : 0);
    case BM_SETSTYLE:
      b->style = (b->style & ~0xFFFFul) | (static_cast<DWORD>(wParam) & 0xFFFF);
      return 0;
    case BM_CLICK:
      if (b->enabled && b->visible) ClickButton(b);
      return 0;
    default:
      return 0;
  }
}

// --- Combo boxes (drop-down lists) ---

LRESULT ComboMessage(Window* c, UINT message, WPARAM wParam, LPARAM lParam) {
  const auto count = static_cast<int>(c->items.size());
  const auto index = static_cast<int>(static_cast<INT_PTR>(wParam));
  auto find = [&](bool exact) -> LRESULT {
    const WideString wanted = TextOf(lParam);
    for (int k = 1; k <= count; ++k) {
      const int i = (index < 0 ? k - 1 : (index + k) % count);
      const WideString& t = c->items[static_cast<size_t>(i)].first;
      if (exact ? EqualNoCase(t, wanted) : StartsNoCase(t, wanted)) return i;
    }
    return CB_ERR;
  };
  switch (message) {
    case WM_SETFOCUS:
      NotifyParent(c, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      NotifyParent(c, CBN_KILLFOCUS);
      return 0;
    case WM_SETTEXT:
      return CB_ERR;
    case WM_GETTEXT:
      return CopyText(c->selected >= 0 ? c->items[static_cast<size_t>(c->selected)].first : WideString(), wParam,
                      lParam);
    case WM_GETTEXTLENGTH:
      return c->selected >= 0 ? static_cast<LRESULT>(c->items[static_cast<size_t>(c->selected)].first.size()) : 0;
    case CB_ADDSTRING: {
      const WideString text = TextOf(lParam);
      auto at = c->items.end();
      if (c->style & CBS_SORT)
        at = std::upper_bound(c->items.begin(), c->items.end(), text,
                              [](const WideString& t, const auto& item) { return LessNoCase(t, item.first); });
      const auto i = static_cast<int>(at - c->items.begin());
      c->items.insert(at, {text, 0});
      if (c->selected >= i) ++c->selected;
      return i;
    }
    case CB_INSERTSTRING: {
      if (index > count) return CB_ERR;
      const int i = index < 0 ? count : index;
      c->items.insert(c->items.begin() + i, {TextOf(lParam), 0});
      if (c->selected >= i) ++c->selected;
      return i;
    }
    case CB_DELETESTRING:
      if (index < 0 || index >= count) return CB_ERR;
      c->items.erase(c->items.begin() + index);
      if (c->selected == index) c->selected = -1;
      if (c->selected > index) --c->selected;
      return count - 1;
    case CB_RESETCONTENT:
      c->items.clear();
      c->selected = -1;
      return CB_OKAY;
    case CB_GETCOUNT:
      return count;
    case CB_GETCURSEL:
      return c->selected;
    case CB_SETCURSEL:
      if (index < 0 || index >= count) {
        c->selected = -1;
        return CB_ERR;
      }
      c->selected = index;
      return index;
    case CB_GETLBTEXT:
      if (index < 0 || index >= count || lParam == 0) return CB_ERR;
      return CopyText(c->items[static_cast<size_t>(index)].first, c->items[static_cast<size_t>(index)].first.size() + 1,
                      lParam);
    case CB_GETLBTEXTLEN:
      if (index < 0 || index >= count) return CB_ERR;
      return static_cast<LRESULT>(c->items[static_cast<size_t>(index)].first.size());
    case CB_FINDSTRING:
      return find(false);
    case CB_FINDSTRINGEXACT:
      return find(true);
    case CB_SELECTSTRING: {
      const LRESULT i = find(false);
      if (i != CB_ERR) c->selected = static_cast<int>(i);
      return i;
    }
    case CB_GETITEMDATA:
      if (index < 0 || index >= count) return CB_ERR;
      return c->items[static_cast<size_t>(index)].second;
    case CB_SETITEMDATA:
      if (index < 0 || index >= count) return CB_ERR;
      c->items[static_cast<size_t>(index)].second = lParam;
      return TRUE;
    default:
      return 0;
  }
}

// --- Trackbars ---

LRESULT TrackbarMessage(Window* t, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case TBM_GETPOS:
      return t->position;
    case TBM_GETRANGEMIN:
      return t->minimum;
    case TBM_GETRANGEMAX:
      return t->maximum;
    case TBM_SETPOS:
      t->position = ClampTo(static_cast<LONG>(lParam), t->minimum, t->maximum);
      return 0;
    case TBM_SETRANGE:
      t->minimum = static_cast<SHORT>(LOWORD(lParam));
      t->maximum = static_cast<SHORT>(HIWORD(lParam));
      t->position = ClampTo(t->position, t->minimum, t->maximum);
      return 0;
    case TBM_SETRANGEMIN:
      t->minimum = static_cast<LONG>(lParam);
      t->position = ClampTo(t->position, t->minimum, t->maximum);
      return 0;
    case TBM_SETRANGEMAX:
      t->maximum = static_cast<LONG>(lParam);
      t->position = ClampTo(t->position, t->minimum, t->maximum);
      return 0;
    case TBM_SETTIC: {
      const auto at = static_cast<LONG>(lParam);
      if (at < t->minimum || at > t->maximum) return FALSE;
      t->ticks.push_back(at);
      std::sort(t->ticks.begin(), t->ticks.end());
      return TRUE;
    }
    case TBM_GETTIC: {
      const auto i = static_cast<size_t>(wParam);
      return i < t->ticks.size() ? t->ticks[i] : -1;
    }
    case TBM_GETNUMTICS:
      return (t->style & TBS_NOTICKS) ? 0 : static_cast<LRESULT>(t->ticks.size() + 2);
    case TBM_CLEARTICS:
      t->ticks.clear();
      return 0;
    case TBM_SETTICFREQ:
      return 0;
    case TBM_SETPAGESIZE: {
      const LONG previous = t->pageSize;
      t->pageSize = static_cast<LONG>(lParam);
      return previous;
    }
    case TBM_GETPAGESIZE:
      return t->pageSize;
    case TBM_SETLINESIZE: {
      const LONG previous = t->lineSize;
      t->lineSize = static_cast<LONG>(lParam);
      return previous;
    }
    case TBM_GETLINESIZE:
      return t->lineSize;
    default:
      return 0;
  }
}

// --- Up-down controls ---

LRESULT UpDownMessage(Window* u, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case UDM_SETRANGE:
      u->maximum = static_cast<SHORT>(LOWORD(lParam));
      u->minimum = static_cast<SHORT>(HIWORD(lParam));
      return 0;
    case UDM_GETRANGE:
      return MAKELONG(static_cast<SHORT>(u->maximum), static_cast<SHORT>(u->minimum));
    case UDM_SETRANGE32:
      u->minimum = static_cast<LONG>(static_cast<INT_PTR>(wParam));
      u->maximum = static_cast<LONG>(lParam);
      return 0;
    case UDM_GETRANGE32:
      if (wParam) *reinterpret_cast<int*>(wParam) = u->minimum;
      if (lParam) *reinterpret_cast<int*>(lParam) = u->maximum;
      return 0;
    case UDM_SETPOS:
    case UDM_SETPOS32: {
      const LONG previous = u->position;
      const LONG wanted = message == UDM_SETPOS ? static_cast<SHORT>(LOWORD(lParam)) : static_cast<LONG>(lParam);
      SetUpDownPosition(u, ClampTo(wanted, u->minimum, u->maximum));
      return message == UDM_SETPOS ? static_cast<LRESULT>(static_cast<SHORT>(previous)) : previous;
    }
    case UDM_GETPOS:
    case UDM_GETPOS32: {
      // With UDS_SETBUDDYINT the position is what the buddy says, when it says a number in range.
      bool error = false;
      if (u->buddy != nullptr && (u->style & UDS_SETBUDDYINT)) {
        LONG value = 0;
        if (ParseBuddyInt(u->buddy->text, value) && value == ClampTo(value, u->minimum, u->maximum))
          u->position = value;
        else
          error = true;
      }
      if (message == UDM_GETPOS32) {
        if (lParam) *reinterpret_cast<BOOL*>(lParam) = error ? TRUE : FALSE;
        return u->position;
      }
      return MAKELONG(static_cast<SHORT>(u->position), error ? 1 : 0);
    }
    case UDM_SETBUDDY: {
      Window* previous = u->buddy;
      u->buddy = FindWindow(reinterpret_cast<HWND>(wParam));
      return reinterpret_cast<LRESULT>(previous ? previous->handle() : nullptr);
    }
    case UDM_GETBUDDY:
      return reinterpret_cast<LRESULT>(u->buddy ? u->buddy->handle() : nullptr);
    default:
      return 0;
  }
}

}  // namespace

LRESULT ControlMessage(Window* c, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (c->kind) {
    case ControlKind::Edit:
      if (message != WM_GETTEXT && message != WM_GETTEXTLENGTH) return EditMessage(c, message, wParam, lParam);
      break;
    case ControlKind::Button:
      if (message >= BM_GETCHECK && message <= BM_CLICK) return ButtonMessage(c, message, wParam, lParam);
      break;
    case ControlKind::ComboBox:
      return ComboMessage(c, message, wParam, lParam);
    case ControlKind::Trackbar:
      if (message >= WM_USER) return TrackbarMessage(c, message, wParam, lParam);
      break;
    case ControlKind::UpDown:
      if (message >= WM_USER) return UpDownMessage(c, message, wParam, lParam);
      break;
    default:
      break;
  }
  switch (message) {
    case WM_SETTEXT:
      c->text = TextOf(lParam);
      return TRUE;
    case WM_GETTEXT:
      return CopyText(c->text, wParam, lParam);
    case WM_GETTEXTLENGTH:
      return static_cast<LRESULT>(c->text.size());
    default:
      return 0;
  }
}

void ClickButton(Window* b) {
  Window* dialog = b->parent;
  if (b->buttonType() == BS_GROUPBOX) return;
  MoveFocus(dialog, b);
  if (FindWindow(b->handle()) == nullptr) return;
  switch (b->buttonType()) {
    case BS_AUTOCHECKBOX:
      b->check = b->check == BST_CHECKED ? BST_UNCHECKED : BST_CHECKED;
      break;
    case BS_AUTO3STATE:
      b->check = (b->check + 1) % 3;
      break;
    case BS_AUTORADIOBUTTON:
      for (Window* other : GroupOf(b))
        if (other != b && other->kind == ControlKind::Button && other->isRadio()) other->check = BST_UNCHECKED;
      b->check = BST_CHECKED;
      break;
    default:
      break;
  }
  NotifyParent(b, BN_CLICKED);
}

void SetEditText(Window* e, const WideString& text) {
  const bool bothEmpty = e->text.empty() && text.empty();
  e->text = text;
  e->selStart = e->selEnd = 0;
  if (!(e->style & ES_MULTILINE) && !bothEmpty) {
    NotifyParent(e, EN_UPDATE);
    NotifyParent(e, EN_CHANGE);
  }
}

bool TypeCharacter(Window* e, WCHAR c) {
  if (e->style & ES_READONLY) return false;
  if ((e->style & ES_NUMBER) && (c < u'0' || c > u'9')) return false;
  if ((e->style & ES_UPPERCASE) && c >= u'a' && c <= u'z') c = static_cast<WCHAR>(c - u'a' + u'A');
  if ((e->style & ES_LOWERCASE) && c >= u'A' && c <= u'Z') c = static_cast<WCHAR>(c - u'A' + u'a');
  const size_t selection = e->selEnd - e->selStart;
  if (e->text.size() - selection + 1 > e->limit) {
    NotifyParent(e, EN_MAXTEXT);
    return false;
  }
  e->text.replace(e->selStart, selection, 1, c);
  e->selStart = e->selEnd = e->selStart + 1;
  NotifyParent(e, EN_UPDATE);
  NotifyParent(e, EN_CHANGE);
  return true;
}

void SetUpDownPosition(Window* u, LONG position) {
  u->position = position;
  if (u->buddy == nullptr || !(u->style & UDS_SETBUDDYINT)) return;
  const WideString text = FormatBuddyInt(position, !(u->style & UDS_NOTHOUSANDS));
  if (u->buddy->kind == ControlKind::Edit)
    SetEditText(u->buddy, text);
  else
    u->buddy->text = text;
}

}  // namespace tolma::host::detail
