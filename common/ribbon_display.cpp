// Display names of the printer's ribbon codes, read from "domaribbon.ini" beside the printer's driver.
#include "common/ribbon.h"

#include <cstdio>
#include <memory>

namespace tolma {

WString RibbonDisplayName(long code, HANDLE printer) {
  WString name = TOLMA_WIDE("None");

  // The folder of the printer's driver file, up to and including the last backslash.
  DWORD needed = 0;
  GetPrinterDriverW(printer, nullptr, 2, nullptr, 0, &needed);
  if (needed < sizeof(DRIVER_INFO_2W)) return name;
  std::unique_ptr<BYTE[]> buffer(new (std::nothrow) BYTE[needed]);
  if (!buffer || !GetPrinterDriverW(printer, nullptr, 2, buffer.get(), needed, &needed)) return name;
  const auto* info = reinterpret_cast<const DRIVER_INFO_2W*>(buffer.get());
  if (info->pDriverPath == nullptr) return name;
  const WString driverPath = info->pDriverPath;
  const size_t slash = driverPath.rfind(static_cast<WCHAR>('\\'));
  if (slash == WString::npos) return name;
  const WString file = driverPath.substr(0, slash + 1) + TOLMA_WIDE("domaribbon.ini");

  char keyText[24];
  std::snprintf(keyText, sizeof keyText, "%ld", code);
  const WString key = WideFromAscii(keyText);
  WCHAR value[32] = {};
  GetPrivateProfileStringW(TOLMA_WIDE("Ribbon Type"), key.c_str(), TOLMA_WIDE("None"), value, 32, file.c_str());
  return WString(value, WideLength(value, 31));
}

}  // namespace tolma
