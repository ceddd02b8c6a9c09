// The printer-interface (driver UI) types and constants DomaUI's exports use, and the exports themselves.
#pragma once

#include "platform/compstui.h"
#include "platform/win32.h"

// DrvDocumentPropertySheets modes and DrvConvertDevMode requests (the driver-UI header is not in every SDK).
#ifndef DM_NOPERMISSION
#define DM_NOPERMISSION 0x00000020
#endif
#ifndef CDM_CONVERT
#define CDM_CONVERT 0x00000001
#define CDM_CONVERT351 0x00000002
#define CDM_DRIVER_DEFAULT 0x00000004
#endif
#ifndef PRINTER_EVENT_INITIALIZE
#define PRINTER_EVENT_ADD_CONNECTION 1
#define PRINTER_EVENT_DELETE_CONNECTION 2
#define PRINTER_EVENT_INITIALIZE 3
#define PRINTER_EVENT_DELETE 4
#endif

// The parameter of a document property-sheet call (x64 layout).
typedef struct _DOCUMENTPROPERTYHEADER {
  WORD cbSize;
  WORD Reserved;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
  PDEVMODEW pdmIn;
  PDEVMODEW pdmOut;
  DWORD cbOut;
  DWORD fMode;
} DOCUMENTPROPERTYHEADER, *PDOCUMENTPROPERTYHEADER;
static_assert(sizeof(DOCUMENTPROPERTYHEADER) == 48);
static_assert(offsetof(DOCUMENTPROPERTYHEADER, pdmOut) == 32 && offsetof(DOCUMENTPROPERTYHEADER, fMode) == 44);

// The parameter of a device property-sheet call (x64 layout).
typedef struct _DEVICEPROPERTYHEADER {
  WORD cbSize;
  WORD Flags;
  HANDLE hPrinter;
  LPWSTR pszPrinterName;
} DEVICEPROPERTYHEADER, *PDEVICEPROPERTYHEADER;
static_assert(sizeof(DEVICEPROPERTYHEADER) == 24 && offsetof(DEVICEPROPERTYHEADER, pszPrinterName) == 16);
#ifndef DPS_NOPERMISSION
#define DPS_NOPERMISSION 0x0001
#endif

// The parameter of DevQueryPrintEx (x64 layout).
typedef struct _DEVQUERYPRINT_INFO {
  WORD cbSize;
  WORD Level;
  HANDLE hPrinter;
  DEVMODEW* pDevMode;
  LPWSTR pszErrorStr;
  DWORD cchErrorStr;
  DWORD cchNeeded;
} DEVQUERYPRINT_INFO, *PDEVQUERYPRINT_INFO;
static_assert(sizeof(DEVQUERYPRINT_INFO) == 40);

// DomaUI's exports.
TOLMA_EXPORT BOOL WINAPI DevQueryPrint(HANDLE printer, LPDEVMODEW devmode, DWORD* resourceId);
TOLMA_EXPORT BOOL WINAPI DevQueryPrintEx(PDEVQUERYPRINT_INFO info);
TOLMA_EXPORT LONG WINAPI DrvAdvancedDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW output,
                                                       PDEVMODEW input);
TOLMA_EXPORT BOOL WINAPI PrinterProperties(HWND window, HANDLE printer);
TOLMA_EXPORT BOOL WINAPI DrvUpgradePrinter(DWORD level, LPBYTE upgradeInfo);
TOLMA_EXPORT LONG WINAPI DrvDocumentProperties(HWND window, HANDLE printer, LPWSTR deviceName, PDEVMODEW output,
                                               PDEVMODEW input, DWORD mode);
TOLMA_EXPORT DWORD WINAPI DrvDeviceCapabilities(HANDLE printer, LPWSTR deviceName, WORD capability, VOID* output,
                                                PDEVMODEW devmode);
TOLMA_EXPORT BOOL WINAPI DrvConvertDevMode(LPWSTR printerName, PDEVMODEW input, PDEVMODEW output, PLONG size,
                                           DWORD mode);
TOLMA_EXPORT BOOL WINAPI DrvPrinterEvent(LPWSTR printerName, INT event, DWORD flags, LPARAM parameter);
TOLMA_EXPORT LONG WINAPI DrvDocumentPropertySheets(PPROPSHEETUI_INFO info, LPARAM parameter);
TOLMA_EXPORT LONG WINAPI DrvDevicePropertySheets(PPROPSHEETUI_INFO info, LPARAM parameter);

// The DLL's entry point (not exported by name).
TOLMA_EXPORT BOOL WINAPI DllMain(HINSTANCE instance, DWORD reason, LPVOID reserved);
