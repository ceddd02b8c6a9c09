// Option items of the property sheets and their storage.
#include "ui/sheet_items.h"

#include "ui/ui_state.h"

namespace tolma::ui {

void SetItemText(WCHAR (&field)[kItemTextChars], WStringView text) { CopyToField(field, kItemTextChars, text); }

void LoadItemText(WCHAR (&field)[kItemTextChars], UINT stringId) {
  field[0] = 0;
  LoadStringW(State().module, stringId, field, static_cast<int>(kItemTextChars));
}

void BeginItem(OPTITEM& item, ItemParts& parts, int position, UINT nameId, BYTE level, DWORD flags,
               ULONG_PTR userData) {
  item = OPTITEM{};
  item.cbSize = sizeof(OPTITEM);
  item.Level = level;
  item.Flags = flags;
  item.UserData = userData;
  LoadItemText(parts.name, nameId);
  item.pName = parts.name;
  item.UserItemID = static_cast<BYTE>(position);
  item.DMPubID = DMPUB_NONE;
}

void SetOptionType(OPTITEM& item, ItemParts& parts, BYTE type, WORD count, WORD style) {
  parts.type = OPTTYPE{};
  parts.type.cbSize = sizeof(OPTTYPE);
  parts.type.Type = type;
  parts.type.Count = type == TVOT_2STATES ? 2 : count;
  parts.type.Style = style;
  parts.type.pOptParam = parts.params;
  for (OPTPARAM& p : parts.params) p.cbSize = sizeof(OPTPARAM);
  item.pOptType = &parts.type;
}

void SetOption(ItemParts& parts, size_t index, WStringView text, ULONG_PTR icon, bool disabled) {
  if (index >= kMaxItemOptions) return;
  OPTPARAM& p = parts.params[index];
  p = OPTPARAM{};
  p.cbSize = sizeof(OPTPARAM);
  SetItemText(parts.texts[index], text);
  p.pData = parts.texts[index];
  p.IconID = icon;
  p.Flags = disabled ? OPTPF_DISABLED : 0;
}

void SetOptionFromTable(ItemParts& parts, size_t index, UINT stringId, ULONG_PTR icon, bool disabled) {
  if (index >= kMaxItemOptions) return;
  WCHAR text[kItemTextChars];
  LoadItemText(text, stringId);
  SetOption(parts, index, WStringView(text, WideLength(text, kItemTextChars)), icon, disabled);
}

void SetPushButton(OPTITEM& item, ItemParts& parts, UINT dialogId, DLGPROC proc, ULONG_PTR icon) {
  SetOptionType(item, parts, TVOT_PUSHBUTTON, 1, OTS_PUSH_ENABLE_ALWAYS);
  OPTPARAM& p = parts.params[0];
  p.Style = PUSHBUTTON_TYPE_DLGPROC;
  p.pData = reinterpret_cast<LPWSTR>(proc);
  p.IconID = icon;
  p.lParam = static_cast<LPARAM>(dialogId);
}

void SetUpDown(OPTITEM& item, ItemParts& parts, LONG low, LONG high) {
  SetOptionType(item, parts, TVOT_UDARROW, 2, 0);
  SetOption(parts, 0, WStringView(), 0);  // no unit text
  OPTPARAM& range = parts.params[1];
  range.IconID = static_cast<ULONG_PTR>(low);
  range.lParam = high;
}

void SetItemEnabled(OPTITEM& item, bool enabled) {
  if (enabled)
    item.Flags &= ~static_cast<DWORD>(OPTIF_DISABLED);
  else
    item.Flags |= OPTIF_DISABLED;
  item.Flags |= OPTIF_CHANGED;
}

LONG SelectionWithin(LONG selection, WORD count) { return selection >= 0 && selection < count ? selection : 0; }

}  // namespace tolma::ui
