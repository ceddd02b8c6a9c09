// Command stream reader: commands end with CR, panel headers carry encoded data behind them.
#include "tools/lib/stream_reader.h"

#include <algorithm>
#include <cstdio>

namespace tolma {
namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kCr = 0x0D;
constexpr size_t kMaxCommandLength = 4096;
constexpr size_t kDyeLevels = 1024 * 640;
constexpr size_t kMonoBytes = 1024 * 640 / 8;

std::string Hex(uint8_t byte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02X", byte);
  return text;
}

// Splits header arguments at single spaces.
std::vector<std::string> Words(std::string_view text) {
  std::vector<std::string> out;
  size_t start = 0;
  while (start <= text.size()) {
    const size_t space = text.find(' ', start);
    const size_t end = space == std::string_view::npos ? text.size() : space;
    if (end > start) out.emplace_back(text.substr(start, end - start));
    if (space == std::string_view::npos) break;
    start = space + 1;
  }
  return out;
}

int Number(const std::string& word) {
  if (word.empty() || word.size() > 9 ||
      !std::all_of(word.begin(), word.end(), [](char c) { return c >= '0' && c <= '9'; }))
    return -1;
  return std::stoi(word);
}

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  CommandStream Read() {
    while (pos_ < bytes_.size()) {
      if (bytes_[pos_] != kEsc) {
        Fail(pos_, "expected ESC, found " + Hex(bytes_[pos_]));
        Resync(pos_ + 1);
        continue;
      }
      ReadCommand();
    }
    return std::move(out_);
  }

 private:
  void Fail(size_t offset, std::string message) { out_.errors.push_back({offset, std::move(message)}); }

  // Resumes at the next ESC that can start a command (ESC and a command-word character), so that an ESC
  // byte inside damaged panel data does not start a cascade of errors.
  void Resync(size_t from) {
    pos_ = std::min(from, bytes_.size());
    while (pos_ < bytes_.size() && !(bytes_[pos_] == kEsc && pos_ + 1 < bytes_.size() && IsWordByte(bytes_[pos_ + 1])))
      ++pos_;
  }

  static bool IsWordByte(uint8_t b) {
    return (b >= 'A' && b <= 'Z') || (b >= '0' && b <= '9') || b == '!' || b == '&' || b == '+' || b == '$' ||
           b == '%' || b == '.' || b == 'v';
  }

  // The bytes from `from` up to and including the first CR; none when there is no CR within reach.
  std::optional<size_t> FindCr(size_t from) const {
    const size_t limit = std::min(bytes_.size(), from + kMaxCommandLength);
    for (size_t i = from; i < limit; ++i)
      if (bytes_[i] == kCr) return i;
    return std::nullopt;
  }

  std::string Text(size_t from, size_t to) const {
    return std::string(reinterpret_cast<const char*>(bytes_.data()) + from, to - from);
  }

  void ReadCommand() {
    const size_t start = pos_;
    size_t wordEnd = start + 1;
    while (wordEnd < bytes_.size() && bytes_[wordEnd] != ' ' && bytes_[wordEnd] != kCr && bytes_[wordEnd] != kEsc)
      ++wordEnd;
    const std::string word = Text(start + 1, wordEnd);
    if (word == "GS") return ReadDyePanel(start);
    if (word == "G" || word == "vG") return ReadMonoImage(start, word == "vG");
    if (word == "DC") return ReadFirmware(start);
    // A plain command runs to its CR; an ESC or another control byte before it means the CR is missing.
    const size_t limit = std::min(bytes_.size(), start + kMaxCommandLength);
    for (size_t i = start + 1; i < limit; ++i) {
      const uint8_t b = bytes_[i];
      if (b == kCr) {
        out_.items.push_back({start, Text(start, i + 1), std::nullopt});
        pos_ = i + 1;
        return;
      }
      if (b == kEsc) {
        Fail(start, "command not closed by CR before the next ESC");
        pos_ = i;
        return;
      }
      if (b < 0x20) {
        Fail(i, "control byte " + Hex(b) + " inside a command");
        Resync(i + 1);
        return;
      }
    }
    Fail(start, limit == bytes_.size() ? "command not closed by CR before the end of the stream"
                                       : "command not closed by CR within 4096 bytes");
    Resync(start + 1);
  }

  // Decodes image data at pos_, then expects the closing CR.
  bool ReadData(StreamImage& image, PanelDataForm form, size_t units) {
    const PanelDecodeResult result = DecodePanelData(form, bytes_.subspan(pos_), units, image.values);
    if (!result.ok) {
      Fail(pos_ + result.errorOffset, "panel data: " + result.error);
      return false;
    }
    image.dataBytes = result.consumed;
    pos_ += result.consumed;
    if (pos_ >= bytes_.size() || bytes_[pos_] != kCr) {
      Fail(pos_, pos_ >= bytes_.size() ? "stream ends before the CR that closes the panel data"
                                       : "panel data not closed by CR after 1024 lines of 640 values");
      return false;
    }
    ++pos_;
    return true;
  }

  // Passes over well-formed data of a form at `from` and its closing CR; false (nothing moved) otherwise.
  bool SkipData(size_t from, PanelDataForm form, size_t units) {
    std::vector<uint8_t> values;
    const PanelDecodeResult result = DecodePanelData(form, bytes_.subspan(from), units, values);
    const size_t end = from + result.consumed;
    if (!result.ok || end >= bytes_.size() || bytes_[end] != kCr) return false;
    pos_ = end + 1;
    return true;
  }

