// Fuzzes the bitmap files DomaUI reads: the checked reader as the overlay area dialogs use it (the bitmap choice and
// the preview painting) and the hologram lamination job of a bitmap area (mask drawing, read-back and encoding).
#include "common/bitmap_file.h"
#include "platform/host/draw_host.h"
#include "platform/host/host.h"
#include "ui/adjust/area_preview.h"
#include "ui/adjust/hologram_job.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>

namespace {

// A temporary folder for the bitmap file, made once.
const std::string& Folder() {
  static const std::string folder = [] {
    char pattern[] = "/tmp/tolma-fuzz-ui-XXXXXX";
    const char* made = mkdtemp(pattern);
    return std::string(made != nullptr ? made : "/tmp");
  }();
  return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolma;
  // A fresh host for each input (the spooler keeps every raw job it records) with the printer of the sheet.
  host::Reset();
  host::AddPrinter({"Card", Folder(), "DomaRaster.dll", Folder() + "/Doma.dat"});
  const std::string path = Folder() + "/hologram.bmp";
  if (std::FILE* f = std::fopen(path.c_str(), "wb")) {
    std::fwrite(data, 1, size, f);
    std::fclose(f);
  }
  const uint8_t flags = size > 0 ? data[size - 1] : 0;
  const bool rotated = flags & 1;

  // What the file chooser and the preview do with the file.
  const std::vector<uint8_t> bytes = ReadBitmapFileBytes(host::Wide(path));
  if (const std::optional<MonoBitmapFile> bitmap = ParseMonoBitmapFile(bytes)) {
    PAINTSTRUCT paint{};
    HWND window = host::TopWindow();
    if (HDC dc = BeginPaint(window, &paint)) {
      const ui::PreviewFrame frame = ui::FitPreviewFrame(RECT{10, 20, 250, 180});
      ui::PaintBitmapPreview(dc, frame, *bitmap, rotated);
      EndPaint(window, &paint);
    }
  }

  // The lamination job of a bitmap area.
  PrivateDevmode pd = DefaultPrivateDevmode();
  pd.hologramArea.areaType = 3;
  pd.hologramArea.areaRotate180 = rotated ? 1 : 0;
  pd.printBothSides = (flags >> 1) & 1;
  pd.hologramCopies = static_cast<uint16_t>((flags >> 2) & 3);
  const auto wide = host::Wide(path);
  std::copy(wide.begin(), wide.begin() + std::min<size_t>(wide.size(), 255), pd.hologramBitmapPath);
  ui::LinkContext link{};
  const auto name = host::Wide("Card");
  std::copy(name.begin(), name.end(), link.printerName);
  ui::LaminateHologram(host::TopWindow(), link, pd);
  return 0;
}
