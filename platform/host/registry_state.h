// Internal: the host registry's printer driver-data values, shared with the spooler's reply monitor.
#pragma once

#include "platform/host/host.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tolma::host::detail {

struct RegistryValue {
  WideString name;
  DWORD type = REG_NONE;
  std::vector<uint8_t> data;
};

// Creates the printer's key and its PrinterDriverData subkey.
void CreatePrinterKeys(const std::string& printer);
// The value of that name under the printer's PrinterDriverData key, or nullptr.
const RegistryValue* FindDriverData(const std::string& printer, const WideString& name);
// Adds or replaces a value under the printer's PrinterDriverData key.
void StoreDriverData(const std::string& printer, const WideString& name, DWORD type, const std::vector<uint8_t>& data);

}  // namespace tolma::host::detail
