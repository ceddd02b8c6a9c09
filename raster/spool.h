// Spool writers: the retrying write with recording for copies, the panel buffer writer, the replay of a
// card's recorded commands for further copies, and the magnetic-encoding block.
#pragma once

#include "common/commands.h"
#include "common/devmode.h"
#include "raster/context.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>

namespace tolma {

// WritePrinter calls that may fail before a write is abandoned.
inline constexpr int kWriteFailureLimit = 3;
// Size of the buffer the magnetic block is built in.
inline constexpr size_t kMagneticBlockSize = 512;

// Writes `bytes` with WritePrinter, each call asking for the part not yet written, until all are written
// or three calls have failed. A call that succeeds without taking a byte counts as a failure. Returns the
// number of bytes the spooler took.
size_t WriteAll(HANDLE printer, std::span<const uint8_t> bytes);

// Length of the replay buffer's text: the bytes before its first zero (the whole buffer when it has none).
size_t ReplayTextLength(std::span<const uint8_t> replay);

// Appends `bytes` to the replay text, after its first zero byte. A command is stored whole or not at
// all: nothing is stored when the buffer has no zero byte, when the bytes would not fit together with a
// terminating zero, or when they hold a zero byte themselves. Returns true when stored.
bool RecordForReplay(std::span<uint8_t> replay, std::span<const uint8_t> bytes);

// Builds the magnetic block from the job-state track fields: "\e&R\r", "\e&B t %s\r" for each present
// track, "\e&E*\r", and "\eMO\r" when printing only encodes. Each track text is taken up to its first
// zero and never past its field. Returns false (nothing built) when no track is present or when the block
// does not fit in `out` (a 512-byte buffer always holds it).
bool BuildMagneticBlock(const PrivateDevmode& priv, CommandBuilder& out);

// Writes bytes to the job (WriteAll), then, when dmCopies is not 0 and `record` is set, records them
// for the replay of further copies. Failures are absorbed.
void SpoolWrite(HANDLE printer, std::span<const uint8_t> bytes, bool record, RenderContext& ctx);
inline void SpoolWrite(HANDLE printer, std::string_view bytes, bool record, RenderContext& ctx) {
  SpoolWrite(printer, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()), record,
             ctx);
}

// Writes the panel output buffer (its fill length, never recorded). A length of 0 writes nothing.
void WritePanelBuffer(HANDLE printer, RenderContext& ctx);

// Sends the recorded commands of the card dmCopies - 1 more times; nothing when dmCopies is 1 or less
// or when nothing was recorded.
void ReplayCard(RenderContext& ctx);

// Sends the magnetic block of the side with recording, when a track is present.
void SendMagneticData(RenderContext& ctx);

}  // namespace tolma
