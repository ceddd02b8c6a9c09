// The printer command language: a bounded command builder and every command and image header the driver sends.
//
// A command is ESC (0x1B), a command word, zero or more arguments each after one space, and CR (0x0D).
// In the literals below "\033" is ESC and "\r" is CR. Numbers are plain decimal ASCII. Several commands
// may be built one after another into one buffer for one write; nothing adds a terminating zero.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <span>
#include <string_view>

namespace tolma {

// One piece of a command: a text inserted unchanged, or a number written in decimal.
struct CommandPart {
  constexpr CommandPart(std::string_view value) : text(value) {}
  constexpr CommandPart(const char* value) : text(value) {}
  std::string_view text;
  int64_t number = 0;
  bool isNumber = false;
};

// A decimal number as a command part ("%d", "%ld").
constexpr CommandPart Dec(int64_t value) {
  CommandPart part{std::string_view{}};
  part.number = value;
  part.isNumber = true;
  return part;
}

// Builds commands into a caller's byte buffer. Each Add appends one whole command (or one fixed group of
// commands) or, when it does not fit, nothing at all and marks the builder as overflowed; it never writes
// past the buffer.
class CommandBuilder {
 public:
  explicit CommandBuilder(std::span<uint8_t> storage) : storage_(storage) {}
  CommandBuilder(const CommandBuilder&) = delete;
  CommandBuilder& operator=(const CommandBuilder&) = delete;

  // Appends fixed bytes; returns false (appending nothing) when they do not fit.
  bool Add(std::string_view bytes);
  bool Add(std::span<const uint8_t> bytes);
  // Appends the parts as one command; returns false (appending nothing) when the whole does not fit.
  bool Add(std::initializer_list<CommandPart> parts);

  // Bytes built so far, without any terminating zero.
  size_t size() const { return size_; }
  size_t capacity() const { return storage_.size(); }
  std::span<const uint8_t> bytes() const { return storage_.first(size_); }
  const uint8_t* data() const { return storage_.data(); }
  std::string_view text() const { return {reinterpret_cast<const char*>(storage_.data()), size_}; }
  // True once some command was left out for lack of room.
  bool overflowed() const { return overflow_; }
  // Empties the buffer for the next write.
  void Clear() {
    size_ = 0;
    overflow_ = false;
  }
  // Drops what was built after the first `length` bytes (to undo a group of commands that did not fit).
  void TruncateTo(size_t length) {
    if (length < size_) size_ = length;
  }

