// Internal: the host's engine surface record, shared by the engine's modules.
#pragma once

#include "platform/win32.h"

#include <cstdint>

namespace tolma::host::detail {

struct HostSurface {
  SURFOBJ so;                    // handed out by EngLockSurface
  uint8_t* ownedBits = nullptr;  // engine-allocated bits, or none when the caller supplied them
  FLONG createFlags = 0;
  HDEV device = nullptr;
  FLONG hooks = 0;
  int locks = 0;
};

// The surface behind a handle or a locked SURFOBJ; nullptr when it is not a live host surface.
HostSurface* FindSurface(HSURF handle);
HostSurface* SurfaceOf(SURFOBJ* so);

}  // namespace tolma::host::detail
