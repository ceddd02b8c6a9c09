// Speed of one card side through colour preparation, the colour panel scans (separate, and as the side's colour
// pass) and the monochrome conversions.
#include "raster/imaging/colour.h"
#include "raster/imaging/colour_panels.h"
#include "raster/imaging/mono_convert.h"
#include "raster/imaging/panel_encoding.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <vector>

namespace tolma {
namespace {

constexpr int kLong = 1024;
constexpr int kShort = 640;

// A photo-like landscape side: smooth gradients per colour with a little noise and a few flat areas.
std::vector<uint8_t> PhotoSide() {
  std::vector<uint8_t> bytes(static_cast<size_t>(kLong) * kShort * 3);
  uint32_t s = 1;
  for (int y = 0; y < kShort; ++y) {
    for (int x = 0; x < kLong; ++x) {
      s = s * 1664525u + 1013904223u;
      const int noise = static_cast<int>(s >> 29) - 4;
      uint8_t* p = &bytes[(static_cast<size_t>(y) * kLong + x) * 3];
      const bool flat = (x / 128 + y / 128) % 4 == 0;
      p[0] = flat ? 255 : static_cast<uint8_t>(std::clamp(x / 4 + noise, 0, 255));
      p[1] = flat ? 255 : static_cast<uint8_t>(std::clamp(y * 255 / kShort + noise, 0, 255));
      p[2] = flat ? 255 : static_cast<uint8_t>(std::clamp((x + y) / 7 + noise, 0, 255));
    }
  }
  return bytes;
}

ColourPage View(std::vector<uint8_t>& bytes) {
  return {bytes.data(), bytes.size(), static_cast<size_t>(kLong) * 3, kLong, kShort};
}

PrivateDevmode ColourSettings() {
  PrivateDevmode settings{};
  settings.ccIntensityR = 5;
  settings.ccContrastG = -20;
  settings.ccContrastB = 15;
  return settings;
}

// The colour part of a side: PrepareColourPage, then Y, M, C and Kd each scanned into the panel buffer.
void BM_ColourSide(benchmark::State& state) {
  const auto form = state.range(0) != 0 ? PanelForm::kPacked : PanelForm::kRunLength;
  const std::vector<uint8_t> source = PhotoSide();
  std::vector<uint8_t> page = source;
  std::vector<uint8_t> buffer(kPanelBufferSize, 0);
  const PrivateDevmode settings = ColourSettings();
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(page.data(), source.data(), page.size());
    state.ResumeTiming();
    DitherSource random(42);
    PrepareColourPage(View(page), settings, random);
    for (int panel = 0; panel < 4; ++panel) {
      PanelOutput out{buffer.data(), 0, kPanelBufferSize, false};
      RunLengthState rle;
      const ColourScan scan{false, form, panel < 3 ? LevelSource::kComponent : LevelSource::kGrey, panel % 3, false};
      ScanColourPanel(View(page), scan, out, rle);
      if (form == PanelForm::kRunLength) FlushLevelRle(rle, out);
      benchmark::DoNotOptimize(out.length);
    }
  }
}
BENCHMARK(BM_ColourSide)->Arg(1)->Arg(0)->ArgName("packed")->Unit(benchmark::kMillisecond);

// The colour pass as a side runs it: PrepareColourPanels, then Y, M and C from the laid-out levels.
void BM_ColourPanels(benchmark::State& state) {
  const auto form = state.range(0) != 0 ? PanelForm::kPacked : PanelForm::kRunLength;
  const std::vector<uint8_t> source = PhotoSide();
  std::vector<uint8_t> page = source;
  std::vector<uint8_t> buffer(kPanelBufferSize, 0);
  const PrivateDevmode settings = ColourSettings();
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(page.data(), source.data(), page.size());
    state.ResumeTiming();
    DitherSource random(42);
    PrepareColourPanels(View(page), settings, random, LevelSource::kComponent, nullptr);
    for (int panel = 0; panel < 3; ++panel) {
      PanelOutput out{buffer.data(), 0, kPanelBufferSize, false};
      RunLengthState rle;
      ScanPanelLevels(View(page), {false, form, LevelSource::kComponent, panel, false}, out, rle);
      if (form == PanelForm::kRunLength) FlushLevelRle(rle, out);
      benchmark::DoNotOptimize(out.length);
    }
  }
}
BENCHMARK(BM_ColourPanels)->Arg(1)->Arg(0)->ArgName("packed")->Unit(benchmark::kMillisecond);

