// Runs one print job through the driver on the host: the engine's calls into DomaRaster, the spooler
// recording what the driver writes.
#pragma once

#include "platform/host/engine_session.h"
#include "tools/lib/card_image.h"

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace tolma::tools {

// What the application draws on one page (one side of the card).
struct PageDrawing {
  std::optional<PagePicture> picture;  // drawn with DrvCopyBits
  std::vector<std::u16string> texts;   // drawn with DrvTextOut (the magnetic tracks' macro texts)
};

struct PrintJob {
  std::vector<uint8_t> devmode;            // the 2436-byte DEVMODE given to DrvEnablePDEV
  std::optional<std::string> ribbonCache;  // content of "DomaRibmod.ini"; none: no cache file
  std::string dataFile;                    // the printer's driver data file (may be empty)
  std::vector<PageDrawing> pages;
};

struct PrintRun {
  bool ok = false;
  std::string error;            // which step failed
  std::vector<uint8_t> stream;  // everything the driver wrote with WritePrinter
};

// Enables the driver through `enable`, creates a device context for a host printer, runs a document of
// the job's pages and disables the driver again. The model and ribbon cache lives in a temporary local
// application-data folder for the run.
PrintRun RunPrintJob(const PrintJob& job, host::DrvEnableDriverFn enable, host::DrvDisableDriverFn disable);

}  // namespace tolma::tools
