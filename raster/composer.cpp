// The page composer: magnetic block, black extraction, colour, dye-black and resin panels, overlay, card out.
#include "raster/composer.h"

#include "common/commands.h"
#include "raster/encoder_context.h"
#include "raster/imaging/black_extraction.h"
#include "raster/imaging/colour.h"
#include "raster/imaging/colour_panels.h"
#include "raster/imaging/mono_convert.h"
#include "raster/imaging/panel_encoding.h"
#include "raster/overlay.h"
#include "raster/panel_sequence.h"
#include "raster/spool.h"
#include "raster/surface_view.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace tolma {
namespace {

// Locks a surface for the scope; `so` is null when the surface is missing.
class LockedSurface {
 public:
  explicit LockedSurface(HSURF surface) : so_(surface ? EngLockSurface(surface) : nullptr) {}
  ~LockedSurface() {
    if (so_ != nullptr) EngUnlockSurface(so_);
  }
  LockedSurface(const LockedSurface&) = delete;
  LockedSurface& operator=(const LockedSurface&) = delete;
  SURFOBJ* get() const { return so_; }

 private:
  SURFOBJ* so_;
};

// Everything one side's panels share.
struct SideJob {
  RenderContext& ctx;
  SideInfo side;
  std::span<uint8_t> work;
  DitherSource dither;
  // Pure black is still to move to the monochrome bitmap: done in the colour pass, or before the resin panel when
  // that comes first.
  bool extractBlack = false;
};

// Moves the page's pure black to the monochrome bitmap, when that is still to be done.
void ExtractPendingBlack(SideJob& job) {
  if (!job.extractBlack) return;
  job.extractBlack = false;
  RenderContext& ctx = job.ctx;
  RenderingLockGuard lock;
  LockedSurface card(ctx.cardSurface);
  LockedSurface mono(ctx.monoSurface);
  const ColourPage page = ColourPageOf(card.get());
  const MonoBitmap bitmap = MonoBitmapOf(mono.get());
  if (page.IsValid() && bitmap.IsValid() && page.width == bitmap.width && page.height == bitmap.height &&
      page.width % 8 == 0)
    ExtractBlack(page.bits, static_cast<ptrdiff_t>(page.stride), bitmap.bits, static_cast<ptrdiff_t>(bitmap.stride),
                 page.width, page.height);
}

void FinishPanelData(RenderContext& ctx) {
  PanelOutput out = PanelOutputOf(ctx);
  out.Put(cmd::kCr);
  StorePanelOutput(ctx, out);
}

// Prepares the page's colours and sends the listed continuous-tone panels. One pass over the page prepares the
// colours, lays out the panels' levels in it and, when still to be done, moves pure black to the monochrome bitmap.
void SendContonePanels(SideJob& job, std::span<const cmd::DyePanel> panels, LevelSource source) {
  RenderContext& ctx = job.ctx;
  LockedSurface card(ctx.cardSurface);
  LockedSurface mono(job.extractBlack ? ctx.monoSurface : nullptr);
  const ColourPage page = ColourPageOf(card.get());
  const MonoBitmap black = MonoBitmapOf(mono.get());
  const bool packed = ctx.priv.packedPanels != 0;
  {
    RenderingLockGuard lock;
    if (PrepareColourPanels(page, ctx.priv, job.dither, source, job.extractBlack ? &black : nullptr))
      job.extractBlack = false;
  }
  for (const cmd::DyePanel panel : panels) {
    CommandBuffer<64> header;
    cmd::DyePanelHeader(header, panel, cmd::ContoneFormat(packed));
    WriteUnrecorded(ctx, header.text());
    {
      RenderingLockGuard lock;
      ResetPanelEncoding(ctx);
      PanelOutput out = PanelOutputOf(ctx);
      ColourScan scan;
      scan.portrait = job.side.portrait;
      scan.form = packed ? PanelForm::kPacked : PanelForm::kRunLength;
      scan.source = source;
      scan.component = source == LevelSource::kGrey ? 0 : static_cast<int>(panel);
      scan.rotate = job.side.rotate;
      ScanPanelLevels(page, scan, out, ctx.rle);
      if (!packed) FlushLevelRle(ctx.rle, out);
      out.Put(cmd::kCr);
      StorePanelOutput(ctx, out);
    }
    WritePanelBuffer(ctx.printerHandle, ctx);
    SpoolWrite(ctx.printerHandle, cmd::PrintDyePanel(panel), true, ctx);
  }
}

void SendColourPanels(SideJob& job) {
  static constexpr cmd::DyePanel kPanels[] = {cmd::DyePanel::kY, cmd::DyePanel::kM, cmd::DyePanel::kC};
  SendContonePanels(job, kPanels, LevelSource::kComponent);
}

void SendDyeBlackPanel(SideJob& job) {
  static constexpr cmd::DyePanel kPanels[] = {cmd::DyePanel::kKd};
  SendContonePanels(job, kPanels, LevelSource::kGrey);
}

// Sends the one-bit panel of the side; false when the monochrome bitmap is blank and nothing was sent.
bool SendResinPanel(SideJob& job) {
  RenderContext& ctx = job.ctx;
  SendInsertBuffer(ctx, 1, true);
  ExtractPendingBlack(job);
  LockedSurface card(ctx.cardSurface);
  LockedSurface mono(ctx.monoSurface);
  const MonoBitmap bitmap = MonoBitmapOf(mono.get());
  {
    RenderingLockGuard lock;
    if (NeedsMonochromeConversion(ctx.priv.ribbonType, job.side.twoSided, ctx.priv.twoSidedMode, job.side.front))
      ConvertToMonochrome(ColourPageOf(card.get()), bitmap, ctx.priv.monoConversion, BlackAdjustmentOf(ctx.priv));
    ThinBarcodeRuns(bitmap, (ctx.priv.monoConversion & 3) | (job.side.portrait ? 0 : 4));
    if (IsMonoPanelBlank(bitmap)) return false;
  }
  CommandBuffer<64> header;
  cmd::MonoPanelHeader(header, cmd::MonoFormat(ctx.priv.packedPanels != 0));
  WriteUnrecorded(ctx, header.text());
  {
    RenderingLockGuard lock;
    ResetPanelEncoding(ctx);
    if (job.side.portrait) {
      ScanMonoRows(ctx, job.work, *mono.get(), job.side.rotate);
    } else {
      ScanMonoColumns(ctx, job.work, *mono.get(), job.side.rotate);
    }
    PutMonoByte(ctx, job.work, 0, true);
    FinishPanelData(ctx);
  }
  WritePanelBuffer(ctx.printerHandle, ctx);
  SendInsertBuffer(ctx, 2, true);
  return true;
}

void RunStep(SideJob& job, const SideStep& step) {
  RenderContext& ctx = job.ctx;
  switch (step.op) {
    case PanelOp::Colour:
      SendColourPanels(job);
      break;
    case PanelOp::DyeBlack:
      SendDyeBlackPanel(job);
      break;
    case PanelOp::ResinIfUsed:
      if (ctx.priv.blackPanelUse == 0) {
        SpoolWrite(ctx.printerHandle, step.unused, true, ctx);
        break;
      }
      [[fallthrough]];
    case PanelOp::Resin: {
      const std::string_view next = SendResinPanel(job) ? step.sent : step.blank;
      if (!next.empty()) SpoolWrite(ctx.printerHandle, next, true, ctx);
      break;
    }
    case PanelOp::Overlay:
      SendOverlay(ctx, OverlayOfFront(step, job.side.front));
      break;
    case PanelOp::Write:
      SpoolWrite(ctx.printerHandle, step.sent, true, ctx);
      break;
  }
}

}  // namespace

