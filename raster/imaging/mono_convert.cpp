// Monochrome conversion of the card page for the resin panel, bar-code thinning and the blank test.
#include "raster/imaging/mono_convert.h"

#include "raster/imaging/power.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <utility>

// SSE2 is part of every x86-64 processor.
#if defined(__SSE2__) || defined(_M_X64)
#define TOLMA_MONO_SSE2 1
#include <emmintrin.h>
#else
#define TOLMA_MONO_SSE2 0
#endif

namespace tolma {
namespace {

// "Halftone Regular" thresholds, indexed by x mod 8, then y mod 8: two clustered dots per 8 x 8 cell.
constexpr uint8_t kHalftone[8][8] = {
    {151, 167, 159, 135, 111, 95, 103, 127},  //
    {223, 231, 239, 183, 39, 31, 23, 79},     //
    {215, 255, 247, 175, 47, 7, 15, 87},      //
    {191, 207, 199, 143, 71, 55, 63, 119},    //
    {111, 95, 103, 127, 151, 167, 159, 135},  //
    {39, 31, 23, 79, 223, 231, 239, 183},     //
    {47, 7, 15, 87, 215, 255, 247, 175},      //
    {71, 55, 63, 119, 191, 207, 199, 143},    //
};

constexpr uint8_t kWhite = 255;
constexpr uint8_t kBlack = 0;

// Collects the pixels of one bitmap row, leftmost in the top bit; bits past the width keep their value.
class RowPacker {
 public:
  RowPacker(uint8_t* row, uint8_t lastMask) : out_(row), lastMask_(lastMask) {}
  void Put(bool white) {
    acc_ = static_cast<uint8_t>(acc_ | (white ? (0x80u >> filled_) : 0u));
    if (++filled_ == 8) {
      *out_++ = acc_;
      acc_ = 0;
      filled_ = 0;
    }
  }
  void Finish() {
    if (filled_ != 0) *out_ = static_cast<uint8_t>((*out_ & ~lastMask_) | (acc_ & lastMask_));
  }

 private:
  uint8_t* out_;
  uint8_t lastMask_;
  uint8_t acc_ = 0;
  int filled_ = 0;
};

// The contrast stretch of the diffusion between the side's darkest and lightest values, per value.
std::array<uint8_t, 256> BuildStretch(int lo, int hi) {
  std::array<uint8_t, 256> table{};
  for (int v = 0; v < 256; ++v) {
    int out = v;
    if (hi != lo) {
      if (v > 248) {
        out = 255;
      } else if (v < 7) {
        out = 0;
      } else {
        const int f = (v - lo) * 255 / (hi - lo);
        const int t = (255 - f) * (255 - f) / 255;
        out = std::clamp((255 - t) / 2 + f / 2, 0, 255);
      }
    }
    table[static_cast<size_t>(v)] = static_cast<uint8_t>(out);
  }
  return table;
}

// The conversions take the views by value: the page writes cannot then alias their sizes.

// Packs a row's decisions, one byte each (nonzero white), into the bitmap row: 8 at a time, the first in the top
// bit; bits past the width keep their value.
void PackDecisions(const uint8_t* decisions, int width, uint8_t* out, uint8_t lastMask) {
  int x = 0;
  for (; x + 8 <= width; x += 8) {
    uint64_t eight;
    std::memcpy(&eight, decisions + x, sizeof eight);
    // The top bit of every byte (decisions are 0 or 255), gathered into one byte with the first pixel on top.
    *out++ = static_cast<uint8_t>((((eight >> 7) & 0x0101010101010101ull) * 0x8040201008040201ull) >> 56);
  }
  if (x == width) return;
  RowPacker packer(out, lastMask);
  for (; x < width; ++x) packer.Put(decisions[x] != 0);
  packer.Finish();
}

// "Diffusion". The page's rows are the work storage: the first pass leaves each row's grey values in its first
// `width` bytes. Card-sized rows are then decided eight at a time (DiffusionBands below). Wider rows are decided one
// at a time by DiffusionRow: the black adjustments replace the row's grey values, the next `width` bytes and the
// `width` after them hold the positive and the negative error that the row above passed down (each summed, at most
// 255), and the row's decisions replace its values, are packed into the bitmap, and are then left in byte 0 of its
// pixels.

// One row being decided from left to right: its bytes, where its error goes down, and the error it carries.
class DiffusionRow {
 public:
  // `below` is the next row, or for the last row the row itself: its error bytes then take the shares passed
  // down, each after it was read, and nothing reads them again.
  DiffusionRow(uint8_t* row, uint8_t* below, int width)
      : decision_(row),
        posAbove_(row + width),
        negAbove_(row + 2 * static_cast<size_t>(width)),
        posBelow_(below + width),
        negBelow_(below + 2 * static_cast<size_t>(width)),
        width_(width) {}

