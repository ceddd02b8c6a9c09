// Speed of the panel encoders: a full continuous-tone panel through the run-length and packed forms, and a
// full one-bit panel scanned and encoded in both orientations and both forms.
#include "common/mono_rle.h"
#include "common/panel_data.h"
#include "raster/imaging/mono_scan.h"
#include "raster/imaging/panel_encoding.h"

#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

namespace tolma {
namespace {

using Bytes = std::vector<uint8_t>;

// Panel contents, in the printer's line order: 0 white; 1 a typical card (a smooth background, a photo
// with noise on a fifth of the card, a block of text); 2 noise everywhere (one level in eight off by one,
// the worst case for branch prediction); 3 random levels (the largest output); 4 a dithered photo (smooth tones
// each rounded up or down at random, as the colour panels of a photo card come: half the runs single levels).
Bytes ContoneLevels(int64_t kind) {
  Bytes levels(kPanelLines * kPanelDots);
  std::mt19937 rng(1);
  for (int n = 0; n < kPanelLines; ++n) {
    for (int d = 0; d < kPanelDots; ++d) {
      uint8_t level = 1;
      if (kind == 1) {
        level = static_cast<uint8_t>(4 + n / 64);
        if (n >= 100 && n < 450 && d >= 60 && d < 360)
          level = static_cast<uint8_t>((d / 12 + n / 16 + (rng() % 4 == 0 ? 1 : 0)) & 31);
        if (n >= 550 && n < 900 && d >= 380 && d < 600 && (d / 4 + n / 9) % 3 == 0) level = 31;
      }
      if (kind == 2) level = static_cast<uint8_t>(((d / 20 + n / 32) + (rng() % 8 == 0 ? 1 : 0)) & 31);
      if (kind == 3) level = static_cast<uint8_t>(rng() & 31);
      if (kind == 4) {
        const uint32_t tone = static_cast<uint32_t>(d * 5 + n * 2) % 8192;  // 5-bit levels in 1/256ths
        level = static_cast<uint8_t>((tone + rng() % 256) >> 8);
      }
      levels[static_cast<size_t>(n) * kPanelDots + d] = level;
    }
  }
  return levels;
}

// A one-bit card bitmap (rows of 128 bytes, a set bit white): 0 all white; 1 text (black strokes on white
// over a third of the card); 2 random.
Bytes MonoBitmap(int64_t kind) {
  Bytes bitmap(kMonoPanelBytes, 0xFF);
  std::mt19937 rng(2);
  for (size_t i = 0; i < bitmap.size(); ++i) {
    if (kind == 1 && (i / 128) % 24 < 8 && (i % 128) < 96) bitmap[i] = static_cast<uint8_t>(rng() | rng());
    if (kind == 2) bitmap[i] = static_cast<uint8_t>(rng());
  }
  return bitmap;
}

const char* ContoneName(int64_t kind) {
  static const char* const names[] = {"white", "card", "noisy", "random", "dithered"};
  return names[kind];
}
const char* MonoName(int64_t kind) {
  static const char* const names[] = {"white", "text", "random"};
  return names[kind];
}

void BM_ContoneRlePanel(benchmark::State& state) {
  const Bytes levels = ContoneLevels(state.range(0));
  Bytes buffer(kPanelBufferSize);
  for (auto _ : state) {
    PanelOutput out{buffer.data(), 0, kPanelBufferSize};
    RunLengthState rle;
    for (uint8_t level : levels) PutLevelRle(rle, level, out);
    FlushLevelRle(rle, out);
    benchmark::DoNotOptimize(out.length);
    benchmark::ClobberMemory();
  }
  state.SetLabel(ContoneName(state.range(0)));
}
BENCHMARK(BM_ContoneRlePanel)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

// The same panel a line of 640 levels at a time, as the colour scans hand it over.
void BM_ContoneRlePanelByLine(benchmark::State& state) {
  const Bytes levels = ContoneLevels(state.range(0));
  Bytes buffer(kPanelBufferSize);
  for (auto _ : state) {
    PanelOutput out{buffer.data(), 0, kPanelBufferSize};
    RunLengthState rle;
    for (size_t line = 0; line < levels.size(); line += kPanelDots)
      PutLevelsRle(rle, std::span<const uint8_t>(levels.data() + line, kPanelDots), out);
    FlushLevelRle(rle, out);
    benchmark::DoNotOptimize(out.length);
    benchmark::ClobberMemory();
  }
  state.SetLabel(ContoneName(state.range(0)));
}
BENCHMARK(BM_ContoneRlePanelByLine)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

void BM_ContonePackedPanel(benchmark::State& state) {
  Bytes levels = ContoneLevels(state.range(0));
  for (auto& l : levels) l = static_cast<uint8_t>(l << 3);
  Bytes buffer(kPanelBufferSize);
  for (auto _ : state) {
    PanelOutput out{buffer.data(), 0, kPanelBufferSize};
    PackedLineState pack;
    for (size_t i = 0; i < levels.size(); i += kPanelDots) {
      for (size_t k = 0; k < kPanelDots; ++k) PackLevel(pack, levels[i + k], out);
      EndPackedLine(pack, out);
    }
    benchmark::DoNotOptimize(out.length);
    benchmark::ClobberMemory();
  }
  state.SetLabel(ContoneName(state.range(0)));
}
BENCHMARK(BM_ContonePackedPanel)->DenseRange(0, 4)->Unit(benchmark::kMicrosecond);

// One-bit panel: args are (orientation 0 columns / 1 rows, content, packed form).
void BM_MonoPanel(benchmark::State& state) {
  const bool rows = state.range(0) == 1;
  const Bytes bitmap = MonoBitmap(state.range(1));
  const bool packed = state.range(2) == 1;
  Bytes buffer(kPanelBufferSize);
  Bytes work(kMonoWorkBufferSize);
  for (auto _ : state) {
    PanelOutput out{buffer.data(), 0, kPanelBufferSize};
    RunLengthState rle;
    MonoPanelEncoder encoder(packed, rle, work, out);
    if (rows) {
      ScanMonoRows(MonoBitmapView{bitmap, kMonoPortraitRowBytes}, true, encoder);
    } else {
      ScanMonoColumns(MonoBitmapView{bitmap, kMonoLandscapeRowBytes}, true, encoder);
    }
    encoder.Finish();
    benchmark::DoNotOptimize(out.length);
    benchmark::ClobberMemory();
  }
  state.SetLabel(std::string(rows ? "rows " : "columns ") + MonoName(state.range(1)) +
                 (packed ? " plain" : " run-length"));
}
BENCHMARK(BM_MonoPanel)->ArgsProduct({{0, 1}, {0, 1, 2}, {0, 1}})->Unit(benchmark::kMicrosecond);

}  // namespace
}  // namespace tolma