SideInfo DescribeSide(const RenderContext& ctx) {
  SideInfo side;
  side.twoSided = ctx.priv.printBothSides != 0;
  side.front = !side.twoSided || ctx.pageCount % 2 != 0;
  side.rotate = SideRotated(side.twoSided, side.front, ctx.priv.rotate180);
  side.portrait = ctx.IsPortrait();
  return side;
}

std::string_view InsertText(const RenderContext& ctx, int index) {
  const auto* buffer = reinterpret_cast<const char*>(ctx.insertBuffers[static_cast<size_t>(index)]);
  if (buffer == nullptr) return {};
  return {buffer, static_cast<size_t>(std::find(buffer, buffer + kInsertBufferSize, '\0') - buffer)};
}

void SendInsertBuffer(RenderContext& ctx, int index, bool empty) {
  const std::string_view text = InsertText(ctx, index);
  if (text.empty()) return;
  SpoolWrite(ctx.printerHandle, text, true, ctx);
  if (empty) std::memset(ctx.insertBuffers[static_cast<size_t>(index)], 0, kInsertBufferSize);
}

void WriteUnrecorded(RenderContext& ctx, std::string_view bytes) {
  WriteAll(ctx.printerHandle, std::span<const uint8_t>(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size()));
}

bool EnsurePanelBuffer(RenderContext& ctx) {
  if (ctx.panelBuffer == nullptr) ctx.panelBuffer = static_cast<uint8_t*>(HeapAllocZero(kPanelBufferSize));
  return ctx.panelBuffer != nullptr;
}

bool ComposeCardSide(RenderContext& ctx) {
  if (!EnsurePanelBuffer(ctx)) {
    SetLastError(ERROR_OUTOFMEMORY);
    return false;
  }
  const SideInfo side = DescribeSide(ctx);
  const bool backOfCopiedCard = ctx.Copies() > 1 && side.twoSided && !side.front;

  if (!backOfCopiedCard) SendMagneticData(ctx);
  if (ctx.priv.printingMode == 1) return true;  // encode only: the magnetic block ended the card

  // The one-bit encoder's work area: it never holds more than kMonoWorkMinimum bytes, so it lives here rather than
  // on the heap, and a side allocates nothing.
  std::array<uint8_t, kMonoWorkMinimum> work{};
  SideJob job{ctx, side, work, DitherSource()};
  job.extractBlack = BlackExtractionApplies(ctx.priv.ribbonType, side.twoSided, ctx.priv.twoSidedMode, side.front) &&
                     ctx.priv.blackPanelUse == 1;

  if (!backOfCopiedCard) SendInsertBuffer(ctx, 0, false);
  for (const SideStep& step :
       PanelSequence(ctx.priv.ribbonType, ctx.priv.monoRibbonKind, side.twoSided, ctx.priv.twoSidedMode, side.front))
    RunStep(job, step);
  if (!(side.twoSided && side.front)) SpoolWrite(ctx.printerHandle, cmd::kCardOut, true, ctx);
  return true;
}

}  // namespace tolma
