// The command builder and the formatted commands of the printer command language.
#include "common/commands.h"

#include <cstring>

namespace tolma {

namespace {

// Writes `value` in decimal into `digits` (room for 20 characters and a sign); returns the length.
size_t FormatDecimal(int64_t value, char* digits) {
  char reversed[20];
  size_t n = 0;
  // Work on the magnitude as unsigned so that the most negative value has no overflow.
  uint64_t magnitude = value < 0 ? 0 - static_cast<uint64_t>(value) : static_cast<uint64_t>(value);
  do {
    reversed[n++] = static_cast<char>('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude != 0);
  size_t length = 0;
  if (value < 0) digits[length++] = '-';
  while (n > 0) digits[length++] = reversed[--n];
  return length;
}

}  // namespace

bool CommandBuilder::Add(std::string_view bytes) {
  return Add(std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

bool CommandBuilder::Add(std::span<const uint8_t> bytes) {
  if (bytes.size() > storage_.size() - size_) {
    overflow_ = true;
    return false;
  }
  if (!bytes.empty()) std::memcpy(storage_.data() + size_, bytes.data(), bytes.size());
  size_ += bytes.size();
  return true;
}

bool CommandBuilder::Add(std::initializer_list<CommandPart> parts) {
  // Measure first so that a command goes in whole or not at all.
  char digits[24];
  size_t total = 0;
  for (const CommandPart& part : parts) total += part.isNumber ? FormatDecimal(part.number, digits) : part.text.size();
  if (total > storage_.size() - size_) {
    overflow_ = true;
    return false;
  }
  for (const CommandPart& part : parts) {
    if (part.isNumber) {
      const size_t n = FormatDecimal(part.number, digits);
      std::memcpy(storage_.data() + size_, digits, n);
      size_ += n;
    } else if (!part.text.empty()) {
      std::memcpy(storage_.data() + size_, part.text.data(), part.text.size());
      size_ += part.text.size();
    }
  }
  return true;
}

namespace cmd {

namespace {

bool ValidTrack(int track) { return track >= 1 && track <= 3; }

// The track format codes, by track and mode: write code, read code.
struct TrackCodes {
  std::string_view write;
  std::string_view read;
};
// clang-format off
constexpr TrackCodes kTrackCodes[3][8] = {
    {{"A", "Q"}, {"a2", "q2"}, {"a3", "q3"}, {"E_3", "U_3"}, {"E_4", "U_4"}, {"E_5", "U_5"}, {"E_6", "U_6"},
     {"E_7", "U_7"}},
    {{"b1", "r1"}, {"B", "R"}, {"b3", "r3"}, {"F_3", "V_3"}, {"F_4", "V_4"}, {"F_5", "V_5"}, {"F_6", "V_6"},
     {"F_7", "V_7"}},
    {{"c1", "s1"}, {"c2", "s2"}, {"C", "S"}, {"G_3", "W_3"}, {"G_4", "W_4"}, {"G_5", "W_5"}, {"G_6", "W_6"},
     {"G_7", "W_7"}},
};
// clang-format on

}  // namespace

std::string_view Job(JobKind kind) {
  switch (kind) {
    case JobKind::kOneSided:
      return "\033JOB 0\r";
    case JobKind::kTwoSided:
      return "\033JOB 1\r";
    case JobKind::kTwoSidedYmckoMode0:
      return "\033JOB 2\r";
  }
  return "\033JOB 1\r";
}

bool HeadContrast(CommandBuilder& out, DyePanel panel, uint16_t value) {
  return out.Add({"\033+$C ", Dec(static_cast<int>(panel)), " ", Dec(value), "\r"});
}

bool HeadIntensity(CommandBuilder& out, DyePanel panel, uint16_t value) {
  return out.Add({"\033+$L ", Dec(static_cast<int>(panel)), " ", Dec(value), "\r"});
}

bool ResinContrast(CommandBuilder& out, uint16_t value) { return out.Add({"\033+C ", Dec(value), "\r"}); }

bool OverlayContrast(CommandBuilder& out, uint16_t value) { return out.Add({"\033+CV ", Dec(value), "\r"}); }

bool HologramContrast(CommandBuilder& out, uint16_t value) { return out.Add({"\033+CH ", Dec(value), "\r"}); }

bool DyePanelHeader(CommandBuilder& out, DyePanel panel, PanelFormat format) {
  const bool fresh = panel == DyePanel::kY || panel == DyePanel::kKd;
  return out.Add({fresh ? kDyePanelStart : std::string_view{}, "\033GS ", Dec(static_cast<int>(panel)), " ",
                  Dec(static_cast<int>(format)), " 0 0 1024 640 "});
}

std::string_view PrintDyePanel(DyePanel panel) {
  switch (panel) {
    case DyePanel::kY:
      return "\033IS 0\r";
    case DyePanel::kM:
      return "\033IS 1\r";
    case DyePanel::kC:
      return "\033IS 2\r";
    case DyePanel::kKd:
      return "\033IS 3\r";
  }
  return {};
}

bool MonoPanelHeader(CommandBuilder& out, PanelFormat format) {
  return out.Add({"\033F\r\033G 0 0 ", Dec(static_cast<int>(format)), " 640 1024 1\r\033Z"});
}

bool OverlayBitmapHeader(CommandBuilder& out, PanelFormat format) {
  return out.Add({"\033vG 0 0 ", Dec(static_cast<int>(format)), " 640 1024 1\r\033Z"});
}

bool LaminationRect(CommandBuilder& out, int32_t x, int32_t y, int32_t width, int32_t height, bool set) {
  return out.Add({"\033L ", Dec(x), " ", Dec(y), " ", Dec(width), " ", Dec(height), set ? " 1\r" : " 0\r"});
}

bool OverlayRect(CommandBuilder& out, int32_t x, int32_t y, int32_t width, int32_t height, bool varnish) {
  return out.Add({"\033vL ", Dec(x), " ", Dec(y), " ", Dec(width), " ", Dec(height), varnish ? " 1\r" : " 0\r"});
}

bool LoadTrack(CommandBuilder& out, int track, std::string_view text) {
  if (!ValidTrack(track)) return false;
  return out.Add({"\033&B ", Dec(track), " ", text, "\r"});
}

std::string_view ReadTrack(int track) {
  switch (track) {
    case 1:
      return "\033&L1\r";
    case 2:
      return "\033&L2\r";
    case 3:
      return "\033&L3\r";
    default:
      return {};
  }
}

std::string_view TrackFormatCode(int track, int mode, bool write) {
  if (!ValidTrack(track) || mode < 0 || mode > 7) return {};
  const TrackCodes& codes = kTrackCodes[track - 1][mode];
  return write ? codes.write : codes.read;
}

bool TrackFormat(CommandBuilder& out, int track, int mode, bool write) {
  const std::string_view code = TrackFormatCode(track, mode, write);
  if (code.empty()) return false;
  return out.Add({write ? "\033&CDEW " : "\033&CDER ", Dec(track), " ", code, "\r"});
}

std::string_view EncoderPosition(bool reversed) { return reversed ? "\033&W 1\r" : "\033&W 0\r"; }

std::string_view Coercivity(bool high) { return high ? "\033&C 1\r" : "\033&C 0\r"; }

bool TrackDensity(CommandBuilder& out, int track, bool density210) {
  if (!ValidTrack(track)) return false;
  return out.Add({"\033&D ", Dec(track), density210 ? " 210\r" : " 75\r"});
}

bool FreeCommand(CommandBuilder& out, std::string_view text) { return out.Add({"\033", text, "\r"}); }

bool TestCard(CommandBuilder& out, int32_t kind) { return out.Add({"\033A ", Dec(kind), "\r"}); }

bool PrintOffsets(CommandBuilder& out, int32_t x, int32_t y) {
  return out.Add({"\033+O ", Dec(x), "\r\033+OY ", Dec(y), "\r"});
}

std::string_view SingleFeed(bool enable) { return enable ? "\033ATM 1\r" : "\033ATM 0\r"; }

bool FirmwareHeader(CommandBuilder& out, uint32_t length) {
  const uint8_t header[8] = {kEsc,
                             'D',
                             'C',
                             ' ',
                             static_cast<uint8_t>(length >> 24),
                             static_cast<uint8_t>(length >> 16),
                             static_cast<uint8_t>(length >> 8),
                             static_cast<uint8_t>(length)};
  return out.Add(std::span<const uint8_t>(header));
}

}  // namespace cmd
}  // namespace tolma
