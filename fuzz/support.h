// Shared set-up of the fuzz targets: a host printer, a model and ribbon cache, an enabled driver.
#pragma once

#include "common/devmode.h"
#include "platform/host/engine_session.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tolma::fuzz {

// Reads values off the front of the fuzzer's input; zeros once it runs out.
class Input {
 public:
  Input(const uint8_t* data, size_t size) : bytes_(data, size) {}
  uint8_t Byte() { return pos_ < bytes_.size() ? bytes_[pos_++] : 0; }
  uint16_t U16() { return static_cast<uint16_t>(Byte() | (Byte() << 8)); }
  std::span<const uint8_t> Rest() { return bytes_.subspan(pos_); }
  std::span<const uint8_t> Take(size_t n) {
    n = std::min(n, bytes_.size() - pos_);
    auto out = bytes_.subspan(pos_, n);
    pos_ += n;
    return out;
  }

 private:
  std::span<const uint8_t> bytes_;
  size_t pos_ = 0;
};

// The process-wide scene: a temporary folder with a cache naming a YMCKO ribbon on a two-sided model,
// a printer "Card" and the driver enabled.
struct Scene {
  std::string folder;
  HANDLE printer = nullptr;
  host::EngineDriver* driver = nullptr;
};
Scene& TheScene();

// A printer handle whose stream is fresh for this input.
HANDLE FreshPrinter();

}  // namespace tolma::fuzz
