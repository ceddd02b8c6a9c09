// Text capture: inserted printer commands and magnetic-track data read from the text of a text-out call.
#include "raster/text_capture.h"

#include <algorithm>
#include <cstring>

namespace tolma {
namespace {

constexpr uint8_t kEsc = 0x1B;
constexpr uint8_t kCr = 0x0D;

// A character as it is compared and stored: its low 8 bits.
uint8_t Byte(WCHAR c) { return static_cast<uint8_t>(static_cast<uint16_t>(c) & 0xFF); }

// Length of a character field whose terminating zero may be missing.
template <size_t N>
size_t FieldLength(const char (&field)[N]) {
  size_t n = 0;
  while (n < N && field[n] != 0) ++n;
  return n;
}

// "1", "2", "3" select a track; 0 for any other character.
int TrackDigit(WCHAR c) {
  const uint8_t b = Byte(c);
  return b >= '1' && b <= '3' ? b - '0' : 0;
}

// "~C" + digit 0..5 + command: ESC, the command and CR appended to insert buffer d, whole or not at all.
bool CaptureInsertedCommand(std::span<const WCHAR> text, std::span<const std::span<uint8_t>> buffers) {
  if (text.size() <= 3 || Byte(text[0]) != '~' || Byte(text[1]) != 'C') return false;
  const uint8_t digit = Byte(text[2]);
  if (digit < '0' || digit > '5') return false;
  const size_t index = static_cast<size_t>(digit - '0');
  if (index >= buffers.size() || buffers[index].empty()) return false;
  const std::span<uint8_t> buffer = buffers[index];
  const std::span<const WCHAR> command = text.subspan(3);
  // A zero would end the buffer's text inside the command.
  if (std::any_of(command.begin(), command.end(), [](WCHAR c) { return Byte(c) == 0; })) return false;

  // The buffer's text ends at its first zero; no zero means the buffer is full.
  const void* zero = std::memchr(buffer.data(), 0, buffer.size());
  if (zero == nullptr) return false;
  const size_t used = static_cast<size_t>(static_cast<const uint8_t*>(zero) - buffer.data());
  // ESC, the command and CR, followed by the zero that keeps ending the text.
  if (command.size() + 2 > buffer.size() - used - 1) return false;
  uint8_t* out = buffer.data() + used;
  *out++ = kEsc;
  for (WCHAR c : command) *out++ = Byte(c);
  *out++ = kCr;
  *out = 0;
  return true;
}

// Clears a track's text and stores `data` from its start, cut to leave the terminating zero; sets its flag.
void StoreTrack(PrivateDevmode& priv, int track, std::span<const WCHAR> data) {
  std::span<char> field;
  int16_t* present = nullptr;
  switch (track) {
    case 1:
      field = priv.track1Text;
      present = &priv.track1Present;
      break;
    case 2:
      field = priv.track2Text;
      present = &priv.track2Present;
      break;
    default:
      field = priv.track3Text;
      present = &priv.track3Present;
      priv.track3Tail = 0;
      break;
  }
  std::fill(field.begin(), field.end(), 0);
  const size_t n = std::min(data.size(), field.size() - 1);
  for (size_t i = 0; i < n; ++i) field[i] = static_cast<char>(Byte(data[i]));
  *present = 1;
}

// Macro form: startOfData, the track digit, the data, endOfData (an empty end always matches). The start, the
// digit and the end never overlap.
bool CaptureMacroTrack(std::span<const WCHAR> text, PrivateDevmode& priv) {
  const EncoderSettings& enc = priv.encoder;
  const size_t startLength = FieldLength(enc.startOfData);
  const size_t endLength = FieldLength(enc.endOfData);
  if (text.size() < startLength + 1 + endLength) return false;
  for (size_t i = 0; i < startLength; ++i)
    if (Byte(text[i]) != static_cast<uint8_t>(enc.startOfData[i])) return false;
  const size_t endAt = text.size() - endLength;
  for (size_t i = 0; i < endLength; ++i)
    if (Byte(text[endAt + i]) != static_cast<uint8_t>(enc.endOfData[i])) return false;
  const int track = TrackDigit(text[startLength]);
  if (track == 0) return false;
  StoreTrack(priv, track, text.subspan(startLength + 1, endAt - startLength - 1));
  return true;
}

// Tilde form: "~", the track digit and the data; the track's start sentinel and a final "?" are left out when
// both are there.
bool CaptureTildeTrack(std::span<const WCHAR> text, PrivateDevmode& priv) {
  if (text.size() <= 2 || Byte(text[0]) != '~') return false;
  const int track = TrackDigit(text[1]);
  if (track == 0) return false;
  std::span<const WCHAR> data = text.subspan(2);
  const uint8_t sentinel = track == 1 ? '%' : ';';
  if (data.size() >= 2 && Byte(data.front()) == sentinel && Byte(data.back()) == '?')
    data = data.subspan(1, data.size() - 2);
  StoreTrack(priv, track, data);
  return true;
}

}  // namespace

size_t TranslateGlyphs(std::span<const WCHAR> glyphs, const GlyphRunView& run, std::span<WCHAR> out) {
  const size_t n = std::min(glyphs.size(), out.size());
  for (size_t i = 0; i < n; ++i) {
    const HGLYPH handle = static_cast<uint16_t>(glyphs[i]);
    WCHAR c = 0;
    if (run.handles != nullptr) {
      for (size_t j = 0; j < run.count; ++j) {
        if (run.handles[j] == handle) {
          c = static_cast<WCHAR>(static_cast<uint16_t>(run.low) + j);
          break;
        }
      }
    } else if (handle >= static_cast<uint16_t>(run.low) && handle - static_cast<uint16_t>(run.low) < run.count) {
      c = static_cast<WCHAR>(handle);
    }
    out[i] = c;
  }
  return n;
}

TextCapture CaptureText(std::span<const WCHAR> text, PrivateDevmode& priv,
                        std::span<const std::span<uint8_t>> insertBuffers) {
  if (priv.encoder.macroProcessing == 0) return TextCapture::None;
  if (CaptureInsertedCommand(text, insertBuffers)) return TextCapture::InsertedCommand;
  if (priv.encoder.hasEncoder == 0) return TextCapture::None;
  if (CaptureMacroTrack(text, priv) || CaptureTildeTrack(text, priv)) return TextCapture::TrackData;
  return TextCapture::None;
}

}  // namespace tolma
