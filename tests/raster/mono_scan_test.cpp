// Tests of the one-bit panel scans against a per-pixel reference, in both orientations, both rotation
// settings and both data forms, and of their context forms over an engine surface.
#include "raster/encoder_context.h"
#include "raster/imaging/mono_scan.h"
#include "tools/lib/panel_decoder.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace tolma {
namespace {

using Bytes = std::vector<uint8_t>;

// A monochrome test bitmap with padding after each row: random pixels plus a solid block near one
// corner, so that any mirror or turn of it differs from it; the padding holds bytes the scans must skip.
struct TestBitmap {
  int width, height;
  size_t stride;
  Bytes bytes;

  TestBitmap(int w, int h, size_t padding, uint32_t seed) : width(w), height(h), stride(w / 8 + padding) {
    std::mt19937 rng(seed);
    bytes.resize(stride * h);
    for (auto& b : bytes) b = static_cast<uint8_t>(rng());
    for (int y = 0; y < 40; ++y)
      for (int x = 0; x < 24; ++x) SetWhite(x + 3, y + 5, false);
  }
  bool White(int x, int y) const { return (bytes[y * stride + x / 8] >> (7 - x % 8)) & 1; }
  void SetWhite(int x, int y, bool white) {
    uint8_t& b = bytes[y * stride + x / 8];
    const auto bit = static_cast<uint8_t>(0x80 >> (x % 8));
    b = white ? static_cast<uint8_t>(b | bit) : static_cast<uint8_t>(b & ~bit);
  }
  MonoBitmapView View() const { return {bytes, stride}; }
};

// The panel the printer should get, pixel by pixel: 1024 lines of 640 dots, a set bit for a black pixel.
Bytes ReferencePanel(const TestBitmap& bitmap, bool portrait, bool flag) {
  Bytes panel(kMonoPanelBytes, 0);
  for (int line = 0; line < kPanelLines; ++line) {
    for (int dot = 0; dot < kPanelDots; ++dot) {
      int x, y;
      if (portrait) {
        // Rows top down in reading order, or bottom up read right to left.
        x = flag ? dot : kPanelDots - 1 - dot;
        y = flag ? line : kPanelLines - 1 - line;
      } else {
        // Columns left to right read upward, or right to left read downward.
        x = flag ? line : kPanelLines - 1 - line;
        y = flag ? kPanelDots - 1 - dot : dot;
      }
      if (!bitmap.White(x, y)) panel[(line * kPanelDots + dot) / 8] |= static_cast<uint8_t>(0x80 >> (dot % 8));
    }
  }
  return panel;
}

using Scan = bool (*)(const MonoBitmapView&, bool, MonoPanelEncoder&);

// Scans in a form, closes, and decodes the result back into panel bytes.
Bytes ScanAndDecode(Scan scan, const MonoBitmapView& view, bool flag, bool packed) {
  Bytes buffer(kPanelBufferSize);
  Bytes work(kMonoWorkBufferSize);
  PanelOutput out{buffer.data(), 0, kPanelBufferSize};
  RunLengthState rle;
  MonoPanelEncoder encoder(packed, rle, work, out);
  EXPECT_TRUE(scan(view, flag, encoder));
  encoder.Finish();
  EXPECT_FALSE(out.overflow);
  buffer.resize(out.length);
  Bytes panel;
  const PanelDecodeResult r =
      DecodePanelData(packed ? PanelDataForm::kMonoPlain : PanelDataForm::kMonoRle, buffer, kMonoPanelBytes, panel);
  EXPECT_TRUE(r.ok) << r.error << " at " << r.errorOffset;
  EXPECT_EQ(r.consumed, buffer.size());
  return panel;
}

TEST(MonoScan, RowsMatchThePixelReference) {
  const TestBitmap bitmap(kPanelDots, kPanelLines, 4, 11);
  for (bool flag : {true, false}) {
    const Bytes expected = ReferencePanel(bitmap, true, flag);
    for (bool packed : {true, false})
      EXPECT_EQ(ScanAndDecode(ScanMonoRows, bitmap.View(), flag, packed), expected) << flag << packed;
  }
}

TEST(MonoScan, ColumnsMatchThePixelReference) {
  const TestBitmap bitmap(kPanelLines, kPanelDots, 8, 12);
  for (bool flag : {true, false}) {
    const Bytes expected = ReferencePanel(bitmap, false, flag);
    for (bool packed : {true, false})
      EXPECT_EQ(ScanAndDecode(ScanMonoColumns, bitmap.View(), flag, packed), expected) << flag << packed;
  }
}

TEST(MonoScan, PackedColumnsAreColumnsOverRowsOf128Bytes) {
  const TestBitmap bitmap(kPanelLines, kPanelDots, 0, 13);
  auto packedScan = [](const MonoBitmapView& view, bool flag, MonoPanelEncoder& e) {
    return ScanMonoColumnsPacked(view.bytes, flag, e);
  };
  for (bool flag : {true, false})
    EXPECT_EQ(ScanAndDecode(packedScan, bitmap.View(), flag, false), ReferencePanel(bitmap, false, flag));
}

TEST(MonoScan, TheTwoRotationSettingsAreTurnedBy180Degrees) {
  // Turning the bitmap by 180 degrees and scanning with the other setting gives the same panel.
  for (bool portrait : {true, false}) {
    const int w = portrait ? kPanelDots : kPanelLines, h = portrait ? kPanelLines : kPanelDots;
    const TestBitmap bitmap(w, h, 0, 14);
    TestBitmap turned = bitmap;
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) turned.SetWhite(w - 1 - x, h - 1 - y, bitmap.White(x, y));
    const Scan scan = portrait ? static_cast<Scan>(ScanMonoRows) : static_cast<Scan>(ScanMonoColumns);
    EXPECT_EQ(ScanAndDecode(scan, bitmap.View(), true, true), ScanAndDecode(scan, turned.View(), false, true));
  }
}

