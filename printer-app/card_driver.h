// The printer application's driver "tolma_q47x" and its system: capabilities, vendor attributes, the
// printer settings for the ribbon and model, and the job callbacks that print through RenderCardJob.
#pragma once

#include "common/devmode.h"
#include "printer-app/job_options.h"

#include <pappl/pappl.h>

#include <string>
#include <vector>

namespace tolma::printerapp {

inline constexpr const char* kDriverName = "tolma_q47x";
inline constexpr const char* kDriverDescription = "Tolma Q47x Card Printer";
inline constexpr const char* kDeviceId = "MFG:Tolma;MDL:Q47x Card Printer;CMD:TOLMA;";
// The printer's own command stream, which jobs may also send as it is.
inline constexpr const char* kStreamFormat = "application/vnd.tolma-q47x-stream";
// The card: ISO/IEC 7810 ID-1, in hundredths of millimetres.
inline constexpr const char* kCardMedia = "iso_id-1_53.98x85.6mm";
inline constexpr int kCardWidth = 5398;
inline constexpr int kCardLength = 8560;

// What the application knows from its start: the driver's default settings and its files.
struct AppContext {
  std::vector<uint8_t> baseDevmode;  // the default public part and the default private settings
  PrivateDevmode base{};
  std::string dataFile;  // the driver data file the defaults came from; empty: built-in defaults
  std::string testPage;  // the sample card, printed by the web interface's test page button
  std::vector<VendorAttribute> vendor;
};

// Loads the defaults from "Doma.dat" in `folder` (the built-in ones when it is missing or not a driver
// data file) and looks for the sample card there.
AppContext LoadAppContext(const std::string& folder);

// The framework callbacks; `data` is the AppContext.
bool DriverCallback(pappl_system_t* system, const char* driverName, const char* deviceUri, const char* deviceId,
                    pappl_pr_driver_data_t* driverData, ipp_t** driverAttrs, void* data);
const char* AutoAddCallback(const char* deviceInfo, const char* deviceUri, const char* deviceId, void* data);
pappl_system_t* SystemCallback(int numOptions, cups_option_t* options, void* data);

}  // namespace tolma::printerapp
