// The engine's side of a print job on the host: enable the driver, create the device, run the document.
#include "platform/host/engine_session.h"

#include <cstring>

namespace tolma::host {

using EnablePdevFn = DHPDEV(APIENTRY*)(DEVMODEW*, LPWSTR, ULONG, HSURF*, ULONG, ULONG*, ULONG, DEVINFO*, HDEV, LPWSTR,
                                       HANDLE);
using CompletePdevFn = VOID(APIENTRY*)(DHPDEV, HDEV);
using DisablePdevFn = VOID(APIENTRY*)(DHPDEV);
using EnableSurfaceFn = HSURF(APIENTRY*)(DHPDEV);
using DisableSurfaceFn = VOID(APIENTRY*)(DHPDEV);
using StartDocFn = BOOL(APIENTRY*)(SURFOBJ*, LPWSTR, DWORD);
using EndDocFn = BOOL(APIENTRY*)(SURFOBJ*, FLONG);
using PageFn = BOOL(APIENTRY*)(SURFOBJ*);
using EscapeFn = ULONG(APIENTRY*)(SURFOBJ*, ULONG, ULONG, PVOID, ULONG, PVOID);
using CopyBitsFn = BOOL(APIENTRY*)(SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*);
using StretchBltFn = BOOL(APIENTRY*)(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, COLORADJUSTMENT*, POINTL*,
                                     RECTL*, RECTL*, POINTL*, ULONG);
using BitBltFn = BOOL(APIENTRY*)(SURFOBJ*, SURFOBJ*, SURFOBJ*, CLIPOBJ*, XLATEOBJ*, RECTL*, POINTL*, POINTL*, BRUSHOBJ*,
                                 POINTL*, ROP4);
using TextOutFn = BOOL(APIENTRY*)(SURFOBJ*, STROBJ*, FONTOBJ*, CLIPOBJ*, RECTL*, RECTL*, BRUSHOBJ*, BRUSHOBJ*, POINTL*,
                                  MIX);

EngineDriver::EngineDriver(DrvEnableDriverFn enable, DrvDisableDriverFn disable) : disable_(disable) {
  enabled_ = enable != nullptr && enable(DDI_DRIVER_VERSION_NT5, sizeof data_, &data_) != FALSE;
}

EngineDriver::~EngineDriver() {
  if (enabled_ && disable_ != nullptr) disable_();
}

PFN EngineDriver::Function(ULONG index) const {
  if (!enabled_) return nullptr;
  for (ULONG i = 0; i < data_.c; ++i)
    if (data_.pdrvfn[i].iFunc == index) return data_.pdrvfn[i].pfn;
  return nullptr;
}

EngineDevice::EngineDevice(const EngineDriver& driver, std::vector<uint8_t> devmode, HANDLE printer)
    : driver_(driver), devmode_(std::move(devmode)) {
  auto enable = Get<EnablePdevFn>(INDEX_DrvEnablePDEV);
  if (enable == nullptr) return;
  device_ = NewEngineDevice();
  auto* dm = devmode_.empty() ? nullptr : reinterpret_cast<DEVMODEW*>(devmode_.data());
  pdev_ = enable(dm, nullptr, 0, nullptr, sizeof gdi_, reinterpret_cast<ULONG*>(&gdi_), sizeof devInfo_, &devInfo_,
                 device_, nullptr, printer);
  if (pdev_ == nullptr) return;
  BindEngineDevice(device_, pdev_);
  Get<CompletePdevFn>(INDEX_DrvCompletePDEV)(pdev_, device_);
  surface_ = Get<EnableSurfaceFn>(INDEX_DrvEnableSurface)(pdev_);
  if (surface_ != nullptr) so_ = EngLockSurface(surface_);
}

EngineDevice::~EngineDevice() {
  if (so_ != nullptr) EngUnlockSurface(so_);
  if (pdev_ != nullptr) {
    Get<DisableSurfaceFn>(INDEX_DrvDisableSurface)(pdev_);
    Get<DisablePdevFn>(INDEX_DrvDisablePDEV)(pdev_);
  }
}

BOOL EngineDevice::StartDoc(const std::u16string& name, DWORD jobId) {
  std::basic_string<WCHAR> wide(name.begin(), name.end());
  return Get<StartDocFn>(INDEX_DrvStartDoc)(so_, wide.data(), jobId);
}

BOOL EngineDevice::StartPage() { return Get<PageFn>(INDEX_DrvStartPage)(so_); }
BOOL EngineDevice::SendPage() { return Get<PageFn>(INDEX_DrvSendPage)(so_); }
BOOL EngineDevice::EndDoc() { return Get<EndDocFn>(INDEX_DrvEndDoc)(so_, 0); }

ULONG EngineDevice::Escape(ULONG escape, std::vector<uint8_t> input) {
  return Get<EscapeFn>(INDEX_DrvEscape)(so_, escape, static_cast<ULONG>(input.size()),
                                        input.empty() ? nullptr : input.data(), 0, nullptr);
}

BOOL EngineDevice::DrawImage(const uint8_t* bgr, LONG width, LONG height, LONG stride, const RECTL& target) {
  HBITMAP bitmap = EngCreateBitmap(SIZEL{width, height}, stride, BMF_24BPP, BMF_TOPDOWN, const_cast<uint8_t*>(bgr));
  if (bitmap == nullptr) return FALSE;
  HSURF handle = reinterpret_cast<HSURF>(bitmap);
  SURFOBJ* source = EngLockSurface(handle);
  Clip clip;
  Xlate xlate;
  RECTL dest = target;
  BOOL result = FALSE;
  if (target.right - target.left == width && target.bottom - target.top == height) {
    POINTL origin{0, 0};
    result = Get<CopyBitsFn>(INDEX_DrvCopyBits)(so_, source, clip.get(), xlate.get(), &dest, &origin);
  } else {
    RECTL sourceRect{0, 0, width, height};
    result = Get<StretchBltFn>(INDEX_DrvStretchBlt)(so_, source, nullptr, clip.get(), xlate.get(), nullptr, nullptr,
                                                    &dest, &sourceRect, nullptr, COLORONCOLOR);
  }
  EngUnlockSurface(source);
  EngDeleteSurface(handle);
  return result;
}

BOOL EngineDevice::FillRect(const RECTL& rect, ULONG colour) {
  Clip clip(rect);
  BRUSHOBJ brush = SolidBrush(colour);
  RECTL dest = rect;
  POINTL origin{0, 0};
  return Get<BitBltFn>(INDEX_DrvBitBlt)(so_, nullptr, nullptr, clip.get(), nullptr, &dest, nullptr, nullptr, &brush,
                                        &origin, 0xF0F0);
}

BOOL EngineDevice::DrawText(const std::u16string& text, POINTL origin, ULONG colour, LONG cellWidth, LONG cellHeight) {
  Font font(cellWidth, cellHeight, cellHeight * 3 / 4);
  Text strobj(font, text, origin);
  Clip clip;
  BRUSHOBJ fore = SolidBrush(colour);
  BRUSHOBJ opaque = SolidBrush(kNoBrush);
  POINTL brushOrigin{0, 0};
  return Get<TextOutFn>(INDEX_DrvTextOut)(so_, strobj.get(), font.get(), clip.get(), nullptr, nullptr, &fore, &opaque,
                                          &brushOrigin, 0x0D0D);
}

}  // namespace tolma::host
