// tolma-printer-app: an IPP Everywhere printer application for the Tolma Q47x card printer.
#include "printer-app/card_driver.h"
#include "printer-app/file_device.h"

#include <filesystem>

int main(int argc, char* argv[]) {
  using namespace tolma::printerapp;
  // The driver data file and the sample card lie beside the program.
  std::error_code ec;
  std::filesystem::path self = std::filesystem::read_symlink("/proc/self/exe", ec);
  if (ec) self = std::filesystem::absolute(argv[0], ec);
  static AppContext app = LoadAppContext(self.parent_path().string());

  RegisterFileDevice();
  static pappl_pr_driver_t drivers[] = {{kDriverName, kDriverDescription, kDeviceId, nullptr}};
  return papplMainloop(argc, argv, "1.0.0",
                       "Tolma Q47x Card Printer: cards printed through the same driver core as tolma-print.", 1,
                       drivers, AutoAddCallback, DriverCallback, nullptr, nullptr, SystemCallback, nullptr, &app);
}
