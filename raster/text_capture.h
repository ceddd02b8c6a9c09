// Text capture: reads the text of one text-out call as an inserted printer command or as magnetic-track data.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

#include "common/devmode.h"

namespace tolma {

// Characters a glyph-index text may have to be read: longer glyph texts are drawn, never captured.
inline constexpr size_t kGlyphTextCapacity = 256;

// The first run of a font's glyph set: the characters low, low + 1, ... have the glyph handles `handles`
// (`count` of them). Without handles the run maps each character to a handle of the same value.
struct GlyphRunView {
  WCHAR low = 0;
  size_t count = 0;
  const HGLYPH* handles = nullptr;
};

// Translates glyph handles into characters through `run`: a handle found at index j becomes low + j, any other
// becomes 0. Writes min(glyphs.size(), out.size()) characters to `out` and returns that number.
size_t TranslateGlyphs(std::span<const WCHAR> glyphs, const GlyphRunView& run, std::span<WCHAR> out);

// What a text turned out to be.
enum class TextCapture {
  None,             // ordinary text: it is to be drawn
  InsertedCommand,  // stored in an insert buffer
  TrackData,        // stored as the text of a magnetic track
};

// Reads one text (its characters as they are compared and stored: low 8 bits):
// - with `macroProcessing`, "~C" + a digit d of 0..5 + command appends ESC, the command and CR to insert buffer d
//   after its text, when the whole command and a terminating zero fit in the buffer (a command with a zero
//   character is never stored);
// - with `hasEncoder` and `macroProcessing`, the macro form (startOfData, track digit, data, endOfData) and the
//   tilde form ("~" + track digit + data, without the track's sentinels when both are present) set the track's
//   present flag and its text in `priv`; data longer than the track's field is cut to leave its terminating zero.
// `insertBuffers` are the six insert buffers (any size; an empty one counts as full). Returns what was captured;
// nothing is changed for TextCapture::None.
TextCapture CaptureText(std::span<const WCHAR> text, PrivateDevmode& priv,
                        std::span<const std::span<uint8_t>> insertBuffers);

}  // namespace tolma
