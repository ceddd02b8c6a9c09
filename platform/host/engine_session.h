// Host API: plays the graphics engine's part for one printer device context, calling the driver through
// the function table that its DrvEnableDriver hands out.
#pragma once

#include "platform/host/draw_host.h"
#include "platform/win32.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tolma::host {

using DrvEnableDriverFn = BOOL(APIENTRY*)(ULONG, ULONG, DRVENABLEDATA*);
using DrvDisableDriverFn = VOID(APIENTRY*)();

// Enables the driver on construction and disables it on destruction.
class EngineDriver {
 public:
  EngineDriver(DrvEnableDriverFn enable, DrvDisableDriverFn disable);
  ~EngineDriver();
  EngineDriver(const EngineDriver&) = delete;
  EngineDriver& operator=(const EngineDriver&) = delete;

  bool enabled() const { return enabled_; }
  // The driver's function of an index; nullptr when the table has none.
  PFN Function(ULONG index) const;

 private:
  DrvDisableDriverFn disable_;
  DRVENABLEDATA data_{};
  bool enabled_ = false;
};

// One device context: PDEV, surface, document and pages.
class EngineDevice {
 public:
  // Creates the PDEV from `devmode` (empty: none) for a printer handle, completes it and enables its surface.
  EngineDevice(const EngineDriver& driver, std::vector<uint8_t> devmode, HANDLE printer);
  ~EngineDevice();
  EngineDevice(const EngineDevice&) = delete;
  EngineDevice& operator=(const EngineDevice&) = delete;

  bool ok() const { return surface_ != nullptr; }
  DHPDEV pdev() const { return pdev_; }
  HSURF surface() const { return surface_; }
  SURFOBJ* surfaceObject() const { return so_; }
  const std::vector<uint8_t>& devmode() const { return devmode_; }
  const GDIINFO& gdiInfo() const { return gdi_; }
  LONG width() const { return static_cast<LONG>(gdi_.ulHorzRes); }
  LONG height() const { return static_cast<LONG>(gdi_.ulVertRes); }

  BOOL StartDoc(const std::u16string& name, DWORD jobId = 1);
  BOOL StartPage();
  BOOL SendPage();
  BOOL EndDoc();
  ULONG Escape(ULONG escape, std::vector<uint8_t> input);

  // Copies a 24-bit BGR image (rows top to bottom, `stride` bytes apart) to the page at (x, y) through
  // DrvCopyBits, or through DrvStretchBlt into `target` when the sizes differ.
  BOOL DrawImage(const uint8_t* bgr, LONG width, LONG height, LONG stride, const RECTL& target);
  // Fills a rectangle with a solid colour (0xRRGGBB) through DrvBitBlt with a pattern copy.
  BOOL FillRect(const RECTL& rect, ULONG colour);
  // Draws text through DrvTextOut with a cell font, foreground `colour`, baseline at `origin`.
  BOOL DrawText(const std::u16string& text, POINTL origin, ULONG colour, LONG cellWidth = 16, LONG cellHeight = 24);

 private:
  template <typename Fn>
  Fn Get(ULONG index) const {
    return reinterpret_cast<Fn>(reinterpret_cast<void (*)()>(driver_.Function(index)));
  }

  const EngineDriver& driver_;
  std::vector<uint8_t> devmode_;
  HDEV device_ = nullptr;
  DHPDEV pdev_ = nullptr;
  HSURF surface_ = nullptr;
  SURFOBJ* so_ = nullptr;
  GDIINFO gdi_{};
  DEVINFO devInfo_{};
};

}  // namespace tolma::host
