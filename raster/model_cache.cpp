// Reads the model and ribbon cache file kept by the printer's status component.
#include "raster/model_cache.h"

#include "common/bytes.h"
#include "common/wide.h"
#include "raster/context.h"

#include <algorithm>
#include <cstring>

namespace tolma {
namespace {

// SHGetFolderPathW, looked up at run time in "SHFolder.dll".
using GetFolderPathFn = HRESULT(WINAPI*)(HWND, int, HANDLE, DWORD, LPWSTR);

// The value after `key`: up to the first CR or zero byte, at most `limit` bytes; none when the key is absent.
std::optional<std::string_view> EntryValue(std::span<const uint8_t> file, std::string_view key, size_t limit) {
  const auto at = FindBytes(file, std::span(reinterpret_cast<const uint8_t*>(key.data()), key.size()));
  if (!at) return std::nullopt;
  const size_t start = *at + key.size();
  size_t end = start;
  while (end < file.size() && end - start < limit && file[end] != '\r' && file[end] != 0) ++end;
  return std::string_view(reinterpret_cast<const char*>(file.data()) + start, end - start);
}

}  // namespace

std::string_view RibbonCache::ModelText() const {
  return std::string_view(model.data(),
                          static_cast<size_t>(std::find(model.begin(), model.end(), '\0') - model.begin()));
}

void ParseRibbonCache(std::span<const uint8_t> file, RibbonCache& out) {
  if (auto ribbon = EntryValue(file, "Ribbon=", kCacheRibbonChars)) out.ribbonCode = BoundedAtoi(*ribbon);
  if (auto model = EntryValue(file, "Model=", kCacheModelChars); model && !model->empty()) {
    out.model.fill('\0');
    std::memcpy(out.model.data(), model->data(), model->size());
  }
}

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
