// Small text helpers of the tools.
#pragma once

#include <string>
#include <string_view>

namespace tolma::tools {

// Appends `item` to a list text, after `separator` unless the list is still empty.
inline void AppendItem(std::string& list, std::string_view separator, std::string_view item) {
  if (!list.empty()) list += separator;
  list += item;
}

}  // namespace tolma::tools
