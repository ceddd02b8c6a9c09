// DomaUI's DEVMODE rules over bytes: whole DEVMODE images, the output merge with the private cache, and the
// ribbon and encoder refresh of a private part.
#pragma once

#include "common/devmode.h"
#include "platform/win32.h"

#include <cstdint>
#include <optional>
#include <span>

namespace tolma::ui {

// A whole DEVMODE as DomaUI hands it out: the 212-byte public part followed by the private part.
struct FullDevmode {
  uint8_t publicPart[kPublicDevmodeSize];
  PrivateDevmode privatePart;
};
static_assert(sizeof(FullDevmode) == kFullDevmodeSize);
static_assert(offsetof(FullDevmode, privatePart) == kPublicDevmodeSize);

// The bytes of a caller's DEVMODE that may be read: as many as it declares (dmSize + dmDriverExtra).
std::span<const uint8_t> DeclaredBytes(const DEVMODEW* devmode);

// A whole DEVMODE built from a DEVMODE's bytes. The public part is the DEVMODE's first 212 bytes (public fields
// beyond its own dmSize come from the default template); the private part is taken at offset dmSize, as DomaUI
// locates it, up to dmDriverExtra bytes (zeros beyond). The result is declared as 212 + 2224 bytes.
FullDevmode FullImage(std::span<const uint8_t> devmode);

// Result of MergeOutputDevmode.
enum class MergeOutcome {
  Written,            // the output holds a whole DEVMODE
  StoredUnavailable,  // the printer's DEVMODE was needed but could not be read: the output is untouched
  OutputTooSmall,     // the output cannot hold 2436 bytes: nothing was written
};

// Whether MergeOutputDevmode needs the printer's stored DEVMODE for this cache and input.
bool MergeNeedsStoredDevmode(const PrivateDevmode& cache, bool hasInput);

// Fills an output DEVMODE for DrvDocumentProperties (DM_OUT_BUFFER). With a valid cache and an input: the input's
// public part and the cache. Otherwise the printer's stored DEVMODE with the fixed ribbon translated (the cache's
// ribbonType follows), and the cache filled from it when still empty. With DM_IN_BUFFER and an input, the input's
// orientation and copies (and paper width and length when its dmFields has DM_PAPERSIZE) are then taken over.
// The input and the stored DEVMODE are read completely before the output is written, so they may share memory.
MergeOutcome MergeOutputDevmode(std::span<uint8_t> output, std::optional<std::span<const uint8_t>> input,
                                std::optional<std::span<const uint8_t>> stored, DWORD mode, PrivateDevmode& cache);

// Writes the ribbon type (when given) and the encoder flag into a private part held in `privateBytes`,
// touching only fields that lie inside it.
void WriteRibbonAndEncoder(std::span<uint8_t> privateBytes, std::optional<int16_t> ribbonType, int16_t hasEncoder);

}  // namespace tolma::ui
