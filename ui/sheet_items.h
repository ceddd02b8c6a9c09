// Building the option items of the property sheets: each item with its option type, parameters and texts kept in
// storage the sheet owns, and the flag changes the sheets make as settings change.
#pragma once

#include "common/wide.h"
#include "platform/compstui.h"

#include <cstddef>
#include <string_view>

namespace tolma::ui {

inline constexpr size_t kItemTextChars = 64;
inline constexpr size_t kMaxItemOptions = 10;

// What one item points at: its type, its parameters and the texts of its name and options.
struct ItemParts {
  OPTTYPE type;
  OPTPARAM params[kMaxItemOptions];
  WCHAR name[kItemTextChars];
  WCHAR texts[kMaxItemOptions][kItemTextChars];
};

// Copies a text into a fixed item text, cut to fit.
void SetItemText(WCHAR (&field)[kItemTextChars], WStringView text);
// Loads a string of the string table into a fixed item text.
void LoadItemText(WCHAR (&field)[kItemTextChars], UINT stringId);

// Starts an item at position `position` (its user-item id) with the name loaded from the string table, the level
// and the flags; the item has no type yet (a header) and its user data is `userData`.
void BeginItem(OPTITEM& item, ItemParts& parts, int position, UINT nameId, BYTE level, DWORD flags, ULONG_PTR userData);

// Gives an item an option type of `type` (TVOT_*) with `count` options and the style; the options' texts are set
// with SetOption. Two-state types always have 2 parameters; a list may have parameters beyond its count.
void SetOptionType(OPTITEM& item, ItemParts& parts, BYTE type, WORD count, WORD style);
// Sets option `index`: its text, icon and whether it is disabled.
void SetOption(ItemParts& parts, size_t index, WStringView text, ULONG_PTR icon, bool disabled = false);
void SetOptionFromTable(ItemParts& parts, size_t index, UINT stringId, ULONG_PTR icon, bool disabled = false);

// Makes an item a push button of the dialog-procedure kind opening dialog `dialogId` with `proc`.
void SetPushButton(OPTITEM& item, ItemParts& parts, UINT dialogId, DLGPROC proc, ULONG_PTR icon);

// Makes an item an up-down number between `low` and `high`, with no unit text.
void SetUpDown(OPTITEM& item, ItemParts& parts, LONG low, LONG high);

// Enables or disables an item (OPTIF_DISABLED) and marks it changed (OPTIF_CHANGED).
void SetItemEnabled(OPTITEM& item, bool enabled);

// The selection of a list kept inside its options: `selection` when below `count`, else 0.
LONG SelectionWithin(LONG selection, WORD count);

}  // namespace tolma::ui
