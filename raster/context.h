// The rendering context (PDEV): one per printer device context, owning the job's settings and buffers.
#pragma once

#include "common/devmode.h"
#include "common/panel_data.h"
#include "platform/win32.h"

#include <array>
#include <cstdint>

namespace tolma {

inline constexpr uint32_t kContextMarker = 0x44444444;
inline constexpr int kInsertBufferCount = 6;
inline constexpr uint32_t kInsertBufferSize = 512;
inline constexpr uint32_t kReplayBufferSize = 2048;

// Card page sizes, by orientation.
inline constexpr int kCardLongSide = 1024;
inline constexpr int kCardShortSide = 640;

struct RenderContext {
  uint32_t headMarker;
  uint32_t docStarted;   // 1 between DrvStartDoc and DrvEndDoc
  uint32_t pageStarted;  // 1 between DrvStartPage and DrvSendPage
  int32_t pageCount;     // pages started in this document
  HSURF cardSurface;     // 24 bits per pixel, BGR
  HSURF monoSurface;     // 1 bit per pixel, a set bit is white
  HDEV engineDevice;
  HANDLE printerHandle;
  HPALETTE palette;
  DEVMODEW devmode;  // the first 212 bytes are the public part; the panning fields are unused
  PrivateDevmode priv;
  uint32_t tailMarker;
  RunLengthState rle;
  uint8_t* panelBuffer;  // kPanelBufferSize bytes from DrvStartDoc to DrvEndDoc
  uint32_t panelLength;
  std::array<uint8_t*, kInsertBufferCount> insertBuffers;  // kInsertBufferSize bytes each
  uint8_t* replayBuffer;                                   // kReplayBufferSize bytes

  // Public fields the rendering reads.
  bool IsPortrait() const { return devmode.dmOrientation == DMORIENT_PORTRAIT; }
  int16_t Copies() const { return devmode.dmCopies; }
};

// The process-wide rendering lock: held around every pass that turns a bitmap into panel data.
CRITICAL_SECTION& RenderingLock();

// Holds the rendering lock for a scope.
class RenderingLockGuard {
 public:
  RenderingLockGuard() { EnterCriticalSection(&RenderingLock()); }
  ~RenderingLockGuard() { LeaveCriticalSection(&RenderingLock()); }
  RenderingLockGuard(const RenderingLockGuard&) = delete;
  RenderingLockGuard& operator=(const RenderingLockGuard&) = delete;
};

// Allocation from the process heap, zero-filled; nullptr on failure.
void* HeapAllocZero(size_t bytes);
void HeapRelease(void* p);

}  // namespace tolma
