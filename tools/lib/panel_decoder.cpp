// Panel data decoder: the inverse of every panel data form, with bounds checked on every read.
#include "tools/lib/panel_decoder.h"

#include <utility>

namespace tolma {

namespace {

constexpr size_t kLineLevels = 640;
constexpr uint8_t kEscape = 0x5B;
constexpr uint8_t kMaxLevel = 31;

// Reads the input byte by byte, failing with an offset instead of reading past the end.
class Reader {
 public:
  Reader(std::span<const uint8_t> input, PanelDecodeResult& result) : input_(input), result_(result) {}
  bool Next(uint8_t& byte, const char* what) {
    if (pos_ >= input_.size()) return Fail(pos_, std::string("input ends inside ") + what);
    byte = input_[pos_++];
    return true;
  }
  // Reads one byte of an escaped stream: 0x5B 0x5B stands for one 0x5B.
  bool NextUnescaped(uint8_t& byte, const char* what) {
    const size_t at = pos_;
    if (!Next(byte, what)) return false;
    if (byte != kEscape) return true;
    uint8_t second = 0;
    if (!Next(second, "an escape pair")) return false;
    if (second != kEscape) return Fail(at, "lone escape byte 0x5B");
    return true;
  }
  bool Fail(size_t at, std::string what) {
    result_.ok = false;
    result_.errorOffset = at;
    result_.error = std::move(what);
    return false;
  }
  size_t pos() const { return pos_; }

 private:
  std::span<const uint8_t> input_;
  PanelDecodeResult& result_;
  size_t pos_ = 0;
};

bool DecodeContoneRle(Reader& in, size_t units, std::vector<uint8_t>& values) {
  size_t made = 0;
  while (made < units) {
    const size_t at = in.pos();
    uint8_t head = 0;
    if (!in.Next(head, "continuous-tone data")) return false;
    if (head < 0x80) {
      if (head > kMaxLevel) return in.Fail(at, "level " + std::to_string(head) + " above 31");
      values.push_back(head);
      ++made;
      continue;
    }
    const size_t n = head - 0x80u;
    if (n < 2) return in.Fail(at, "run length below 2");
    if (n > units - made) return in.Fail(at, "run goes past the end of the panel");
    uint8_t level = 0;
    if (!in.Next(level, "a run")) return false;
    if (level > kMaxLevel) return in.Fail(in.pos() - 1, "run of level " + std::to_string(level) + " above 31");
    values.insert(values.end(), n, level);
    made += n;
  }
  return true;
}

bool DecodeContonePacked(Reader& in, size_t units, std::vector<uint8_t>& values) {
  if (units % kLineLevels != 0) return in.Fail(0, "packed data must be whole lines of 640 levels");
  for (size_t line = 0; line < units / kLineLevels; ++line) {
    size_t made = 0;
    for (size_t word = 0; word < (kLineLevels + 2) / 3; ++word) {
      const size_t at = in.pos();
      uint8_t hi = 0, lo = 0;
      if (!in.Next(hi, "a packed word") || !in.Next(lo, "a packed word")) return false;
      const unsigned w = (unsigned{hi} << 8) | lo;
      if (w & 0x8000u) return in.Fail(at, "packed word with bit 15 set");
      const uint8_t levels[3] = {static_cast<uint8_t>((w >> 10) & 31), static_cast<uint8_t>((w >> 5) & 31),
                                 static_cast<uint8_t>(w & 31)};
      for (uint8_t level : levels) {
        if (made < kLineLevels) {
          values.push_back(level);
          ++made;
        } else if (level != 0) {
          return in.Fail(at, "nonzero level past the end of a line");
        }
      }
    }
    for (int i = 0; i < 4; ++i) {
      uint8_t zero = 0;
      if (!in.Next(zero, "a line end")) return false;
      if (zero != 0) return in.Fail(in.pos() - 1, "line end byte is not zero");
    }
  }
  return true;
}

bool DecodeMonoPlain(Reader& in, size_t units, std::vector<uint8_t>& values) {
  for (size_t made = 0; made < units; ++made) {
    uint8_t byte = 0;
    if (!in.NextUnescaped(byte, "one-bit data")) return false;
    values.push_back(byte);
  }
  return true;
}

bool DecodeMonoRle(Reader& in, size_t units, std::vector<uint8_t>& values) {
  size_t made = 0;
  while (made < units) {
    const size_t at = in.pos();
    uint8_t head = 0;
    if (!in.NextUnescaped(head, "one-bit run-length data")) return false;
    if (head >= 1 && head <= 31) {
      if (head > units - made) return in.Fail(at, "literal block goes past the end of the panel");
      for (int i = 0; i < head; ++i) {
        uint8_t byte = 0;
        if (!in.NextUnescaped(byte, "a literal block")) return false;
        values.push_back(byte);
      }
      made += head;
    } else if (head >= 0x82) {
      const size_t n = head - 0x80u;
      if (n > units - made) return in.Fail(at, "run goes past the end of the panel");
      uint8_t byte = 0;
      if (!in.NextUnescaped(byte, "a run")) return false;
      values.insert(values.end(), n, byte);
      made += n;
    } else {
      return in.Fail(at, "byte is neither a literal count (1..31) nor a run (0x82..0xFF)");
    }
  }
  return true;
}

}  // namespace

size_t FullPanelUnits(PanelDataForm form) {
  return form == PanelDataForm::kMonoPlain || form == PanelDataForm::kMonoRle ? 1024 * 640 / 8 : 1024 * 640;
}

PanelDecodeResult DecodePanelData(PanelDataForm form, std::span<const uint8_t> input, size_t units,
                                  std::vector<uint8_t>& values) {
  PanelDecodeResult result;
  result.ok = true;
  Reader in(input, result);
  bool ok = false;
  switch (form) {
    case PanelDataForm::kContoneRle:
      ok = DecodeContoneRle(in, units, values);
      break;
    case PanelDataForm::kContonePacked:
      ok = DecodeContonePacked(in, units, values);
      break;
    case PanelDataForm::kMonoPlain:
      ok = DecodeMonoPlain(in, units, values);
      break;
    case PanelDataForm::kMonoRle:
      ok = DecodeMonoRle(in, units, values);
      break;
    default:
      ok = in.Fail(0, "unknown panel data form");
      break;
  }
  result.ok = ok;
  result.consumed = in.pos();
  return result;
}

}  // namespace tolma
