// Spool writers: retrying writes, recording and replay of a card's commands, and the magnetic block.
#include "raster/spool.h"

#include <algorithm>
#include <cstring>

namespace tolma {

namespace {

// Text of a fixed character field: up to its first zero, never past the field.
template <size_t N>
std::string_view FieldText(const char (&field)[N]) {
  const void* zero = std::memchr(field, 0, N);
  return {field, zero != nullptr ? static_cast<size_t>(static_cast<const char*>(zero) - field) : N};
}

// The largest block: every track present with a full field ("\e&B t " + text + "\r"), and the
// encode-only card-out.
constexpr size_t kLoadTrackFrame = 7;
constexpr size_t kLargestMagneticBlock = cmd::kOpenMagnetic.size() + 3 * kLoadTrackFrame +
                                         sizeof(PrivateDevmode::track1Text) + sizeof(PrivateDevmode::track2Text) +
                                         sizeof(PrivateDevmode::track3Text) + cmd::kEncodeTracks.size() +
                                         cmd::kCardOut.size();
static_assert(kLargestMagneticBlock <= kMagneticBlockSize, "the magnetic block always fits its buffer");

}  // namespace

size_t WriteAll(HANDLE printer, std::span<const uint8_t> bytes) {
  size_t done = 0;
  int failures = 0;
  while (done < bytes.size() && failures < kWriteFailureLimit) {
    const size_t left = bytes.size() - done;
    const auto ask = static_cast<DWORD>(std::min<size_t>(left, 0xFFFFFFFFu));
    DWORD written = 0;
    const BOOL ok = WritePrinter(printer, const_cast<uint8_t*>(bytes.data() + done), ask, &written);
    if (!ok || written == 0) {
      ++failures;
      continue;
    }
    done += std::min<size_t>(written, ask);
  }
  return done;
}

size_t ReplayTextLength(std::span<const uint8_t> replay) {
  const void* zero = std::memchr(replay.data(), 0, replay.size());
  return zero != nullptr ? static_cast<size_t>(static_cast<const uint8_t*>(zero) - replay.data()) : replay.size();
}

bool RecordForReplay(std::span<uint8_t> replay, std::span<const uint8_t> bytes) {
  const size_t used = ReplayTextLength(replay);
  if (used == replay.size()) return false;  // no zero byte: the buffer is full
  if (bytes.empty()) return true;
  if (std::memchr(bytes.data(), 0, bytes.size()) != nullptr) return false;
  // The text keeps a terminating zero after the command.
  if (bytes.size() > replay.size() - used - 1) return false;
  std::memcpy(replay.data() + used, bytes.data(), bytes.size());
  replay[used + bytes.size()] = 0;
  return true;
}

bool BuildMagneticBlock(const PrivateDevmode& priv, CommandBuilder& out) {
  const bool present[3] = {priv.track1Present != 0, priv.track2Present != 0, priv.track3Present != 0};
  if (!present[0] && !present[1] && !present[2]) return false;
  const std::string_view texts[3] = {FieldText(priv.track1Text), FieldText(priv.track2Text),
                                     FieldText(priv.track3Text)};
  const size_t start = out.size();
  bool ok = out.Add(cmd::kOpenMagnetic);
  for (int track = 1; track <= 3; ++track)
    if (present[track - 1]) ok = ok && cmd::LoadTrack(out, track, texts[track - 1]);
  ok = ok && out.Add(cmd::kEncodeTracks);
  if (priv.printingMode == 1) ok = ok && out.Add(cmd::kCardOut);
  // A block is sent whole or not at all.
  if (!ok) out.TruncateTo(start);
  return ok;
}

void SpoolWrite(HANDLE printer, std::span<const uint8_t> bytes, bool record, RenderContext& ctx) {
  WriteAll(printer, bytes);
  if (record && ctx.Copies() != 0 && ctx.replayBuffer != nullptr)
    RecordForReplay(std::span<uint8_t>(ctx.replayBuffer, kReplayBufferSize), bytes);
}

void WritePanelBuffer(HANDLE printer, RenderContext& ctx) {
  if (ctx.panelBuffer == nullptr || ctx.panelLength == 0) return;
  WriteAll(printer, std::span<const uint8_t>(ctx.panelBuffer, std::min(ctx.panelLength, kPanelBufferSize)));
}

void ReplayCard(RenderContext& ctx) {
  if (ctx.Copies() <= 1 || ctx.replayBuffer == nullptr) return;
  const std::span<const uint8_t> replay(ctx.replayBuffer, kReplayBufferSize);
  const std::span<const uint8_t> text = replay.first(ReplayTextLength(replay));
  if (text.empty()) return;
  for (int copy = 1; copy < ctx.Copies(); ++copy) WriteAll(ctx.printerHandle, text);
}

void SendMagneticData(RenderContext& ctx) {
  CommandBuffer<kMagneticBlockSize> block;
  if (!BuildMagneticBlock(ctx.priv, block)) return;
  SpoolWrite(ctx.printerHandle, block.bytes(), true, ctx);
}

}  // namespace tolma
