// Host API: lets tests and tools set the scene for the Windows stand-in and look at what happened.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace tolma::host {

// Points where a host service can be made to fail.
enum class FailPoint {
  HeapAlloc,
  LoadLibrary,
  GetProcAddress,
  ShGetFolderPath,
  CreateFile,
  GetFileSize,
  ReadFile,
  WriteFile,
  EngCreateBitmap,
  EngAssociateSurface,
  EngCreatePalette,
  OpenPrinter,
  GetPrinterDriver,
  WritePrinter,
  GetPrinter,
  SetPrinter,
  StartDocPrinter,
  StartPagePrinter,
  EndPagePrinter,
  EndDocPrinter,
  GetPrinterData,
  RegOpenKey,
  RegDeleteValue,
  // Engine drawing routines and the font's glyph set.
  EngBitBlt,
  EngCopyBits,
  EngStretchBlt,
  EngPaint,
  EngFillPath,
  EngStrokePath,
  EngStrokeAndFillPath,
  EngLineTo,
  EngTextOut,
  FontObjGlyphSet,
  // GDI for the bitmap paths.
  GetTopWindow,
  BeginPaint,
  EndPaint,
  CreateCompatibleDC,
  CreateDIBitmap,
  SelectObject,
  StretchDIBits,
  GetDIBits,
  DeleteObject,
  DeleteDC,
  // The common property-sheet UI: adding a page (CPSFUNC_ADD_PCOMPROPSHEETUI).
  AddPropertySheetPage,
  Count
};

// Makes `point` fail: the first `skip` calls succeed, then `count` calls fail (-1: every later call).
void SetFailure(FailPoint point, int skip = 0, int count = -1);
void ClearFailures();
// Calls made to `point` since the last Reset.
int CallCount(FailPoint point);

// Returns the host to its initial state: no printers, no folders, no failures, counters at zero.
// Leaves live heap blocks, surfaces and palettes alone (they belong to whoever allocated them).
void Reset();

// Folders. An empty local application-data folder makes SHGetFolderPathW fail.
void SetLocalAppDataFolder(const std::string& path);

// Converts between the driver's UTF-16 texts and host UTF-8 paths; backslashes become slashes.
std::string HostPath(const WCHAR* windowsPath);
std::string Utf8(const WCHAR* text);
std::basic_string<WCHAR> Wide(const std::string& utf8);

// Heap and modules.
int LiveHeapBlocks();
int LoadedModuleCount();

// Engine devices: the engine's handle for a device and the driver's PDEV it belongs to. Surfaces
// associated with a device carry that PDEV in their SURFOBJ, as the engine does.
HDEV NewEngineDevice();
void BindEngineDevice(HDEV device, DHPDEV pdev);

// Engine objects.
struct SurfaceInfo {
  bool valid = false;
  ULONG format = 0;
  SIZEL size{};
  LONG stride = 0;
  FLONG createFlags = 0;
  HDEV device = nullptr;
  FLONG hooks = 0;
  int locks = 0;
};
SurfaceInfo DescribeSurface(HSURF surface);
int LiveSurfaceCount();
int LivePaletteCount();
ULONG PaletteMode(HPALETTE palette);

// Spooler: named printers with their driver files.
struct PrinterSetup {
  std::string name;
  std::string driverDirectory;  // host folder holding the driver files
  std::string driverFile = "DomaRaster.dll";
  std::string dataFile;          // full host path of the driver data file
  std::vector<uint8_t> devmode;  // the stored default DEVMODE (PRINTER_INFO_2.pDevMode); empty: none
  std::string portName = "TOLMA001:";
};
void AddPrinter(const PrinterSetup& setup);

// Bytes that WritePrinter accepted on a printer handle, in order.
std::vector<uint8_t> WrittenBytes(HANDLE printer);
// Sizes asked of WritePrinter on a handle, one entry per call.
std::vector<DWORD> WriteRequests(HANDLE printer);
// Forgets what was written through a handle so far (long runs such as benchmarks).
void ClearWritten(HANDLE printer);
// Largest number of bytes one WritePrinter call accepts (0: all).
void SetWriteChunk(DWORD bytes);

