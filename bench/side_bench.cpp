// A whole card side through the driver (page start, composition, spooling), a whole one-card job as the engine
// drives it, and the floor they are measured against: one pass over the 24-bit page writing a byte a pixel.
//
// Every side and job figure also comes as a ratio to the floor ("x_floor"), from the medians of the thread's CPU
// time of the two, measured in turns within the same benchmark, so the figure keeps its meaning on a loaded
// machine. Run with --benchmark_repetitions=5 and compare medians.
#include "common/devmode.h"
#include "platform/host/engine_session.h"
#include "raster/ddi_functions.h"

#include <benchmark/benchmark.h>

#include <algorithm>
#include <cstring>
#include <ctime>
#include <random>
#include <string>
#include <vector>

namespace {

using namespace tolma;

constexpr LONG kWidth = 1024;
constexpr LONG kHeight = 640;

// A smooth landscape picture with a black title and some noise, like a photo card (BGR, rows top to bottom).
const std::vector<uint8_t>& Photo() {
  static const std::vector<uint8_t> photo = [] {
    std::vector<uint8_t> bgr(static_cast<size_t>(kWidth) * kHeight * 3);
    std::mt19937 random(3);
    for (LONG y = 0; y < kHeight; ++y) {
      uint8_t* row = &bgr[static_cast<size_t>(y) * kWidth * 3];
      for (LONG x = 0; x < kWidth; ++x) {
        const int noise = static_cast<int>(random() % 9) - 4;
        row[x * 3] = static_cast<uint8_t>(std::clamp(x / 4 + noise, 0, 255));
        row[x * 3 + 1] = static_cast<uint8_t>(std::clamp(y / 3 + noise, 0, 255));
        row[x * 3 + 2] = static_cast<uint8_t>(std::clamp(255 - (x + y) / 7 + noise, 0, 255));
        if (y > 40 && y < 90 && x > 60 && x < 600) row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = 0;
      }
    }
    return bgr;
  }();
  return photo;
}

// The floor: reads every byte of the page and writes one byte a pixel (a rough luminance).
void FloorPass(const uint8_t* page, uint8_t* out, size_t pixels) {
  for (size_t i = 0; i < pixels; ++i) {
    const uint8_t* p = page + 3 * i;
    out[i] = static_cast<uint8_t>((p[0] + 2 * p[1] + p[2]) >> 2);
  }
}

double ThreadCpuSeconds() {
  timespec t{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
  return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

double Median(std::vector<double> values) {
  if (values.empty()) return 0;
  std::nth_element(values.begin(), values.begin() + static_cast<ptrdiff_t>(values.size() / 2), values.end());
  return values[values.size() / 2];
}

// Times the floor pass and the measured work in turns: the floor while the benchmark's timing is paused, the work
// in the stretches between Start and Stop, summed per iteration.
class FloorRatio {
 public:
  FloorRatio() : out_(static_cast<size_t>(kWidth) * kHeight) {}

  // Runs the floor pass twice, untimed by the benchmark, and times the second (the page in the cache, as the
  // side's page is after drawing); then starts the iteration's work time.
  void RunFloor(benchmark::State& state) {
    state.PauseTiming();
    FloorPass(Photo().data(), out_.data(), out_.size());
    const double start = ThreadCpuSeconds();
    FloorPass(Photo().data(), out_.data(), out_.size());
    benchmark::DoNotOptimize(out_.data());
    floor_.push_back(ThreadCpuSeconds() - start);
    state.ResumeTiming();
    work_.push_back(0);
    Start();
  }
  void Start() { start_ = ThreadCpuSeconds(); }
  void Stop() { work_.back() += ThreadCpuSeconds() - start_; }

  void Report(benchmark::State& state) const {
    const double floor = Median(floor_);
    state.counters["floor_cpu_ms"] = floor * 1e3;
    state.counters["x_floor"] = floor > 0 ? Median(work_) / floor : 0;
  }

 private:
  std::vector<uint8_t> out_;
  std::vector<double> floor_;
  std::vector<double> work_;
  double start_ = 0;
};

void BM_Floor(benchmark::State& state) {
  std::vector<uint8_t> out(static_cast<size_t>(kWidth) * kHeight);
  for (auto _ : state) {
    FloorPass(Photo().data(), out.data(), out.size());
    benchmark::DoNotOptimize(out.data());
  }
}
BENCHMARK(BM_Floor)->Unit(benchmark::kMillisecond);

// A host printer "Card" with a model and ribbon cache naming `ribbonCode`, in a fresh temporary folder.
HANDLE OpenBenchPrinter(int ribbonCode) {
  char folder[] = "/tmp/tolma-bench-XXXXXX";
  const std::string dir = mkdtemp(folder);
  if (std::FILE* f = std::fopen((dir + "/DomaRibmod.ini").c_str(), "wb")) {
    std::fprintf(f, "Ribbon=%d\r\nModel=Q47x RKB\r\n", ribbonCode);
    std::fclose(f);
  }
  host::SetLocalAppDataFolder(dir);
  host::AddPrinter({"Card", dir, "DomaRaster.dll", dir + "/Doma.dat"});
  std::basic_string<WCHAR> name = host::Wide("Card");
  HANDLE printer = nullptr;
  OpenPrinterW(name.data(), &printer, nullptr);
  return printer;
}

std::vector<uint8_t> BenchDevmode(int blackPanelUse, int packedPanels) {
  std::vector<uint8_t> devmode(kFullDevmodeSize);
  WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(devmode.data(), kPublicDevmodeSize));
  PrivateDevmode priv = DefaultPrivateDevmode();
  priv.blackPanelUse = static_cast<int16_t>(blackPanelUse);
  priv.packedPanels = static_cast<int16_t>(packedPanels);
  std::memcpy(devmode.data() + kPublicDevmodeSize, &priv, sizeof priv);
  return devmode;
}

// Copies the photo straight into the card page.
void PaintPhoto(SURFOBJ* so) {
  const std::vector<uint8_t>& photo = Photo();
  for (LONG y = 0; y < so->sizlBitmap.cy; ++y) {
    std::memcpy(static_cast<uint8_t*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta,
                &photo[static_cast<size_t>(y) * kWidth * 3], static_cast<size_t>(kWidth) * 3);
  }
}

// One side of a running document: page start and send (the picture is painted untimed).
// args: ribbon code in the cache (2 YMCKO, 7 K resin, which converts by diffusion), black panel use, packed.
void BM_CardSide(benchmark::State& state) {
  HANDLE printer = OpenBenchPrinter(static_cast<int>(state.range(0)));
  host::EngineDriver driver(&DrvEnableDriver, &DrvDisableDriver);
  host::EngineDevice dev(driver, BenchDevmode(static_cast<int>(state.range(1)), static_cast<int>(state.range(2))),
                         printer);
  dev.StartDoc(u"Bench");
  FloorRatio ratio;
  size_t bytes = 0;
  for (auto _ : state) {
    ratio.RunFloor(state);
    dev.StartPage();
    ratio.Stop();
    state.PauseTiming();
    PaintPhoto(dev.surfaceObject());
    state.ResumeTiming();
    ratio.Start();
    dev.SendPage();
    ratio.Stop();
    state.PauseTiming();
    bytes = host::WrittenBytes(printer).size();
    host::ClearWritten(printer);
    state.ResumeTiming();
  }
  dev.EndDoc();
  ratio.Report(state);
  state.counters["stream_bytes"] = static_cast<double>(bytes);
  ClosePrinter(printer);
}
BENCHMARK(BM_CardSide)
    ->Args({2, 1, 0})
    ->Args({2, 2, 0})
    ->Args({2, 1, 1})
    ->Args({7, 0, 0})
    ->ArgNames({"ribbon", "black", "packed"})
    ->Unit(benchmark::kMillisecond);

// A whole one-card job as the engine drives it: PDEV and surface enabled, document and page started, the photo
// drawn through DrvCopyBits, the page sent, the document ended, surface and PDEV disabled. Unlike the side it
// pays for the job's buffers and their first touch. args: ribbon code, black panel use, packed.
void BM_CardJob(benchmark::State& state) {
  HANDLE printer = OpenBenchPrinter(static_cast<int>(state.range(0)));
  host::EngineDriver driver(&DrvEnableDriver, &DrvDisableDriver);
  const std::vector<uint8_t> devmode = BenchDevmode(static_cast<int>(state.range(1)), static_cast<int>(state.range(2)));
  const std::vector<uint8_t>& photo = Photo();
  FloorRatio ratio;
  size_t bytes = 0;
  for (auto _ : state) {
    ratio.RunFloor(state);
    {
      host::EngineDevice dev(driver, devmode, printer);
      dev.StartDoc(u"Bench");
      dev.StartPage();
      dev.DrawImage(photo.data(), kWidth, kHeight, kWidth * 3, RECTL{0, 0, kWidth, kHeight});
      dev.SendPage();
      dev.EndDoc();
    }
    ratio.Stop();
    state.PauseTiming();
    bytes = host::WrittenBytes(printer).size();
    host::ClearWritten(printer);
    state.ResumeTiming();
  }
  ratio.Report(state);
  state.counters["stream_bytes"] = static_cast<double>(bytes);
  ClosePrinter(printer);
}
BENCHMARK(BM_CardJob)
    ->Args({2, 1, 0})
    ->Args({7, 0, 0})
    ->ArgNames({"ribbon", "black", "packed"})
    ->Unit(benchmark::kMillisecond);

}  // namespace