 private:
  std::span<uint8_t> storage_;
  size_t size_ = 0;
  bool overflow_ = false;
};

namespace detail {
template <size_t N>
struct CommandStorage {
  std::array<uint8_t, N> storage{};
};
}  // namespace detail

// A command builder with its own storage of N bytes, for one write.
template <size_t N>
class CommandBuffer : private detail::CommandStorage<N>, public CommandBuilder {
 public:
  CommandBuffer() : CommandBuilder(std::span<uint8_t>(detail::CommandStorage<N>::storage)) {}
};

namespace cmd {

inline constexpr uint8_t kEsc = 0x1B;
inline constexpr uint8_t kCr = 0x0D;
inline constexpr uint8_t kAck = 0x06;  // ends a positive answer

// ---- Job framing and card movement ----

inline constexpr std::string_view kMaster = "\033MASTER\r";  // first command of every print job
inline constexpr std::string_view kSetXY = "\033SXY 1\r";    // third command of every print job
inline constexpr std::string_view kTurnCard = "\033MF\r";    // turn the card to its back side
inline constexpr std::string_view kCardOut = "\033MO\r";     // card out, ends every card

// Job kinds of "\eJOB %d\r".
enum class JobKind : uint8_t {
  kOneSided = 0,
  kTwoSided = 1,  // any two-sided job but the one below
  kTwoSidedYmckoMode0 = 2,
};
// "\eJOB 0\r", "\eJOB 1\r" or "\eJOB 2\r".
std::string_view Job(JobKind kind);

// ---- Head settings (slider positions, sent as unsigned 16-bit numbers) ----

// Continuous-tone panels: the digit of "GS", "IS", "+$C" and "+$L".
enum class DyePanel : uint8_t { kY = 0, kM = 1, kC = 2, kKd = 3 };

// "\e+$C n %d\r": contrast of a dye panel.
bool HeadContrast(CommandBuilder& out, DyePanel panel, uint16_t value);
// "\e+$L n %d\r": intensity of a dye panel.
bool HeadIntensity(CommandBuilder& out, DyePanel panel, uint16_t value);
// "\e+C %d\r": contrast of the resin black panel.
bool ResinContrast(CommandBuilder& out, uint16_t value);
// "\e+CV %d\r": contrast of the overlay varnish panel.
bool OverlayContrast(CommandBuilder& out, uint16_t value);
// "\e+CH %d\r": contrast of the hologram panel.
bool HologramContrast(CommandBuilder& out, uint16_t value);

// ---- Panel images and their print commands ----

// Format codes of the panel headers.
enum class PanelFormat : uint8_t {
  kMonoPlain = 10,
  kMonoRle = 12,
  kContoneRle = 30,
  kContonePacked = 32,
};
// The continuous-tone and one-bit format codes for the `packedPanels` setting.
constexpr PanelFormat ContoneFormat(bool packedPanels) {
  return packedPanels ? PanelFormat::kContonePacked : PanelFormat::kContoneRle;
}
constexpr PanelFormat MonoFormat(bool packedPanels) {
  return packedPanels ? PanelFormat::kMonoPlain : PanelFormat::kMonoRle;
}

inline constexpr std::string_view kDyePanelStart = "\033$F\r";  // before the Y and the Kd headers
inline constexpr std::string_view kPanelDataEnd = "\r";         // closes the data of every image

// A dye panel header, data following directly after its last space: "\e$F\r\eGS 0 %ld 0 0 1024 640 " (Y),
// "\eGS 1 %ld 0 0 1024 640 " (M), "\eGS 2 %ld 0 0 1024 640 " (C), "\e$F\r\eGS 3 %ld 0 0 1024 640 " (Kd).
bool DyePanelHeader(CommandBuilder& out, DyePanel panel, PanelFormat format);
// "\eIS n\r": print the dye panel just sent.
std::string_view PrintDyePanel(DyePanel panel);

inline constexpr std::string_view kOpenMono = "\033F\r";  // opens a one-bit image or mask; alone, an empty one
// "\eF\r\eG 0 0 %ld 640 1024 1\r\eZ": a one-bit panel header, data following directly.
bool MonoPanelHeader(CommandBuilder& out, PanelFormat format);
// "\evG 0 0 %ld 640 1024 1\r\eZ": the overlay bitmap header, data following directly.
bool OverlayBitmapHeader(CommandBuilder& out, PanelFormat format);
// The lamination mask header of the hologram job (one-bit run-length data follow).
inline constexpr std::string_view kLaminationMaskHeader = "\033F\r\033G 0 0 12 640 1024 0\r\033Z";

inline constexpr std::string_view kPrintMonoAsBlack = "\033I 10\r";  // black panel of YMCKO, YMCKUv, YMCKOK
inline constexpr std::string_view kPrintMonoKrO = "\033I 20\r";      // one-bit panel of a KrO ribbon
inline constexpr std::string_view kPrintMono = "\033I 30\r";         // one-bit panel of the other ribbons
inline constexpr std::string_view kPrintHologramFull = "\033IH 30\r";
inline constexpr std::string_view kPrintHologramMasked = "\033IH 31\r";
inline constexpr std::string_view kSkipMonoPanel = "\033!FF 1\r";  // closes a side whose one-bit panel is not printed
// Fixed groups written together in one write.
inline constexpr std::string_view kBlankMonoPanel = "\033F\r\033!FF 1\r";
inline constexpr std::string_view kEmptyMonoPrint = "\033F\r\033I 30\r";

// "\eL %d %d %d %d 1\r" (set) or "... 0\r" (clear): a rectangle of a lamination mask.
bool LaminationRect(CommandBuilder& out, int32_t x, int32_t y, int32_t width, int32_t height, bool set);

// ---- Overlay varnish ----

inline constexpr std::string_view kOpenOverlay = "\033vF\r";
inline constexpr std::string_view kPrintOverlayFull = "\033IV 30\r";
inline constexpr std::string_view kPrintOverlayAreas = "\033IV 31\r";
inline constexpr std::string_view kOverlayAreasOnly = "\033vF\r\033IV 31\r";  // written together
// "\evL %d %d %d %d %d\r": one overlay rectangle, varnished (1) or left bare (0).
bool OverlayRect(CommandBuilder& out, int32_t x, int32_t y, int32_t width, int32_t height, bool varnish);

// ---- Magnetic stripe ----

inline constexpr std::string_view kOpenMagnetic = "\033&R\r";
inline constexpr std::string_view kEncodeTracks = "\033&E*\r";
// "\e&B t %s\r": load the data text of track 1..3. False (nothing built) for another track.
bool LoadTrack(CommandBuilder& out, int track, std::string_view text);
// "\e&L1\r", "\e&L2\r", "\e&L3\r": read a track; empty for another track.
std::string_view ReadTrack(int track);

// The track format code of a track (1..3) and mode (0..7), for writing or reading; empty when out of range.
std::string_view TrackFormatCode(int track, int mode, bool write);
// "\e&CDEW t %s\r" (write) or "\e&CDER t %s\r" (read) with the track format code; false when out of range.
bool TrackFormat(CommandBuilder& out, int track, int mode, bool write);

// "\e&W 0\r" (Normal) or "\e&W 1\r" (Reversed).
std::string_view EncoderPosition(bool reversed);
// "\e&C 1\r" (high) or "\e&C 0\r" (low).
std::string_view Coercivity(bool high);
// "\e&D t 210\r" or "\e&D t 75\r"; false for a track other than 1..3.
bool TrackDensity(CommandBuilder& out, int track, bool density210);

// ---- Maintenance ----

// "\e%s\r": a free command typed by the user.
bool FreeCommand(CommandBuilder& out, std::string_view text);
inline constexpr std::string_view kStandardTestCard = "\033A\r";
// "\eA %ld\r": a parameter test card (1 printer parameters, 2 encoder parameters).
bool TestCard(CommandBuilder& out, int32_t kind);
inline constexpr std::string_view kClean = "\033CLEAN\r";
// "\e+O %d\r" followed by "\e+OY %d\r": both print offsets, always together.
bool PrintOffsets(CommandBuilder& out, int32_t x, int32_t y);
// "\eATM 1\r" (enable) or "\eATM 0\r" (disable single-card feeding).
std::string_view SingleFeed(bool enable);
inline constexpr std::string_view kAfterReplyRead = "\033.\r";
// "\eDC " and the length as 4 bytes, most significant first: the firmware download header (8 bytes).
bool FirmwareHeader(CommandBuilder& out, uint32_t length);
inline constexpr std::string_view kFirmwareTrailer = "\xFF\r";

// ---- Queries (the answer is read back) ----

inline constexpr std::string_view kQueryVersion = "\033V\r";
inline constexpr std::string_view kQueryOffsetX = "\033!V 1\r";
inline constexpr std::string_view kQueryOffsetY = "\033!V 2\r";
inline constexpr std::string_view kQueryHeadResistance = "\033!V 15\r";
inline constexpr std::string_view kQueryEncoderFitted = "\033!V 20\r";
inline constexpr std::string_view kQuerySerialNumber = "\033%SERIE\r";
inline constexpr std::string_view kQueryPanelCount = "\033!NL\r";
inline constexpr std::string_view kQueryRibbon = "\033!RIBBON\r";
inline constexpr std::string_view kQueryRibbonRemaining = "\033!RIBLEN\r";
inline constexpr std::string_view kQuerySingleFeed = "\033ATM 1 1\r";
inline constexpr std::string_view kSlave = "\033SLAVE\r";

}  // namespace cmd
}  // namespace tolma