TEST(MonoScan, AllWhiteBitmapIsABlankPanel) {
  const Bytes white(kMonoPanelBytes, 0xFF);
  Bytes buffer(4096);
  Bytes work(kMonoWorkBufferSize);
  PanelOutput out{buffer.data(), 0, static_cast<uint32_t>(buffer.size())};
  RunLengthState rle;
  MonoPanelEncoder encoder(false, rle, work, out);
  ASSERT_TRUE(ScanMonoColumnsPacked(white, false, encoder));
  encoder.Finish();
  EXPECT_EQ(out.length, 645u * 2 + 2);
  EXPECT_EQ(buffer[out.length - 2], 0x85);
  EXPECT_EQ(buffer[out.length - 1], 0x00);
}

TEST(MonoScan, BitmapsTooSmallForTheirStrideAreRefused) {
  Bytes buffer(16);
  Bytes work(kMonoWorkBufferSize);
  PanelOutput out{buffer.data(), 0, static_cast<uint32_t>(buffer.size())};
  RunLengthState rle;
  MonoPanelEncoder encoder(true, rle, work, out);
  const Bytes bytes(kMonoPanelBytes - 1, 0);
  EXPECT_FALSE(ScanMonoColumnsPacked(bytes, true, encoder));
  EXPECT_FALSE(ScanMonoRows({bytes, 80}, true, encoder));                      // one byte short
  EXPECT_FALSE(ScanMonoRows({Bytes(kMonoPanelBytes, 0), 79}, true, encoder));  // stride below a row
  EXPECT_FALSE(ScanMonoColumns({Bytes(kMonoPanelBytes, 0), 128 + 1}, true, encoder));
  EXPECT_EQ(out.length, 0u);
}

// The context forms: an engine-like surface, the context's panel buffer and state, PutMonoByte's flush.
TEST(MonoScanContext, ScansTheSurfaceIntoThePanelBuffer) {
  const TestBitmap bitmap(kPanelLines, kPanelDots, 0, 15);
  SURFOBJ surface{};
  surface.iBitmapFormat = BMF_1BPP;
  surface.sizlBitmap = {kPanelLines, kPanelDots};
  surface.pvScan0 = const_cast<uint8_t*>(bitmap.bytes.data());
  surface.lDelta = static_cast<LONG>(bitmap.stride);
  surface.cjBits = static_cast<ULONG>(bitmap.bytes.size());

  Bytes panelBuffer(kPanelBufferSize);
  Bytes work(kMonoWorkBufferSize);
  for (int16_t packed : {0, 1}) {
    RenderContext ctx{};
    ctx.panelBuffer = panelBuffer.data();
    ctx.priv.packedPanels = packed;
    ctx.panelLength = 1234;
    ctx.rle.state = 2;
    ResetPanelEncoding(ctx);
    ASSERT_TRUE(ScanMonoColumns(ctx, work, surface, true));
    PutMonoByte(ctx, work, 0, true);
    Bytes decoded;
    const auto r =
        DecodePanelData(packed ? PanelDataForm::kMonoPlain : PanelDataForm::kMonoRle,
                        std::span<const uint8_t>(panelBuffer.data(), ctx.panelLength), kMonoPanelBytes, decoded);
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_EQ(r.consumed, ctx.panelLength);
    EXPECT_EQ(decoded, ReferencePanel(bitmap, false, true));

    // A portrait scan of a landscape surface is refused and appends nothing.
    const uint32_t length = ctx.panelLength;
    EXPECT_FALSE(ScanMonoRows(ctx, work, surface, true));
    EXPECT_EQ(ctx.panelLength, length);
  }
}

TEST(MonoScanContext, WithoutAPanelBufferNothingIsWritten) {
  RenderContext ctx{};
  Bytes work(kMonoWorkBufferSize);
  const Bytes bitmap(kMonoPanelBytes, 0x00);
  EXPECT_TRUE(ScanMonoColumnsPacked(ctx, work, bitmap, true));
  PutMonoByte(ctx, work, 0, true);
  AppendEscaped(ctx, Bytes{1, 2, 3});
  EXPECT_EQ(ctx.panelLength, 0u);
}

}  // namespace
}  // namespace tolma
