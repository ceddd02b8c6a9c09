// Shared set-up of the fuzz targets.
#include "fuzz/support.h"

#include "platform/host/host.h"
#include "raster/ddi_functions.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <unistd.h>

namespace tolma::fuzz {

Scene& TheScene() {
  static Scene scene = [] {
    Scene s;
    char pattern[] = "/tmp/tolma-fuzz-XXXXXX";
    s.folder = mkdtemp(pattern);
    std::ofstream(s.folder + "/DomaRibmod.ini") << "Ribbon=2\r\nModel=Q47x RKB 1.0\r\n";
    host::SetLocalAppDataFolder(s.folder);
    host::AddPrinter({"Card", s.folder, "DomaRaster.dll", s.folder + "/Doma.dat"});
    s.driver = new host::EngineDriver(&DrvEnableDriver, &DrvDisableDriver);
    return s;
  }();
  return scene;
}

HANDLE FreshPrinter() {
  Scene& scene = TheScene();
  if (scene.printer != nullptr) {
    host::ClearWritten(scene.printer);  // the host keeps closed handles' streams; this input's is done with
    ClosePrinter(scene.printer);
  }
  std::basic_string<WCHAR> name = host::Wide("Card");
  OpenPrinterW(name.data(), &scene.printer, nullptr);
  return scene.printer;
}

}  // namespace tolma::fuzz
