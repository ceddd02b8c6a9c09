// Checks the layout of one-bit bitmap files before anything reads their rows, and reads such files.
#include "common/bitmap_file.h"

#include <cstdlib>

namespace tolma {
namespace {

uint32_t U32(const uint8_t* p) { return p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<uint32_t>(p[3]) << 24); }
uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | (p[1] << 8)); }

}  // namespace

std::optional<MonoBitmapFile> ParseMonoBitmapFile(std::span<const uint8_t> file) {
  if (file.size() < kBitmapFileHeaderSize + kMonoBitmapBitsOffset) return std::nullopt;
  const uint32_t fileSize = U32(file.data() + 2);
  if (fileSize < kBitmapFileHeaderSize + kMonoBitmapBitsOffset || fileSize > file.size()) return std::nullopt;

  MonoBitmapFile bmp;
  bmp.block = file.subspan(kBitmapFileHeaderSize, fileSize - kBitmapFileHeaderSize);
  const uint8_t* info = bmp.block.data();
  const uint32_t headerSize = U32(info);
  bmp.width = static_cast<int32_t>(U32(info + 4));
  bmp.height = static_cast<int32_t>(U32(info + 8));
  const uint16_t planes = U16(info + 12);
  const uint16_t bitCount = U16(info + 14);
  const uint32_t compression = U32(info + 16);
  if (headerSize != 40 || planes != 1 || bitCount != 1 || compression != 0) return std::nullopt;
  if (bmp.width <= 0 || bmp.width > kMaxBitmapSide || bmp.height == 0 || bmp.height < -kMaxBitmapSide ||
      bmp.height > kMaxBitmapSide)
    return std::nullopt;

  const uint64_t stride = (static_cast<uint64_t>(bmp.width) + 31) / 32 * 4;
  const uint64_t rowsBytes = stride * static_cast<uint64_t>(std::abs(bmp.height));
  if (rowsBytes > bmp.block.size() - kMonoBitmapBitsOffset) return std::nullopt;
  bmp.bits = bmp.block.subspan(kMonoBitmapBitsOffset, static_cast<size_t>(rowsBytes));
  return bmp;
}

std::vector<uint8_t> ReadBitmapFileBytes(const WString& path, bool* opened) {
  std::vector<uint8_t> bytes;
  HANDLE file =
      CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
  if (opened != nullptr) *opened = file != INVALID_HANDLE_VALUE;
  if (file == INVALID_HANDLE_VALUE) return bytes;
  DWORD high = 0;
  const DWORD size = GetFileSize(file, &high);
  if (size != INVALID_FILE_SIZE && high == 0 && size <= kMaxBitmapFileSize) {
    bytes.resize(size);
    DWORD read = 0;
    if (!ReadFile(file, bytes.data(), size, &read, nullptr)) read = 0;
    bytes.resize(read);
  }
  CloseHandle(file);
  return bytes;
}

}  // namespace tolma
