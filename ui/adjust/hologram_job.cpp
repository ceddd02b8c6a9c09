// The hologram lamination jobs: rectangle jobs per copy, and the bitmap job with its mask drawn through GDI.
#include "ui/adjust/hologram_job.h"

#include "common/commands.h"
#include "common/mono_rle.h"
#include "common/panel_data.h"
#include "common/wide.h"
#include "ui/adjust/area_preview.h"

#include <algorithm>
#include <iterator>

namespace tolma::ui {
namespace {

constexpr int kMaskWidth = 1024;
constexpr int kMaskHeight = 640;
// Room for what the encoder moves out during one line: at most its work buffer's fill (a little over 2,000
// bytes) and the line's own groups, all doubled.
constexpr size_t kMovedPartBytes = 16384;

std::string HeadContrastCommand(const PrivateDevmode& pd) {
  CommandBuffer<32> out;
  cmd::HologramContrast(out, static_cast<uint16_t>(pd.headContrastH));
  return std::string(out.text());
}

std::string RectCommand(int64_t x, int64_t y, int64_t width, int64_t height, bool set) {
  CommandBuffer<96> out;
  cmd::LaminationRect(out, static_cast<int32_t>(x), static_cast<int32_t>(y), static_cast<int32_t>(width),
                      static_cast<int32_t>(height), set);
  return std::string(out.text());
}

// The 1024 x 640 one-bit mask as GDI describes it, 300 dpi.
MonoBitmapInfo MaskInfo() {
  MonoBitmapInfo info{};
  info.header.biSize = sizeof(BITMAPINFOHEADER);
  info.header.biWidth = kMaskWidth;
  info.header.biHeight = kMaskHeight;
  info.header.biPlanes = 1;
  info.header.biBitCount = 1;
  info.header.biCompression = BI_RGB;
  info.header.biXPelsPerMeter = 11811;
  info.header.biYPelsPerMeter = 11811;
  info.colours[1] = RGBQUAD{255, 255, 255, 0};
  return info;
}

// A raw job on the hologram printer; not started when it cannot be opened.
class HologramJob {
 public:
  HologramJob(const LinkContext& link, const WString& printer) : name_(printer), info_{}, link_(link) {
    info_.pPrinterName = name_.data();
    link_.printerInfo = &info_;
  }
  HologramJob(const HologramJob&) = delete;
  HologramJob& operator=(const HologramJob&) = delete;
  RawJob Start() const { return RawJob(link_, kJobHologram); }