void BM_PrepareColourPage(benchmark::State& state) {
  const std::vector<uint8_t> source = PhotoSide();
  std::vector<uint8_t> page = source;
  const PrivateDevmode settings = ColourSettings();
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(page.data(), source.data(), page.size());
    state.ResumeTiming();
    DitherSource random(42);
    benchmark::DoNotOptimize(PrepareColourPage(View(page), settings, random));
  }
}
BENCHMARK(BM_PrepareColourPage)->Unit(benchmark::kMillisecond);

// The colour pass alone: the page prepared and laid out as Y, M and C levels (arg 1: black extracted too).
void BM_PrepareColourPanels(benchmark::State& state) {
  const std::vector<uint8_t> source = PhotoSide();
  std::vector<uint8_t> page = source;
  std::vector<uint8_t> mono(static_cast<size_t>(kLong / 8) * kShort, 0xFF);
  const MonoBitmap black{mono.data(), mono.size(), kLong / 8, kLong, kShort};
  const PrivateDevmode settings = ColourSettings();
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(page.data(), source.data(), page.size());
    state.ResumeTiming();
    DitherSource random(42);
    benchmark::DoNotOptimize(PrepareColourPanels(View(page), settings, random, LevelSource::kComponent,
                                                 state.range(0) != 0 ? &black : nullptr));
  }
}
BENCHMARK(BM_PrepareColourPanels)->Arg(0)->Arg(1)->ArgName("extract")->Unit(benchmark::kMillisecond);

// One panel scan of a prepared side: args packed (0/1), grey source (0/1), portrait (0/1).
void BM_ScanColourPanel(benchmark::State& state) {
  const bool portrait = state.range(2) != 0;
  std::vector<uint8_t> page = PhotoSide();
  ColourPage view{page.data(), page.size(), static_cast<size_t>(portrait ? kShort : kLong) * 3,
                  portrait ? kShort : kLong, portrait ? kLong : kShort};
  DitherSource random(42);
  PrepareColourPage(view, ColourSettings(), random);
  std::vector<uint8_t> buffer(kPanelBufferSize, 0);
  const ColourScan scan{portrait, state.range(0) != 0 ? PanelForm::kPacked : PanelForm::kRunLength,
                        state.range(1) != 0 ? LevelSource::kGrey : LevelSource::kComponent, 1, true};
  for (auto _ : state) {
    PanelOutput out{buffer.data(), 0, kPanelBufferSize, false};
    RunLengthState rle;
    ScanColourPanel(view, scan, out, rle);
    FlushLevelRle(rle, out);
    benchmark::DoNotOptimize(out.length);
  }
}
BENCHMARK(BM_ScanColourPanel)
    ->ArgsProduct({{0, 1}, {0, 1}, {0, 1}})
    ->ArgNames({"packed", "grey", "portrait"})
    ->Unit(benchmark::kMillisecond);

// ConvertToMonochrome of a landscape side, per method, with the bar-code thinning and the blank test.
void BM_ConvertToMonochrome(benchmark::State& state) {
  const int method = static_cast<int>(state.range(0));
  const std::vector<uint8_t> source = PhotoSide();
  std::vector<uint8_t> page = source;
  std::vector<uint8_t> mono(static_cast<size_t>(kLong / 8) * kShort, 0xFF);
  const MonoBitmap bitmap{mono.data(), mono.size(), kLong / 8, kLong, kShort};
  const BlackAdjustment black{10, -20};
  for (auto _ : state) {
    state.PauseTiming();
    std::memcpy(page.data(), source.data(), page.size());
    state.ResumeTiming();
    ConvertToMonochrome(View(page), bitmap, method, black);
    ThinBarcodeRuns(bitmap, (method & 3) | 4);
    benchmark::DoNotOptimize(IsMonoPanelBlank(bitmap));
  }
}
BENCHMARK(BM_ConvertToMonochrome)->DenseRange(0, 3)->ArgName("method")->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace tolma