  // Decides pixel x, replacing its grey value by the decision (0 black, 255 white), and passes its error on:
  // along the row to the next two pixels, and down to the pixels x - 2 .. x + 2 below, of which x - 2 then has
  // all its shares and is written.
  void Decide(int x, const std::array<uint8_t, 256>& stretch) {
    const int v = stretch[decision_[x]];
    const int pos = std::min(255, posAbove_[x] + carryPos1_);
    const int neg = std::min(255, negAbove_[x] + carryNeg1_);
    const int g = std::clamp(v + pos - neg, 0, 255);
    // A much lighter next pixel (its first-pass value) keeps the edge dark. (Past the last pixel the byte read is
    // the row's first error byte, and the test is off.)
    const bool edge = (x + 1 < width_) & (decision_[x + 1] > v + 64);
    const bool white = (v > 248) | ((v >= 7) & !edge & (g >= 128));
    decision_[x] = white ? kWhite : kBlack;

    // White passes 255 - g on as negative error. Black passes g and then 255 on as positive error, both in one
    // share, and fills the next pixel's positive error. Each share is truncated on its own, and every share is
    // non-negative, so one saturation of a sum equals saturating at every step.
    const int e = white ? 255 - g : g;
    const int extra = white ? 0 : 255;
    const int eighth = e * 8 / 32 + extra * 8 / 32;
    const int quarter = e * 4 / 32 + extra * 4 / 32;
    const int sixteenth = e * 2 / 32 + extra * 2 / 32;
    carryPos1_ = white ? carryPos2_ : 255;
    carryNeg1_ = carryNeg2_ + (white ? eighth : 0);
    carryPos2_ = white ? 0 : quarter;
    carryNeg2_ = white ? quarter : 0;

    // Down: 2/32, 4/32, 8/32, 4/32 and 2/32 to x - 2 .. x + 2.
    const uint32_t side = white ? 65536 : 1;
    down0_ += static_cast<uint32_t>(sixteenth) * side;
    down1_ += static_cast<uint32_t>(quarter) * side;
    down2_ += static_cast<uint32_t>(eighth) * side;
    down3_ += static_cast<uint32_t>(quarter) * side;
    if (x >= 2) PutDown(x - 2, down0_);
    down0_ = down1_;
    down1_ = down2_;
    down2_ = down3_;
    down3_ = static_cast<uint32_t>(sixteenth) * side;  // pixel x + 2's first share
  }

  // After the last pixel: writes the last two pixels below; shares past the row's end are dropped.
  void Finish() {
    if (width_ >= 2) PutDown(width_ - 2, down0_);
    PutDown(width_ - 1, down1_);
  }

 private:
  void PutDown(int x, uint32_t shares) {
    posBelow_[x] = static_cast<uint8_t>(std::min<uint32_t>(255, shares & 0xFFFF));
    negBelow_[x] = static_cast<uint8_t>(std::min<uint32_t>(255, shares >> 16));
  }

  uint8_t* decision_;
  const uint8_t* posAbove_;
  const uint8_t* negAbove_;
  uint8_t* posBelow_;
  uint8_t* negBelow_;
  int width_;
  // The shares for the next two pixels of the row.
  int carryPos1_ = 0;
  int carryNeg1_ = 0;
  int carryPos2_ = 0;
  int carryNeg2_ = 0;
  // The shares passed down to the pixels x - 2, x - 1, x and x + 1 below so far, positive in the low 16 bits and
  // negative in the high (a sum stays below 640, so the halves never meet).
  uint32_t down0_ = 0;
  uint32_t down1_ = 0;
  uint32_t down2_ = 0;
  uint32_t down3_ = 0;
};

// ---- Grey values ----

// The products of the grey weights with every byte value, looked up rather than multiplied: three multiplications
// a pixel would keep the one multiplier port busy.
struct GreyProducts {
  std::array<uint32_t, 256> blue, green, red;
};
constexpr GreyProducts kGreyProducts = [] {
  GreyProducts t{};
  for (uint32_t i = 0; i < 256; ++i) {
    t.blue[i] = 114 * i;
    t.green[i] = 587 * i;
    t.red[i] = 299 * i;
  }
  return t;
}();

// MonoGrey of one pixel.
inline uint8_t GreyOf(const uint8_t* p) {
  return static_cast<uint8_t>((kGreyProducts.blue[p[0]] + kGreyProducts.green[p[1]] + kGreyProducts.red[p[2]]) / 1000);
}

#if TOLMA_MONO_SSE2
// The SSE2 grey divides the weighted sum (at most 255000) by 1000 as (sum / 8) / 125, where x / 125 is taken as
// x * 33555 / 2^22: exact for every x up to 255000 / 8.
constexpr bool GreyDivisionIsExact() {
  for (uint32_t eighths = 0; eighths <= 255000 / 8; ++eighths) {
    if ((eighths * 33555) >> 22 != eighths / 125) return false;
  }
  return true;
}
static_assert(GreyDivisionIsExact());

// MonoGrey of the pixels of a row, eight at a time, into the row's first bytes; widens lo and hi to them. Returns
// how many pixels it did: the rest (at least the last ten, whose 16-byte loads would pass the row's end) are left
// to the caller. A row's bytes are read ahead of the ones written: pixel x goes to byte x, below byte 3x.
int GreyRowSse2(uint8_t* row, int width, uint8_t& lo, uint8_t& hi) {
  const __m128i lowBytes = _mm_set1_epi32(0x00FF00FF);
  const __m128i lowByte = _mm_set1_epi32(0xFF);
  const __m128i blueRed = _mm_set1_epi32((299 << 16) | 114);
  const __m128i green = _mm_set1_epi32(587);
  const __m128i divide = _mm_set1_epi16(static_cast<short>(33555));
  // Four pixels from 12 bytes: lane i of the result holds blue, green and red of pixel i (and one byte more).
  auto sums = [&](const uint8_t* p) {
    const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p));
    const __m128i pixels = _mm_unpacklo_epi64(_mm_unpacklo_epi32(v, _mm_srli_si128(v, 3)),
                                              _mm_unpacklo_epi32(_mm_srli_si128(v, 6), _mm_srli_si128(v, 9)));
    // 114 blue + 299 red from the 16-bit halves (blue, red), plus 587 green.
    const __m128i br = _mm_madd_epi16(_mm_and_si128(pixels, lowBytes), blueRed);
    const __m128i g = _mm_madd_epi16(_mm_and_si128(_mm_srli_epi32(pixels, 8), lowByte), green);
    return _mm_srli_epi32(_mm_add_epi32(br, g), 3);  // at most 31875: fits the signed 16-bit pack below
  };
  __m128i low = _mm_set1_epi8(static_cast<char>(lo));
  __m128i high = _mm_set1_epi8(static_cast<char>(hi));
  int x = 0;
  for (; x + 10 <= width; x += 8) {
    const uint8_t* p = row + static_cast<size_t>(x) * 3;
    const __m128i eighths = _mm_packs_epi32(sums(p), sums(p + 12));
    const __m128i grey = _mm_srli_epi16(_mm_mulhi_epu16(eighths, divide), 6);
    const __m128i bytes = _mm_packus_epi16(grey, grey);
    _mm_storel_epi64(reinterpret_cast<__m128i*>(row + x), bytes);
    low = _mm_min_epu8(low, bytes);
    high = _mm_max_epu8(high, bytes);
  }
  alignas(16) uint8_t lows[16];
  alignas(16) uint8_t highs[16];
  _mm_store_si128(reinterpret_cast<__m128i*>(lows), low);
  _mm_store_si128(reinterpret_cast<__m128i*>(highs), high);
  lo = *std::min_element(lows, lows + 16);
  hi = *std::max_element(highs, highs + 16);
  return x;
}
#endif