 private:
  WString name_;
  PRINTER_INFO_2W info_;
  LinkContext link_;
};

// The bitmap job: the mask once per side, then the lamination repeated for each further copy.
LaminationResult SendBitmapLamination(HWND dialog, const LinkContext& link, const PrivateDevmode& pd) {
  const std::vector<uint8_t> file = ReadBitmapFileBytes(
      WString(pd.hologramBitmapPath, WideLength(pd.hologramBitmapPath, std::size(pd.hologramBitmapPath))));
  const std::optional<MonoBitmapFile> bitmap = ParseMonoBitmapFile(file);
  if (!bitmap) return LaminationResult::kSystemError;
  std::vector<uint8_t> rows(kMaskBytes);
  if (!DrawLaminationMask(dialog, *bitmap, pd.hologramArea.areaRotate180 != 0, rows))
    return LaminationResult::kSystemError;
  const std::vector<uint8_t> lines = LaminationLines(rows);

  const HologramJob printer(link, HologramPrinterName(link));
  RawJob job = printer.Start();
  if (!job.started()) return LaminationResult::kDone;
  const bool twoSided = pd.printBothSides != 0;
  job.Write(HeadContrastCommand(pd));
  job.Write(cmd::kMaster);
  for (int side = 0; side < (twoSided ? 2 : 1); ++side) {
    if (side == 1) job.Write(cmd::kTurnCard);
    job.Write(cmd::kLaminationMaskHeader);
    EncodeLaminationMask(lines, [&job](std::span<const uint8_t> part) { job.Write(part); });
    job.Write(cmd::kPanelDataEnd);
    job.Write(cmd::kPrintHologramMasked);
  }
  job.Write(cmd::kCardOut);
  for (int copy = 1; copy < LaminationJobCount(pd.hologramCopies); ++copy) {
    job.Write(cmd::kPrintHologramMasked);
    if (twoSided) {
      job.Write(cmd::kTurnCard);
      job.Write(cmd::kPrintHologramMasked);
    }
    job.Write(cmd::kCardOut);
  }
  job.Finish();
  return LaminationResult::kDone;
}

}  // namespace

std::array<int64_t, 4> LaminationRectNumbers(const HologramArea& area) {
  const int64_t width = int64_t{area.areaRight} - area.areaLeft;
  const int64_t height = int64_t{area.areaBottom} - area.areaTop;
  if (area.areaRotate180 != 0) return {1023 - int64_t{area.areaRight}, 639 - int64_t{area.areaBottom}, width, height};
  return {area.areaLeft, area.areaTop, width, height};
}

std::vector<std::string> LaminationCommands(const PrivateDevmode& pd) {
  const int type = pd.hologramArea.areaType;
  if (type < 0 || type > 2) return {};
  const bool twoSided = pd.printBothSides != 0;
  std::vector<std::string> side;
  if (type == 0) {
    side = {std::string(cmd::kPrintHologramFull)};
  } else {
    // Type 1 laminates the rectangle only, type 2 everything but the rectangle.
    const bool inside = type == 1;
    const std::array<int64_t, 4> r = LaminationRectNumbers(pd.hologramArea);
    side = {std::string(cmd::kOpenMono), RectCommand(0, 0, 1023, 639, !inside),
            RectCommand(r[0], r[1], r[2], r[3], inside), std::string(cmd::kPrintHologramMasked)};
  }
  std::vector<std::string> commands = {HeadContrastCommand(pd)};
  commands.insert(commands.end(), side.begin(), side.end());
  if (twoSided) {
    commands.emplace_back(cmd::kTurnCard);
    commands.insert(commands.end(), side.begin(), side.end());
  }
  commands.emplace_back(cmd::kCardOut);
  return commands;
}

int LaminationJobCount(uint16_t copies) { return copies == 0 ? 1 : copies; }

std::vector<uint8_t> LaminationLines(std::span<const uint8_t> rows) {
  std::vector<uint8_t> lines(kMaskLines * kMaskLineBytes, 0);
  if (rows.size() < kMaskBytes) return lines;
  for (size_t k = 0; k < kMaskLines; ++k) {
    const size_t column = kMaskLines - 1 - k;
    const uint8_t mask = static_cast<uint8_t>(0x80u >> (column % 8));
    const uint8_t* from = rows.data() + column / 8;
    uint8_t* line = lines.data() + k * kMaskLineBytes;
    for (size_t j = 0; j < kMaskRows; ++j)
      if (from[j * kMaskRowBytes] & mask) line[j / 8] |= static_cast<uint8_t>(0x80u >> (j % 8));
  }
  return lines;
}

bool EncodeLaminationMask(std::span<const uint8_t> lines, const std::function<void(std::span<const uint8_t>)>& write) {
  RunLengthState rle;
  std::vector<uint8_t> work(kMonoWorkBufferSize);
  std::vector<uint8_t> moved(kMovedPartBytes);
  PanelOutput out{moved.data(), 0, static_cast<uint32_t>(moved.size()), false};
  auto hand = [&] {
    if (out.length != 0) write(std::span<const uint8_t>(moved.data(), out.length));
    out.length = 0;
  };
  for (size_t at = 0; at < lines.size(); at += kMaskLineBytes) {
    PutMonoRle(rle, work, lines.subspan(at, std::min(kMaskLineBytes, lines.size() - at)), out);
    hand();
  }
  FlushMonoRle(rle, work, out);
  hand();
  return !out.overflow;
}

bool DrawLaminationMask(HWND dialog, const MonoBitmapFile& bitmap, bool rotated, std::span<uint8_t> rows) {
  if (rows.size() < kMaskBytes) return false;
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(dialog, &paint);
  if (dc == nullptr) return false;
  HDC memory = CreateCompatibleDC(dc);
  MonoBitmapInfo mask = MaskInfo();
  HBITMAP target = memory != nullptr ? CreateDIBitmap(dc, &mask.header, 0, nullptr, nullptr, DIB_RGB_COLORS) : nullptr;
  HGDIOBJ previous = target != nullptr ? SelectObject(memory, target) : nullptr;
  bool done = false;
  if (previous != nullptr) {
    const MonoBitmapInfo source = ForcedMonoInfo(bitmap);
    const auto* info = reinterpret_cast<const BITMAPINFO*>(&source);
    const int sourceHeight = bitmap.height < 0 ? -bitmap.height : bitmap.height;
    // A negative extent covers its origin and the pixels before it: upside down from row 639, and mirrored from
    // column 1023 (not 1024, which would lose column 0 and shift the turned mask by one), both fill the mask
    // exactly.
    const int drawn = rotated ? StretchDIBits(memory, kMaskWidth - 1, 0, -kMaskWidth, kMaskHeight, 0, 0, bitmap.width,
                                              sourceHeight, bitmap.bits.data(), info, DIB_RGB_COLORS, SRCCOPY)
                              : StretchDIBits(memory, 0, kMaskHeight - 1, kMaskWidth, -kMaskHeight, 0, 0, bitmap.width,
                                              sourceHeight, bitmap.bits.data(), info, DIB_RGB_COLORS, SRCCOPY);
    MonoBitmapInfo readBack = MaskInfo();
    done = drawn != 0 && GetDIBits(memory, target, 0, kMaskHeight, rows.data(),
                                   reinterpret_cast<BITMAPINFO*>(&readBack), DIB_RGB_COLORS) == kMaskHeight;
    SelectObject(memory, previous);
  }
  if (target != nullptr) DeleteObject(target);
  if (memory != nullptr) DeleteDC(memory);
  EndPaint(dialog, &paint);
  return done;
}

WString HologramPrinterName(const LinkContext& link) {
  const size_t n = WideLength(link.printerName, kPrinterNameChars);
  if (n != 0 && n < kPrinterNameChars) return WString(link.printerName, n);
  if (link.printerInfo != nullptr && link.printerInfo->pPrinterName != nullptr)
    return WString(link.printerInfo->pPrinterName);
  return {};
}

LaminationResult LaminateHologram(HWND dialog, const LinkContext& link, const PrivateDevmode& pd) {
  const int type = pd.hologramArea.areaType;
  if (type == 3) return SendBitmapLamination(dialog, link, pd);
  const std::vector<std::string> commands = LaminationCommands(pd);
  if (commands.empty()) return LaminationResult::kNoJob;
  const HologramJob printer(link, HologramPrinterName(link));
  for (int copy = 0; copy < LaminationJobCount(pd.hologramCopies); ++copy) {
    RawJob job = printer.Start();
    for (const std::string& command : commands) job.Write(command);
  }
  return LaminationResult::kDone;
}

}  // namespace tolma::ui
