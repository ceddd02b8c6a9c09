// Overlay-varnish output: the area commands of each area type and the bitmap-based overlay.
#include "raster/overlay.h"

#include "common/commands.h"
#include "raster/composer.h"
#include "raster/encoder_context.h"
#include "raster/spool.h"

#include <algorithm>
#include <cstring>
#include <limits>

namespace tolma {
namespace {

int32_t Clamp32(int64_t v) {
  return static_cast<int32_t>(
      std::clamp<int64_t>(v, std::numeric_limits<int32_t>::min(), std::numeric_limits<int32_t>::max()));
}

std::string Rect(int32_t x, int32_t y, int32_t width, int32_t height, bool varnish) {
  CommandBuffer<96> b;
  cmd::OverlayRect(b, x, y, width, height, varnish);
  return std::string(b.text());
}

// The fixed windows kept bare, normal and turned by 180 degrees.
struct Window {
  int32_t x, y, width, height;
};
constexpr Window kIsoChip[2] = {{85, 197, 194, 159}, {743, 289, 194, 159}};
constexpr Window kAfnorChip[2] = {{85, 97, 158, 160}, {768, 388, 158, 160}};
constexpr Window kStripe[2] = {{0, 0, 1023, 230}, {0, 415, 1023, 230}};

}  // namespace

std::vector<std::string> OverlayAreaCommands(const OverlayArea& area) {
  const bool rotated = area.areaRotate180 != 0;
  const std::string whole = Rect(0, 0, 1023, 639, true);
  auto window = [&](const Window(&w)[2]) {
    const Window& r = w[rotated ? 1 : 0];
    return std::vector<std::string>{whole, Rect(r.x, r.y, r.width, r.height, false)};
  };
  switch (area.areaType) {
    case 2:
    case 3: {
      const int64_t width = int64_t{area.areaRight} - area.areaLeft;
      const int64_t height = int64_t{area.areaBottom} - area.areaTop;
      const int64_t x = rotated ? 1023 - int64_t{area.areaRight} : area.areaLeft;
      const int64_t y = rotated ? 639 - int64_t{area.areaBottom} : area.areaTop;
      std::string rect = Rect(Clamp32(x), Clamp32(y), Clamp32(width), Clamp32(height), area.areaType == 2);
      if (area.areaType == 2) return {rect};
      return {whole, rect};
    }
    case 5:
      return window(kIsoChip);
    case 6:
      return window(kAfnorChip);
    case 7:
      return window(kStripe);
    default:
      return {};
  }
}

void SendOverlay(RenderContext& ctx, bool front) {
  const OverlayArea& area = front ? ctx.priv.frontOverlay : ctx.priv.backOverlay;
  WriteUnrecorded(ctx, cmd::kOpenOverlay);
  SendInsertBuffer(ctx, 3, true);
  if (area.areaType == 4) {
    SendOverlayBitmap(ctx, area);
  } else {
    for (const std::string& command : OverlayAreaCommands(area)) WriteUnrecorded(ctx, command);
  }
  SendInsertBuffer(ctx, 4, true);
  SpoolWrite(ctx.printerHandle, area.areaType == 0 ? cmd::kPrintOverlayFull : cmd::kPrintOverlayAreas, true, ctx);
  SendInsertBuffer(ctx, 5, true);
}

}  // namespace tolma
