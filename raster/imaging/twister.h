// The 64-bit Mersenne Twister of the C++ standard (std::mt19937_64: the same numbers from the same seed), made a
// whole state at a time, so that taking a draw is reading a word.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace tolma {

class Twister64 {
 public:
  explicit Twister64(uint64_t seed) {
    state_[0] = seed;
    for (size_t i = 1; i < kN; ++i) {
      state_[i] = 6364136223846793005ull * (state_[i - 1] ^ (state_[i - 1] >> 62)) + i;
    }
  }

  // The next draw.
  uint64_t operator()() {
    if (taken_ == kN) Generate();
    return out_[taken_++];
  }

  // The draws not taken yet, at least one, the next first: a caller may read them ahead and say how many it
  // took with Took.
  std::span<const uint64_t> Ahead() {
    if (taken_ == kN) Generate();
    return std::span<const uint64_t>(out_).subspan(taken_);
  }
  void Took(size_t count) { taken_ += count; }

 private:
  static constexpr size_t kN = 312;
  static constexpr size_t kM = 156;
  static constexpr uint64_t kMatrix = 0xB5026F5AA96619E9ull;
  static constexpr uint64_t kUpper = ~uint64_t{0} << 31;  // the upper 33 bits
  static constexpr uint64_t kLower = ~kUpper;

  // The next state, and its words tempered into the output.
  void Generate() {
    // Each word from itself, the next one and the one kM further on (around the end: the words already renewed).
    auto twist = [](uint64_t word, uint64_t next, uint64_t ahead) {
      const uint64_t y = (word & kUpper) | (next & kLower);
      return ahead ^ (y >> 1) ^ ((0 - (y & 1)) & kMatrix);  // the matrix when y is odd, as a mask: vectorisable
    };
    for (size_t i = 0; i < kN - kM; ++i) state_[i] = twist(state_[i], state_[i + 1], state_[i + kM]);
    for (size_t i = kN - kM; i < kN - 1; ++i) state_[i] = twist(state_[i], state_[i + 1], state_[i + kM - kN]);
    state_[kN - 1] = twist(state_[kN - 1], state_[0], state_[kM - 1]);
    for (size_t i = 0; i < kN; ++i) {
      uint64_t z = state_[i];
      z ^= (z >> 29) & 0x5555555555555555ull;
      z ^= (z << 17) & 0x71D67FFFEDA60000ull;
      z ^= (z << 37) & 0xFFF7EEE000000000ull;
      z ^= z >> 43;
      out_[i] = z;
    }
    taken_ = 0;
  }

  std::array<uint64_t, kN> state_;
  std::array<uint64_t, kN> out_{};
  size_t taken_ = kN;  // all taken: the first draw makes the first state
};

}  // namespace tolma
