// Tests of the drawing hooks: where each drawing goes (card page, monochrome bitmap or both), the text capture
// through DrvTextOut, and a printed card with captured track data and black text on the resin panel.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "raster/context.h"
#include "raster/ddi_functions.h"
#include "tests/support/print_fixture.h"

namespace tolma {
namespace {

using host::DrawCall;
using host::DrawRoutine;
using test::JobSettings;

constexpr ULONG kRed = 0xFF0000;
constexpr ULONG kAnyBrush = 0xFFFFFFFE;

// An engine bitmap for sources, locked for its lifetime.
class Bitmap {
 public:
  Bitmap(LONG width, LONG height, ULONG format) {
    handle_ = reinterpret_cast<HSURF>(EngCreateBitmap(SIZEL{width, height}, 0, format, BMF_TOPDOWN, nullptr));
    so_ = EngLockSurface(handle_);
  }
  ~Bitmap() {
    EngUnlockSurface(so_);
    EngDeleteSurface(handle_);
  }
  Bitmap(const Bitmap&) = delete;
  Bitmap& operator=(const Bitmap&) = delete;
  HSURF handle() const { return handle_; }
  SURFOBJ* get() const { return so_; }

 private:
  HSURF handle_ = nullptr;
  SURFOBJ* so_ = nullptr;
};

// A one-bit picture of 16 x 8 pixels: columns 0..7 black, 8..15 white.
std::unique_ptr<Bitmap> HalfBlackPicture() {
  auto picture = std::make_unique<Bitmap>(16, 8, BMF_1BPP);
  for (LONG y = 0; y < 8; ++y)
    for (LONG x = 0; x < 16; ++x) host::WritePixel(picture->handle(), x, y, x < 8 ? 0 : 1);
  return picture;
}

class HooksTest : public test::PrintTest {
 protected:
  // Opens a device, starts its document and first page; the side's settings are then set on the context.
  RenderContext& OpenPage(JobSettings job = {}) {
    Open(job);
    EXPECT_TRUE(device().StartDoc(u"Card"));
    EXPECT_TRUE(device().StartPage());
    return ctx();
  }
  RenderContext& ctx() { return *reinterpret_cast<RenderContext*>(device().pdev()); }
  SURFOBJ* page() { return device().surfaceObject(); }
  ULONG Card(LONG x, LONG y) { return host::ReadPixel(device().surface(), x, y); }
  ULONG Mono(LONG x, LONG y) { return host::ReadPixel(MonoSurface(), x, y); }

  // Number of black (clear) bits of the monochrome bitmap.
  size_t MonoBlackCount() {
    SURFOBJ* mono = EngLockSurface(MonoSurface());
    size_t black = 0;
    for (LONG y = 0; y < mono->sizlBitmap.cy; ++y) {
      const auto* row = static_cast<const uint8_t*>(mono->pvScan0) + static_cast<ptrdiff_t>(y) * mono->lDelta;
      for (LONG i = 0; i < mono->sizlBitmap.cx / 8; ++i) black += 8 - __builtin_popcount(row[i]);
    }
    EngUnlockSurface(mono);
    return black;
  }

  // Draws a text through DrvTextOut with a 16 x 24 cell font (or `font`); its first cell is font.Cell(at).
  BOOL WriteText(const std::u16string& codes, POINTL at, ULONG colour, bool glyphIndex = false,
                 host::Font* font = nullptr) {
    host::Font cells(16, 24, 18);
    host::Font& f = font ? *font : cells;
    host::Text text(f, codes, at, glyphIndex);
    host::Clip clip;
    BRUSHOBJ fore = host::SolidBrush(colour);
    BRUSHOBJ opaque = host::SolidBrush(host::kNoBrush);
    POINTL origin{0, 0};
    return DrvTextOut(page(), text.get(), f.get(), clip.get(), nullptr, nullptr, &fore, &opaque, &origin, 0x0D0D);
  }