// MonoGrey of every pixel of a row, into the row's first bytes; widens lo and hi to them.
void GreyRow(uint8_t* row, int width, uint8_t& lo, uint8_t& hi) {
  int x = 0;
#if TOLMA_MONO_SSE2
  x = GreyRowSse2(row, width, lo, hi);
#endif
  for (; x < width; ++x) {
    const uint8_t v = GreyOf(row + static_cast<size_t>(x) * 3);
    row[x] = v;
    lo = std::min(lo, v);
    hi = std::max(hi, v);
  }
}

// Eight rows decided side by side: one 16-bit lane a row, every operation on all lanes at once, which the compiler
// turns into single SSE2 instructions.
constexpr int kLanes = 8;
struct Lanes {
  int16_t v[kLanes];
};
// Lanes are kept within -640..640 by the diffusion, so no sum or difference below leaves 16 bits.
#define TOLMA_LANE_OP(op, expr)                                           \
  inline Lanes op(const Lanes& a, const Lanes& b) {                       \
    Lanes r;                                                              \
    for (int j = 0; j < kLanes; ++j) r.v[j] = static_cast<int16_t>(expr); \
    return r;                                                             \
  }
TOLMA_LANE_OP(operator+, a.v[j] + b.v[j])
TOLMA_LANE_OP(operator-, a.v[j] - b.v[j])
TOLMA_LANE_OP(operator&, a.v[j] & b.v[j])
TOLMA_LANE_OP(operator|, a.v[j] | b.v[j])
TOLMA_LANE_OP(operator^, a.v[j] ^ b.v[j])
TOLMA_LANE_OP(operator>, a.v[j] > b.v[j] ? -1 : 0)  // a mask: all bits set where true
TOLMA_LANE_OP(AndNot, ~a.v[j] & b.v[j])             // b where the mask a is clear
TOLMA_LANE_OP(Min, std::min(a.v[j], b.v[j]))
TOLMA_LANE_OP(Max, std::max(a.v[j], b.v[j]))
#undef TOLMA_LANE_OP
constexpr Lanes Splat(int16_t x) {
  Lanes r{};
  for (int16_t& lane : r.v) lane = x;
  return r;
}
// Arithmetic shift of every lane.
inline Lanes operator>>(const Lanes& a, int bits) {
  Lanes r;
  for (int j = 0; j < kLanes; ++j) r.v[j] = static_cast<int16_t>(a.v[j] >> bits);
  return r;
}
// Lane j takes lane j - 1 of `a`, lane 0 takes `first`. This sits on the band's longest chain of dependent steps,
// and compilers turn the plain form into a round trip through memory (a stall of a dozen cycles a step), hence the
// two SSE2 instructions where they are available.
inline Lanes ShiftUp(const Lanes& a, int16_t first) {
  Lanes r;
#if TOLMA_MONO_SSE2
  static_assert(sizeof(Lanes) == sizeof(__m128i));
  __m128i x;
  std::memcpy(&x, a.v, sizeof x);
  x = _mm_insert_epi16(_mm_slli_si128(x, 2), first, 0);
  std::memcpy(r.v, &x, sizeof x);
#else
  r.v[0] = first;
  for (int j = 1; j < kLanes; ++j) r.v[j] = a.v[j - 1];
#endif
  return r;
}

// The decisions of eight steps (one word a lane a step: 0 black, -1 white) as an 8 x 8 matrix of bits: byte 7 - k
// holds step k, its bit j lane j.
constexpr uint64_t StepDecisionBitsPlain(const int16_t* words) {
  uint64_t matrix = 0;
  for (int k = 0; k < 8; ++k) {
    for (int j = 0; j < kLanes; ++j) matrix |= static_cast<uint64_t>(words[k * kLanes + j] & 1) << (8 * (7 - k) + j);
  }
  return matrix;
}
// Step k with lane k white, and step 0 with lane 5 too: byte 7 - k holds bit k, byte 7 bit 5 as well.
constexpr uint64_t StepDecisionBitsCheck() {
  int16_t words[8 * kLanes] = {};
  for (int k = 0; k < 8; ++k) words[k * kLanes + k] = -1;
  words[5] = -1;
  return StepDecisionBitsPlain(words);
}
static_assert(StepDecisionBitsCheck() == 0x2102040810204080ull);

