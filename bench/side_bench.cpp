// A whole card side through the driver: page start, a photo-like picture, composition and spooling.
#include "common/devmode.h"
#include "platform/host/engine_session.h"
#include "raster/ddi_functions.h"

#include <benchmark/benchmark.h>

#include <cstring>
#include <random>
#include <vector>

namespace {

using namespace tolma;

// A smooth picture with a black title and some noise, like a photo card.
void PaintPhoto(SURFOBJ* so) {
  std::mt19937 random(3);
  for (LONG y = 0; y < so->sizlBitmap.cy; ++y) {
    auto* row = static_cast<uint8_t*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta;
    for (LONG x = 0; x < so->sizlBitmap.cx; ++x) {
      const int noise = static_cast<int>(random() % 9) - 4;
      row[x * 3] = static_cast<uint8_t>(std::clamp(x / 4 + noise, 0, 255));
      row[x * 3 + 1] = static_cast<uint8_t>(std::clamp(y / 3 + noise, 0, 255));
      row[x * 3 + 2] = static_cast<uint8_t>(std::clamp(255 - (x + y) / 7 + noise, 0, 255));
      if (y > 40 && y < 90 && x > 60 && x < 600) row[x * 3] = row[x * 3 + 1] = row[x * 3 + 2] = 0;
    }
  }
}

// args: ribbon code in the cache (2 YMCKO, 7 K resin), black panel use, packed panels
void BM_CardSide(benchmark::State& state) {
  char folder[] = "/tmp/tolma-bench-XXXXXX";
  const std::string dir = mkdtemp(folder);
  if (std::FILE* f = std::fopen((dir + "/DomaRibmod.ini").c_str(), "wb")) {
    std::fprintf(f, "Ribbon=%d\r\nModel=Q47x RKB\r\n", static_cast<int>(state.range(0)));
    std::fclose(f);
  }
  host::SetLocalAppDataFolder(dir);
  host::AddPrinter({"Card", dir, "DomaRaster.dll", dir + "/Doma.dat"});
  std::basic_string<WCHAR> name = host::Wide("Card");
  HANDLE printer = nullptr;
  OpenPrinterW(name.data(), &printer, nullptr);

  std::vector<uint8_t> devmode(kFullDevmodeSize);
  WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(devmode.data(), kPublicDevmodeSize));
  PrivateDevmode priv = DefaultPrivateDevmode();
  priv.blackPanelUse = static_cast<int16_t>(state.range(1));
  priv.packedPanels = static_cast<int16_t>(state.range(2));
  std::memcpy(devmode.data() + kPublicDevmodeSize, &priv, sizeof priv);

  host::EngineDriver driver(&DrvEnableDriver, &DrvDisableDriver);
  host::EngineDevice dev(driver, devmode, printer);
  dev.StartDoc(u"Bench");
  std::vector<uint8_t> photo;
  size_t bytes = 0;
  for (auto _ : state) {
    dev.StartPage();
    state.PauseTiming();
    PaintPhoto(dev.surfaceObject());
    state.ResumeTiming();
    dev.SendPage();
    state.PauseTiming();
    bytes = host::WrittenBytes(printer).size();
    host::ClearWritten(printer);
    state.ResumeTiming();
  }
  dev.EndDoc();
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

}  // namespace