// Modules: a module known by its Windows file name. GetModuleFileNameW answers with the name and
// LoadLibraryW of that name (or of its last component) takes a further reference.
HMODULE RegisterModule(const std::string& windowsPath);
// References taken by LoadLibraryW on a registered module (0 for an unknown one).
int ModuleReferences(HMODULE module);

// Stored DEVMODE of a printer: what GetPrinterW level 2 hands out and SetPrinterW level 2 replaces.
void SetStoredDevmode(const std::string& printer, const std::vector<uint8_t>& devmode);
std::vector<uint8_t> StoredDevmode(const std::string& printer);

// Printer handles ever opened since the last Reset, in order, with the access asked for.
struct PrinterHandleInfo {
  HANDLE handle = nullptr;
  std::string printer;
  DWORD access = 0;  // DesiredAccess of the defaults (0 without defaults)
  bool open = false;
};
std::vector<PrinterHandleInfo> PrinterHandleLog();
int OpenPrinterHandleCount();

// Raw documents started with StartDocPrinterW, in order, with what happened to them.
struct RawJob {
  std::string printer;
  std::string docName;
  std::string outputFile;  // empty: none
  std::string datatype;    // empty: none
  std::vector<uint8_t> data;
  std::vector<DWORD> writes;  // sizes accepted per WritePrinter call
  int pagesStarted = 0;
  int pagesEnded = 0;
  bool ended = false;  // EndDocPrinter succeeded
};
std::vector<RawJob> RawJobs();

// Reply monitor: answers printer-data reads whose names carry a command (the name's storage read byte
// by byte up to the first zero byte). A command without a scripted answer is unanswered (the read fails).
void SetPrinterReply(const std::string& printer, const std::string& command, const std::string& answer);
void ClearPrinterReply(const std::string& printer, const std::string& command);
// Reads that reached the monitor (not those answered from a stored value).
struct MonitorRequest {
  std::string printer;
  std::string command;
  DWORD bufferSize = 0;
};
std::vector<MonitorRequest> MonitorRequests();
// Files the monitor transferred for "download:", "sendfile:" and "sendcmds:" requests.
struct MonitorTransfer {
  std::string printer;
  std::string kind;  // "download", "sendfile" or "sendcmds"
  std::string path;
  std::vector<uint8_t> bytes;
};
std::vector<MonitorTransfer> MonitorTransfers();
// Where an answered read leaves its reply under the printer's PrinterDriverData key: under the name as
// read (the default), under the command text as a UTF-16 name, or nowhere. A stored reply answers later
// reads of the same name without reaching the printer, until it is deleted.
enum class ReplyStorage { SameName, CommandText, None };
void SetReplyStorage(ReplyStorage storage);

// Values under a printer's PrinterDriverData registry key.
using WideString = std::basic_string<WCHAR>;
std::vector<WideString> DriverDataValueNames(const std::string& printer);
void SetDriverDataValue(const std::string& printer, const WideString& name, const std::vector<uint8_t>& data);
// Registry keys opened and not closed.
int OpenRegistryKeyCount();

// Message boxes shown, in order; answers are taken from a queue, then the box's first button.
struct MessageBoxCall {
  HWND owner = nullptr;
  std::string text;
  std::string caption;
  UINT type = 0;
};
std::vector<MessageBoxCall> MessageBoxes();
void QueueMessageBoxAnswer(int answer);
// The window GetActiveWindow reports (none by default).
void SetActiveWindowHandle(HWND window);
// Texts written with OutputDebugStringW, in order.
std::vector<std::string> DebugOutput();
// The string table LoadStringW reads for a module (kept across Reset, like a module's resources).
void RegisterStringResources(HMODULE module, const std::vector<std::pair<UINT, WideString>>& strings);

}  // namespace tolma::host
