// The rules of the "Tools" dialog as plain functions: the input checks of its edits, what it enables and lists at
// opening, the commands its buttons build, and how it reads the printer's replies.
#pragma once

#include "common/commands.h"
#include "common/wide.h"
#include "ui/tools/printer_link.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace tolma::ui {

inline constexpr uint32_t kMaxPrintOffset = 48;
inline constexpr size_t kCommandTextBytes = 255;    // the free command's text is cut to this
inline constexpr size_t kToolsReplyBytes = 1024;    // reply of a command button
inline constexpr size_t kOffsetReplyBytes = 32;     // "\eSLAVE\r" and the offset reads
inline constexpr size_t kTrackReplyBytes = 128;     // track reads
inline constexpr size_t kToolsCommandBytes = 1024;  // the command buffer of one button
inline constexpr std::string_view kNoResponse = "Printer has no response";
inline constexpr std::string_view kAckShown = "<ACK>";

// Strings of the dialog's messages and lists.
inline constexpr UINT kStrPrinterParameters = 2059;
inline constexpr UINT kStrEncoderParameters = 2060;
inline constexpr UINT kStrOffsetWarning = 2063;
inline constexpr UINT kStrCleaningPrompt = 2065;
inline constexpr UINT kStrStandardCard = 2066;
inline constexpr UINT kStrPutCardInFeeder = 2067;
inline constexpr UINT kStrInvalidCharacter = 2070;
inline constexpr UINT kStrTooManyCharacters = 2071;
inline constexpr UINT kStrOffsetTooLarge = 2072;
inline constexpr UINT kStrPrinterOnly = 2075;
inline constexpr UINT kStrNoDataToEncode = 2077;

// --- Input checks, run on every change of an edit ---

// What a check keeps of a text (its first `keep` characters) and the message it shows (0: none).
struct TextCheck {
  size_t keep = 0;
  UINT message = 0;
  bool operator==(const TextCheck&) const = default;
};

// The unsigned value of an edit's text: decimal digits, with spaces around them; any other text counts as 0.
// Values beyond 32 bits give 0xFFFFFFFF.
uint32_t UnsignedTextValue(WStringView text);

// An offset edit: a non-empty text whose value is over 48 loses its last characters until it is not, with message
// 2072. Typing therefore keeps offsets at 0..48.
TextCheck CheckOffsetText(WStringView text);

// The characters a track holds at most: 76, 37 and 104 for tracks 1, 2 and 3 (0 for another track).
size_t TrackLimit(int track);
// Track 1: digits, capital letters, white space and "$()-./^"; tracks 2 and 3: digits and "=".
bool TrackCharacterAllowed(int track, WCHAR c);
// A track edit: a text over the limit is cut to it with message 2071; otherwise a text is cut before its first
// character outside the track's alphabet with message 2070.
TextCheck CheckTrackText(int track, WStringView text);

// --- Opening ---

// Which direct-encoding controls are enabled at opening (the track edits are disabled until their box is checked).
struct DirectEncodingEnabling {
  bool checkBoxes = false;
  bool encode = false;
  bool read = false;
  bool operator==(const DirectEncodingEnabling&) const = default;
};
DirectEncodingEnabling DirectEncodingEnabled(LinkMode mode, bool hasEncoder);

// An entry of a drop-down list: its string and its item data.
struct ListItem {
  UINT stringId = 0;
  long data = 0;
  bool operator==(const ListItem&) const = default;
};
// "Standard" (0) and "Printer Parameters" (1), and "Encoder Parameters" (2) with an encoder or in one-way mode.
std::vector<ListItem> TestCardItems(LinkMode mode, bool hasEncoder);
// "Printer only" (0).
std::vector<ListItem> CleaningItems();

// The offset that a positive reply to "\e!V 1\r" or "\e!V 2\r" gives: the text before the ACK, less one space
// directly before the ACK when the reply is longer than two bytes, and up to its first zero byte. Nothing for a
// reply that is not positive.
std::optional<std::string> OffsetFromReply(std::span<const uint8_t> reply, size_t length);

// --- The commands of the buttons ---

// "Execute": "\e%s\r" with the text cut to 255 bytes; nothing for an empty text.
bool BuildFreeCommand(CommandBuilder& out, std::string_view text);
// "Print": "\eA\r" for item data 0, "\eA %ld\r" otherwise.
bool BuildTestCard(CommandBuilder& out, long itemData);
// "Clean": "\eCLEAN\r" for the item data 0 of "Printer only"; nothing for another.
bool BuildCleaning(CommandBuilder& out, long itemData);
// "Set Offset": "\e+O %d\r" and "\e+OY %d\r" in one buffer.
bool BuildOffsets(CommandBuilder& out, uint32_t x, uint32_t y);

// A track of the direct encoding: its box checked and its text in the single-byte code page.
struct TrackInput {
  bool selected = false;
  std::string text;
};
// True when a selected track has text.
bool HasDataToEncode(std::span<const TrackInput, 3> tracks);
// "Encode": "\e&B t %s\r" for each selected track with text, in track order, with the text cut to the track's
// limit, then "\e&E*\r"; nothing when no selected track has text.
bool BuildEncode(CommandBuilder& out, std::span<const TrackInput, 3> tracks);

// --- Replies ---

// The status text of a command's reply: the reply's bytes up to its reported length with a final ACK shown as
// "<ACK>", up to its first zero byte; "Printer has no response" when the read failed or that text is empty.
std::string ToolsStatusText(std::span<const uint8_t> reply, const ReplyRead& read);

// The text of a reply up to its reported length and its first zero byte (shown as it is).
std::string ReplyText(std::span<const uint8_t> reply, size_t length);

}  // namespace tolma::ui
