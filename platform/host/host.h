// Host API: lets tests and tools set the scene for the Windows stand-in and look at what happened.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <string>
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
  std::string dataFile;         // full host path of the driver data file
};
void AddPrinter(const PrinterSetup& setup);

// Bytes that WritePrinter accepted on a printer handle, in order.
std::vector<uint8_t> WrittenBytes(HANDLE printer);
// Sizes asked of WritePrinter on a handle, one entry per call.
std::vector<DWORD> WriteRequests(HANDLE printer);
// Largest number of bytes one WritePrinter call accepts (0: all).
void SetWriteChunk(DWORD bytes);

}  // namespace tolma::host