  // "\eGS n fmt 0 0 1024 640 " followed by the data.
  void ReadDyePanel(size_t start) {
    size_t end = start + 1;
    int spaces = 0;
    while (end < bytes_.size() && end - start < 64 && spaces < 7) {
      if (bytes_[end] == ' ') ++spaces;
      if (bytes_[end] == kCr || bytes_[end] == kEsc) break;
      ++end;
    }
    const std::vector<std::string> args = Words(Text(start + 1, end));
    StreamImage image;
    image.kind = StreamImage::Kind::Dye;
    if (spaces != 7 || args.size() != 7 || Number(args[1]) < 0 || Number(args[1]) > 3 ||
        (args[2] != "30" && args[2] != "32") || args[3] != "0" || args[4] != "0" || args[5] != "1024" ||
        args[6] != "640") {
      Fail(start, "malformed dye panel header");
      // When the data form can still be told, its data are passed over rather than read as commands.
      const bool formKnown = spaces == 7 && args.size() == 7 && (args[2] == "30" || args[2] == "32");
      if (!formKnown ||
          !SkipData(end, args[2] == "32" ? PanelDataForm::kContonePacked : PanelDataForm::kContoneRle, kDyeLevels))
        Resync(start + 1);
      return;
    }
    image.panel = Number(args[1]);
    image.format = Number(args[2]);
    pos_ = end;
    StreamItem item{start, Text(start, end), std::nullopt};
    if (ReadData(image, image.format == 32 ? PanelDataForm::kContonePacked : PanelDataForm::kContoneRle, kDyeLevels)) {
      item.image = std::move(image);
      out_.items.push_back(std::move(item));
    } else {
      out_.items.push_back(std::move(item));
      Resync(pos_);
    }
  }

  // "\eG 0 0 fmt 640 1024 p\r\eZ" or "\evG ..." followed by one-bit data.
  void ReadMonoImage(size_t start, bool overlay) {
    const auto cr = FindCr(start + 1);
    if (!cr || *cr + 2 >= bytes_.size() || bytes_[*cr + 1] != kEsc || bytes_[*cr + 2] != 'Z') {
      Fail(start, "one-bit image header not followed by ESC Z");
      Resync(start + 1);
      return;
    }
    const std::vector<std::string> args = Words(Text(start + 1, *cr));
    StreamImage image;
    image.kind = overlay ? StreamImage::Kind::OverlayBitmap : StreamImage::Kind::Mono;
    if (args.size() != 7 || args[1] != "0" || args[2] != "0" || (args[3] != "10" && args[3] != "12") ||
        args[4] != "640" || args[5] != "1024" || (args[6] != "0" && args[6] != "1")) {
      Fail(start, "malformed one-bit image header");
      const bool formKnown = args.size() == 7 && (args[3] == "10" || args[3] == "12");
      if (!formKnown ||
          !SkipData(*cr + 3, args[3] == "10" ? PanelDataForm::kMonoPlain : PanelDataForm::kMonoRle, kMonoBytes))
        Resync(start + 1);
      return;
    }
    image.format = Number(args[3]);
    image.print = args[6] == "1";
    pos_ = *cr + 3;
    StreamItem item{start, Text(start, pos_), std::nullopt};
    if (ReadData(image, image.format == 10 ? PanelDataForm::kMonoPlain : PanelDataForm::kMonoRle, kMonoBytes)) {
      item.image = std::move(image);
      out_.items.push_back(std::move(item));
    } else {
      out_.items.push_back(std::move(item));
      Resync(pos_);
    }
  }

  // "\eDC " + 4-byte length (most significant first) + file + 0xFF CR.
  void ReadFirmware(size_t start) {
    if (start + 8 > bytes_.size() || bytes_[start + 3] != ' ') {
      Fail(start, "truncated firmware header");
      Resync(start + 1);
      return;
    }
    const uint32_t length = (uint32_t{bytes_[start + 4]} << 24) | (uint32_t{bytes_[start + 5]} << 16) |
                            (uint32_t{bytes_[start + 6]} << 8) | bytes_[start + 7];
    const size_t end = start + 8 + size_t{length};
    if (end + 2 > bytes_.size() || bytes_[end] != 0xFF || bytes_[end + 1] != kCr) {
      Fail(start, "firmware data not closed by 0xFF CR");
      Resync(start + 1);
      return;
    }
    out_.items.push_back({start, Text(start, start + 8), std::nullopt});
    pos_ = end + 2;
  }

  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
  CommandStream out_;
};

}  // namespace

CommandStream ReadCommandStream(std::span<const uint8_t> bytes) { return Reader(bytes).Read(); }

std::string Printable(std::string_view bytes) {
  std::string out;
  for (const char c : bytes) {
    const auto b = static_cast<uint8_t>(c);
    if (b == kEsc) {
      out += "\\e";
    } else if (b == kCr) {
      out += "\\r";
    } else if (b == '\\') {
      out += "\\\\";
    } else if (b < 0x20 || b >= 0x7F) {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02X", b);
      out += hex;
    } else {
      out += c;
    }
  }
  return out;
}

std::vector<std::string> CommandTexts(const CommandStream& stream) {
  std::vector<std::string> out;
  for (const StreamItem& item : stream.items) out.push_back(Printable(item.bytes) + (item.image ? "<data>" : ""));
  return out;
}

}  // namespace tolma