// StepDecisionBitsPlain with SSE2, where it is available: a pack and a movemask for every two steps.
inline uint64_t StepDecisionBits(const int16_t* words) {
#if TOLMA_MONO_SSE2
  uint64_t matrix = 0;
  for (int k = 0; k < 8; k += 2) {
    __m128i step;
    __m128i next;
    std::memcpy(&step, words + k * kLanes, sizeof step);
    std::memcpy(&next, words + (k + 1) * kLanes, sizeof next);
    // Words 0 and -1 stay 0 and -1 as saturated bytes, and the mask takes their top bits: step k + 1 in the low
    // byte, step k in the high one.
    const auto two = static_cast<uint64_t>(_mm_movemask_epi8(_mm_packs_epi16(next, step)));
    matrix |= two << (48 - 8 * k);
  }
  return matrix;
#else
  return StepDecisionBitsPlain(words);
#endif
}

// Transposes an 8 x 8 matrix of bits, bit c of byte r going to bit r of byte c: three rounds that each swap the
// off-diagonal blocks of 1 x 1, then 2 x 2, then 4 x 4 bits within the blocks twice as large.
constexpr uint64_t TransposeBits(uint64_t x) {
  uint64_t t = (x ^ (x >> 7)) & 0x00AA00AA00AA00AAull;
  x ^= t ^ (t << 7);
  t = (x ^ (x >> 14)) & 0x0000CCCC0000CCCCull;
  x ^= t ^ (t << 14);
  t = (x ^ (x >> 28)) & 0x00000000F0F0F0F0ull;
  x ^= t ^ (t << 28);
  return x;
}
static_assert(TransposeBits(0x8000000000000000ull) == 0x8000000000000000ull);  // the corners stay
static_assert(TransposeBits(0x0000000000000080ull) == 0x0100000000000000ull);  // byte 0 bit 7 to byte 7 bit 0
static_assert(TransposeBits(0x0000000000000402ull) == 0x0000000000020100ull);  // (0,1) to (1,0), (1,2) to (2,1)

// Eight pixels' 24 bytes as three 64-bit words: those with byte 0 of the pixels whose bit is set in a bitmap byte
// (the first pixel in the top bit), the others 0; and the mask of the bytes 0.
using PixelWords = std::array<uint64_t, 3>;
constexpr PixelWords PixelBytesOf(unsigned bits) {
  std::array<uint8_t, 24> bytes{};
  for (int k = 0; k < 8; ++k) bytes[static_cast<size_t>(3 * k)] = (bits & (0x80u >> k)) != 0 ? 0xFF : 0x00;
  return std::bit_cast<PixelWords>(bytes);
}
constexpr std::array<PixelWords, 256> kPixelBytes = [] {
  std::array<PixelWords, 256> table{};
  for (unsigned bits = 0; bits < 256; ++bits) table[bits] = PixelBytesOf(bits);
  return table;
}();
constexpr PixelWords kFirstBytes = PixelBytesOf(0xFF);

// Leaves the decisions of a bitmap byte (white 255, black 0) in byte 0 of its eight pixels, the other bytes kept:
// three loads and stores instead of eight byte stores.
inline void PutPixelBytes(uint8_t* pixels, uint8_t bits) {
  for (size_t w = 0; w < 3; ++w) {
    uint64_t word;
    std::memcpy(&word, pixels + 8 * w, sizeof word);
    word = (word & ~kFirstBytes[w]) | kPixelBytes[bits][w];
    std::memcpy(pixels + 8 * w, &word, sizeof word);
  }
}

// "Diffusion" of eight rows (a band) at once. Row j of the band runs kLag pixels behind row j - 1: pixel x of row j
// needs the shares that row j - 1 passes down from its pixels x - 2 .. x + 2, and row j - 1 completes the sum for
// pixel x - 2 below when it decides pixel x, one step before row j needs it. So in step s, lane j decides pixel
// s - 3j of its row, and the eight error chains, each of which needs its own previous pixel, run side by side. The
// rows' pixels are laid out in that order beforehand (one word a lane a step), and the first row of the next band
// takes its shares from the band's last row through a row of sums kept aside.
class DiffusionBands {
 public:
  static constexpr int kLag = 3;
  static constexpr int kSkew = kLag * (kLanes - 1);  // how far the last lane runs behind the first
  static constexpr int kMaxWidth = 1024;             // the widest row the bands take; a card is at most 1024
  static constexpr int kMaxSteps = kMaxWidth + kSkew + 2;
  // How many blocks of eight steps TakeDecisions reads for rows of `width`: the last lane's last whole or part
  // byte i = ceil(width / 8) - 1 reads blocks i + kSkew / 8 and the one after.
  static constexpr int BitBlocks(int width) { return (width + 7) / 8 - 1 + kSkew / 8 + 2; }
  static constexpr int kMaxBitBlocks = (kMaxWidth + 7) / 8 - 1 + kSkew / 8 + 2;  // BitBlocks(kMaxWidth)

