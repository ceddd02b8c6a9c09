// DomaUI's exported entry points: print queries, DEVMODE handling, device capabilities and printer events.
#include "common/devmode.h"
#include "ui/capabilities.h"
#include "ui/default_devmode.h"
#include "ui/devmode_merge.h"
#include "ui/device_sheet.h"
#include "ui/document_sheet.h"
#include "ui/driver_ui.h"
#include "ui/printer_queries.h"
#include "ui/spooler_calls.h"
#include "ui/ui_state.h"

#include <algorithm>
#include <cstring>

namespace tolma::ui {
namespace {

// The private part of a DEVMODE's bytes, where DomaUI locates it (at dmSize).
std::span<uint8_t> PrivateBytes(std::span<uint8_t> devmode) {
  if (devmode.size() < kPublicDevmodeSize) return {};
  const size_t dmSize = ReadU16(devmode.data() + offsetof(DEVMODEW, dmSize));
  const size_t extra = ReadU16(devmode.data() + offsetof(DEVMODEW, dmDriverExtra));
  if (dmSize >= devmode.size()) return {};
  return devmode.subspan(dmSize, std::min(extra, devmode.size() - dmSize));
}

// Fills an output DEVMODE from the cache, the input and the printer's stored DEVMODE (read only when needed).
MergeOutcome FillOutputDevmode(HANDLE printer, std::span<uint8_t> output, const DEVMODEW* input, DWORD mode) {
  PrivateDevmode& cache = State().cache;
  std::optional<std::span<const uint8_t>> in;
  if (input != nullptr) in = DeclaredBytes(input);
  HeapBlock info;
  std::optional<std::span<const uint8_t>> stored;
  if (MergeNeedsStoredDevmode(cache, input != nullptr)) {
    info = FetchPrinterInfo2(printer);
    if (PRINTER_INFO_2W* pi = MutablePrinterInfo2(info); pi != nullptr && pi->pDevMode != nullptr) {
      const std::span<uint8_t> bytes = DevmodeInBlock(info, pi->pDevMode);
      if (!bytes.empty()) stored = bytes;
    }
  }
  return MergeOutputDevmode(output, in, stored, mode, cache);
}

// DrvDocumentProperties: the size for mode 0, the prompt message, and the output when one is asked for
// (taken to hold the 2436 bytes that mode 0 reports). Returns the result and, when an output was filled, how.
LONG DocumentProperties(HWND window, HANDLE printer, PDEVMODEW output, PDEVMODEW input, DWORD mode,
                        std::optional<MergeOutcome>* outcome) {
  if (mode == 0) return kFullDevmodeSize;
  if (mode & DM_IN_PROMPT)
    MessageBoxW(window, TOLMA_WIDE("Setting public members of DEVMODE"), TOLMA_WIDE("DrvDocumentProperties"), MB_OK);
  if ((mode & DM_OUT_BUFFER) == 0 || output == nullptr) return IDOK;
  const MergeOutcome merged =
      FillOutputDevmode(printer, {reinterpret_cast<uint8_t*>(output), kFullDevmodeSize}, input, mode);
  if (outcome != nullptr) *outcome = merged;
  return IDOK;
}

// Writes a capability's answer into the caller's buffer.
void WriteCapability(const CapabilityAnswer& answer, void* output) {
  switch (answer.output) {
    case CapabilityOutput::Nothing:
      return;
    case CapabilityOutput::Word: {
      const WORD value = static_cast<WORD>(answer.values[0]);
      std::memcpy(output, &value, sizeof value);
      return;
    }
    case CapabilityOutput::LongPair: {
      const LONG pair[2] = {answer.values[0], answer.values[1]};
      std::memcpy(output, pair, sizeof pair);
      return;
    }
    case CapabilityOutput::Name: {
      // The name is loaded into a 32-character buffer and copied with its NUL, cut to the name's slot.
      WCHAR name[32] = {};
      LoadStringW(State().module, answer.stringId, name, 32);
      const size_t n = std::min(WideLength(name, 32), answer.nameChars - 1);
      auto* out = static_cast<WCHAR*>(output);
      std::memcpy(out, name, n * sizeof(WCHAR));
      const WCHAR nul = 0;
      std::memcpy(out + n, &nul, sizeof nul);
      return;
    }
  }
}

// DrvDocumentPropertySheets without property-sheet information: the header-only DEVMODE request.
LONG HeaderOnlyCall(DOCUMENTPROPERTYHEADER* header) {
  if (header == nullptr) return -1;
  // A header shorter than this layout would be read and written past its end.
  if (header->cbSize < sizeof(DOCUMENTPROPERTYHEADER)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  const DWORD callerSize = header->cbOut;
  header->cbOut = kFullDevmodeSize;
  const DWORD mode = header->fMode;
  if (mode == 0 || header->pdmOut == nullptr) return kFullDevmodeSize;
  if ((mode & (DM_UPDATE | DM_COPY)) == 0 || (mode & DM_NOPERMISSION) != 0) return 1;
  // An output the caller declared smaller than a whole DEVMODE is refused rather than written past.
  if ((mode & DM_COPY) != 0 && callerSize != 0 && callerSize < kFullDevmodeSize) {
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return -1;
  }

  PrivateDevmode& cache = State().cache;
  const bool cacheWasValid = CacheValid(cache);
  std::optional<MergeOutcome> outcome;
  DocumentProperties(nullptr, header->hPrinter, header->pdmOut, header->pdmIn, mode, &outcome);
  const bool written = outcome == MergeOutcome::Written;

  // A first DEVMODE in this process: ask the printer what is installed.
  PrinterAnswers answers;
  const bool fixedRibbon = cache.fixedRibbon != 0;
  if (!cacheWasValid && !fixedRibbon) answers = QueryEncoderAndRibbon(State().link, header->pszPrinterName);
  auto* out = reinterpret_cast<FullDevmode*>(header->pdmOut);
  if (fixedRibbon) {
    answers.hasEncoder = 1;
    if (written && out->privatePart.encoder.hasEncoder != 1) answers.answered = true;
  }
  if (mode != DM_COPY || !written || !answers.answered) return 1;
  if (out->privatePart.ribbonType == answers.ribbonType && out->privatePart.encoder.hasEncoder == answers.hasEncoder)
    return 1;

  // Bring the output, the printer's stored DEVMODE and the cache into line with the printer.
  const std::optional<int16_t> ribbon = fixedRibbon ? std::nullopt : std::optional(answers.ribbonType);
  WriteRibbonAndEncoder({reinterpret_cast<uint8_t*>(&out->privatePart), kPrivateDevmodeSize}, ribbon,
                        answers.hasEncoder);
  HeapBlock info = FetchPrinterInfo2(header->hPrinter);
  if (PRINTER_INFO_2W* pi = MutablePrinterInfo2(info); pi != nullptr && pi->pDevMode != nullptr) {
    WriteRibbonAndEncoder(PrivateBytes(DevmodeInBlock(info, pi->pDevMode)), ribbon, answers.hasEncoder);
    SetPrinterW(header->hPrinter, 2, info.data(), 0);
  }
  if (ribbon) cache.ribbonType = *ribbon;
  cache.encoder.hasEncoder = answers.hasEncoder;
  return 1;
}

}  // namespace
}  // namespace tolma::ui

using namespace tolma;
using namespace tolma::ui;

BOOL WINAPI DevQueryPrint(HANDLE, LPDEVMODEW, DWORD* resourceId) {
  if (resourceId != nullptr) *resourceId = 0;
  return TRUE;
}

BOOL WINAPI DevQueryPrintEx(PDEVQUERYPRINT_INFO) { return TRUE; }

LONG WINAPI DrvAdvancedDocumentProperties(HWND window, HANDLE, LPWSTR, PDEVMODEW, PDEVMODEW) {
  MessageBoxW(window, TOLMA_WIDE("Sets private members of DEVMODE"), TOLMA_WIDE("DrvAdvancedDocumentProperties"),
              MB_OK);
  return kPrivateDevmodeSize;
}

BOOL WINAPI PrinterProperties(HWND window, HANDLE) {
  MessageBoxW(window, TOLMA_WIDE("Set printer properties"), TOLMA_WIDE("PrinterProperties"), MB_OK);
  return TRUE;
}

BOOL WINAPI DrvUpgradePrinter(DWORD, LPBYTE) { return TRUE; }

LONG WINAPI DrvDocumentProperties(HWND window, HANDLE printer, LPWSTR, PDEVMODEW output, PDEVMODEW input, DWORD mode) {
  return DocumentProperties(window, printer, output, input, mode, nullptr);
}

DWORD WINAPI DrvDeviceCapabilities(HANDLE, LPWSTR, WORD capability, VOID* output, PDEVMODEW devmode) {
  // The orientation is read only when the DEVMODE declares that field.
  std::optional<int16_t> orientation;
  if (DeclaredBytes(devmode).size() >= offsetof(DEVMODEW, dmOrientation) + sizeof(short))
    orientation = devmode->dmOrientation;
  const CapabilityAnswer answer = DeviceCapability(capability, orientation);
  if (output != nullptr && (!answer.needsDevmode || devmode != nullptr)) WriteCapability(answer, output);
  return answer.result;
}

BOOL WINAPI DrvConvertDevMode(LPWSTR printerName, PDEVMODEW, PDEVMODEW output, PLONG size, DWORD mode) {
  if (size == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return FALSE;
  }
  if (mode != CDM_DRIVER_DEFAULT) return 2;
  // The caller's size says how much the output holds; a smaller one gets the size it needs.
  if (output == nullptr || *size < static_cast<LONG>(kFullDevmodeSize)) {
    *size = kFullDevmodeSize;
    SetLastError(ERROR_INSUFFICIENT_BUFFER);
    return FALSE;
  }
  BuildDefaultDevmode(printerName, {reinterpret_cast<uint8_t*>(output), kFullDevmodeSize});
  *size = kFullDevmodeSize;
  return TRUE;
}

BOOL WINAPI DrvPrinterEvent(LPWSTR printerName, INT event, DWORD, LPARAM) {
  if (event != PRINTER_EVENT_INITIALIZE) return TRUE;
  // Printer initialisation succeeds only when the driver's data file can be opened.
  OpenedPrinter printer(printerName, PRINTER_ALL_ACCESS);
  if (!printer) return TRUE;
  const HeapBlock driver = FetchDriverInfo2(printer.get());
  const DRIVER_INFO_2W* info = DriverInfo2(driver);
  if (info != nullptr) OutputDebugStringW(TOLMA_WIDE("Get Default file name OK\r\n"));
  const HANDLE file = info != nullptr && info->pDataFile != nullptr
                          ? CreateFileW(info->pDataFile, GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                        OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)
                          : INVALID_HANDLE_VALUE;
  if (file == INVALID_HANDLE_VALUE) {
    OutputDebugStringW(TOLMA_WIDE("Default file Open fail\r\n"));
    return FALSE;
  }
  CloseHandle(file);
  return TRUE;
}

LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM parameter) {
  if (info == nullptr) return HeaderOnlyCall(reinterpret_cast<DOCUMENTPROPERTYHEADER*>(parameter));
  return DocumentSheetCall(info, parameter);
}

LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM parameter) {
  if (info == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  return DeviceSheetCall(info, parameter);
}
