// The "tolma-file" device: a printer whose device URI is tolma-file:///FOLDER writes the command stream of
// each job to FOLDER/job-N.prn (through FOLDER/job-N.prn.part, renamed once the job's stream is whole).
#pragma once

#include <pappl/pappl.h>

namespace tolma::printerapp {

inline constexpr const char* kFileScheme = "tolma-file";

// Makes the scheme known to the framework; call once before the main loop.
void RegisterFileDevice();

// The job boundaries on a printer's device. They do something only when the device is a file device:
// Begin names the file of the job, End flushes and closes it, keeping it when `keep` is set and removing
// it otherwise. End returns false when the file could not be written whole.
void BeginDeviceJob(pappl_printer_t* printer, pappl_device_t* device, int jobId);
bool EndDeviceJob(pappl_printer_t* printer, pappl_device_t* device, bool keep);

}  // namespace tolma::printerapp
