// Panel output buffer and run-length encoder state shared by the panel encoders.
#pragma once

#include <cstdint>

namespace tolma {

// Size of the panel output buffer: room for the largest encoding of one full panel and its closing CR.
inline constexpr uint32_t kPanelBufferSize = 0xA1000;  // 659,456 bytes
inline constexpr uint32_t kMonoWorkBufferSize = 65536;

// Panel geometry: every panel is 1024 lines of 640 dots.
inline constexpr int kPanelLines = 1024;
inline constexpr int kPanelDots = 640;
inline constexpr int kMonoPanelBytes = kPanelLines * kPanelDots / 8;  // 81,920

// Run-length state shared by the continuous-tone and one-bit run-length encoders.
struct RunLengthState {
  uint8_t value = 0;        // pending value or the value of the run
  uint8_t count = 0;        // length of the current run
  uint8_t state = 0;        // 0 empty, 1 one value pending, 2 a run, 3 a literal block open
  uint16_t workLength = 0;  // fill of the one-bit work buffer
  uint16_t blockIndex = 0;  // count byte of the open literal block in the work buffer
};

// Where encoders append: a caller-owned buffer and its fill.
// Bytes that do not fit are dropped and `overflow` is set: no encoder writes past the buffer.
struct PanelOutput {
  uint8_t* data = nullptr;
  uint32_t length = 0;
  uint32_t capacity = 0;
  bool overflow = false;

  void Put(uint8_t byte) {
    if (length < capacity) {
      data[length++] = byte;
    } else {
      overflow = true;
    }
  }
};

}  // namespace tolma