  DiffusionBands(const ColourPage& page, const MonoBitmap& mono) : page_(page), mono_(mono) {}

  // Decides the whole page, whose rows hold the grey values in their first `width` bytes: `curve` gives each its
  // first-pass value, `stretch` the stretched value of that.
  void Run(const std::array<uint8_t, 256>& curve, const std::array<uint8_t, 256>& stretch) {
    for (int grey = 0; grey < 256; ++grey) {
      const uint8_t first = curve[static_cast<size_t>(grey)];
      value_[static_cast<size_t>(grey)] = stretch[first];
      nextFirst_[static_cast<size_t>(grey)] = static_cast<uint16_t>(first << 8);
    }
    // The first row has no row above: no shares. Entries past the width stay 0.
    std::fill(std::begin(abovePos_), std::end(abovePos_), int16_t{0});
    std::fill(std::begin(aboveNeg_), std::end(aboveNeg_), int16_t{0});
    // GatherBits reads whole blocks of steps: the words past the band's last step stay 0.
    std::fill(words_ + (page_.width + kSkew + 2) * kLanes, std::end(words_), int16_t{0});
    for (int y0 = 0; y0 < page_.height; y0 += kLanes) {
      const int rows = std::min(kLanes, page_.height - y0);
      for (int j = 0; j < kLanes; ++j) LayOut(j, j < rows ? page_.Row(y0 + j) : nullptr);
      DecideBand();
      GatherBits();
      for (int j = 0; j < rows; ++j) TakeDecisions(j, y0 + j);
    }
  }

 private:
  // A lane's word for a pixel: its stretched value v in the low byte, and in the high byte the first-pass value of
  // the next pixel of the row (0 past the row's end, which never makes an edge). Outside the row, and for the
  // missing rows of the last band, the word is 255: a white pixel that the masked steps keep from passing error.
  static constexpr int16_t kOutside = 255;

  void LayOut(int lane, const uint8_t* row) {
    const int width = page_.width;
    const int first = kLag * lane;  // the step in which the lane decides pixel 0
    int16_t* words = words_ + lane;
    for (int s = 0; s < first; ++s) words[s * kLanes] = kOutside;
    const int steps = width + kSkew + 2;
    for (int s = first + width; s < steps; ++s) words[s * kLanes] = kOutside;
    if (row == nullptr) {
      for (int s = first; s < first + width; ++s) words[s * kLanes] = kOutside;
      return;
    }
    int16_t* out = words + first * kLanes;
    for (int x = 0; x + 1 < width; ++x) out[x * kLanes] = static_cast<int16_t>(value_[row[x]] | nextFirst_[row[x + 1]]);
    out[(width - 1) * kLanes] = value_[row[width - 1]];
  }

  // The error a lane carries along its row and passes down, all lanes at once.
  struct State {
    // The shares for the next two pixels of the row.
    Lanes carryPos1 = Splat(0), carryNeg1 = Splat(0), carryPos2 = Splat(0), carryNeg2 = Splat(0);
    // The shares passed down to the pixels x - 2 .. x + 1 below so far.
    Lanes downPos0 = Splat(0), downPos1 = Splat(0), downPos2 = Splat(0), downPos3 = Splat(0);
    Lanes downNeg0 = Splat(0), downNeg1 = Splat(0), downNeg2 = Splat(0), downNeg3 = Splat(0);
    // The completed sums for pixel x - 2 below, from the last step: the next lane's shares from above.
    Lanes outPos = Splat(0), outNeg = Splat(0);
  };

  void DecideBand() {
    const int width = page_.width;
    const int steps = width + kSkew + 2;  // until the last lane has completed its last pixel's sum below
    const int mainEnd = std::max(kSkew, width);
    State state;
    RunSteps<true>(state, 0, std::min(kSkew, steps));
    RunSteps<false>(state, kSkew, mainEnd);
    RunSteps<true>(state, mainEnd, steps);
  }

