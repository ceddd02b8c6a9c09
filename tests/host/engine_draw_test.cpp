// Pixel results of the host engine's drawing routines on 1-bit and 24-bit bitmaps.
#include "platform/host/draw_host.h"
#include "tests/host/pictures.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace tolma::test {
namespace {

using host::Clip;
using host::SolidBrush;

constexpr MIX kCopyPen = 0x0D0D;

// Bitmaps made in a test, locked while it runs and deleted after it.
class EngineDrawTest : public HostTest {
 protected:
  SURFOBJ* Make(const Picture& picture, int bpp) { return Keep(NewSurface(picture, bpp)); }
  SURFOBJ* Make(LONG width, LONG height, int bpp, char fill = '.') {
    return Keep(NewSurface(width, height, bpp, fill));
  }
  void TearDown() override {
    for (SURFOBJ* so : locked_) {
      const HSURF handle = so->hsurf;
      EngUnlockSurface(so);
      EngDeleteSurface(handle);
    }
    HostTest::TearDown();
  }

 private:
  SURFOBJ* Keep(HSURF surface) {
    SURFOBJ* so = EngLockSurface(surface);
    locked_.push_back(so);
    return so;
  }
  std::vector<SURFOBJ*> locked_;
};

// Which clip object a case draws through.
enum class ClipKind { None, Trivial, Rect, Complex };
std::unique_ptr<Clip> MakeClip(ClipKind kind) {
  switch (kind) {
    case ClipKind::Trivial:
      return std::make_unique<Clip>();
    case ClipKind::Rect:
      return std::make_unique<Clip>(RECTL{1, 1, 4, 3});
    case ClipKind::Complex:
      return std::make_unique<Clip>(std::vector<RECTL>{{0, 0, 2, 1}, {3, 2, 6, 4}});
    case ClipKind::None:
      break;
  }
  return nullptr;
}

TEST_F(EngineDrawTest, PaintFillsTheClipRegionOnBothFormats) {
  struct Case {
    ClipKind clip;
    int bpp;
    ULONG colour;
    Picture expected;
  };
  const Case cases[] = {
      {ClipKind::Trivial, 24, 0xFF0000, {"rrrrrr", "rrrrrr", "rrrrrr", "rrrrrr"}},
      {ClipKind::Rect, 24, 0x000000, {"......", ".###..", ".###..", "......"}},
      {ClipKind::Complex, 24, 0x0000FF, {"bb....", "......", "...bbb", "...bbb"}},
      {ClipKind::Trivial, 1, 0x000000, {"######", "######", "######", "######"}},
      {ClipKind::Rect, 1, 0x000000, {"......", ".###..", ".###..", "......"}},
      {ClipKind::Complex, 1, 0x000000, {"##....", "......", "...###", "...###"}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "clip " << int(c.clip) << ", " << c.bpp << " bits");
    SURFOBJ* so = Make(6, 4, c.bpp);
    auto clip = MakeClip(c.clip);
    BRUSHOBJ brush = SolidBrush(c.colour);
    POINTL origin{0, 0};
    EXPECT_TRUE(EngPaint(so, clip->get(), &brush, &origin, kCopyPen));
    EXPECT_EQ(ReadSurface(so->hsurf), c.expected);
  }
}

TEST_F(EngineDrawTest, ColoursMapToBlueGreenRedBytesAndToOneBitByWhiteness) {
  SURFOBJ* colour = Make(1, 1, 24);
  Clip all;
  BRUSHOBJ brush = SolidBrush(0x123456);
  ASSERT_TRUE(EngPaint(colour, all.get(), &brush, nullptr, kCopyPen));
  const auto* bytes = static_cast<const uint8_t*>(colour->pvScan0);
  EXPECT_EQ(bytes[0], 0x56);  // blue
  EXPECT_EQ(bytes[1], 0x34);  // green
  EXPECT_EQ(bytes[2], 0x12);  // red

  struct Case {
    ULONG colour;
    ULONG bit;
  };
  for (const Case c : {Case{0xFFFFFF, 1}, Case{0x000000, 0}, Case{0xFF0000, 0}, Case{0xFEFFFF, 0}, Case{1, 0}}) {
    SURFOBJ* mono = Make(1, 1, 1, '#');
    BRUSHOBJ b = SolidBrush(c.colour);
    ASSERT_TRUE(EngPaint(mono, all.get(), &b, nullptr, kCopyPen));
    EXPECT_EQ(host::ReadPixel(mono->hsurf, 0, 0), c.bit) << std::hex << c.colour;
  }
}

TEST_F(EngineDrawTest, UnsupportedArgumentsFailWithoutDrawing) {
  SURFOBJ* so = Make(4, 2, 24);
  Clip all;
  CLIPOBJ foreignComplex{};
  foreignComplex.iDComplexity = DC_COMPLEX;
  BRUSHOBJ black = SolidBrush(0);
  BRUSHOBJ pattern = SolidBrush(host::kNoBrush);
  SURFOBJ foreign{};
  struct Case {
    const char* name;
    std::function<BOOL()> call;
  };
  const Case cases[] = {
      {"paint without clip", [&] { return EngPaint(so, nullptr, &black, nullptr, kCopyPen); }},
      {"paint with a pattern brush", [&] { return EngPaint(so, all.get(), &pattern, nullptr, kCopyPen); }},
      {"paint with a foreign complex clip", [&] { return EngPaint(so, &foreignComplex, &black, nullptr, kCopyPen); }},
      {"paint with mix 0", [&] { return EngPaint(so, all.get(), &black, nullptr, 0); }},
      {"paint on a foreign surface", [&] { return EngPaint(&foreign, all.get(), &black, nullptr, kCopyPen); }},
      {"pattern blit without brush",
       [&] {
         RECTL r{0, 0, 4, 2};
         return EngBitBlt(so, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, nullptr, nullptr, 0xF0F0);
       }},
      {"blit with a mask ROP4",
       [&] {
         RECTL r{0, 0, 4, 2};
         return EngBitBlt(so, nullptr, nullptr, nullptr, nullptr, &r, nullptr, nullptr, &black, nullptr, 0xAAF0);
       }},
      {"copy without source",
       [&] {
         RECTL r{0, 0, 4, 2};
         POINTL p{0, 0};
         return EngCopyBits(so, nullptr, nullptr, nullptr, &r, &p);
       }},
      {"fill of a foreign path",
       [&] {
         PATHOBJ path{};
         return EngFillPath(so, &path, nullptr, &black, nullptr, kCopyPen, FP_ALTERNATEMODE);
       }},
      {"text with a foreign font",
       [&] {
         host::Font font(2, 2, 2);
         host::Text text(font, u"A", {0, 2});
         FONTOBJ other{};
         return EngTextOut(so, text.get(), &other, nullptr, nullptr, nullptr, &black, nullptr, nullptr, kCopyPen);
       }},
  };
  for (const Case& c : cases) {
    EXPECT_FALSE(c.call()) << c.name;
    EXPECT_EQ(ReadSurface(so->hsurf), Picture(2, "....")) << c.name;
  }
}

TEST_F(EngineDrawTest, BitBltWithPatternCopyAndSourceRops) {
  // Pattern copy fills the target rectangle inside the clip; a ROP3 over source and destination
  // (0x88, source AND destination) combines them.
  SURFOBJ* target = Make({"......", "......", "......"}, 24);
  Clip clip(RECTL{0, 0, 4, 3});
  BRUSHOBJ red = SolidBrush(0xFF0000);
  RECTL rect{2, 0, 6, 2};
  POINTL origin{0, 0};
  ASSERT_TRUE(EngBitBlt(target, nullptr, nullptr, clip.get(), nullptr, &rect, nullptr, nullptr, &red, &origin, 0xF0F0));
  EXPECT_EQ(ReadSurface(target->hsurf), (Picture{"..rr..", "..rr..", "......"}));

  SURFOBJ* source = Make({"#.#.#."}, 1);
  RECTL row{0, 2, 6, 3};
  POINTL from{0, 0};
  ASSERT_TRUE(EngBitBlt(target, source, nullptr, nullptr, nullptr, &row, &from, nullptr, nullptr, nullptr, 0x8888));
  EXPECT_EQ(ReadSurface(target->hsurf), (Picture{"..rr..", "..rr..", "#.#.#."}));
}

TEST_F(EngineDrawTest, CopyBitsConvertsBetweenFormats) {
  struct Case {
    const char* name;
    Picture source;
    int sourceBpp;
    int targetBpp;
    bool table;  // source indices 0 and 1 become red and blue
    Picture expected;
  };
  const Case cases[] = {
      {"24 to 1: only white sets a bit", {"r.#b"}, 24, 1, false, {"#.##"}},
      {"1 to 24: black and white", {"#..#"}, 1, 24, false, {"#..#"}},
      {"1 to 24 through a table", {"#..#"}, 1, 24, true, {"rbbr"}},
      {"1 to 1", {"#.#."}, 1, 1, false, {"#.#."}},
      {"1 to 1 through a table of red and blue: neither is white", {"#.#."}, 1, 1, true, {"####"}},
      {"24 to 24", {"r.#b"}, 24, 24, false, {"r.#b"}},
  };
  for (const Case& c : cases) {
    SURFOBJ* source = Make(c.source, c.sourceBpp);
    SURFOBJ* target = Make(4, 1, c.targetBpp);
    host::Xlate identity;
    host::Xlate table(0xFF0000, 0x0000FF);
    RECTL rect{0, 0, 4, 1};
    POINTL from{0, 0};
    EXPECT_TRUE(EngCopyBits(target, source, nullptr, c.table ? table.get() : identity.get(), &rect, &from)) << c.name;
    EXPECT_EQ(ReadSurface(target->hsurf), c.expected) << c.name;
  }
}

TEST_F(EngineDrawTest, CopyBitsHonoursSourcePointClipAndSourceEdges) {
  SURFOBJ* source = Make({"#.#.", ".#.#"}, 1);
  SURFOBJ* target = Make(6, 3, 24);
  // Source from (1, 0); the target rectangle runs past the source's right edge, whose pixels stay.
  Clip clip(std::vector<RECTL>{{0, 0, 6, 1}, {0, 2, 6, 3}});
  RECTL rect{2, 0, 6, 3};
  POINTL from{1, 0};
  ASSERT_TRUE(EngCopyBits(target, source, clip.get(), nullptr, &rect, &from));
  EXPECT_EQ(ReadSurface(target->hsurf), (Picture{"...#..", "......", "......"}));
}

TEST_F(EngineDrawTest, FarCoordinatesDrawOnlyWhatLandsOnBothSurfaces) {
  SURFOBJ* source = Make({"####"}, 1);
  SURFOBJ* target = Make(4, 1, 24);
  struct Case {
    RECTL rect;
    POINTL from;
    Picture expected;
  };
  const Case cases[] = {
      {{0, 0, 4, 1}, {INT32_MIN, 0}, {"...."}},
      {{INT32_MAX - 1, 0, INT32_MAX, 1}, {INT32_MIN, 0}, {"...."}},
      {{INT32_MIN, 0, INT32_MAX, 1}, {INT32_MAX, 0}, {"...."}},
      {{0, INT32_MIN, 4, INT32_MAX}, {0, INT32_MAX}, {"...."}},
      {{0, INT32_MIN, 4, INT32_MAX}, {0, INT32_MIN}, {"####"}},  // target row 0 is source row 0
  };
  for (const Case& c : cases) {
    host::FillSurface(target->hsurf, host::kWhite);
    RECTL rect = c.rect;
    POINTL from = c.from;
    EXPECT_TRUE(EngCopyBits(target, source, nullptr, nullptr, &rect, &from));
    EXPECT_EQ(ReadSurface(target->hsurf), c.expected);
  }
  host::FillSurface(target->hsurf, host::kWhite);
  // Text cells far off the target.
  host::Font font(INT32_MAX, INT32_MAX, INT32_MIN);
  host::Text text(font, u"AB", POINTL{INT32_MAX, INT32_MAX});
  BRUSHOBJ black = SolidBrush(0);
  EXPECT_TRUE(
      EngTextOut(target, text.get(), font.get(), nullptr, nullptr, nullptr, &black, nullptr, nullptr, kCopyPen));
  EXPECT_EQ(ReadSurface(target->hsurf), Picture{"...."});
}

TEST_F(EngineDrawTest, OverlappingCopyOnOneSurfaceReadsTheOriginalPixels) {
  SURFOBJ* so = Make({"#r.b.."}, 24);
  RECTL rect{1, 0, 5, 1};
  POINTL from{0, 0};
  ASSERT_TRUE(EngCopyBits(so, so, nullptr, nullptr, &rect, &from));
  EXPECT_EQ(ReadSurface(so->hsurf), Picture{"##r.b."});
}

TEST_F(EngineDrawTest, StretchBltModes) {
  struct Case {
    const char* name;
    Picture source;
    RECTL target;
    ULONG mode;
    LONG width, height;
    Picture expected;
  };
  const Case cases[] = {
      {"black on white: a black pixel wins",
       {"#...", "....", "...#", "..##"},
       {0, 0, 2, 2},
       BLACKONWHITE,
       2,
       2,
       {"#.", ".#"}},
      {"white on black: a white pixel wins",
       {"#.##", "####", "####", "###."},
       {0, 0, 2, 2},
       WHITEONBLACK,
       2,
       2,
       {".#", "#."}},
      {"colour on colour takes the first pixel",
       {"#...", "....", "..#.", "...."},
       {0, 0, 2, 2},
       COLORONCOLOR,
       2,
       2,
       {"#.", ".#"}},
      {"enlarging doubles pixels", {"#.", ".#"}, {0, 0, 4, 4}, BLACKONWHITE, 4, 4, {"##..", "##..", "..##", "..##"}},
      {"inverted target rectangle mirrors", {"#..", "..."}, {3, 2, 0, 0}, COLORONCOLOR, 3, 2, {"...", "..#"}},
      {"one to one", {"#.", ".#"}, {1, 0, 3, 2}, BLACKONWHITE, 3, 2, {".#.", "..#"}},
  };
  for (const Case& c : cases) {
    SURFOBJ* source = Make(c.source, 1);
    SURFOBJ* target = Make(c.width, c.height, 1);
    RECTL t = c.target;
    RECTL s{0, 0, static_cast<LONG>(c.source[0].size()), static_cast<LONG>(c.source.size())};
    host::Xlate xlate(host::kBlack, host::kWhite);
    EXPECT_TRUE(EngStretchBlt(target, source, nullptr, nullptr, xlate.get(), nullptr, nullptr, &t, &s, nullptr, c.mode))
        << c.name;
    EXPECT_EQ(ReadSurface(target->hsurf), c.expected) << c.name;
  }
}

TEST_F(EngineDrawTest, BlackOnWhiteStretchOfOneBitSourceOntoColourPageAndClip) {
  // A 1-bit source with its own colours, shrunk onto a 24-bit page: black wins per channel.
  SURFOBJ* source = Make({"#...", "....", "....", "...."}, 1);
  SURFOBJ* target = Make(4, 2, 24);
  host::Xlate xlate(host::kBlack, host::kWhite);
  Clip clip(RECTL{0, 0, 1, 2});
  RECTL t{0, 0, 2, 2}, s{0, 0, 4, 4};
  ASSERT_TRUE(
      EngStretchBlt(target, source, nullptr, clip.get(), xlate.get(), nullptr, nullptr, &t, &s, nullptr, BLACKONWHITE));
  EXPECT_EQ(ReadSurface(target->hsurf), (Picture{"#...", "...."}));

  SURFOBJ* mask = Make(4, 4, 1);
  EXPECT_FALSE(EngStretchBlt(target, source, mask, nullptr, xlate.get(), nullptr, nullptr, &t, &s, nullptr, 1));
}

TEST_F(EngineDrawTest, PathsFillByPixelCentresAndStrokeAsThinLines) {
  BRUSHOBJ black = SolidBrush(0);
  BRUSHOBJ red = SolidBrush(0xFF0000);
  {
    SURFOBJ* so = Make(6, 4, 24);
    host::Path rect(RECTL{1, 1, 4, 3});
    ASSERT_TRUE(EngFillPath(so, rect.get(), nullptr, &black, nullptr, kCopyPen, FP_ALTERNATEMODE));
    EXPECT_EQ(ReadSurface(so->hsurf), (Picture{"......", ".###..", ".###..", "......"}));
  }
  {
    SURFOBJ* so = Make(6, 4, 1);
    host::Path triangle(std::vector<POINTL>{{0, 0}, {4, 0}, {0, 4}});
    ASSERT_TRUE(EngFillPath(so, triangle.get(), nullptr, &black, nullptr, kCopyPen, FP_WINDINGMODE));
    EXPECT_EQ(ReadSurface(so->hsurf), (Picture{"###...", "##....", "#.....", "......"}));
  }
  {
    // Two nested squares: the alternate rule leaves the inner one empty, the winding rule fills it.
    host::Path nested(RECTL{0, 0, 5, 5});
    nested.Add({{1, 1}, {4, 1}, {4, 4}, {1, 4}}, true);
    SURFOBJ* alternate = Make(5, 5, 1);
    SURFOBJ* winding = Make(5, 5, 1);
    ASSERT_TRUE(EngFillPath(alternate, nested.get(), nullptr, &black, nullptr, kCopyPen, FP_ALTERNATEMODE));
    ASSERT_TRUE(EngFillPath(winding, nested.get(), nullptr, &black, nullptr, kCopyPen, FP_WINDINGMODE));
    EXPECT_EQ(ReadSurface(alternate->hsurf), (Picture{"#####", "#...#", "#...#", "#...#", "#####"}));
    EXPECT_EQ(ReadSurface(winding->hsurf), Picture(5, "#####"));
  }
  {
    SURFOBJ* so = Make(6, 4, 24);
    host::Path outline(RECTL{1, 0, 4, 3});
    ASSERT_TRUE(EngStrokePath(so, outline.get(), nullptr, nullptr, &red, nullptr, nullptr, kCopyPen));
    EXPECT_EQ(ReadSurface(so->hsurf), (Picture{".rrrr.", ".r..r.", ".r..r.", ".rrrr."}));
  }
  {
    SURFOBJ* so = Make(6, 4, 24);
    host::Path box(RECTL{0, 0, 3, 3});
    ASSERT_TRUE(EngStrokeAndFillPath(so, box.get(), nullptr, nullptr, &red, nullptr, &black, nullptr, kCopyPen,
                                     FP_ALTERNATEMODE));
    EXPECT_EQ(ReadSurface(so->hsurf), (Picture{"rrrr..", "r##r..", "r##r..", "rrrr.."}));
  }
}

TEST_F(EngineDrawTest, LineToLeavesOutItsLastPixelAndCopesWithFarEnds) {
  BRUSHOBJ black = SolidBrush(0);
  struct Case {
    LONG x1, y1, x2, y2;
    Picture expected;
  };
  const Case cases[] = {
      {0, 1, 4, 1, {"......", "####..", "......", "......"}},
      {5, 0, 5, 3, {".....#", ".....#", ".....#", "......"}},
      {0, 0, 3, 3, {"#.....", ".#....", "..#...", "......"}},
      {-2000000000, 2, 2000000000, 2, {"......", "......", "######", "......"}},
  };
  for (const Case& c : cases) {
    SURFOBJ* so = Make(6, 4, 1);
    Clip all;
    ASSERT_TRUE(EngLineTo(so, all.get(), &black, c.x1, c.y1, c.x2, c.y2, nullptr, kCopyPen));
    EXPECT_EQ(ReadSurface(so->hsurf), c.expected) << c.x1 << "," << c.y1 << " to " << c.x2 << "," << c.y2;
  }
}

TEST_F(EngineDrawTest, TextDrawsGlyphCellsOverTheOpaqueRectangle) {
  host::Font font(2, 2, 2);  // 2 x 2 cells whose bottom is the baseline
  host::Text text(font, u"AB", POINTL{1, 3});
  BRUSHOBJ black = SolidBrush(0), red = SolidBrush(0xFF0000), white = SolidBrush(host::kWhite);
  RECTL opaque{0, 0, 6, 4};
  POINTL origin{0, 0};
  {
    SURFOBJ* so = Make(7, 5, 24);
    ASSERT_TRUE(EngTextOut(so, text.get(), font.get(), nullptr, nullptr, &opaque, &black, &red, &origin, kCopyPen));
    EXPECT_EQ(ReadSurface(so->hsurf), (Picture{"rrrrrr.", "r####r.", "r####r.", "rrrrrr.", "......."}));
  }
  {
    // Without an opaque rectangle only the cells are drawn, inside the clip; white text on the
    // monochrome bitmap sets bits.
    SURFOBJ* so = Make(7, 5, 1, '#');
    Clip clip(RECTL{0, 0, 4, 5});
    ASSERT_TRUE(
        EngTextOut(so, text.get(), font.get(), clip.get(), nullptr, nullptr, &white, nullptr, &origin, kCopyPen));
    EXPECT_EQ(ReadSurface(so->hsurf), (Picture{"#######", "#...###", "#...###", "#######", "#######"}));
  }
  {
    // Underlines come as extra rectangles ended by an empty one.
    SURFOBJ* so = Make(7, 5, 1);
    RECTL extra[] = {{1, 4, 5, 5}, {0, 0, 0, 0}};
    ASSERT_TRUE(EngTextOut(so, text.get(), font.get(), nullptr, extra, nullptr, &black, nullptr, &origin, kCopyPen));
    EXPECT_EQ(ReadSurface(so->hsurf), (Picture{".......", ".####..", ".####..", ".......", ".####.."}));
  }
  // An opaque rectangle needs an opaque brush.
  SURFOBJ* so = Make(7, 5, 24);
  EXPECT_FALSE(EngTextOut(so, text.get(), font.get(), nullptr, nullptr, &opaque, &black, nullptr, &origin, kCopyPen));
}

TEST_F(EngineDrawTest, GlyphSetOfAFontListsItsRuns) {
  host::Font font(8, 8, 6, {{u'A', {36, 37, 38}}, {u'a', {68, 69}}});
  host::Text text(font, std::u16string{char16_t(37), char16_t(68)}, POINTL{0, 6}, true);
  EXPECT_EQ(text.get()->flAccel & SO_GLYPHINDEX_TEXTOUT, ULONG(SO_GLYPHINDEX_TEXTOUT));
  EXPECT_EQ(text.get()->pwszOrg[0], 37);
  EXPECT_EQ(text.get()->pgp[1].hg, 68u);
  EXPECT_EQ(text.get()->pgp[1].ptl.x, 8);

  FD_GLYPHSET* set = FONTOBJ_pfdg(font.get());
  ASSERT_NE(set, nullptr);
  ASSERT_EQ(set->cRuns, 2u);
  EXPECT_EQ(set->cGlyphsSupported, 5u);
  const WCRUN& first = set->awcrun[0];
  EXPECT_EQ(first.wcLow, u'A');
  ASSERT_EQ(first.cGlyphs, 3);
  EXPECT_EQ(first.phg[1], 37u);  // glyph 37 is 'A' + 1

  FONTOBJ foreign{};
  EXPECT_EQ(FONTOBJ_pfdg(&foreign), nullptr);
  host::Font empty(8, 8, 6);
  ASSERT_NE(FONTOBJ_pfdg(empty.get()), nullptr);
  EXPECT_EQ(FONTOBJ_pfdg(empty.get())->cRuns, 0u);
}

TEST_F(EngineDrawTest, EachRoutineCanBeMadeToFailAndIsLogged) {
  SURFOBJ* so = Make(3, 2, 24);
  SURFOBJ* source = Make(3, 2, 1, '#');
  Clip all;
  BRUSHOBJ black = SolidBrush(0);
  host::Path path(RECTL{0, 0, 3, 2});
  host::Font font(1, 1, 1);
  host::Text text(font, u"x", POINTL{0, 1});
  RECTL rect{0, 0, 3, 2};
  POINTL zero{0, 0};
  struct Case {
    host::FailPoint point;
    host::DrawRoutine routine;
    std::function<BOOL()> call;
  };
  const Case cases[] = {
      {host::FailPoint::EngBitBlt, host::DrawRoutine::BitBlt,
       [&] {
         return EngBitBlt(so, nullptr, nullptr, all.get(), nullptr, &rect, nullptr, nullptr, &black, &zero, 0xF0F0);
       }},
      {host::FailPoint::EngCopyBits, host::DrawRoutine::CopyBits,
       [&] { return EngCopyBits(so, source, all.get(), nullptr, &rect, &zero); }},
      {host::FailPoint::EngStretchBlt, host::DrawRoutine::StretchBlt,
       [&] {
         return EngStretchBlt(so, source, nullptr, all.get(), nullptr, nullptr, nullptr, &rect, &rect, nullptr, 1);
       }},
      {host::FailPoint::EngPaint, host::DrawRoutine::Paint,
       [&] { return EngPaint(so, all.get(), &black, &zero, kCopyPen); }},
      {host::FailPoint::EngFillPath, host::DrawRoutine::FillPath,
       [&] { return EngFillPath(so, path.get(), all.get(), &black, &zero, kCopyPen, FP_ALTERNATEMODE); }},
      {host::FailPoint::EngStrokePath, host::DrawRoutine::StrokePath,
       [&] { return EngStrokePath(so, path.get(), all.get(), nullptr, &black, &zero, nullptr, kCopyPen); }},
      {host::FailPoint::EngStrokeAndFillPath, host::DrawRoutine::StrokeAndFillPath,
       [&] {
         return EngStrokeAndFillPath(so, path.get(), all.get(), nullptr, &black, nullptr, &black, &zero, kCopyPen,
                                     FP_ALTERNATEMODE);
       }},
      {host::FailPoint::EngLineTo, host::DrawRoutine::LineTo,
       [&] { return EngLineTo(so, all.get(), &black, 0, 0, 3, 0, nullptr, kCopyPen); }},
      {host::FailPoint::EngTextOut, host::DrawRoutine::TextOut,
       [&] {
         return EngTextOut(so, text.get(), font.get(), all.get(), nullptr, &rect, &black, &black, &zero, kCopyPen);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.routine));
    host::FillSurface(so->hsurf, host::kWhite);
    host::SetFailure(c.point, 1, 1);  // the second call fails
    EXPECT_TRUE(c.call());
    EXPECT_NE(ReadSurface(so->hsurf), Picture(2, "..."));
    host::FillSurface(so->hsurf, host::kWhite);
    EXPECT_FALSE(c.call());
    EXPECT_EQ(ReadSurface(so->hsurf), Picture(2, "..."));
    EXPECT_TRUE(c.call());
    const auto calls = host::DrawCalls();
    ASSERT_GE(calls.size(), 3u);
    EXPECT_EQ(calls[calls.size() - 2].routine, c.routine);
    EXPECT_EQ(calls[calls.size() - 2].result, FALSE);
    EXPECT_EQ(calls.back().result, TRUE);
  }
  host::SetFailure(host::FailPoint::FontObjGlyphSet);
  EXPECT_EQ(FONTOBJ_pfdg(font.get()), nullptr);
}

TEST_F(EngineDrawTest, LogRecordsTargetsBrushesMixesAndModes) {
  SURFOBJ* page = Make(2, 2, 24);
  SURFOBJ* mono = Make(2, 2, 1);
  Clip clip(RECTL{0, 0, 1, 1});
  BRUSHOBJ white = SolidBrush(host::kWhite);
  POINTL zero{0, 0};
  ASSERT_TRUE(EngPaint(mono, clip.get(), &white, &zero, kCopyPen));
  RECTL rect{0, 0, 2, 2};
  ASSERT_TRUE(
      EngStretchBlt(mono, page, nullptr, nullptr, nullptr, nullptr, nullptr, &rect, &rect, nullptr, BLACKONWHITE));

  const auto calls = host::DrawCalls();
  ASSERT_EQ(calls.size(), 2u);
  EXPECT_EQ(calls[0].routine, host::DrawRoutine::Paint);
  EXPECT_EQ(calls[0].target, mono->hsurf);
  EXPECT_EQ(calls[0].brush, host::kWhite);
  EXPECT_TRUE(calls[0].hasBrushOrigin);
  EXPECT_EQ(calls[0].mix, kCopyPen);
  EXPECT_EQ(calls[0].clipComplexity, DC_RECT);
  EXPECT_EQ(calls[1].routine, host::DrawRoutine::StretchBlt);
  EXPECT_EQ(calls[1].source, page->hsurf);
  EXPECT_EQ(calls[1].mode, ULONG(BLACKONWHITE));
  EXPECT_FALSE(calls[1].hasClip);

  host::Reset();
  EXPECT_TRUE(host::DrawCalls().empty());
}

}  // namespace
}  // namespace tolma::test
