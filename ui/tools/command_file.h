// Command files: a text file of printer commands without their framing, one a line. Each line becomes one command:
// ESC, the line's bytes, CR. Plain code over bytes.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>

namespace tolma::ui {

// The command buffer of one line: ESC, at most 126 characters, CR.
inline constexpr size_t kCommandLineBytes = 128;

// Calls `send` with the command of each line, in file order, and stops at the first call that returns false
// (the result is then false). A line ends at LF, which is not sent; the command is ESC, the line's bytes (a CR
// among them kept) and a CR, except that a line already ending with CR before its LF gets no second one. An empty
// line sends ESC CR. A last line without LF gets a CR even when it ends with one; nothing follows a final LF.
bool ForEachCommandLine(std::span<const uint8_t> file, const std::function<bool(std::span<const uint8_t>)>& send);

// The number (from 1) of the first line whose command is longer than the 128-byte command buffer; 0 when every
// line fits.
size_t FirstOverlongCommandLine(std::span<const uint8_t> file);

}  // namespace tolma::ui