  // Runs the steps from `from` to `to`; in step s, lane j decides its pixel x = s - 3j. Masked steps (where some
  // lane is outside its row) turn the lanes outside into white pixels without error: their carries fade out and
  // they pass nothing down. Lane 0 reads the shares for pixel s at entry s + 2 of the row kept aside; the last lane
  // completes pixel s - kSkew - 2 below in step s and writes it at entry s - kSkew, behind the entries read.
  template <bool kMasked>
  void RunSteps(State& state, int from, int to) {
    // Plain local variables, which the compiler keeps in registers.
    Lanes carryPos1 = state.carryPos1, carryNeg1 = state.carryNeg1;
    Lanes carryPos2 = state.carryPos2, carryNeg2 = state.carryNeg2;
    Lanes downPos0 = state.downPos0, downPos1 = state.downPos1, downPos2 = state.downPos2;
    Lanes downPos3 = state.downPos3, downNeg0 = state.downNeg0, downNeg1 = state.downNeg1;
    Lanes downNeg2 = state.downNeg2, downNeg3 = state.downNeg3;
    Lanes outPos = state.outPos, outNeg = state.outNeg;
    Lanes laneStart;  // the step in which each lane decides pixel 0
    for (int j = 0; j < kLanes; ++j) laneStart.v[j] = static_cast<int16_t>(kLag * j);
    const Lanes lastPixel = Splat(static_cast<int16_t>(page_.width - 1));
    const Lanes k255 = Splat(255);

    for (int s = from; s < to; ++s) {
      int16_t* word = words_ + s * kLanes;
      Lanes in;
      std::memcpy(in.v, word, sizeof in.v);
      const Lanes v = in & k255;
      const Lanes nextFirst = (in >> 8) & k255;
      // The shares from above: lane 0 from the row kept aside, lane j from lane j - 1's last step. The negative
      // side never reaches 255 (at most 155 from above and 94 along the row), so only the positive side is limited.
      Lanes pos = Min(ShiftUp(outPos, abovePos_[s + 2]) + carryPos1, k255);
      const Lanes neg = ShiftUp(outNeg, aboveNeg_[s + 2]) + carryNeg1;
      if constexpr (kMasked) {
        const Lanes x = Splat(static_cast<int16_t>(s)) - laneStart;
        const Lanes outside = (Splat(0) > x) | (x > lastPixel);
        pos = pos | (outside & k255);  // v 255 + pos 255 - neg: g is 255, white, no error
      }
      const Lanes g = Max(Min(v + pos - neg, k255), Splat(0));
      // White when v > 248, or when v >= 7, no much lighter next pixel makes an edge, and g >= 128.
      const Lanes edge = (nextFirst - v) > Splat(64);
      const Lanes white = (v > Splat(248)) | AndNot(edge, (v > Splat(6)) & (g > Splat(127)));
      std::memcpy(word, white.v, sizeof white.v);  // the decision replaces the word: 0 black, -1 white

      // White passes e = 255 - g on as negative error; black passes e = g and 255 on as positive error, each share
      // truncated on its own (so 63, 31 and 15 on top for 8/32, 4/32 and 2/32 of 255).
      const Lanes black = AndNot(white, k255);
      const Lanes e = g ^ (white & k255);  // 255 - g for white
      const Lanes eighth = e >> 2;         // 8/32
      const Lanes quarter = e >> 3;        // 4/32
      const Lanes sixteenth = e >> 4;      // 2/32
      const Lanes pos8 = AndNot(white, eighth + Splat(63));
      const Lanes pos4 = AndNot(white, quarter + Splat(31));
      const Lanes pos2 = AndNot(white, sixteenth + Splat(15));
      const Lanes neg8 = white & eighth;
      const Lanes neg4 = white & quarter;
      const Lanes neg2 = white & sixteenth;
      // Along the row: black fills the next pixel's positive error (255); white gives it 8/32 and the one after
      // 4/32.
      carryPos1 = Max(carryPos2, black);
      carryNeg1 = carryNeg2 + neg8;
      carryPos2 = pos4;
      carryNeg2 = neg4;
      // Down: 2/32, 4/32, 8/32, 4/32 and 2/32 to x - 2 .. x + 2; x - 2 then has all its shares. The sums stay
      // below 320 and are limited where they are used (pos above): the shares are non-negative, so limiting the
      // sum once equals saturating at every step.
      outPos = downPos0 + pos2;
      outNeg = downNeg0 + neg2;
      downPos0 = downPos1 + pos4;
      downNeg0 = downNeg1 + neg4;
      downPos1 = downPos2 + pos8;
      downNeg1 = downNeg2 + neg8;
      downPos2 = downPos3 + pos4;
      downNeg2 = downNeg3 + neg4;
      downPos3 = pos2;
      downNeg3 = neg2;
      if (!kMasked || s >= kSkew) {
        abovePos_[s - kSkew] = outPos.v[kLanes - 1];
        aboveNeg_[s - kSkew] = outNeg.v[kLanes - 1];
      }
    }
    state = {carryPos1, carryNeg1, carryPos2, carryNeg2, downPos0, downPos1, downPos2,
             downPos3,  downNeg0,  downNeg1,  downNeg2,  downNeg3, outPos,   outNeg};
  }

  // Turns the band's decisions, one word a lane a step, into one bit a step in each lane's row of bits, eight
  // steps at a time. Covers the steps up to the last one TakeDecisions reads, past which the words are 0.
  void GatherBits() {
    const int blocks = BitBlocks(page_.width);
    for (int b = 0; b < blocks; ++b) {
      const uint64_t lanes = TransposeBits(StepDecisionBits(words_ + b * 8 * kLanes));
      for (int j = 0; j < kLanes; ++j) bits_[j][b] = static_cast<uint8_t>(lanes >> (8 * j));
    }
  }

  // Writes a lane's decisions into its bitmap row, eight pixels a byte, and leaves each in byte 0 of its pixel.
  void TakeDecisions(int lane, int y) {
    const int width = page_.width;
    const int skew = kLag * lane;  // pixel x of the lane is step x + skew
    uint8_t* out = mono_.Row(y);
    // Pixels 8i .. 8i + 7 are the bits from step 8i + skew on: the low byte of two bytes of the lane's bits,
    // shifted into place.
    const uint8_t* bits = bits_[lane] + skew / 8;
    const int shift = 8 - skew % 8;
    auto pixelByte = [&](int i) { return static_cast<uint8_t>(((bits[i] << 8) | bits[i + 1]) >> shift); };
    const int whole = width / 8;
    for (int i = 0; i < whole; ++i) out[i] = pixelByte(i);
    if (whole * 8 != width) {
      const uint8_t mask = mono_.LastByteMask();  // bits past the width keep their value
      out[whole] = static_cast<uint8_t>((out[whole] & ~mask) | (pixelByte(whole) & mask));
    }
    // Byte 0 of every pixel: eight pixels (24 bytes) at a time from their bitmap byte, then one at a time.
    uint8_t* row = page_.Row(y);
    for (int i = 0; i < whole; ++i) PutPixelBytes(row + static_cast<size_t>(i) * 24, out[i]);
    const int16_t* words = words_ + skew * kLanes + lane;
    for (int x = whole * 8; x < width; ++x) row[static_cast<size_t>(x) * 3] = static_cast<uint8_t>(words[x * kLanes]);
  }

