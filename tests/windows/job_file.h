// A print job as a file: the job tolma-print hands to RunPrintJob on Linux, read back by the Windows check program.
#pragma once

#include "tools/lib/print_run.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tolma::wincheck {

// The job's DEVMODE, ribbon cache, data file name and pages (pictures and texts) as bytes: a "TOLMAJOB" header,
// then little-endian lengths and values.
std::vector<uint8_t> EncodeJob(const tools::PrintJob& job);

// Reads what EncodeJob wrote. Returns false with a one-line reason for a damaged or foreign file.
bool DecodeJob(std::span<const uint8_t> bytes, tools::PrintJob& job, std::string& error);

}  // namespace tolma::wincheck
