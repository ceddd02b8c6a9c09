// Command files: the walk over a file's lines and the commands they become.
#include "ui/tools/command_file.h"

#include "common/commands.h"

#include <vector>

namespace tolma::ui {
namespace {

constexpr uint8_t kLf = 0x0A;

// Calls `line(begin, end, addCr)` for each line: the bytes [begin, end) follow the ESC, then a CR when `addCr`.
template <typename Line>
bool WalkLines(std::span<const uint8_t> file, Line&& line) {
  size_t start = 0;
  for (size_t i = 0; i < file.size(); ++i) {
    if (file[i] != kLf) continue;
    const bool endsWithCr = i > start && file[i - 1] == cmd::kCr;
    if (!line(start, i, !endsWithCr)) return false;
    start = i + 1;
  }
  if (start < file.size()) return line(start, file.size(), true);
  return true;
}

}  // namespace

bool ForEachCommandLine(std::span<const uint8_t> file, const std::function<bool(std::span<const uint8_t>)>& send) {
  std::vector<uint8_t> command;
  return WalkLines(file, [&](size_t begin, size_t end, bool addCr) {
    command.clear();
    command.push_back(cmd::kEsc);
    command.insert(command.end(), file.begin() + static_cast<ptrdiff_t>(begin),
                   file.begin() + static_cast<ptrdiff_t>(end));
    if (addCr) command.push_back(cmd::kCr);
    return send(command);
  });
}

size_t FirstOverlongCommandLine(std::span<const uint8_t> file) {
  size_t number = 0;
  size_t overlong = 0;
  WalkLines(file, [&](size_t begin, size_t end, bool addCr) {
    ++number;
    if (1 + (end - begin) + (addCr ? 1 : 0) <= kCommandLineBytes) return true;
    overlong = number;
    return false;
  });
  return overlong;
}

}  // namespace tolma::ui