  ColourPage page_;
  MonoBitmap mono_;
  // One word a lane a step, rounded up to whole blocks of eight steps for GatherBits.
  int16_t words_[std::max(kMaxSteps, 8 * kMaxBitBlocks) * kLanes];
  uint8_t bits_[kLanes][kMaxBitBlocks];  // each lane's decisions, one bit a step, the first step in the top bit
  // The sums the band's last row passed down, for the next band's first row, two entries ahead (see DecideBand).
  int16_t abovePos_[kMaxSteps + 2];
  int16_t aboveNeg_[kMaxSteps + 2];
  // Per grey value: the stretched first-pass value, and the first-pass value in the high byte.
  std::array<uint8_t, 256> value_;
  std::array<uint16_t, 256> nextFirst_;
};

class Diffusion {
 public:
  Diffusion(const ColourPage& page, const MonoBitmap& mono) : page_(page), mono_(mono) {}

  // The grey values first, for the side's lowest and highest; then the rows from the top, each passing its error
  // down to the next as it is decided: eight rows at a time for card-sized rows, one at a time for wider ones.
  void Run(const std::array<uint8_t, 256>& curve) {
    const auto [lo, hi] = GreyRows(curve);
    const std::array<uint8_t, 256> stretch = BuildStretch(lo, hi);
    if (page_.width <= DiffusionBands::kMaxWidth) {
      DiffusionBands(page_, mono_).Run(curve, stretch);
      return;
    }
    const int width = page_.width;
    const int height = page_.height;
    // The first row has no row above to take error from.
    std::memset(page_.Row(0) + width, 0, 2 * static_cast<size_t>(width));
    for (int y = 0; y < height; ++y) {
      uint8_t* row = page_.Row(y);
      for (int x = 0; x < width; ++x) row[x] = curve[row[x]];
      DiffusionRow decide(row, page_.Row(std::min(y + 1, height - 1)), width);
      for (int x = 0; x < width; ++x) decide.Decide(x, stretch);
      decide.Finish();
      PackDecisions(row, width, mono_.Row(y), mono_.LastByteMask());
      LeaveDecisions(row);
    }
  }

 private:
  // The grey value of every pixel, into the first bytes of its row; returns the lowest and the highest value of
  // the side after the black adjustments.
  std::pair<int, int> GreyRows(const std::array<uint8_t, 256>& curve) {
    uint8_t lo = 255;
    uint8_t hi = 0;
    for (int y = 0; y < page_.height; ++y) GreyRow(page_.Row(y), page_.width, lo, hi);
    // The black curve never falls, so its lowest and highest values on the side are those of the lowest and the
    // highest grey. Should a curve fall somewhere, every grey of the side is looked at instead.
    if (std::is_sorted(curve.begin(), curve.end())) return {curve[lo], curve[hi]};
    int curveLo = 255;
    int curveHi = 0;
    for (int y = 0; y < page_.height; ++y) {
      const uint8_t* row = page_.Row(y);
      for (int x = 0; x < page_.width; ++x) {
        curveLo = std::min<int>(curveLo, curve[row[x]]);
        curveHi = std::max<int>(curveHi, curve[row[x]]);
      }
    }
    return {curveLo, curveHi};
  }

  // Leaves each decision in byte 0 of its pixel, from the last pixel back so that none is overwritten unread.
  void LeaveDecisions(uint8_t* row) const {
    for (int x = page_.width - 1; x >= 0; --x) row[static_cast<size_t>(x) * 3] = row[x];
  }

  ColourPage page_;
  MonoBitmap mono_;
};

// "Halftone Regular": the darkness against the 8 x 8 threshold table, straight into the bitmap.
void ConvertHalftone(const ColourPage page, const MonoBitmap mono) {
  for (int y = 0; y < page.height; ++y) {
    const uint8_t* p = page.Row(y);
    RowPacker packer(mono.Row(y), mono.LastByteMask());
    for (int x = 0; x < page.width; ++x, p += 3) {
      const int d = (11 * (255 - p[0]) + 59 * (255 - p[1]) + 30 * (255 - p[2])) / 100;
      const bool white = d == 0 || (d != 255 && d < kHalftone[x & 7][y & 7]);
      packer.Put(white);
    }
    packer.Finish();
  }
}

// "Barcode" and "Enhanced": only very dark pixels print.
void ConvertThreshold(const ColourPage page, const MonoBitmap mono, const std::array<uint8_t, 256>& curve) {
  for (int y = 0; y < page.height; ++y) {
    uint8_t* p = page.Row(y);
    RowPacker packer(mono.Row(y), mono.LastByteMask());
    for (int x = 0; x < page.width; ++x, p += 3) {
      const bool white = curve[MonoGrey(p[0], p[1], p[2])] >= 7;
      p[0] = white ? kWhite : kBlack;
      packer.Put(white);
    }
    packer.Finish();
  }
}

}  // namespace