  // The drawing calls made since `mark` (a size of the log).
  static std::vector<DrawCall> CallsSince(size_t mark) {
    const std::vector<DrawCall> all = host::DrawCalls();
    return std::vector<DrawCall>(all.begin() + static_cast<ptrdiff_t>(std::min(mark, all.size())), all.end());
  }
  static size_t Mark() { return host::DrawCalls().size(); }
};

// --- Where each hook draws -------------------------------------------------------------------------------------

enum class Hook { StrokePath, FillPath, StrokeAndFillPath, LineTo, Paint, BitBlt, CopyBits, StretchBlt, TextOut };
enum class Source { None, Colour, OneBit };
enum class Target { Card, Mono };

struct Expected {
  DrawRoutine routine;
  Target target;
  ULONG brush = kAnyBrush;
};

struct Side {
  int ribbon = 0;  // YMCKO
  int both = 0;
  int mode = 0;
  int page = 1;
};

struct RouteCase {
  const char* name;
  Side side;
  int blackPanelUse;
  int blackBitmap;
  Hook hook;
  ULONG brush;
  Source source;
  std::vector<Expected> calls;
};

constexpr Side kOneSided{};
constexpr Side kYmc{5, 0, 0, 1};

TEST_F(HooksTest, EachHookDrawsOnTheTargetsOfItsSide) {
  using enum DrawRoutine;
  const RouteCase cases[] = {
      // Paths and lines: black to the monochrome bitmap only, anything else to the card page.
      {"black fill, text only", kOneSided, 2, 0, Hook::FillPath, 0, Source::None, {{FillPath, Target::Mono}}},
      {"red fill", kOneSided, 2, 0, Hook::FillPath, kRed, Source::None, {{FillPath, Target::Card}}},
      {"black fill, no black panel", kOneSided, 0, 0, Hook::FillPath, 0, Source::None, {{FillPath, Target::Card}}},
      {"black fill, YMC", kYmc, 2, 0, Hook::FillPath, 0, Source::None, {{FillPath, Target::Card}}},
      {"black stroke", kOneSided, 1, 0, Hook::StrokePath, 0, Source::None, {{StrokePath, Target::Mono}}},
      {"red stroke", kOneSided, 1, 0, Hook::StrokePath, kRed, Source::None, {{StrokePath, Target::Card}}},
      {"black line", kOneSided, 3, 0, Hook::LineTo, 0, Source::None, {{LineTo, Target::Mono}}},
      {"red line", kOneSided, 3, 0, Hook::LineTo, kRed, Source::None, {{LineTo, Target::Card}}},
      {"black stroke, red fill",
       kOneSided,
       2,
       0,
       Hook::StrokeAndFillPath,
       0,
       Source::None,
       {{StrokeAndFillPath, Target::Mono}}},
      {"red stroke, red fill",
       kOneSided,
       2,
       0,
       Hook::StrokeAndFillPath,
       kRed,
       Source::None,
       {{StrokeAndFillPath, Target::Card}}},
      // Paint: white wipes both, black goes to the monochrome bitmap.
      {"white paint",
       kOneSided,
       0,
       0,
       Hook::Paint,
       0xFFFFFF,
       Source::None,
       {{Paint, Target::Mono, 0xFFFFFF}, {Paint, Target::Card, 0xFFFFFF}}},
      {"white paint, YMC", kYmc, 2, 0, Hook::Paint, 0xFFFFFF, Source::None, {{Paint, Target::Card}}},
      {"black paint", kOneSided, 2, 0, Hook::Paint, 0, Source::None, {{Paint, Target::Mono, 0}}},
      {"black paint, no black panel", kOneSided, 0, 0, Hook::Paint, 0, Source::None, {{Paint, Target::Card}}},
      {"red paint", kOneSided, 2, 0, Hook::Paint, kRed, Source::None, {{Paint, Target::Card}}},
      // Bit-block transfers: black bitmaps to the monochrome bitmap when pictures keep their colour.
      {"black pattern blit", kOneSided, 3, 1, Hook::BitBlt, 0, Source::None, {{BitBlt, Target::Mono, 0}}},
      {"black pattern blit, no black bitmap",
       kOneSided,
       3,
       0,
       Hook::BitBlt,
       0,
       Source::None,
       {{BitBlt, Target::Card, 0}}},
      {"black pattern blit, text only", kOneSided, 2, 1, Hook::BitBlt, 0, Source::None, {{BitBlt, Target::Card, 0}}},
      {"red pattern blit",
       kOneSided,
       3,
       1,
       Hook::BitBlt,
       kRed,
       Source::None,
       {{BitBlt, Target::Card, kRed}, {BitBlt, Target::Mono, 0xFFFFFF}}},
      {"colour source blit",
       kOneSided,
       3,
       1,
       Hook::BitBlt,
       kRed,
       Source::Colour,
       {{BitBlt, Target::Card, kRed}, {BitBlt, Target::Mono, 0xFFFFFF}}},
      {"one-bit source blit", kOneSided, 3, 1, Hook::BitBlt, kRed, Source::OneBit, {{BitBlt, Target::Card}}},
      {"red pattern blit, YMC", kYmc, 3, 1, Hook::BitBlt, kRed, Source::None, {{BitBlt, Target::Card}}},
      // Copies: a one-bit picture to the monochrome bitmap only, anything else on white.
      {"one-bit copy", kOneSided, 3, 1, Hook::CopyBits, 0, Source::OneBit, {{StretchBlt, Target::Mono}}},
      {"one-bit copy, no black bitmap",
       kOneSided,
       3,
       0,
       Hook::CopyBits,
       0,
       Source::OneBit,
       {{Paint, Target::Mono, 0xFFFFFF}, {CopyBits, Target::Card}}},
      {"colour copy, no black panel",
       kOneSided,
       0,
       0,
       Hook::CopyBits,
       0,
       Source::Colour,
       {{Paint, Target::Mono, 0xFFFFFF}, {CopyBits, Target::Card}}},
      {"one-bit copy, YMC",
       kYmc,
       3,
       1,
       Hook::CopyBits,
       0,
       Source::OneBit,
       {{Paint, Target::Mono, 0xFFFFFF}, {CopyBits, Target::Card}}},
      // Stretches: the same, with the white paint only where black goes to the resin panel.
      {"one-bit stretch", kOneSided, 3, 1, Hook::StretchBlt, 0, Source::OneBit, {{StretchBlt, Target::Mono}}},
      {"colour stretch",
       kOneSided,
       2,
       0,
       Hook::StretchBlt,
       0,
       Source::Colour,
       {{StretchBlt, Target::Card}, {Paint, Target::Mono, 0xFFFFFF}}},
      {"colour stretch, no black panel",
       kOneSided,
       0,
       0,
       Hook::StretchBlt,
       0,
       Source::Colour,
       {{StretchBlt, Target::Card}}},
      {"colour stretch, YMC", kYmc, 2, 0, Hook::StretchBlt, 0, Source::Colour, {{StretchBlt, Target::Card}}},
      // Text: black to the monochrome bitmap; colour on the card page and in white on the monochrome bitmap.
      {"black text", kOneSided, 2, 0, Hook::TextOut, 0, Source::None, {{TextOut, Target::Mono, 0}}},
      {"red text",
       kOneSided,
       2,
       0,
       Hook::TextOut,
       kRed,
       Source::None,
       {{TextOut, Target::Card, kRed}, {TextOut, Target::Mono, 0xFFFFFF}}},
      {"black text, no black panel", kOneSided, 0, 0, Hook::TextOut, 0, Source::None, {{TextOut, Target::Card, 0}}},
      {"black text, YMC", kYmc, 2, 0, Hook::TextOut, 0, Source::None, {{TextOut, Target::Card, 0}}},
      // Two-sided: the sides that carry both colour and resin panels.
      {"YMCKO mode 0 front", {0, 1, 0, 1}, 2, 0, Hook::TextOut, 0, Source::None, {{TextOut, Target::Card}}},
      {"YMCKO mode 1 back", {0, 1, 1, 2}, 2, 0, Hook::TextOut, 0, Source::None, {{TextOut, Target::Mono}}},
      {"YMCKK mode 0 front", {7, 1, 0, 3}, 2, 0, Hook::TextOut, 0, Source::None, {{TextOut, Target::Mono}}},
      {"YMCKK mode 0 back", {7, 1, 0, 4}, 2, 0, Hook::TextOut, 0, Source::None, {{TextOut, Target::Card}}},
      {"YMCKOK mode 1 front", {8, 1, 1, 1}, 2, 0, Hook::TextOut, 0, Source::None, {{TextOut, Target::Card}}},
      {"YMCKOK mode 2 back", {8, 1, 2, 2}, 2, 0, Hook::TextOut, 0, Source::None, {{TextOut, Target::Mono}}},
  };

  RenderContext& context = OpenPage();
  Bitmap colour(8, 8, BMF_24BPP);
  host::FillSurface(colour.handle(), kRed);
  const auto oneBit = HalfBlackPicture();
  host::Xlate xlate(0x000000, 0xFFFFFF);
  for (const RouteCase& c : cases) {
    SCOPED_TRACE(c.name);
    context.priv.ribbonType = static_cast<int16_t>(c.side.ribbon);
    context.priv.printBothSides = static_cast<int16_t>(c.side.both);
    context.priv.twoSidedMode = static_cast<int16_t>(c.side.mode);
    context.pageCount = c.side.page;
    context.priv.blackPanelUse = static_cast<int16_t>(c.blackPanelUse);
    context.priv.blackBitmap = static_cast<int16_t>(c.blackBitmap);

    BRUSHOBJ brush = host::SolidBrush(c.brush);
    BRUSHOBJ red = host::SolidBrush(kRed);
    POINTL origin{0, 0};
    host::Clip clip(RECTL{10, 10, 40, 40});
    host::Path path(RECTL{10, 10, 20, 20});
    LINEATTRS line{};
    RECTL target{10, 10, 18, 18};
    RECTL stretched{10, 10, 26, 26};
    POINTL sourcePoint{0, 0};
    SURFOBJ* source = c.source == Source::Colour ? colour.get() : c.source == Source::OneBit ? oneBit->get() : nullptr;
    RECTL sourceRect{0, 0, 8, 8};
    const size_t mark = Mark();
    BOOL result = FALSE;
    switch (c.hook) {
      case Hook::StrokePath:
        result = DrvStrokePath(page(), path.get(), clip.get(), nullptr, &brush, &origin, &line, 0x0D0D);
        break;
      case Hook::FillPath:
        result = DrvFillPath(page(), path.get(), clip.get(), &brush, &origin, 0x0D0D, FP_ALTERNATEMODE);
        break;
      case Hook::StrokeAndFillPath:
        result = DrvStrokeAndFillPath(page(), path.get(), clip.get(), nullptr, &brush, &line, &red, &origin, 0x0D0D,
                                      FP_ALTERNATEMODE);
        break;
      case Hook::LineTo:
        result = DrvLineTo(page(), clip.get(), &brush, 10, 10, 30, 10, nullptr, 0x0D0D);
        break;
      case Hook::Paint:
        result = DrvPaint(page(), clip.get(), &brush, &origin, 0x0D0D);
        break;
      case Hook::BitBlt:
        result = DrvBitBlt(page(), source, nullptr, clip.get(), xlate.get(), &target, source ? &sourcePoint : nullptr,
                           nullptr, &brush, &origin, source ? 0xCCCC : 0xF0F0);
        break;
      case Hook::CopyBits:
        result = DrvCopyBits(page(), source, clip.get(), xlate.get(), &target, &sourcePoint);
        break;
      case Hook::StretchBlt:
        result = DrvStretchBlt(page(), source, nullptr, clip.get(), xlate.get(), nullptr, nullptr, &stretched,
                               &sourceRect, nullptr, COLORONCOLOR);
        break;
      case Hook::TextOut:
        result = WriteText(u"Hi", POINTL{12, 30}, c.brush);
        break;
    }
    EXPECT_TRUE(result);
    const std::vector<DrawCall> calls = CallsSince(mark);
    ASSERT_EQ(calls.size(), c.calls.size());
    for (size_t i = 0; i < calls.size(); ++i) {
      SCOPED_TRACE(testing::Message() << "call " << i);
      EXPECT_EQ(calls[i].routine, c.calls[i].routine);
      EXPECT_EQ(calls[i].target, c.calls[i].target == Target::Mono ? ctx().monoSurface : ctx().cardSurface);
      if (c.calls[i].brush != kAnyBrush) {
        EXPECT_EQ(calls[i].brush, c.calls[i].brush);
      }
      EXPECT_TRUE(calls[i].result);
      // The white paint: the call's clip, brush origin (0, 0), copy-pen mix; a one-bit copy in black on white.
      if (calls[i].routine == Paint && c.hook != Hook::Paint) {
        EXPECT_EQ(calls[i].clipBounds.left, 10);
        EXPECT_EQ(calls[i].clipBounds.bottom, 40);
        EXPECT_TRUE(calls[i].hasBrushOrigin);
        EXPECT_EQ(calls[i].mix, 0x0D0Du);
      }
      if (calls[i].target == ctx().monoSurface && calls[i].routine == StretchBlt) {
        EXPECT_EQ(calls[i].mode, static_cast<ULONG>(BLACKONWHITE));
      }
    }
  }
}

// --- Pixels ----------------------------------------------------------------------------------------------------

TEST_F(HooksTest, BlackTextGoesToTheResinBitmapAndColouredTextWipesIt) {
  RenderContext& context = OpenPage();
  ASSERT_EQ(context.priv.ribbonType, 0);  // YMCKO from the cache
  ASSERT_EQ(context.priv.blackPanelUse, 2);
  host::Font font(16, 24, 18);
  const RECTL black = font.Cell({100, 100});
  const RECTL red = font.Cell({300, 100});
  PaintMono({290, 70, 340, 110}, 0);  // black already under the red text

  ASSERT_TRUE(WriteText(u"A", {100, 100}, 0x000000));
  ASSERT_TRUE(WriteText(u"B", {300, 100}, kRed));
  EXPECT_EQ(Mono(black.left + 1, black.top + 1), 0u);
  EXPECT_EQ(Card(black.left + 1, black.top + 1), 0xFFFFFFu) << "black text stays off the colour panels";
  EXPECT_EQ(Card(red.left + 1, red.top + 1), kRed);
  EXPECT_EQ(Mono(red.left + 1, red.top + 1), 1u) << "the resin panel is cleared under coloured text";
  EXPECT_EQ(Mono(291, 71), 0u) << "outside the text the resin panel keeps its black";
}

TEST_F(HooksTest, WithoutTheBlackPanelEverythingGoesToTheCardPage) {
  JobSettings job;
  job.priv.blackPanelUse = 0;
  job.priv.blackBitmap = 1;
  OpenPage(job);
  host::Font font(16, 24, 18);
  ASSERT_TRUE(WriteText(u"A", {100, 100}, 0));
  host::Path path(RECTL{200, 200, 220, 220});
  host::Clip clip;
  BRUSHOBJ black = host::SolidBrush(0);
  POINTL origin{0, 0};
  ASSERT_TRUE(DrvFillPath(page(), path.get(), clip.get(), &black, &origin, 0x0D0D, FP_ALTERNATEMODE));
  const auto picture = HalfBlackPicture();
  host::Xlate xlate(0x000000, 0xFFFFFF);
  RECTL target{400, 400, 416, 408};
  POINTL sourcePoint{0, 0};
  ASSERT_TRUE(DrvCopyBits(page(), picture->get(), clip.get(), xlate.get(), &target, &sourcePoint));

  EXPECT_EQ(Card(font.Cell({100, 100}).left, font.Cell({100, 100}).top), 0u);
  EXPECT_EQ(Card(210, 210), 0u);
  EXPECT_EQ(Card(401, 401), 0u);
  EXPECT_EQ(MonoBlackCount(), 0u);
}

TEST_F(HooksTest, OneBitPicturesGoToTheResinBitmapOnlyWithBlackBitmap) {
  const auto picture = HalfBlackPicture();
  host::Xlate xlate(0x000000, 0xFFFFFF);
  POINTL sourcePoint{0, 0};

  // Black bitmap set: the picture is on the monochrome bitmap alone.
  JobSettings job;
  job.priv.blackPanelUse = 3;
  job.priv.blackBitmap = 1;
  OpenPage(job);
  {
    host::Clip clip(RECTL{100, 100, 116, 108});
    RECTL target{100, 100, 116, 108};
    ASSERT_TRUE(DrvCopyBits(page(), picture->get(), clip.get(), xlate.get(), &target, &sourcePoint));
    EXPECT_EQ(Mono(101, 101), 0u);
    EXPECT_EQ(Mono(110, 101), 1u);
    EXPECT_EQ(Card(101, 101), 0xFFFFFFu);
  }

  // Black bitmap clear: the picture is on the card page, the monochrome bitmap white under the clip only.
  job.priv.blackBitmap = 0;
  OpenPage(job);
  {
    PaintMono({90, 90, 130, 120}, 0);
    host::Clip clip(RECTL{100, 100, 116, 108});
    RECTL target{100, 100, 116, 108};
    ASSERT_TRUE(DrvCopyBits(page(), picture->get(), clip.get(), xlate.get(), &target, &sourcePoint));
    EXPECT_EQ(Card(101, 101), 0u);
    EXPECT_EQ(Card(110, 101), 0xFFFFFFu);
    EXPECT_EQ(Mono(101, 101), 1u);
    EXPECT_EQ(Mono(115, 107), 1u);
    EXPECT_EQ(Mono(95, 95), 0u);
    EXPECT_EQ(Mono(116, 108), 0u);
  }
}

TEST_F(HooksTest, WhitePaintWithoutALimitingClipCoversOnlyTheDestination) {
  OpenPage();
  Bitmap colour(8, 8, BMF_24BPP);
  host::FillSurface(colour.handle(), kRed);
  host::Xlate xlate;
  POINTL sourcePoint{0, 0};
  struct Case {
    const char* name;
    bool trivialClip;  // a trivial clip object, else none
    bool stretch;
  };
  for (const Case c : {Case{"copy, trivial clip", true, false}, Case{"copy, no clip", false, false},
                       Case{"stretch, trivial clip", true, true}, Case{"stretch, no clip", false, true}}) {
    SCOPED_TRACE(c.name);
    PaintMono({0, 0, 200, 200}, 0);  // black drawn earlier on the page
    host::Clip trivial;
    CLIPOBJ* clip = c.trivialClip ? trivial.get() : nullptr;
    RECTL target{100, 100, 108, 108};
    BOOL result = FALSE;
    if (c.stretch) {
      RECTL mirrored{116, 100, 100, 116};  // a mirrored destination covers the same pixels
      RECTL sourceRect{0, 0, 8, 8};
      result = DrvStretchBlt(page(), colour.get(), nullptr, clip, xlate.get(), nullptr, nullptr, &mirrored, &sourceRect,
                             nullptr, COLORONCOLOR);
      target = RECTL{100, 100, 116, 116};
    } else {
      result = DrvCopyBits(page(), colour.get(), clip, xlate.get(), &target, &sourcePoint);
    }
    EXPECT_TRUE(result);
    EXPECT_EQ(Mono(target.left, target.top), 1u);
    EXPECT_EQ(Mono(target.right - 1, target.bottom - 1), 1u);
    EXPECT_EQ(Mono(target.left - 1, target.top), 0u);
    EXPECT_EQ(Mono(target.right, target.bottom - 1), 0u);
    EXPECT_EQ(Mono(50, 50), 0u) << "black elsewhere on the page is kept";
  }
}

TEST_F(HooksTest, OneBitCopyTakesTheSourcePixelForPixel) {
  JobSettings job;
  job.priv.blackPanelUse = 3;
  job.priv.blackBitmap = 1;
  OpenPage(job);
  const auto picture = HalfBlackPicture();
  host::Xlate xlate(0x000000, 0xFFFFFF);
  host::Clip clip;
  // Four columns from source column 6: two black, two white, not the rest of the source squeezed in.
  RECTL target{100, 100, 104, 108};
  POINTL sourcePoint{6, 0};
  ASSERT_TRUE(DrvCopyBits(page(), picture->get(), clip.get(), xlate.get(), &target, &sourcePoint));
  EXPECT_EQ(Mono(100, 103), 0u);
  EXPECT_EQ(Mono(101, 103), 0u);
  EXPECT_EQ(Mono(102, 103), 1u);
  EXPECT_EQ(Mono(103, 103), 1u);
  EXPECT_EQ(Mono(104, 103), 1u);
}

// --- Outside a page, foreign targets ---------------------------------------------------------------------------

TEST_F(HooksTest, NothingIsDrawnOutsideAnOpenPageButTextIsStillCaptured) {
  JobSettings job;
  job.priv.encoder.hasEncoder = 1;
  Open(job);
  host::Clip clip(RECTL{10, 10, 40, 40});
  host::Path path(RECTL{10, 10, 20, 20});
  BRUSHOBJ black = host::SolidBrush(0);
  POINTL origin{0, 0};
  LINEATTRS line{};
  RECTL target{10, 10, 18, 18};
  POINTL sourcePoint{0, 0};
  Bitmap colour(8, 8, BMF_24BPP);
  RECTL sourceRect{0, 0, 8, 8};
  for (const bool docStarted : {false, true}) {
    SCOPED_TRACE(docStarted ? "document without a page" : "no document");
    if (docStarted) {
      ASSERT_TRUE(device().StartDoc(u"Card"));
    }
    const size_t mark = Mark();
    EXPECT_FALSE(DrvStrokePath(page(), path.get(), clip.get(), nullptr, &black, &origin, &line, 0x0D0D));
    EXPECT_FALSE(DrvFillPath(page(), path.get(), clip.get(), &black, &origin, 0x0D0D, FP_ALTERNATEMODE));
    EXPECT_FALSE(DrvStrokeAndFillPath(page(), path.get(), clip.get(), nullptr, &black, &line, &black, &origin, 0x0D0D,
                                      FP_ALTERNATEMODE));
    EXPECT_FALSE(DrvLineTo(page(), clip.get(), &black, 10, 10, 30, 10, nullptr, 0x0D0D));
    EXPECT_FALSE(DrvPaint(page(), clip.get(), &black, &origin, 0x0D0D));
    EXPECT_FALSE(
        DrvBitBlt(page(), nullptr, nullptr, clip.get(), nullptr, &target, nullptr, nullptr, &black, &origin, 0xF0F0));
    EXPECT_FALSE(DrvCopyBits(page(), colour.get(), clip.get(), nullptr, &target, &sourcePoint));
    EXPECT_FALSE(DrvStretchBlt(page(), colour.get(), nullptr, clip.get(), nullptr, nullptr, nullptr, &target,
                               &sourceRect, nullptr, COLORONCOLOR));
    EXPECT_FALSE(WriteText(u"Hello", {12, 30}, 0));
    EXPECT_TRUE(CallsSince(mark).empty());

    // Capture happens all the same.
    EXPECT_TRUE(WriteText(docStarted ? u"~2;5678?" : u"~2;1234?", {12, 30}, 0));
    EXPECT_TRUE(WriteText(u"~C4xy", {12, 30}, 0));
    EXPECT_EQ(ctx().priv.track2Present, 1);
    EXPECT_STREQ(ctx().priv.track2Text, docStarted ? "5678" : "1234");
    EXPECT_TRUE(CallsSince(mark).empty());
  }
  EXPECT_STREQ(reinterpret_cast<const char*>(ctx().insertBuffers[4]), "\x1bxy\r\x1bxy\r");
}

TEST_F(HooksTest, CopiesOutOfTheCardPageAreLeftToTheEngine) {
  OpenPage();
  PaintCard({0, 0, 4, 4}, kRed);
  Bitmap copy(4, 4, BMF_24BPP);
  ASSERT_EQ(copy.get()->dhpdev, nullptr);
  host::Clip clip;
  RECTL target{0, 0, 4, 4};
  POINTL sourcePoint{0, 0};
  const size_t mark = Mark();
  EXPECT_TRUE(DrvCopyBits(copy.get(), page(), clip.get(), nullptr, &target, &sourcePoint));
  EXPECT_EQ(host::ReadPixel(copy.handle(), 2, 2), kRed);
  const auto calls = CallsSince(mark);
  ASSERT_EQ(calls.size(), 1u);
  EXPECT_EQ(calls[0].routine, DrawRoutine::CopyBits);
}

// --- Text capture through DrvTextOut ---------------------------------------------------------------------------

TEST_F(HooksTest, CapturedTextIsNotDrawnAndOtherTextIs) {
  struct Case {
    const char* name;
    int16_t hasEncoder;
    std::u16string text;
    bool drawn;
  };
  const Case cases[] = {
      {"inserted command", 0, u"~C5vF", false},
      {"buffer digit 7", 0, u"~C7x", true},
      {"tilde form without an encoder", 0, u"~1ABC", true},
      {"tilde form with an encoder", 1, u"~1ABC", false},
      {"macro form", 1, u"${2123456}$", false},
      {"macro digit 4", 1, u"${4123}$", true},
      {"plain text", 1, u"Hello", true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    JobSettings job;
    job.priv.encoder.hasEncoder = c.hasEncoder;
    RenderContext& context = OpenPage(job);
    const size_t mark = Mark();
    EXPECT_TRUE(WriteText(c.text, {100, 100}, 0));
    EXPECT_EQ(CallsSince(mark).size(), c.drawn ? 1u : 0u);
    EXPECT_EQ(MonoBlackCount() != 0, c.drawn);
    if (c.text == u"~C5vF") {
      EXPECT_STREQ(reinterpret_cast<const char*>(context.insertBuffers[5]), "\x1bvF\r");
    }
  }
}

TEST_F(HooksTest, FullInsertBufferLetsTheTextBeDrawn) {
  RenderContext& context = OpenPage();
  std::memset(context.insertBuffers[2], 'x', kInsertBufferSize);
  const size_t mark = Mark();
  EXPECT_TRUE(WriteText(u"~C2abc", {100, 100}, 0));
  EXPECT_EQ(CallsSince(mark).size(), 1u);
  EXPECT_EQ(context.insertBuffers[2][kInsertBufferSize - 1], 'x');
}

TEST_F(HooksTest, GlyphIndexTextIsReadThroughTheFirstRunOfTheGlyphSet) {
  JobSettings job;
  job.priv.encoder.hasEncoder = 1;
  RenderContext& context = OpenPage(job);
  // The printable characters 0x20..0x7E have handles 500..594 in the first run; "~" also has 700 in a second.
  std::vector<HGLYPH> handles;
  for (HGLYPH h = 500; h < 595; ++h) handles.push_back(h);
  host::Font font(16, 24, 18, {{0x20, handles}, {u'~', {700}}});
  auto glyphs = [](std::u16string_view text) {
    std::u16string out;
    for (char16_t c : text) out.push_back(static_cast<char16_t>(500 + (c - 0x20)));
    return out;
  };

  size_t mark = Mark();
  EXPECT_TRUE(WriteText(glyphs(u"~2;1234?"), {100, 100}, 0, true, &font));
  EXPECT_TRUE(CallsSince(mark).empty());
  EXPECT_STREQ(context.priv.track2Text, "1234");

  // Without the flag the same codes are no track text.
  mark = Mark();
  EXPECT_TRUE(WriteText(glyphs(u"~3;99?"), {100, 100}, 0, false, &font));
  EXPECT_EQ(CallsSince(mark).size(), 1u);
  EXPECT_EQ(context.priv.track3Present, 0);

  // A handle of a later run is no character: the text is drawn.
  std::u16string secondRun = glyphs(u"~3;99?");
  secondRun[0] = 700;
  mark = Mark();
  EXPECT_TRUE(WriteText(secondRun, {100, 100}, 0, true, &font));
  EXPECT_EQ(CallsSince(mark).size(), 1u);
  EXPECT_EQ(context.priv.track3Present, 0);

  // 256 characters are read; a longer glyph text is drawn and nothing of it is stored.
  for (const size_t length : {256u, 257u}) {
    std::memset(context.insertBuffers[1], 0, kInsertBufferSize);
    mark = Mark();
    EXPECT_TRUE(WriteText(glyphs(u"~C1" + std::u16string(length - 3, u'x')), {0, 100}, 0, true, &font));
    EXPECT_EQ(CallsSince(mark).size(), length == 256 ? 0u : 1u) << length;
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(context.insertBuffers[1])), length == 256 ? 255u : 0u);
  }

