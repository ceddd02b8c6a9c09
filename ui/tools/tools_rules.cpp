// The rules of the "Tools" dialog: input checks, opening tables, button commands and reply texts.
#include "ui/tools/tools_rules.h"

#include <algorithm>

namespace tolma::ui {
namespace {

bool Digit(WCHAR c) { return c >= u'0' && c <= u'9'; }
bool WhiteSpace(WCHAR c) { return c == u' ' || (c >= u'\t' && c <= u'\r'); }

// Bytes of a reply up to `end` and before the first zero byte.
std::string TextUpTo(std::span<const uint8_t> reply, size_t end) {
  end = std::min(end, reply.size());
  size_t n = 0;
  while (n < end && reply[n] != 0) ++n;
  return std::string(reinterpret_cast<const char*>(reply.data()), n);
}

}  // namespace

// --- Input checks ---

uint32_t UnsignedTextValue(WStringView text) {
  size_t i = 0;
  while (i < text.size() && text[i] == u' ') ++i;
  uint64_t value = 0;
  size_t digits = 0;
  for (; i < text.size() && Digit(text[i]); ++i, ++digits)
    value = std::min<uint64_t>(value * 10 + (text[i] - u'0'), 0x100000000);
  while (i < text.size() && text[i] == u' ') ++i;
  if (digits == 0 || i != text.size()) return 0;
  return static_cast<uint32_t>(std::min<uint64_t>(value, 0xFFFFFFFF));
}

TextCheck CheckOffsetText(WStringView text) {
  size_t keep = text.size();
  while (keep > 0 && UnsignedTextValue(text.substr(0, keep)) > kMaxPrintOffset) --keep;
  return {keep, keep == text.size() ? 0u : kStrOffsetTooLarge};
}

size_t TrackLimit(int track) {
  switch (track) {
    case 1:
      return 76;
    case 2:
      return 37;
    case 3:
      return 104;
    default:
      return 0;
  }
}

bool TrackCharacterAllowed(int track, WCHAR c) {
  if (Digit(c)) return true;
  if (track == 1)
    return (c >= u'A' && c <= u'Z') || WhiteSpace(c) || WStringView(TOLMA_WIDE("$()-./^")).find(c) != WStringView::npos;
  return (track == 2 || track == 3) && c == u'=';
}

TextCheck CheckTrackText(int track, WStringView text) {
  const size_t limit = TrackLimit(track);
  if (text.size() > limit) return {limit, kStrTooManyCharacters};
  for (size_t i = 0; i < text.size(); ++i)
    if (!TrackCharacterAllowed(track, text[i])) return {i, kStrInvalidCharacter};
  return {text.size(), 0};
}

// --- Opening ---

DirectEncodingEnabling DirectEncodingEnabled(LinkMode mode, bool hasEncoder) {
  if (mode == LinkMode::OneWay) return {true, true, false};
  if (hasEncoder) return {true, true, true};
  return {false, false, false};
}

std::vector<ListItem> TestCardItems(LinkMode mode, bool hasEncoder) {
  std::vector<ListItem> items = {{kStrStandardCard, 0}, {kStrPrinterParameters, 1}};
  if (hasEncoder || mode == LinkMode::OneWay) items.push_back({kStrEncoderParameters, 2});
  return items;
}

std::vector<ListItem> CleaningItems() { return {{kStrPrinterOnly, 0}}; }

std::optional<std::string> OffsetFromReply(std::span<const uint8_t> reply, size_t length) {
  if (!IsPositiveReply(reply, length)) return std::nullopt;
  size_t end = length - 1;
  if (length > 2 && reply[end - 1] == ' ') --end;
  return TextUpTo(reply, end);
}

// --- Commands ---

bool BuildFreeCommand(CommandBuilder& out, std::string_view text) {
  if (text.empty()) return false;
  return cmd::FreeCommand(out, text.substr(0, kCommandTextBytes));
}

bool BuildTestCard(CommandBuilder& out, long itemData) {
  if (itemData == 0) return out.Add(cmd::kStandardTestCard);
  return cmd::TestCard(out, static_cast<int32_t>(itemData));
}

bool BuildCleaning(CommandBuilder& out, long itemData) { return itemData == 0 && out.Add(cmd::kClean); }

bool BuildOffsets(CommandBuilder& out, uint32_t x, uint32_t y) {
  return cmd::PrintOffsets(out, static_cast<int32_t>(x), static_cast<int32_t>(y));
}

bool HasDataToEncode(std::span<const TrackInput, 3> tracks) {
  return std::any_of(tracks.begin(), tracks.end(), [](const TrackInput& t) { return t.selected && !t.text.empty(); });
}

bool BuildEncode(CommandBuilder& out, std::span<const TrackInput, 3> tracks) {
  if (!HasDataToEncode(tracks)) return false;
  const size_t start = out.size();
  for (int track = 1; track <= 3; ++track) {
    const TrackInput& t = tracks[static_cast<size_t>(track - 1)];
    if (!t.selected || t.text.empty()) continue;
    if (!cmd::LoadTrack(out, track, std::string_view(t.text).substr(0, TrackLimit(track)))) {
      out.TruncateTo(start);
      return false;
    }
  }
  if (!out.Add(cmd::kEncodeTracks)) {
    out.TruncateTo(start);
    return false;
  }
  return true;
}

// --- Replies ---

std::string ReplyText(std::span<const uint8_t> reply, size_t length) { return TextUpTo(reply, length); }

std::string ToolsStatusText(std::span<const uint8_t> reply, const ReplyRead& read) {
  const size_t length = std::min(read.length, reply.size());
  std::string text;
  if (read.ok && length > 0) {
    const bool ack = reply[length - 1] == kAck;
    text = TextUpTo(reply, ack ? length - 1 : length);
    // The ACK shows only when nothing before it ended the text.
    if (ack && text.size() == length - 1) text += kAckShown;
  }
  return text.empty() ? std::string(kNoResponse) : text;
}

}  // namespace tolma::ui
