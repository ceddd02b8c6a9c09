// Reads a printer command stream back into its commands and decoded panel images.
#pragma once

#include "tools/lib/panel_decoder.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolma {

// The image data carried behind a panel header.
struct StreamImage {
  enum class Kind : uint8_t { Dye, Mono, OverlayBitmap };
  Kind kind = Kind::Dye;
  int panel = 0;                // dye panels: 0 Y, 1 M, 2 C, 3 Kd
  int format = 0;               // 30, 32 (continuous-tone) or 10, 12 (one-bit)
  bool print = true;            // the last number of a one-bit header: 1 in print jobs, 0 for a lamination mask
  size_t dataBytes = 0;         // encoded bytes between the header and the closing CR
  std::vector<uint8_t> values;  // 655,360 levels or 81,920 one-bit bytes (a set bit is a dot)
};

// One command of the stream, as sent: ESC, its word and arguments, CR (for an image: its header only).
struct StreamItem {
  size_t offset = 0;
  std::string bytes;
  std::optional<StreamImage> image;
};

struct StreamError {
  size_t offset = 0;
  std::string message;
};

struct CommandStream {
  std::vector<StreamItem> items;
  std::vector<StreamError> errors;
};

// Splits a stream into commands, decoding the data of every panel image. Structural faults are reported
// with their byte offsets and reading resumes at the next ESC; nothing is read past the input.
CommandStream ReadCommandStream(std::span<const uint8_t> bytes);

// A command with ESC and CR shown as \e and \r and other control bytes as \xNN.
std::string Printable(std::string_view bytes);

// The commands of a stream, each made printable, images shown as their header and "<data>".
std::vector<std::string> CommandTexts(const CommandStream& stream);

}  // namespace tolma
