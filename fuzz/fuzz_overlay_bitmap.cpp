// Fuzzes the bitmap file read by the bitmap-based overlay: parsing, drawing into the frame and encoding.
#include "fuzz/support.h"
#include "raster/context.h"
#include "common/bitmap_file.h"
#include "raster/overlay.h"

#include <cstdio>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolma;
  fuzz::Scene& scene = fuzz::TheScene();
  tolma::ParseMonoBitmapFile(std::span<const uint8_t>(data, size));

  // The whole overlay path on a context, with the input as the bitmap file.
  const std::string path = scene.folder + "/overlay.bmp";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  std::vector<uint8_t> devmode(kFullDevmodeSize);
  WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(devmode.data(), kPublicDevmodeSize));
  PrivateDevmode priv = DefaultPrivateDevmode();
  priv.frontOverlay.areaType = 4;
  priv.frontOverlay.areaRotate180 = size > 0 ? data[size - 1] & 1 : 0;
  const auto wide = host::Wide(path);
  std::copy(wide.begin(), wide.end(), priv.frontOverlay.bitmapPath);
  std::memcpy(devmode.data() + kPublicDevmodeSize, &priv, sizeof priv);

  host::EngineDevice dev(*scene.driver, devmode, fuzz::FreshPrinter());
  if (dev.ok() && dev.StartDoc(u"Fuzz")) {
    SendOverlay(*reinterpret_cast<RenderContext*>(dev.pdev()), true);
    dev.EndDoc();
  }
  return 0;
}