  // No glyph set: every character is 0 and the text is drawn.
  host::SetFailure(host::FailPoint::FontObjGlyphSet);
  mark = Mark();
  WriteText(glyphs(u"~1%AB?"), {100, 100}, 0, true, &font);
  EXPECT_EQ(CallsSince(mark).size(), 1u);
  EXPECT_EQ(context.priv.track1Present, 0);
}

// --- A printed card --------------------------------------------------------------------------------------------

TEST_F(HooksTest, PrintedCardCarriesCapturedTracksAndBlackTextOnTheResinPanel) {
  JobSettings job;
  job.priv.encoder.hasEncoder = 1;
  job.priv.blackPanelUse = 2;
  host::EngineDevice& dev = Open(job);
  ASSERT_TRUE(dev.StartDoc(u"Card"));
  ASSERT_TRUE(dev.StartPage());
  ASSERT_TRUE(dev.DrawText(u"${1ABC123}$", {50, 50}, 0x000000));
  ASSERT_TRUE(dev.DrawText(u"~3;777?", {50, 150}, 0x000000));
  ASSERT_TRUE(dev.DrawText(u"NAME", {100, 400}, 0x000000));  // cells 100..164 x 382..406
  std::vector<uint8_t> picture(32 * 32 * 3, 0);
  for (size_t i = 0; i < picture.size(); i += 3) picture[i + 2] = 0xFF;  // red, BGR
  ASSERT_TRUE(dev.DrawImage(picture.data(), 32, 32, 32 * 3, RECTL{600, 300, 632, 332}));
  ASSERT_TRUE(dev.SendPage());
  ASSERT_TRUE(dev.EndDoc());

  const CommandStream stream = Parsed();
  const std::vector<std::string> texts = CommandTexts(stream);
  const std::vector<std::string> magnetic = {"\\e&R\\r", "\\e&B 1 ABC123\\r", "\\e&B 3 777\\r", "\\e&E*\\r"};
  const auto block = std::search(texts.begin(), texts.end(), magnetic.begin(), magnetic.end());
  ASSERT_NE(block, texts.end());
  EXPECT_LT(block - texts.begin(), std::find(texts.begin(), texts.end(), "\\e$F\\r") - texts.begin())
      << "the magnetic block comes before the panels";
  EXPECT_EQ(std::count(texts.begin(), texts.end(), "\\eI 10\\r"), 1);

  const StreamImage* resin = nullptr;
  for (const StreamItem& item : stream.items)
    if (item.image && item.image->kind == StreamImage::Kind::Mono) resin = &*item.image;
  ASSERT_NE(resin, nullptr);
  // Landscape, rotation flag clear: line L is column 1023 - L read downward, dot i is row i.
  auto dot = [&](int x, int y) {
    const size_t bit = static_cast<size_t>(1023 - x) * 640 + static_cast<size_t>(y);
    return (resin->values[bit / 8] >> (7 - bit % 8)) & 1;
  };
  EXPECT_EQ(dot(110, 390), 1) << "black text on the resin panel";
  EXPECT_EQ(dot(610, 310), 0) << "the picture stays off the resin panel";
  EXPECT_EQ(dot(60, 40), 0) << "captured text is not printed";
  size_t dots = 0;
  for (uint8_t b : resin->values) dots += static_cast<size_t>(__builtin_popcount(b));
  EXPECT_EQ(dots, 4u * 16 * 24) << "exactly the four cells of the text";
}

TEST_F(HooksTest, ColourPicturesBlittedFromTheirSourceStayOffTheResinPanel) {
  // "Except in colour pictures" with black bitmaps: a colour picture with black and dark areas, blitted with a
  // raster operation that reads it, leaves the resin panel white beneath it (even where black text lay before)
  // while black text elsewhere still prints in resin.
  struct Case {
    const char* name;
    ROP4 rop;
    RECTL clip;
  };
  const RECTL area{590, 290, 654, 338};
  const RECTL leftHalf{590, 290, 622, 338};  // the text under the picture keeps its columns 622..631
  const RECTL wholeCard{0, 0, 1024, 640};    // a clip that reaches the text elsewhere
  const Case cases[] = {
      {"SRCCOPY", 0xCCCC, area},
      {"NOTSRCCOPY", 0x3333, area},
      {"SRCAND", 0x8888, area},
      {"SRCPAINT", 0xEEEE, area},
      {"MERGECOPY", 0xC0C0, area},
      {"SRCCOPY, left half", 0xCCCC, leftHalf},
      {"SRCCOPY, whole card", 0xCCCC, wholeCard},
  };
  // 64 x 48 pixels: black on the left, dark red on the right, a colour band across the middle.
  Bitmap picture(64, 48, BMF_24BPP);
  for (LONG y = 0; y < 48; ++y)
    for (LONG x = 0; x < 64; ++x)
      host::WritePixel(picture.handle(), x, y, y >= 20 && y < 28 ? 0x3080C0 : x < 32 ? 0x000000 : 0x400000);

  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    host::ClearWritten(printer_);
    JobSettings job;
    job.priv.blackPanelUse = 3;
    job.priv.blackBitmap = 1;
    OpenPage(job);
    ASSERT_TRUE(WriteText(u"NAME", {100, 400}, 0x000000));  // cells 100..164 x 382..406
    ASSERT_TRUE(WriteText(u"AB", {600, 320}, 0x000000));    // cells 600..632 x 302..326, under the picture
    host::Clip clip(c.clip);
    host::Xlate xlate;
    BRUSHOBJ red = host::SolidBrush(kRed);
    POINTL origin{0, 0};
    POINTL sourcePoint{0, 0};
    RECTL target = area;
    ASSERT_TRUE(DrvBitBlt(page(), picture.get(), nullptr, clip.get(), xlate.get(), &target, &sourcePoint, nullptr,
                          c.rop == 0xC0C0 ? &red : nullptr, &origin, c.rop));
    ASSERT_TRUE(device().SendPage());
    ASSERT_TRUE(device().EndDoc());

    const CommandStream stream = Parsed();
    const StreamImage* resin = nullptr;
    for (const StreamItem& item : stream.items)
      if (item.image && item.image->kind == StreamImage::Kind::Mono) resin = &*item.image;
    ASSERT_NE(resin, nullptr);
    // Landscape, rotation flag clear: line L is column 1023 - L read downward, dot i is row i.
    auto dot = [&](int x, int y) {
      const size_t bit = static_cast<size_t>(1023 - x) * 640 + static_cast<size_t>(y);
      return (resin->values[bit / 8] >> (7 - bit % 8)) & 1;
    };
    size_t under = 0;
    for (int y = area.top; y < area.bottom; ++y)
      for (int x = area.left; x < std::min(area.right, c.clip.right); ++x) under += static_cast<size_t>(dot(x, y));
    EXPECT_EQ(under, 0u) << "no resin under the picture";
    EXPECT_EQ(dot(110, 390), 1) << "black text elsewhere prints in resin";
    size_t dots = 0;
    for (uint8_t b : resin->values) dots += static_cast<size_t>(__builtin_popcount(b));
    // Outside a clip that cuts the picture the text under the picture's place keeps its resin: columns 622..631.
    EXPECT_EQ(dots, 4u * 16 * 24 + (c.clip.right == 622 ? 10u * 24 : 0u));
  }
}

}  // namespace
}  // namespace tolma
