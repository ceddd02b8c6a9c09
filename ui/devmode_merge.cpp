// DomaUI's DEVMODE rules over bytes: whole images, the output merge with the private cache, field refreshes.
#include "ui/devmode_merge.h"

#include "common/ribbon.h"
#include "ui/ui_state.h"

#include <algorithm>
#include <cstring>

namespace tolma::ui {
namespace {

constexpr size_t kSizeFieldsEnd = offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD);

uint16_t U16At(std::span<const uint8_t> bytes, size_t offset) { return ReadU16(bytes.data() + offset); }

void SetU16(uint8_t* field, uint16_t value) { WriteU16(field, value); }

// Copies a public field from one whole image to another.
void CopyField(FullDevmode& to, const FullDevmode& from, size_t offset, size_t width) {
  std::memcpy(to.publicPart + offset, from.publicPart + offset, width);
}

}  // namespace

std::span<const uint8_t> DeclaredBytes(const DEVMODEW* devmode) {
  if (devmode == nullptr) return {};
  return {reinterpret_cast<const uint8_t*>(devmode), size_t{devmode->dmSize} + devmode->dmDriverExtra};
}

FullDevmode FullImage(std::span<const uint8_t> devmode) {
  FullDevmode image{};
  WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(image.publicPart, kPublicDevmodeSize));
  if (devmode.size() < kSizeFieldsEnd) return image;

  const size_t dmSize = U16At(devmode, offsetof(DEVMODEW, dmSize));
  const size_t dmExtra = U16At(devmode, offsetof(DEVMODEW, dmDriverExtra));
  const size_t publicBytes = std::min({dmSize, size_t{kPublicDevmodeSize}, devmode.size()});
  std::memcpy(image.publicPart, devmode.data(), std::max(publicBytes, kSizeFieldsEnd));

  if (dmSize < devmode.size()) {
    const size_t privateBytes = std::min({dmExtra, size_t{kPrivateDevmodeSize}, devmode.size() - dmSize});
    std::memcpy(&image.privatePart, devmode.data() + dmSize, privateBytes);
  }
  SetU16(image.publicPart + offsetof(DEVMODEW, dmSize), kPublicDevmodeSize);
  SetU16(image.publicPart + offsetof(DEVMODEW, dmDriverExtra), kPrivateDevmodeSize);
  return image;
}

bool MergeNeedsStoredDevmode(const PrivateDevmode& cache, bool hasInput) { return !(CacheValid(cache) && hasInput); }

MergeOutcome MergeOutputDevmode(std::span<uint8_t> output, std::optional<std::span<const uint8_t>> input,
                                std::optional<std::span<const uint8_t>> stored, DWORD mode, PrivateDevmode& cache) {
  if (output.size() < kFullDevmodeSize) return MergeOutcome::OutputTooSmall;
  const std::optional<FullDevmode> inputImage = input ? std::optional(FullImage(*input)) : std::nullopt;

  FullDevmode image;
  if (!MergeNeedsStoredDevmode(cache, inputImage.has_value())) {
    // The last settings handed out, under the caller's public part.
    image = *inputImage;
    image.privatePart = cache;
  } else {
    if (!stored) return MergeOutcome::StoredUnavailable;
    image = FullImage(*stored);
    PrivateDevmode& pd = image.privatePart;
    if (pd.fixedRibbon != 0) {
      pd.ribbonType = static_cast<int16_t>(RibbonTypeFromFixedList(pd.fixedRibbon));
      cache.ribbonType = pd.ribbonType;
    }
    if (!CacheValid(cache)) cache = pd;
  }

  // The caller's own public settings.
  if ((mode & DM_IN_BUFFER) != 0 && inputImage) {
    CopyField(image, *inputImage, offsetof(DEVMODEW, dmOrientation), sizeof(short));
    CopyField(image, *inputImage, offsetof(DEVMODEW, dmCopies), sizeof(short));
    DWORD fields = 0;
    std::memcpy(&fields, inputImage->publicPart + offsetof(DEVMODEW, dmFields), sizeof fields);
    if ((fields & DM_PAPERSIZE) != 0) {
      CopyField(image, *inputImage, offsetof(DEVMODEW, dmPaperWidth), sizeof(short));
      CopyField(image, *inputImage, offsetof(DEVMODEW, dmPaperLength), sizeof(short));
    }
  }
  std::memcpy(output.data(), &image, sizeof image);
  return MergeOutcome::Written;
}

void WriteRibbonAndEncoder(std::span<uint8_t> privateBytes, std::optional<int16_t> ribbonType, int16_t hasEncoder) {
  auto put = [&](size_t offset, int16_t value) {
    if (offset + sizeof(int16_t) <= privateBytes.size())
      SetU16(privateBytes.data() + offset, static_cast<uint16_t>(value));
  };
  if (ribbonType) put(offsetof(PrivateDevmode, ribbonType), *ribbonType);
  put(offsetof(PrivateDevmode, encoder) + offsetof(EncoderSettings, hasEncoder), hasEncoder);
}

}  // namespace tolma::ui
