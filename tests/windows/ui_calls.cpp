// The window-less calls to DomaUI and their transcript.
#include "tests/windows/ui_calls.h"

#include "common/devmode.h"
#include "platform/host/host.h"

#include <cstdio>
#include <cstring>
#include <vector>

namespace tolma::wincheck {
namespace {

// Length and FNV-1a digest of some bytes.
std::string Digest(const void* data, size_t size) {
  uint64_t hash = 14695981039346656037u;
  for (size_t i = 0; i < size; ++i) hash = (hash ^ static_cast<const uint8_t*>(data)[i]) * 1099511628211u;
  char text[64];
  std::snprintf(text, sizeof text, "%zu bytes %016llx", size, static_cast<unsigned long long>(hash));
  return text;
}

std::string Line(const char* format, long long a, const std::string& rest = {}) {
  char text[128];
  std::snprintf(text, sizeof text, format, a);
  return std::string(text) + (rest.empty() ? "" : " " + rest) + "\n";
}

}  // namespace

std::string RunUiCalls(const UiExports& ui, const std::string& dataFile, const std::string& driverDirectory) {
  std::string out;
  host::PrinterSetup setup;
  setup.name = kUiPrinter;
  setup.driverDirectory = driverDirectory;
  setup.driverFile = "DomaRaster.dll";
  setup.dataFile = dataFile;
  host::AddPrinter(setup);
  std::basic_string<WCHAR> name = host::Wide(kUiPrinter);
  HANDLE printer = nullptr;
  if (!OpenPrinterW(name.data(), &printer, nullptr)) return "OpenPrinterW failed\n";

  // The driver's default DEVMODE, then a conversion of it, as the spooler asks for them.
  LONG size = 0;
  BOOL ok = ui.convertDevMode(name.data(), nullptr, nullptr, &size, CDM_DRIVER_DEFAULT);
  out += Line("DrvConvertDevMode(CDM_DRIVER_DEFAULT, no buffer) = %lld", ok, "size " + std::to_string(size));
  std::vector<uint8_t> defaults(kFullDevmodeSize + 64);
  size = static_cast<LONG>(defaults.size());
  ok = ui.convertDevMode(name.data(), nullptr, reinterpret_cast<DEVMODEW*>(defaults.data()), &size, CDM_DRIVER_DEFAULT);
  out += Line("DrvConvertDevMode(CDM_DRIVER_DEFAULT) = %lld", ok, Digest(defaults.data(), defaults.size()));
  std::vector<uint8_t> input(defaults.begin(), defaults.begin() + kFullDevmodeSize);
  reinterpret_cast<DEVMODEW*>(input.data())->dmOrientation = DMORIENT_PORTRAIT;
  reinterpret_cast<DEVMODEW*>(input.data())->dmCopies = 3;
  std::vector<uint8_t> converted(kFullDevmodeSize);
  size = static_cast<LONG>(converted.size());
  ok = ui.convertDevMode(name.data(), reinterpret_cast<DEVMODEW*>(input.data()),
                         reinterpret_cast<DEVMODEW*>(converted.data()), &size, CDM_CONVERT);
  out += Line("DrvConvertDevMode(CDM_CONVERT) = %lld", ok, Digest(converted.data(), converted.size()));

  // Every capability, first the count, then the answer into a buffer of the largest size any of them needs.
  for (WORD capability = 1; capability <= 40; ++capability) {
    const DWORD count =
        ui.deviceCapabilities(printer, name.data(), capability, nullptr, reinterpret_cast<DEVMODEW*>(input.data()));
    std::vector<uint8_t> answer(64 * 1024);
    const DWORD again = ui.deviceCapabilities(printer, name.data(), capability, answer.data(),
                                              reinterpret_cast<DEVMODEW*>(input.data()));
    out += Line("DrvDeviceCapabilities(%lld)", capability,
                "= " + std::to_string(static_cast<LONG>(count)) + ", with a buffer " +
                    std::to_string(static_cast<LONG>(again)) + ", " + Digest(answer.data(), answer.size()));
  }

  // Document properties without a window: the size, the printer's settings, and an input merged into them.
  const LONG needed = ui.documentProperties(nullptr, printer, name.data(), nullptr, nullptr, 0);
  out += Line("DrvDocumentProperties(size) = %lld", needed);
  std::vector<uint8_t> properties(kFullDevmodeSize + 64);
  LONG result = ui.documentProperties(nullptr, printer, name.data(), reinterpret_cast<DEVMODEW*>(properties.data()),
                                      nullptr, DM_OUT_BUFFER);
  out += Line("DrvDocumentProperties(DM_OUT_BUFFER) = %lld", result, Digest(properties.data(), properties.size()));
  std::fill(properties.begin(), properties.end(), 0);
  result = ui.documentProperties(nullptr, printer, name.data(), reinterpret_cast<DEVMODEW*>(properties.data()),
                                 reinterpret_cast<DEVMODEW*>(input.data()), DM_IN_BUFFER | DM_OUT_BUFFER);
  out += Line("DrvDocumentProperties(DM_IN_BUFFER | DM_OUT_BUFFER) = %lld", result,
              Digest(properties.data(), properties.size()));
  ClosePrinter(printer);
  return out;
}

}  // namespace tolma::wincheck
