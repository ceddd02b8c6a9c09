// Tests of the panel data encoders: known answers, then many panels through the independent decoder.
#include "common/mono_rle.h"
#include "common/panel_data.h"
#include "raster/imaging/panel_encoding.h"
#include "tools/lib/panel_decoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace tolma {
namespace {

using Bytes = std::vector<uint8_t>;

// Encoder runs into vectors sized for the worst case of each form.
struct Encoded {
  Bytes bytes;
  bool overflow = false;
};

Encoded Finish(Bytes& buffer, const PanelOutput& out) {
  buffer.resize(out.length);
  return {std::move(buffer), out.overflow};
}

Encoded EncodeContoneRle(const Bytes& levels) {
  Bytes buffer(levels.size() + 2);
  PanelOutput out{buffer.data(), 0, static_cast<uint32_t>(buffer.size())};
  RunLengthState rle;
  for (uint8_t level : levels) PutLevelRle(rle, level, out);
  FlushLevelRle(rle, out);
  return Finish(buffer, out);
}

Encoded EncodeContonePacked(const Bytes& levels) {
  Bytes buffer(levels.size() / kPanelDots * 432);
  PanelOutput out{buffer.data(), 0, static_cast<uint32_t>(buffer.size())};
  PackedLineState pack;
  for (size_t i = 0; i < levels.size(); ++i) {
    PackLevel(pack, levels[i], out);
    if ((i + 1) % kPanelDots == 0) EndPackedLine(pack, out);
  }
  return Finish(buffer, out);
}

// The one-bit forms, either byte by byte through PutMonoByte or in pieces of random length.
enum class Feed { kByteByByte, kPieces };

Encoded EncodeMono(bool packed, const Bytes& data, Feed feed = Feed::kByteByByte, Bytes* workOut = nullptr) {
  Bytes buffer(2 * data.size() + 64);
  Bytes work(kMonoWorkBufferSize);
  PanelOutput out{buffer.data(), 0, static_cast<uint32_t>(buffer.size())};
  RunLengthState rle;
  if (feed == Feed::kByteByByte) {
    for (uint8_t b : data) PutMonoByte(packed, rle, work, b, false, out);
  } else {
    MonoPanelEncoder encoder(packed, rle, work, out);
    std::mt19937 rng(7);
    for (size_t i = 0; i < data.size();) {
      const size_t n = std::min<size_t>(data.size() - i, rng() % 300);
      encoder.Put(std::span<const uint8_t>(data.data() + i, n));
      i += n;
    }
  }
  if (workOut != nullptr) *workOut = work;
  PutMonoByte(packed, rle, work, 0, true, out);
  return Finish(buffer, out);
}

Bytes Repeat(size_t times, std::initializer_list<uint8_t> group) {
  Bytes out;
  for (size_t i = 0; i < times; ++i) out.insert(out.end(), group);
  return out;
}

Bytes Concat(std::initializer_list<Bytes> parts) {
  Bytes out;
  for (const Bytes& p : parts) out.insert(out.end(), p.begin(), p.end());
  return out;
}

// ---- Known answers ----

TEST(ContoneRle, WorkedExamples) {
  EXPECT_EQ(EncodeContoneRle({5, 5, 5, 7, 9, 9}).bytes, (Bytes{0x83, 0x05, 0x07, 0x82, 0x09}));
  EXPECT_EQ(EncodeContoneRle(Bytes(128, 3)).bytes, (Bytes{0xFF, 0x03, 0x03}));
  EXPECT_EQ(EncodeContoneRle({}).bytes, Bytes{});
  EXPECT_EQ(EncodeContoneRle({4}).bytes, Bytes{4});
}

TEST(ContoneRle, WhitePanelIsRunsOf127AndARunOf40) {
  Bytes buffer(kPanelBufferSize);
  PanelOutput out{buffer.data(), 0, kPanelBufferSize};
  RunLengthState rle;
  for (int i = 0; i < kPanelLines * kPanelDots; ++i) PutLevelRle(rle, 1, out);
  FlushLevelRle(rle, out);
  buffer.resize(out.length);
  EXPECT_EQ(buffer, Concat({Repeat(5160, {0xFF, 0x01}), {0xA8, 0x01}}));
}

TEST(ContonePacked, LineOfFullLevels) {
  const Encoded e = EncodeContonePacked(Bytes(kPanelDots, 31 << 3));
  EXPECT_EQ(e.bytes, Concat({Repeat(213, {0x7F, 0xFF}), {0x7C, 0x00, 0, 0, 0, 0}}));
  EXPECT_FALSE(e.overflow);
}

TEST(MonoRle, WorkedExampleInWorkBufferAndOutput) {
  Bytes work;
  const Encoded e = EncodeMono(false, {0x00, 0x00, 0x00, 0x5B, 0x12, 0x34, 0x34}, Feed::kByteByByte, &work);
  // Before the closing step the work buffer holds the groups so far; the closing step adds the last run.
  EXPECT_EQ(Bytes(work.begin(), work.begin() + 5), (Bytes{0x83, 0x00, 0x02, 0x5B, 0x12}));
  EXPECT_EQ(e.bytes, (Bytes{0x83, 0x00, 0x02, 0x5B, 0x5B, 0x12, 0x82, 0x34}));
}

TEST(MonoRle, BlankPanelIs645RunsAndARunOf5) {
  const Encoded e = EncodeMono(false, Bytes(kMonoPanelBytes, 0x00));
  EXPECT_EQ(e.bytes, Concat({Repeat(645, {0xFF, 0x00}), {0x85, 0x00}}));
}

TEST(MonoForms, EscapeByteIsDoubledInBothForms) {
  EXPECT_EQ(EncodeMono(false, {0x5B}).bytes, (Bytes{0x01, 0x5B, 0x5B}));
  EXPECT_EQ(EncodeMono(true, {0x5B}).bytes, (Bytes{0x5B, 0x5B}));
  // A run of the escape byte: the run byte is doubled, the count byte is not.
  EXPECT_EQ(EncodeMono(false, Bytes(5, 0x5B)).bytes, (Bytes{0x85, 0x5B, 0x5B}));
  EXPECT_EQ(EncodeMono(true, {0x5B, 0x01, 0x5B}).bytes, (Bytes{0x5B, 0x5B, 0x01, 0x5B, 0x5B}));
}

TEST(MonoRle, ThirtyOneDifferentBytesCloseTheirBlockAtOnce) {
  Bytes buffer(256);
  Bytes work(kMonoWorkBufferSize);
  PanelOutput out{buffer.data(), 0, static_cast<uint32_t>(buffer.size())};
  RunLengthState rle;
  Bytes distinct;
  for (uint8_t i = 0; i < 32; ++i) distinct.push_back(static_cast<uint8_t>(0x60 + i));
  for (int i = 0; i < 31; ++i) PutMonoRle(rle, work, distinct[i], out);
  // The 31st byte closed the block and moved it without waiting for the closing step.
  EXPECT_EQ(out.length, 32u);
  EXPECT_EQ(rle.state, 0);
  EXPECT_EQ(rle.workLength, 0);
  EXPECT_EQ(buffer[0], 31);
  EXPECT_TRUE(std::equal(distinct.begin(), distinct.begin() + 31, buffer.begin() + 1));
  // A 32nd byte opens a new block.
  PutMonoRle(rle, work, distinct[31], out);
  FlushMonoRle(rle, work, out);
  buffer.resize(out.length);
  EXPECT_EQ(Bytes(buffer.begin() + 32, buffer.end()), (Bytes{0x01, distinct[31]}));
}

TEST(MonoRle, ARunStartingOnThe31stLiteralLosesThatByteToTheBlock) {
  Bytes data;
  for (uint8_t i = 0; i < 30; ++i) data.push_back(static_cast<uint8_t>(0x60 + i));
  const Bytes encoded = EncodeMono(false, Concat({data, Bytes(3, 0x20)})).bytes;
  EXPECT_EQ(encoded, Concat({{31}, data, {0x20, 0x82, 0x20}}));
}

TEST(MonoRle, PendingValueLeavesTheLiteralBlockForARun) {
  EXPECT_EQ(EncodeMono(false, {'A', 'B', 'C', 'C'}).bytes, (Bytes{0x02, 'A', 'B', 0x82, 'C'}));
  EXPECT_EQ(EncodeMono(false, {'A', 'B'}).bytes, (Bytes{0x02, 'A', 'B'}));
  EXPECT_EQ(EncodeMono(false, {'A', 'A', 'B'}).bytes, (Bytes{0x82, 'A', 0x01, 'B'}));
  EXPECT_EQ(EncodeMono(false, {'A', 'B', 'B', 'C'}).bytes, (Bytes{0x01, 'A', 0x82, 'B', 0x01, 'C'}));
}

TEST(MonoRle, ClosingTwiceAddsNothing) {
  Bytes buffer(64);
  Bytes work(kMonoWorkBufferSize);
  PanelOutput out{buffer.data(), 0, static_cast<uint32_t>(buffer.size())};
  RunLengthState rle;
  for (uint8_t b : {1, 2, 2, 2}) PutMonoByte(false, rle, work, b, false, out);
  PutMonoByte(false, rle, work, 0, true, out);
  const uint32_t once = out.length;
  PutMonoByte(false, rle, work, 0, true, out);
  EXPECT_EQ(out.length, once);
  EXPECT_EQ(Bytes(buffer.begin(), buffer.begin() + once), (Bytes{0x01, 1, 0x83, 2}));
}

TEST(MonoRle, WorkBufferIsMovedAfterARunOnceTwoThousandBytesGathered) {
  // Pairs "x x" alternate values: each pair is a 2-byte run group, so the work buffer reaches 2000 after
  // 1000 pairs and is moved right then.
  Bytes buffer(8192);
  Bytes work(kMonoWorkBufferSize);
  PanelOutput out{buffer.data(), 0, static_cast<uint32_t>(buffer.size())};
  RunLengthState rle;
  // A pair's group is written when the next value arrives: 999 pairs written leave 1,998 bytes gathered.
  PutMonoRle(rle, work, Concat({Repeat(499, {1, 1, 2, 2}), {1, 1, 2}}), out);
  EXPECT_EQ(out.length, 0u);
  EXPECT_EQ(rle.workLength, 1998);
  PutMonoRle(rle, work, Bytes{2, 1}, out);
  EXPECT_EQ(out.length, 2000u);
  EXPECT_EQ(rle.workLength, 0);
}

// ---- Bounds ----

TEST(MonoRle, ATooSmallWorkBufferDropsBytesButNeverWritesPastIt) {
  Bytes memory(64, 0xEE);
  const std::span<uint8_t> work(memory.data() + 16, 16);
  Bytes buffer(512);
  PanelOutput out{buffer.data(), 0, static_cast<uint32_t>(buffer.size())};
  RunLengthState rle;
  Bytes data;
  for (int i = 0; i < 100; ++i) data.push_back(static_cast<uint8_t>(i * 7 + (i / 10)));
  for (int i = 0; i < 3; ++i) data.insert(data.end(), 3, 9);
  PutMonoRle(rle, work, data, out);
  FlushMonoRle(rle, work, out);
  EXPECT_TRUE(out.overflow);
  for (size_t i = 0; i < 16; ++i) EXPECT_EQ(memory[i], 0xEE);
  for (size_t i = 32; i < memory.size(); ++i) EXPECT_EQ(memory[i], 0xEE);
}

TEST(MonoRle, CorruptStateStaysInsideTheBuffers) {
  Bytes work(kMonoWorkMinimum);
  Bytes buffer(64);
  PanelOutput out{buffer.data(), 0, static_cast<uint32_t>(buffer.size())};
  for (uint8_t state : {0, 1, 2, 3, 9}) {
    RunLengthState rle{.value = 5, .count = 200, .state = state, .workLength = 65535, .blockIndex = 65000};
    const Bytes data = Concat({Bytes(300, 5), {1, 2, 3}});
    PutMonoRle(rle, work, data, out);
    FlushMonoRle(rle, work, out);
  }
  EXPECT_LE(out.length, buffer.size());
}

TEST(PanelOutput, EncodersStopAtTheEndOfTheOutput) {
  Bytes memory(32, 0xEE);
  PanelOutput out{memory.data() + 8, 0, 10};
  AppendEscaped(Bytes(8, 0x5B), out);
  EXPECT_TRUE(out.overflow);
  EXPECT_EQ(out.length, 10u);
  for (size_t i = 18; i < memory.size(); ++i) EXPECT_EQ(memory[i], 0xEE);
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(memory[i], 0xEE);

  Bytes other(16, 0xEE);
  RunLengthState rle;
  PanelOutput small{other.data(), 0, 3};
  for (int i = 0; i < 10; ++i) PutLevelRle(rle, static_cast<uint8_t>(i), small);
  EXPECT_TRUE(small.overflow);
  EXPECT_EQ(small.length, 3u);
  EXPECT_EQ(other[3], 0xEE);

  // The whole-run encoder fills the output as far as the level-by-level one, and not a byte further: short runs,
  // and a long run whose pieces of 127 meet the end of the output.
  std::mt19937 random(11);
  Bytes shortRuns(400);
  for (auto& l : shortRuns) l = static_cast<uint8_t>(random() % 3);
  const Bytes longRun = Concat({Bytes(3, 1), Bytes(127 * 20 + 5, 2), Bytes(30, 3), shortRuns});
  for (const Bytes& levels : {shortRuns, longRun}) {
    Bytes full(levels.size() + 2);
    PanelOutput fullOut{full.data(), 0, static_cast<uint32_t>(full.size())};
    RunLengthState one;
    for (const uint8_t l : levels) PutLevelRle(one, l, fullOut);
    for (const uint32_t capacity : {0u, 1u, 17u, 18u, 19u, 20u, 21u, 22u, 23u, 30u, 64u}) {
      Bytes bulk(capacity + 8, 0xEE);
      PanelOutput bulkOut{bulk.data(), 0, capacity};
      RunLengthState many;
      PutLevelsRle(many, levels, bulkOut);
      EXPECT_TRUE(bulkOut.overflow) << capacity;
      EXPECT_EQ(bulkOut.length, capacity);
      EXPECT_EQ(Bytes(bulk.begin(), bulk.begin() + capacity), Bytes(full.begin(), full.begin() + capacity)) << capacity;
      for (size_t i = capacity; i < bulk.size(); ++i) EXPECT_EQ(bulk[i], 0xEE) << capacity;
    }
  }
}

// ---- Round trips through the independent decoder ----

// Size of the continuous-tone run-length form implied by the runs of equal levels: every 127 levels of a
// run take two bytes, a rest of two or more two bytes, a rest of one a single byte.
size_t ImpliedContoneRleSize(const Bytes& levels) {
  size_t size = 0;
  for (size_t i = 0; i < levels.size();) {
    size_t j = i;
    while (j < levels.size() && levels[j] == levels[i]) ++j;
    const size_t run = j - i, rest = run % 127;
    size += 2 * (run / 127) + (rest >= 2 ? 2 : rest);
    i = j;
  }
  return size;
}

// Size of the one-bit run-length form implied by the runs of equal bytes. Runs of two or more take two
// bytes for every 127 and for a rest of two or more. Single bytes (and rests of one) gather in literal
// blocks of up to 31 behind a count byte; when a block reaches 31 with the first byte of a run, that byte
// is its last literal and the run goes on without it. Every data byte 0x5B is then doubled.
size_t ImpliedMonoRleSize(const Bytes& data) {
  size_t size = 0, singles = 0;
  auto closeBlock = [&] {
    if (singles != 0) size += singles + 1;
    singles = 0;
  };
  for (size_t i = 0; i < data.size();) {
    size_t j = i;
    while (j < data.size() && data[j] == data[i]) ++j;
    size_t run = j - i;
    const size_t escape = data[i] == kPanelEscapeByte ? 1 : 0;
    if (singles == 30) {
      size += 32 + escape;  // the full block leaves with this byte as its 31st literal
      singles = 0;
      --run;
    }
    if (run >= 2) {
      closeBlock();
      const size_t rest = run % 127;
      size += (run / 127 + (rest >= 2 ? 1 : 0)) * (2 + escape);
      if (rest == 1) {
        singles = 1;
        size += escape;
      }
    } else if (run == 1) {
      ++singles;
      size += escape;
    }
    i = j;
  }
  closeBlock();
  return size;
}

struct Pattern {
  std::string name;
  std::function<Bytes(size_t)> make;
};

std::vector<Pattern> Patterns() {
  auto random = [](uint32_t seed, std::function<uint8_t(std::mt19937&)> value) {
    return [=](size_t n) {
      std::mt19937 rng(seed);
      Bytes out(n);
      for (auto& b : out) b = value(rng);
      return out;
    };
  };
  auto runsOf = [](size_t length) {
    return [=](size_t n) {
      Bytes out(n);
      for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>((i / length) % 2 ? 0x5B : 0x11);
      return out;
    };
  };
  return {
      {"all zero", [](size_t n) { return Bytes(n, 0x00); }},
      {"all 0xFF", [](size_t n) { return Bytes(n, 0xFF); }},
      {"all escape", [](size_t n) { return Bytes(n, 0x5B); }},
      {"alternating",
       [](size_t n) {
         Bytes out(n);
         for (size_t i = 0; i < n; ++i) out[i] = i % 2 ? 0xAA : 0x55;
         return out;
       }},
      {"counting",
       [](size_t n) {
         Bytes out(n);
         for (size_t i = 0; i < n; ++i) out[i] = static_cast<uint8_t>(i);
         return out;
       }},
      {"random", random(1, [](std::mt19937& r) { return static_cast<uint8_t>(r()); })},
      {"random two values", random(2, [](std::mt19937& r) { return static_cast<uint8_t>(r() % 2 ? 0x00 : 0xFF); })},
      {"escape heavy", random(3, [](std::mt19937& r) { return static_cast<uint8_t>(r() % 3 ? 0x5B : r()); })},
      {"runs of 126", runsOf(126)},
      {"runs of 127", runsOf(127)},
      {"runs of 128", runsOf(128)},
      {"runs of 129", runsOf(129)},
      {"runs of 254", runsOf(254)},
      {"random runs",
       [](size_t n) {
         std::mt19937 rng(4);
         Bytes out;
         while (out.size() < n) {
           const size_t length = rng() % 4 == 0 ? 1 + rng() % 300 : 1 + rng() % 3;
           out.insert(out.end(), std::min(length, n - out.size()), static_cast<uint8_t>(rng() % 4 ? rng() : 0x5B));
         }
         return out;
       }},
  };
}

// Full panels, and short lengths around the group limits.
const std::vector<size_t> kLengths = {1, 2, 3, 30, 31, 32, 62, 126, 127, 128, 129, 1000, 4321, kMonoPanelBytes};

// The side's one-bit panels are encoded with a work buffer of kMonoWorkMinimum bytes: it must never drop a byte,
// whatever the panel, also where runs of two and literal blocks of 30 alternate, which fill it the most.
TEST(MonoRle, TheSmallestWorkBufferLosesNothing) {
  Bytes alternating;
  for (uint8_t k = 0; alternating.size() < kMonoPanelBytes; ++k) {
    alternating.insert(alternating.end(), 2, k);
    for (int i = 0; i < 30; ++i) alternating.push_back(static_cast<uint8_t>(k + 1 + i));
  }
  alternating.resize(kMonoPanelBytes);
  std::vector<std::pair<std::string, Bytes>> panels = {{"runs of two and blocks of 30", alternating}};
  for (const Pattern& pattern : Patterns()) panels.emplace_back(pattern.name, pattern.make(kMonoPanelBytes));
  for (const auto& [name, data] : panels) {
    Bytes buffer(2 * data.size() + 64);
    Bytes work(kMonoWorkMinimum);
    PanelOutput out{buffer.data(), 0, static_cast<uint32_t>(buffer.size())};
    RunLengthState rle;
    MonoPanelEncoder encoder(false, rle, work, out);
    encoder.Put(data);
    encoder.Finish();
    EXPECT_FALSE(out.overflow) << name;
    buffer.resize(out.length);
    EXPECT_EQ(buffer, EncodeMono(false, data).bytes) << name;
  }
}

TEST(RoundTrip, MonoRunLength) {
  for (const Pattern& pattern : Patterns()) {
    for (size_t length : kLengths) {
      const Bytes data = pattern.make(length);
      const Encoded e = EncodeMono(false, data);
      const Encoded pieces = EncodeMono(false, data, Feed::kPieces);
      ASSERT_FALSE(e.overflow);
      EXPECT_EQ(pieces.bytes, e.bytes) << pattern.name << " " << length;
      EXPECT_EQ(e.bytes.size(), ImpliedMonoRleSize(data)) << pattern.name << " " << length;
      Bytes decoded;
      const PanelDecodeResult r = DecodePanelData(PanelDataForm::kMonoRle, e.bytes, data.size(), decoded);
      ASSERT_TRUE(r.ok) << pattern.name << " " << length << ": " << r.error << " at " << r.errorOffset;
      EXPECT_EQ(r.consumed, e.bytes.size());
      EXPECT_EQ(decoded, data) << pattern.name << " " << length;
    }
  }
}

TEST(RoundTrip, MonoPlain) {
  for (const Pattern& pattern : Patterns()) {
    for (size_t length : kLengths) {
      const Bytes data = pattern.make(length);
      const Encoded e = EncodeMono(true, data);
      EXPECT_EQ(EncodeMono(true, data, Feed::kPieces).bytes, e.bytes);
      EXPECT_EQ(e.bytes.size(), data.size() + std::count(data.begin(), data.end(), kPanelEscapeByte));
      Bytes decoded;
      const PanelDecodeResult r = DecodePanelData(PanelDataForm::kMonoPlain, e.bytes, data.size(), decoded);
      ASSERT_TRUE(r.ok) << pattern.name << " " << length << ": " << r.error;
      EXPECT_EQ(decoded, data) << pattern.name << " " << length;
    }
  }
}

TEST(RoundTrip, ContoneRunLength) {
  for (const Pattern& pattern : Patterns()) {
    for (size_t length : {size_t{1}, size_t{127}, size_t{128}, size_t{5000}, size_t{kPanelLines * kPanelDots}}) {
      Bytes levels = pattern.make(length);
      for (auto& l : levels) l &= 31;
      const Encoded e = EncodeContoneRle(levels);
      ASSERT_FALSE(e.overflow);
      EXPECT_EQ(e.bytes.size(), ImpliedContoneRleSize(levels)) << pattern.name << " " << length;
      Bytes decoded;
      const PanelDecodeResult r = DecodePanelData(PanelDataForm::kContoneRle, e.bytes, levels.size(), decoded);
      ASSERT_TRUE(r.ok) << pattern.name << " " << length << ": " << r.error;
      EXPECT_EQ(decoded, levels) << pattern.name << " " << length;
    }
  }
}

// The whole-run encoder must give the bytes and the state of the level-by-level one, whatever pieces the
// levels come in (runs crossing pieces, pieces ending mid-run or on a 127 boundary).
TEST(ContoneRle, WholeRunsMatchLevelByLevel) {
  std::mt19937 random(7);
  for (const Pattern& pattern : Patterns()) {
    for (size_t length : {size_t{1}, size_t{126}, size_t{127}, size_t{128}, size_t{254}, size_t{9000}}) {
      Bytes levels = pattern.make(length);
      for (auto& l : levels) l &= 31;
      for (int split = 0; split < 4; ++split) {
        Bytes a(4 * length + 16), b(4 * length + 16);
        PanelOutput outA{a.data(), 0, static_cast<uint32_t>(a.size())};
        PanelOutput outB{b.data(), 0, static_cast<uint32_t>(b.size())};
        RunLengthState one, bulk;
        for (size_t at = 0; at < levels.size();) {
          const size_t piece = split == 0 ? levels.size() : std::min(levels.size() - at, size_t{1} + random() % 300);
          for (size_t i = at; i < at + piece; ++i) PutLevelRle(one, levels[i], outA);
          PutLevelsRle(bulk, std::span<const uint8_t>(levels.data() + at, piece), outB);
          ASSERT_EQ(outA.length, outB.length) << pattern.name << " " << length;
          ASSERT_EQ(one.state, bulk.state) << pattern.name << " " << length;
          if (one.state != 0) {
            ASSERT_EQ(one.value, bulk.value);
          }
          if (one.state == 2) {
            ASSERT_EQ(one.count, bulk.count);
          }
          at += piece;
        }
        FlushLevelRle(one, outA);
        FlushLevelRle(bulk, outB);
        ASSERT_EQ(Bytes(a.begin(), a.begin() + outA.length), Bytes(b.begin(), b.begin() + outB.length))
            << pattern.name << " " << length << " split " << split;
      }
    }
  }
}

// The level-by-level coder's bytes and final state for `levels`, fed to PutLevelsRle in pieces of `piece` levels
// (0: all at once), compared; `capacity` limits the output of both.
void ExpectWholeRunsMatch(const Bytes& levels, size_t piece, uint32_t capacity, const std::string& what) {
  Bytes a(capacity + 16, 0xEE), b(capacity + 16, 0xEE);
  PanelOutput outA{a.data(), 0, capacity};
  PanelOutput outB{b.data(), 0, capacity};
  RunLengthState one, bulk;
  for (const uint8_t l : levels) PutLevelRle(one, l, outA);
  for (size_t at = 0; at < levels.size();) {
    const size_t n = piece == 0 ? levels.size() : std::min(piece, levels.size() - at);
    PutLevelsRle(bulk, std::span<const uint8_t>(levels.data() + at, n), outB);
    at += n;
  }
  ASSERT_EQ(outA.length, outB.length) << what;
  ASSERT_EQ(outA.overflow, outB.overflow) << what;
  ASSERT_EQ(Bytes(a.begin(), a.begin() + outA.length), Bytes(b.begin(), b.begin() + outB.length)) << what;
  // Beyond the written bytes the whole-run coder may leave scratch bytes, but never past the capacity.
  ASSERT_EQ(Bytes(b.begin() + capacity, b.end()), Bytes(16, 0xEE)) << what;
  ASSERT_EQ(one.state, bulk.state) << what;
  if (one.state != 0) {
    ASSERT_EQ(one.value, bulk.value) << what;
  }
  if (one.state == 2) {
    ASSERT_EQ(one.count, bulk.count) << what;
  }
}

// Every pattern of run ends in a block of 8 levels, after an open run of every length that matters (none, short,
// around the piece of 127 and past it), at every position of the block in the fed levels, and with levels of any
// byte value.
TEST(ContoneRle, EveryRunEndPatternMatchesLevelByLevel) {
  std::mt19937 random(5);
  for (unsigned ends = 0; ends < 256; ++ends) {
    for (const size_t open :
         {0, 1, 2, 7, 8, 9, 31, 32, 33, 40, 118, 119, 120, 121, 125, 126, 127, 128, 135, 254, 255, 300}) {
      const size_t shift = random() % 8;
      const auto first = static_cast<uint8_t>(ends % 2 ? 0x9C : random() % 32);
      Bytes levels(shift, 3);
      levels.insert(levels.end(), open + 1, first);
      // The block starts with the open run's last level; each run end changes the level.
      uint8_t level = first;
      for (int i = 0; i < 8; ++i) {
        if (ends >> i & 1) level = static_cast<uint8_t>(level + 1 + random() % 3);
        levels.push_back(level);
      }
      for (int i = 0; i < 20; ++i) levels.push_back(static_cast<uint8_t>(random() % 2 ? level : random() % 32));
      const std::string what = std::to_string(ends) + " after " + std::to_string(open);
      ExpectWholeRunsMatch(levels, 0, static_cast<uint32_t>(2 * levels.size()), what);
      ExpectWholeRunsMatch(levels, 1 + random() % 40, static_cast<uint32_t>(2 * levels.size()), what + " in pieces");
    }
  }
}

// A dithered stretch (tones rounded up or down at random, mostly short runs), one with long runs among them, and
// the most bytes a block can give (single levels after a pair) followed by runs of 40 ending at every place of a
// block, into every small output capacity and a few large ones: the output stops where the level-by-level coder's
// does, and nothing is written past it.
TEST(ContoneRle, DitheredLevelsMatchLevelByLevelAtEveryCapacity) {
  std::mt19937 random(9);
  Bytes dithered(3000), withLongRuns, busyThenLong;
  for (size_t i = 0; i < dithered.size(); ++i) dithered[i] = static_cast<uint8_t>((i * 3 + random() % 256) >> 8);
  for (const size_t run : {126, 127, 128, 254, 255, 3, 1, 260}) {
    withLongRuns.insert(withLongRuns.end(), dithered.begin(), dithered.begin() + 200);
    withLongRuns.insert(withLongRuns.end(), run, 7);
  }
  for (size_t shift = 0; shift < 8; ++shift) {
    busyThenLong.insert(busyThenLong.end(), {9, 9});
    for (size_t i = 0; i < 30 + shift; ++i) busyThenLong.push_back(static_cast<uint8_t>(i % 2));
    busyThenLong.insert(busyThenLong.end(), 40, 5);
  }
  for (const Bytes* levels : {&dithered, &withLongRuns, &busyThenLong}) {
    for (uint32_t capacity = 0; capacity < 200; ++capacity) {
      ExpectWholeRunsMatch(*levels, 0, capacity, "capacity " + std::to_string(capacity));
    }
    for (const uint32_t capacity : {1000u, 2000u, 4000u, 8000u}) {
      ExpectWholeRunsMatch(*levels, 0, capacity, "capacity " + std::to_string(capacity));
      ExpectWholeRunsMatch(*levels, kPanelDots, capacity, "lines, capacity " + std::to_string(capacity));
    }
  }
}

TEST(RoundTrip, ContonePacked) {
  for (const Pattern& pattern : Patterns()) {
    for (size_t lines : {size_t{1}, size_t{3}, size_t{kPanelLines}}) {
      const Bytes bytes = pattern.make(lines * kPanelDots);
      const Encoded e = EncodeContonePacked(bytes);
      ASSERT_FALSE(e.overflow);
      EXPECT_EQ(e.bytes.size(), lines * 432);
      Bytes decoded;
      const PanelDecodeResult r = DecodePanelData(PanelDataForm::kContonePacked, e.bytes, bytes.size(), decoded);
      ASSERT_TRUE(r.ok) << pattern.name << ": " << r.error;
      Bytes levels = bytes;
      for (auto& l : levels) l >>= 3;  // the packed form keeps the top five bits
      EXPECT_EQ(decoded, levels) << pattern.name;
    }
  }
}

TEST(RoundTrip, FullPanelsFitTheOutputBuffer) {
  // The largest encodings: a colour panel without repeats, a one-bit panel of escape bytes between others.
  Bytes levels(kPanelLines * kPanelDots);
  for (size_t i = 0; i < levels.size(); ++i) levels[i] = static_cast<uint8_t>(i % 2);
  EXPECT_EQ(EncodeContoneRle(levels).bytes.size(), levels.size());
  EXPECT_LE(levels.size(), kPanelBufferSize - 1);
  Bytes mono(kMonoPanelBytes);
  for (size_t i = 0; i < mono.size(); ++i) mono[i] = i % 2 ? 0x5B : 0x00;
  EXPECT_LE(EncodeMono(false, mono).bytes.size(), kPanelBufferSize - 1);
  EXPECT_LE(EncodeMono(true, Bytes(kMonoPanelBytes, 0x5B)).bytes.size(), kPanelBufferSize - 1);
}

// ---- The decoder refuses malformed data without reading past it ----

TEST(PanelDecoder, ReportsStructuralFaultsWithTheirOffset) {
  struct Case {
    PanelDataForm form;
    Bytes input;
    size_t units;
    size_t offset;
  };
  const std::vector<Case> cases = {
      {PanelDataForm::kMonoRle, {0x00}, 1, 0},                 // count 0
      {PanelDataForm::kMonoRle, {0x20, 1}, 1, 0},              // neither a count nor a run
      {PanelDataForm::kMonoRle, {0x81, 1}, 1, 0},              // run of 1
      {PanelDataForm::kMonoRle, {0x02, 1, 0x5B, 0x00}, 2, 2},  // lone escape byte
      {PanelDataForm::kMonoRle, {0x01, 7, 0x85, 1}, 4, 2},     // run past the panel end
      {PanelDataForm::kMonoRle, {0x03, 1, 2, 3}, 2, 0},        // literal block past the panel end
      {PanelDataForm::kMonoPlain, {1, 0x5B, 2}, 3, 1},         // lone escape byte
      {PanelDataForm::kContoneRle, {0x80, 1}, 2, 0},           // run of 0
      {PanelDataForm::kContoneRle, {0x90, 1}, 4, 0},           // run past the panel end
      {PanelDataForm::kContoneRle, {0x82, 0x90}, 2, 1},        // run of a value above the levels
  };
  for (const Case& c : cases) {
    Bytes values;
    const PanelDecodeResult r = DecodePanelData(c.form, c.input, c.units, values);
    EXPECT_FALSE(r.ok) << static_cast<int>(c.form) << " " << r.error;
    EXPECT_EQ(r.errorOffset, c.offset) << r.error;
  }
  // A packed line whose end is not four zero bytes.
  Encoded line = EncodeContonePacked(Bytes(kPanelDots, 0x40));
  line.bytes[430] = 1;
  Bytes values;
  const PanelDecodeResult r = DecodePanelData(PanelDataForm::kContonePacked, line.bytes, kPanelDots, values);
  EXPECT_FALSE(r.ok);
  EXPECT_EQ(r.errorOffset, 430u);
}

TEST(PanelDecoder, EveryTruncatedStreamFailsWithinIt) {
  const Bytes data = Patterns()[13].make(3000);  // random runs, escape bytes among them
  Bytes levels = data;
  for (auto& l : levels) l &= 31;
  const std::vector<std::pair<PanelDataForm, Encoded>> streams = {
      {PanelDataForm::kMonoRle, EncodeMono(false, data)},
      {PanelDataForm::kMonoPlain, EncodeMono(true, data)},
      {PanelDataForm::kContoneRle, EncodeContoneRle(levels)},
      {PanelDataForm::kContonePacked, EncodeContonePacked(Bytes(data.begin(), data.begin() + 2 * kPanelDots))},
  };
  for (const auto& [form, encoded] : streams) {
    const size_t units = form == PanelDataForm::kContonePacked ? 2 * kPanelDots : data.size();
    for (size_t cut = 0; cut < encoded.bytes.size(); cut += 1 + cut / 16) {
      // An exact-size copy: any read past it would be caught by the address sanitizer.
      const Bytes prefix(encoded.bytes.begin(), encoded.bytes.begin() + cut);
      Bytes values;
      const PanelDecodeResult r = DecodePanelData(form, prefix, units, values);
      EXPECT_FALSE(r.ok) << static_cast<int>(form) << " cut at " << cut;
      EXPECT_LE(r.errorOffset, prefix.size());
    }
  }
}

}  // namespace
}  // namespace tolma
