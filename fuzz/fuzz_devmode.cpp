// Fuzzes the DEVMODE an application hands to DrvEnablePDEV, followed by a short document.
#include "fuzz/support.h"

#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolma;
  fuzz::Scene& scene = fuzz::TheScene();
  fuzz::Input in(data, size);
  const bool pages = in.Byte() & 1;
  // The DEVMODE holds exactly the bytes it declares (dmSize + dmDriverExtra), as the engine guarantees;
  // its content, sizes and signature come from the input.
  std::vector<uint8_t> devmode(kFullDevmodeSize + 64, 0);
  const auto content = in.Take(devmode.size());
  std::memcpy(devmode.data(), content.data(), content.size());
  const size_t declared = size_t{ReadU16(devmode.data() + 68)} + ReadU16(devmode.data() + 70);
  devmode.resize(std::max<size_t>(declared, 72));

  host::EngineDevice dev(*scene.driver, devmode, fuzz::FreshPrinter());
  if (dev.ok() && pages && dev.StartDoc(u"Fuzz")) {
    if (dev.StartPage()) {
      dev.FillRect({0, 0, 200, 100}, 0x000000);
      dev.SendPage();
    }
    dev.EndDoc();
  }
  return 0;
}
