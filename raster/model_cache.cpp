// Reads the model and ribbon cache file kept by the printer's status component from the local application-data
// folder.
#include "raster/model_cache.h"

#include "common/wide.h"
#include "raster/context.h"

#include <algorithm>

namespace tolma {
namespace {

// SHGetFolderPathW, looked up at run time in "SHFolder.dll".
using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

}  // namespace

void ReadRibbonCache(RibbonCache& out) {
  // The local application-data folder, through the shell-folder service looked up at run time.
  HMODULE shFolder = LoadLibraryW(TOLMA_WIDE("SHFolder.dll"));
  if (shFolder == nullptr) return;
  auto getFolderPath =
      reinterpret_cast<GetFolderPathFn>(reinterpret_cast<void (*)()>(GetProcAddress(shFolder, "SHGetFolderPathW")));
  WCHAR folder[MAX_PATH] = {};
  const bool found =
      getFolderPath != nullptr && getFolderPath(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, folder) >= 0;
  FreeLibrary(shFolder);
  if (!found) return;
  const WString path = WString(folder, WideLength(folder, MAX_PATH)) + TOLMA_WIDE("\\DomaRibmod.ini");

  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (file == INVALID_HANDLE_VALUE) return;
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  if (size == INVALID_FILE_SIZE || high != 0 || size == 0) {
    CloseHandle(file);
    return;
  }
  auto* block = static_cast<uint8_t*>(HeapAllocZero(size));
  if (block == nullptr) {
    CloseHandle(file);
    return;
  }
  DWORD read = 0;
  const BOOL ok = ReadFile(file, block, size, &read, nullptr);
  CloseHandle(file);
  if (ok) ParseRibbonCache(std::span<const uint8_t>(block, std::min(read, size)), out);
  HeapRelease(block);
}

}  // namespace tolma
