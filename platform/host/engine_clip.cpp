// Clip objects that a driver creates for its own calls to the engine's drawing routines.
#include "platform/win32.h"

extern "C" {

CLIPOBJ* APIENTRY EngCreateClip() {
  // A new clip object clips nothing until the driver sets its complexity and bounds.
  auto* clip = new CLIPOBJ{};
  clip->iDComplexity = DC_TRIVIAL;
  clip->rclBounds = RECTL{0, 0, 0x7FFFFFFF, 0x7FFFFFFF};
  clip->iMode = TC_RECTANGLES;
  return clip;
}

VOID APIENTRY EngDeleteClip(CLIPOBJ* clip) { delete clip; }

}  // extern "C"
