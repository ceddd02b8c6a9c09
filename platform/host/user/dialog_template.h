// Internal: reading compiled resources: the entries of a ".res" file and the extended dialog template
// (DLGTEMPLATEEX) that the resource compiler writes for a DIALOGEX statement.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace tolma::host::detail {

using WideString = std::basic_string<WCHAR>;

// A resource type or name: a number (ordinal) or a text (upper case, as the resource compiler stores it).
struct ResourceId {
  bool isNumber = true;
  uint16_t number = 0;
  WideString text;
  bool operator==(const ResourceId&) const = default;
};
// The id a LPCWSTR type or name means (MAKEINTRESOURCE numbers, else the text in upper case).
ResourceId ResourceIdOf(LPCWSTR value);

// One entry of a ".res" file.
struct ResourceEntry {
  ResourceId type;
  ResourceId name;
  uint16_t language = 0;
  std::vector<uint8_t> data;
};
// The entries of a ".res" file (the empty first entry left out); nothing when the file is malformed.
std::optional<std::vector<ResourceEntry>> ParseResFile(std::span<const uint8_t> bytes);

// One control of a dialog template, sizes in dialog units.
struct ControlTemplate {
  DWORD helpId = 0;
  DWORD exStyle = 0;
  DWORD style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  DWORD id = 0;
  ResourceId windowClass;  // ordinals 0x80..0x85: Button, Edit, Static, ListBox, ScrollBar, ComboBox
  ResourceId title;
  std::vector<uint8_t> creationData;
};

// An extended dialog template.
struct DialogTemplate {
  DWORD helpId = 0;
  DWORD exStyle = 0;
  DWORD style = 0;
  short x = 0, y = 0, cx = 0, cy = 0;
  ResourceId menu;
  ResourceId windowClass;
  WideString title;
  WORD pointSize = 0;  // with DS_SETFONT
  WORD weight = 0;
  BYTE italic = 0;
  BYTE charset = 0;
  WideString typeface;
  std::vector<ControlTemplate> controls;
};
// Reads a DLGTEMPLATEEX; nothing for the old DLGTEMPLATE form or a malformed one. Reads nothing outside `bytes`.
std::optional<DialogTemplate> ParseDialogTemplate(std::span<const uint8_t> bytes);

}  // namespace tolma::host::detail
