// The job header: the commands that open every print job, with the head settings of its ribbon.
#pragma once

#include "common/commands.h"
#include "common/devmode.h"

#include <string>
#include <vector>

namespace tolma {

// The header's commands in order, each to be written on its own. Replaces `ribbonType` by the fixed list's
// ribbon when `fixedRibbon` is set (the job kind is decided before that).
std::vector<std::string> BuildJobHeader(PrivateDevmode& priv);

}  // namespace tolma
