// tolma-print: prints a card image through DomaRaster into a printer command stream file.
#include "raster/ddi_functions.h"
#include "tools/lib/print_main.h"

#include <filesystem>
#include <iostream>

int main(int argc, char** argv) {
  // The default driver data file lies beside the program.
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) self = std::filesystem::absolute(argv[0], ec);
  tolma::tools::PrintEnvironment env{&DrvEnableDriver, &DrvDisableDriver, self.parent_path().string()};
  return tolma::tools::PrintMain(std::vector<std::string>(argv + 1, argv + argc), std::cout, std::cerr, env);
}