bool NeedsMonochromeConversion(int ribbonType, bool twoSided, int twoSidedMode, bool front) {
  const bool twoSidedBack = twoSided && !front;
  switch (ribbonType) {
    case 0:   // YMCKO
    case 11:  // YMCKUv
      return twoSidedBack && (twoSidedMode == 0 || twoSidedMode == 2);
    case 6:   // YMCK
    case 7:   // YMCKK
    case 12:  // YMCUvK
      return twoSidedBack && twoSidedMode == 0;
    case 8:  // YMCKOK
      return twoSidedBack && twoSidedMode != 2;
    case 1:  // K
    case 3:  // KrO
    case 4:  // H
    case 9:
    case 10:
    case 14:
      return true;
    default:  // KdO, YMC, 13 and unknown codes
      return false;
  }
}

uint8_t BlackIntensity(int grey, int intensity) {
  const int y = std::clamp(grey, 0, 255);
  const int i = std::clamp(intensity, -100, 100);
  if (i == 0) return static_cast<uint8_t>(y);
  return static_cast<uint8_t>(std::clamp(y + i * 255 / 100, 0, 255));
}

uint8_t MonoContrast(int grey, int contrast) {
  const int y = std::clamp(grey, 0, 255);
  const int c = std::clamp(contrast, -100, 100);
  if (c == 0) return static_cast<uint8_t>(y);
  if (c > 0) {
    const int e = 255 - c * 180 / 100;
    return static_cast<uint8_t>(static_cast<int>(Power(y / 255.5, e / 255.0) * 255.0));
  }
  if (c == -100) return 0;
  // The darkening branch of the black curve: divisor 255.1 and scale 230, so it stays below 230.
  const int e = c * 255 / 100 + 255;
  return static_cast<uint8_t>(static_cast<int>(Power(y / 255.1, 255.0 / e) * 230.0));
}

std::array<uint8_t, 256> BuildBlackCurve(const BlackAdjustment& black) {
  std::array<uint8_t, 256> table{};
  for (int y = 0; y < 256; ++y) {
    table[static_cast<size_t>(y)] = MonoContrast(BlackIntensity(y, black.intensity), black.contrast);
  }
  return table;
}

int ConvertToMonochrome(const ColourPage& page, const MonoBitmap& mono, int method, const BlackAdjustment& black) {
  if (method < kMonoDiffusion || method > kMonoEnhanced) return 0;
  if (!page.IsValid() || !mono.IsValid() || page.width != mono.width || page.height != mono.height) return 0;

  switch (method) {
    case kMonoDiffusion:
      Diffusion(page, mono).Run(BuildBlackCurve(black));
      break;
    case kMonoHalftoneRegular:
      ConvertHalftone(page, mono);
      break;
    default:  // kMonoBarcode, kMonoEnhanced
      ConvertThreshold(page, mono, BuildBlackCurve(black));
      break;
  }
  return 1;
}

void ThinBarcodeRuns(const MonoBitmap& mono, int mode) {
  if ((mode & 3) != kMonoBarcode || !mono.IsValid()) return;
  const size_t bytes = mono.RowBytes();

  // In each step a pixel turns white when it is black, its predecessor is black and its successor white. A
  // pixel that turned white has a white successor, whose own test then fails whatever its predecessor holds,
  // so the eight pixels of a byte can be tested together from the values before the step.
  if ((mode & 4) != 0) {
    // Landscape: along each row, x = 1 .. width - 2. Pixel 0 sees a white predecessor and the last pixel a black
    // successor, so neither changes; the mask keeps the last pixel and the bits past the width as they are.
    const int lastPixels = mono.width - 1 - static_cast<int>(bytes - 1) * 8;
    const auto lastMask = static_cast<uint8_t>(0xFF00u >> lastPixels);
    for (int y = 0; y < mono.height; ++y) {
      uint8_t* row = mono.Row(y);
      uint8_t before = 0xFF;
      for (size_t i = 0; i < bytes; ++i) {
        const uint8_t cur = row[i];
        const uint8_t after = i + 1 < bytes ? row[i + 1] : 0x00;
        const auto left = static_cast<uint8_t>((cur >> 1) | ((before & 1u) << 7));
        const auto right = static_cast<uint8_t>((cur << 1) | (after >> 7));
        auto turn = static_cast<uint8_t>(right & ~cur & ~left);
        if (i + 1 == bytes) turn &= lastMask;
        row[i] = static_cast<uint8_t>(cur | turn);
        before = row[i];
      }
    }
    return;
  }

  // Portrait: down each column, y = 1 .. height - 2, seeing the rows above as already thinned.
  const uint8_t lastMask = mono.LastByteMask();
  for (int y = 1; y + 1 < mono.height; ++y) {
    const uint8_t* above = mono.Row(y - 1);
    uint8_t* row = mono.Row(y);
    const uint8_t* below = mono.Row(y + 1);
    for (size_t i = 0; i < bytes; ++i) {
      auto turn = static_cast<uint8_t>(below[i] & ~row[i] & ~above[i]);
      if (i + 1 == bytes) turn &= lastMask;
      row[i] = static_cast<uint8_t>(row[i] | turn);
    }
  }
}

bool IsMonoPanelBlank(const MonoBitmap& mono) {
  if (!mono.IsValid()) return true;
  const size_t bytes = mono.RowBytes();
  const uint8_t lastMask = mono.LastByteMask();
  for (int y = 0; y < mono.height; ++y) {
    const uint8_t* row = mono.Row(y);
    for (size_t i = 0; i + 1 < bytes; ++i) {
      if (row[i] != 0xFF) return false;
    }
    if ((row[bytes - 1] & lastMask) != lastMask) return false;
  }
  return true;
}

}  // namespace tolma
