// Host stand-in for the graphics engine's bitmap, surface and palette services.
#include "platform/host/engine_state.h"
#include "platform/host/state.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <vector>

using tolma::host::FailPoint;
using tolma::host::detail::HostMutex;
using tolma::host::detail::ShouldFail;

namespace tolma::host::detail {
namespace {

std::set<HostSurface*>& Surfaces() {
  static std::set<HostSurface*> s;
  return s;
}

std::map<HDEV, DHPDEV>& Devices() {
  static std::map<HDEV, DHPDEV> d;
  return d;
}

struct HostPalette {
  ULONG mode;
  std::vector<ULONG> colors;
};
std::set<HostPalette*>& Palettes() {
  static std::set<HostPalette*> p;
  return p;
}

}  // namespace

HostSurface* FindSurface(HSURF handle) {
  std::lock_guard lock(HostMutex());
  auto* s = reinterpret_cast<HostSurface*>(handle);
  return Surfaces().count(s) ? s : nullptr;
}

HostSurface* SurfaceOf(SURFOBJ* so) {
  if (so == nullptr) return nullptr;
  return FindSurface(so->hsurf);
}

}  // namespace tolma::host::detail

namespace tolma::host {

HDEV NewEngineDevice() {
  static int next = 0;
  std::lock_guard lock(HostMutex());
  HDEV device = reinterpret_cast<HDEV>(static_cast<uintptr_t>(0x1000 + 0x10 * ++next));
  detail::Devices()[device] = nullptr;
  return device;
}

void BindEngineDevice(HDEV device, DHPDEV pdev) {
  std::lock_guard lock(HostMutex());
  detail::Devices()[device] = pdev;
}

SurfaceInfo DescribeSurface(HSURF handle) {
  SurfaceInfo info;
  detail::HostSurface* s = detail::FindSurface(handle);
  if (s == nullptr) return info;
  info.valid = true;
  info.format = s->so.iBitmapFormat;
  info.size = s->so.sizlBitmap;
  info.stride = s->so.lDelta;
  info.createFlags = s->createFlags;
  info.device = s->device;
  info.hooks = s->hooks;
  info.locks = s->locks;
  return info;
}

int LiveSurfaceCount() {
  std::lock_guard lock(HostMutex());
  return static_cast<int>(detail::Surfaces().size());
}

int LivePaletteCount() {
  std::lock_guard lock(HostMutex());
  return static_cast<int>(detail::Palettes().size());
}

ULONG PaletteMode(HPALETTE palette) {
  std::lock_guard lock(HostMutex());
  auto* p = reinterpret_cast<detail::HostPalette*>(palette);
  return detail::Palettes().count(p) ? p->mode : 0;
}

}  // namespace tolma::host

using tolma::host::detail::HostSurface;

extern "C" {

HBITMAP APIENTRY EngCreateBitmap(SIZEL size, LONG width, ULONG format, FLONG flags, PVOID bits) {
  if (ShouldFail(FailPoint::EngCreateBitmap)) return nullptr;
  int bitsPerPixel = 0;
  if (format == BMF_1BPP) bitsPerPixel = 1;
  if (format == BMF_24BPP) bitsPerPixel = 24;
  if (bitsPerPixel == 0 || size.cx <= 0 || size.cy <= 0 || size.cx > 65536 || size.cy > 65536) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return nullptr;
  }
  // Rows are DWORD-aligned unless the caller supplies bits with its own row width.
  const int64_t minStride = (static_cast<int64_t>(size.cx) * bitsPerPixel + 31) / 32 * 4;
  const int64_t stride =
      (bits != nullptr && width >= (static_cast<int64_t>(size.cx) * bitsPerPixel + 7) / 8) ? width : minStride;
  const size_t total = static_cast<size_t>(stride) * static_cast<size_t>(size.cy);

  auto* s = new HostSurface{};
  if (bits == nullptr) {
    // Engine-allocated bits; zeroed unless the caller asks for no initialisation.
    s->ownedBits = static_cast<uint8_t*>((flags & BMF_NOZEROINIT) ? std::malloc(total) : std::calloc(1, total));
    if (s->ownedBits == nullptr) {
      delete s;
      SetLastError(ERROR_NOT_ENOUGH_MEMORY);
      return nullptr;
    }
    bits = s->ownedBits;
  }
  s->createFlags = flags;
  SURFOBJ& so = s->so;
  so.hsurf = reinterpret_cast<HSURF>(s);
  so.sizlBitmap = size;
  so.cjBits = static_cast<ULONG>(total);
  so.pvBits = bits;
  so.iBitmapFormat = format;
  so.iType = STYPE_BITMAP;
  so.fjBitmap = static_cast<USHORT>(flags & BMF_TOPDOWN);
  if (flags & BMF_TOPDOWN) {
    so.pvScan0 = bits;
    so.lDelta = static_cast<LONG>(stride);
  } else {
    so.pvScan0 = static_cast<uint8_t*>(bits) + static_cast<size_t>(stride) * (size.cy - 1);
    so.lDelta = -static_cast<LONG>(stride);
  }
  std::lock_guard lock(HostMutex());
  tolma::host::detail::Surfaces().insert(s);
  return reinterpret_cast<HBITMAP>(s);
}

BOOL APIENTRY EngAssociateSurface(HSURF surface, HDEV device, FLONG hooks) {
  HostSurface* s = tolma::host::detail::FindSurface(surface);
  if (s == nullptr || ShouldFail(FailPoint::EngAssociateSurface)) return FALSE;
  std::lock_guard lock(HostMutex());
  s->device = device;
  s->hooks = hooks;
  s->so.hdev = device;
  auto it = tolma::host::detail::Devices().find(device);
  s->so.dhpdev = it == tolma::host::detail::Devices().end() ? nullptr : it->second;
  return TRUE;
}

BOOL APIENTRY EngDeleteSurface(HSURF surface) {
  HostSurface* s = tolma::host::detail::FindSurface(surface);
  if (s == nullptr) return FALSE;
  {
    std::lock_guard lock(HostMutex());
    tolma::host::detail::Surfaces().erase(s);
  }
  std::free(s->ownedBits);
  delete s;
  return TRUE;
}

SURFOBJ* APIENTRY EngLockSurface(HSURF surface) {
  HostSurface* s = tolma::host::detail::FindSurface(surface);
  if (s == nullptr) return nullptr;
  std::lock_guard lock(HostMutex());
  ++s->locks;
  return &s->so;
}

VOID APIENTRY EngUnlockSurface(SURFOBJ* so) {
  HostSurface* s = tolma::host::detail::SurfaceOf(so);
  if (s == nullptr) return;
  std::lock_guard lock(HostMutex());
  if (s->locks > 0) --s->locks;
}

HPALETTE APIENTRY EngCreatePalette(ULONG mode, ULONG count, ULONG* colors, FLONG, FLONG, FLONG) {
  if (ShouldFail(FailPoint::EngCreatePalette)) return nullptr;
  auto* p = new tolma::host::detail::HostPalette{mode, {}};
  if (colors != nullptr) p->colors.assign(colors, colors + count);
  std::lock_guard lock(HostMutex());
  tolma::host::detail::Palettes().insert(p);
  return reinterpret_cast<HPALETTE>(p);
}

BOOL APIENTRY EngDeletePalette(HPALETTE palette) {
  auto* p = reinterpret_cast<tolma::host::detail::HostPalette*>(palette);
  {
    std::lock_guard lock(HostMutex());
    if (tolma::host::detail::Palettes().erase(p) == 0) return FALSE;
  }
  delete p;
  return TRUE;
}

}  // extern "C"
