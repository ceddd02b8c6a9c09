// The host GDI's painting: brushes, pens and rectangles, block transfers, DIB lines, bitmap descriptions and
// bitmaps loaded from files and resources.
#include "platform/host/draw_host.h"
#include "platform/host/user/dialog_host.h"
#include "tests/host/pictures.h"
#include "tests/host/resources/test_ids.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <span>

namespace tolma::test {

std::span<const uint8_t> TestDialogResources();  // generated from tests/host/resources/test_dialogs.rc

namespace {

// Memory device contexts holding 24-bit bitmaps of pictures, released after each test.
class GdiPaintingTest : public HostTest {
 protected:
  HDC NewDc(const Picture& picture, int bpp = 24) {
    HDC dc = CreateCompatibleDC(nullptr);
    const TestDib init = MakeDib(picture, bpp);
    HBITMAP bitmap = CreateDIBitmap(dc, &init.get()->bmiHeader, CBM_INIT, init.bits.data(), init.get(), DIB_RGB_COLORS);
    made_.push_back({dc, bitmap, SelectObject(dc, bitmap), picture, bpp});
    return dc;
  }
  Picture Read(HDC dc) const {
    for (const Made& m : made_)
      if (m.dc == dc) return ReadBitmap(m.bitmap, LONG(m.picture[0].size()), LONG(m.picture.size()), m.bpp);
    return {};
  }
  void TearDown() override {
    for (const Made& m : made_) {
      SelectObject(m.dc, m.previous);
      DeleteObject(m.bitmap);
      DeleteDC(m.dc);
    }
    EXPECT_EQ(host::LiveBitmapCount(), 0);
    EXPECT_EQ(host::LiveMemoryDcCount(), 0);
    EXPECT_EQ(host::LiveBrushAndPenCount(), 0);
    HostTest::TearDown();
  }
  struct Made {
    HDC dc;
    HBITMAP bitmap;
    HGDIOBJ previous;
    Picture picture;
    int bpp;
  };
  std::vector<Made> made_;
};

TEST_F(GdiPaintingTest, RectanglesOutlineWithThePenAndFillWithTheBrush) {
  HDC dc = NewDc({"......", "......", "......", "......", "......"});
  // The defaults: a black pen and a white brush.
  EXPECT_TRUE(Rectangle(dc, 1, 1, 5, 4));
  EXPECT_EQ(Read(dc), (Picture{"......", ".####.", ".#..#.", ".####.", "......"}));
  // Without a pen the filled area is one pixel narrower and lower.
  HGDIOBJ oldPen = SelectObject(dc, GetStockObject(NULL_PEN));
  HGDIOBJ oldBrush = SelectObject(dc, GetStockObject(BLACK_BRUSH));
  EXPECT_EQ(oldPen, GetStockObject(BLACK_PEN));
  EXPECT_EQ(oldBrush, GetStockObject(WHITE_BRUSH));
  Rectangle(dc, 2, 2, 5, 5);
  EXPECT_EQ(Read(dc), (Picture{"......", ".####.", ".####.", ".####.", "......"}));
  SelectObject(dc, oldPen);
  SelectObject(dc, oldBrush);

  HBRUSH red = CreateSolidBrush(RGB(255, 0, 0));
  const RECT corner{4, 3, 9, 9};
  EXPECT_EQ(FillRect(dc, &corner, red), 1);
  const RECT first{0, 0, 1, 5};
  EXPECT_EQ(FillRect(dc, &first, reinterpret_cast<HBRUSH>(COLOR_WINDOWTEXT + 1)), 1) << "a system colour";
  EXPECT_EQ(Read(dc), (Picture{"#.....", "#####.", "#####.", "####rr", "#...rr"}));
  EXPECT_TRUE(DeleteObject(red));
  EXPECT_TRUE(DeleteObject(GetStockObject(BLACK_BRUSH))) << "stock objects stay";
  EXPECT_EQ(GetSysColor(COLOR_BTNFACE), RGB(240, 240, 240));
}

TEST_F(GdiPaintingTest, BitBltCopiesWhatTheSourceHas) {
  HDC source = NewDc({"#r", "b#"});
  HDC dest = NewDc({"....", "....", "...."});
  EXPECT_TRUE(BitBlt(dest, 1, 1, 2, 2, source, 0, 0, SRCCOPY));
  EXPECT_EQ(Read(dest), (Picture{"....", ".#r.", ".b#."}));
  // A block partly outside the source copies only the part that exists.
  EXPECT_TRUE(BitBlt(dest, 2, 0, 3, 1, source, -1, 1, SRCCOPY));
  EXPECT_EQ(Read(dest), (Picture{"...b", ".#r.", ".b#."}));
  EXPECT_TRUE(BitBlt(dest, 0, 2, 2, 1, nullptr, 0, 0, BLACKNESS));
  HBRUSH blue = CreateSolidBrush(RGB(0, 0, 255));
  HGDIOBJ old = SelectObject(dest, blue);
  EXPECT_TRUE(BitBlt(dest, 0, 0, 1, 2, nullptr, 0, 0, PATCOPY));
  SelectObject(dest, old);
  DeleteObject(blue);
  EXPECT_EQ(Read(dest), (Picture{"b..b", "b#r.", "###."}));
  EXPECT_FALSE(BitBlt(dest, 0, 0, 1, 1, source, 0, 0, 0x00660046)) << "SRCINVERT is not offered";
  // A one-bit source becomes black and white.
  HDC mono = NewDc({"#.", ".#"}, 1);
  EXPECT_TRUE(BitBlt(dest, 2, 1, 2, 2, mono, 0, 0, SRCCOPY));
  EXPECT_EQ(Read(dest), (Picture{"b..b", "b##.", "##.#"}));
}

TEST_F(GdiPaintingTest, StretchBltMirrorsAndShrinksByTheStretchMode) {
  HDC source = NewDc({"#.r.", "...."});
  HDC dest = NewDc({"....", "...."});
  EXPECT_TRUE(StretchBlt(dest, 3, 0, -4, 1, source, 0, 0, 4, 1, SRCCOPY));
  EXPECT_EQ(Read(dest)[0], ".r.#");
  // Shrinking: black on white keeps black (AND), colour on colour takes one pixel.
  EXPECT_TRUE(StretchBlt(dest, 0, 1, 2, 1, source, 0, 0, 4, 1, SRCCOPY));
  EXPECT_EQ(Read(dest)[1], "#r..");
  EXPECT_EQ(SetStretchBltMode(dest, COLORONCOLOR), 1);
  EXPECT_TRUE(StretchBlt(dest, 2, 1, 1, 1, source, 2, 0, 2, 1, SRCCOPY));
  EXPECT_EQ(Read(dest)[1], "#rr.");
}

TEST_F(GdiPaintingTest, SetDIBitsSetsTheLinesItIsGiven) {
  HDC dc = NewDc({"...", "...", "..."});
  HBITMAP bitmap = made_.back().bitmap;
  // Scan lines 1 and 2 of a bottom-up 3 x 3 DIB are the bitmap's rows 1 and 0.
  const TestDib dib = MakeDib({"r#b", "#r#", "bbb"}, 24);
  const size_t stride = 12;
  SelectObject(dc, made_.back().previous);
  EXPECT_EQ(SetDIBits(nullptr, bitmap, 1, 2, dib.bits.data() + stride, dib.get(), DIB_RGB_COLORS), 2);
  EXPECT_EQ(ReadBitmap(bitmap, 3, 3, 24), (Picture{"r#b", "#r#", "..."}));
  EXPECT_EQ(SetDIBits(nullptr, bitmap, 3, 1, dib.bits.data(), dib.get(), DIB_RGB_COLORS), 0) << "past the last line";
  made_.back().previous = SelectObject(dc, bitmap);

  BITMAP description{};
  EXPECT_EQ(GetObjectW(bitmap, sizeof description, &description), int(sizeof description));
  EXPECT_EQ(description.bmWidth, 3);
  EXPECT_EQ(description.bmHeight, 3);
  EXPECT_EQ(description.bmBitsPixel, 24);
  EXPECT_EQ(description.bmWidthBytes, 10);
  EXPECT_EQ(GetObjectW(bitmap, 8, &description), 0);
}

// A bitmap file of rows given top to bottom, stored bottom-up, with a colour table for 1 and 8 bits.
std::vector<uint8_t> BmpFile(const std::vector<std::vector<uint8_t>>& rows, int bpp, const std::vector<ULONG>& table) {
  const int width = static_cast<int>(rows[0].size()), height = static_cast<int>(rows.size());
  const size_t stride = (static_cast<size_t>(width) * bpp + 31) / 32 * 4;
  std::vector<uint8_t> pixels(stride * height, 0);
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      uint8_t* row = pixels.data() + stride * (height - 1 - y);
      if (bpp == 1 && rows[y][x]) row[x / 8] |= static_cast<uint8_t>(0x80 >> (x % 8));
      if (bpp == 8) row[x] = rows[y][x];
    }
  auto put = [](std::vector<uint8_t>& out, uint32_t v, int bytes) {
    for (int i = 0; i < bytes; ++i) out.push_back(static_cast<uint8_t>(v >> (8 * i)));
  };
  const uint32_t offset = 54 + static_cast<uint32_t>(table.size()) * 4;
  std::vector<uint8_t> file{'B', 'M'};
  put(file, offset + static_cast<uint32_t>(pixels.size()), 4);
  put(file, 0, 4);
  put(file, offset, 4);
  for (uint32_t v : {40u, uint32_t(width), uint32_t(height)}) put(file, v, 4);
  put(file, 1, 2);
  put(file, static_cast<uint32_t>(bpp), 2);
  for (int i = 0; i < 4; ++i) put(file, 0, 4);        // compression, image size, resolution
  put(file, static_cast<uint32_t>(table.size()), 4);  // colours used
  put(file, 0, 4);
  for (ULONG c : table) put(file, c, 4);  // blue, green, red, 0 as 0x00RRGGBB
  file.insert(file.end(), pixels.begin(), pixels.end());
  return file;
}

TEST_F(GdiPaintingTest, LoadImageReadsBitmapFilesAndResources) {
  TempDir dir;
  const std::string mono = dir.Write("mono.bmp", BmpFile({{1, 0, 1}, {0, 1, 0}}, 1, {0x000000, 0xFFFFFF}));
  const std::string indexed = dir.Write("indexed.bmp", BmpFile({{0, 1}, {2, 0}}, 8, {0xFFFFFF, 0xFF0000, 0x0000FF}));
  std::vector<uint8_t> cut = BmpFile({{0, 1}, {2, 0}}, 8, {0xFFFFFF, 0xFF0000, 0x0000FF});
  cut.pop_back();
  const std::string truncated = dir.Write("cut.bmp", cut);
  auto load = [](const std::string& path, int width = 0, int height = 0) {
    const host::WideString name = host::Wide(path);
    return static_cast<HBITMAP>(
        LoadImageW(nullptr, name.c_str(), IMAGE_BITMAP, width, height, LR_LOADFROMFILE | LR_CREATEDIBSECTION));
  };
  HBITMAP m = load(mono);
  ASSERT_NE(m, nullptr);
  EXPECT_EQ(ReadBitmap(m, 3, 2, 1), (Picture{".#.", "#.#"})) << "index 1 is white, kept at one bit";
  HBITMAP i = load(indexed);
  ASSERT_NE(i, nullptr);
  EXPECT_EQ(ReadBitmap(i, 2, 2, 24), (Picture{".r", "b."}));
  HBITMAP big = load(indexed, 4, 4);
  ASSERT_NE(big, nullptr);
  EXPECT_EQ(ReadBitmap(big, 4, 4, 24), (Picture{"..rr", "..rr", "bb..", "bb.."}));
  EXPECT_EQ(load(truncated), nullptr);
  EXPECT_EQ(load(dir.str() + "/missing.bmp"), nullptr);

  HMODULE module = host::RegisterModule("C:\\tests\\dialogs.dll");
  ASSERT_TRUE(host::RegisterModuleResources(module, TestDialogResources()));
  auto* r = static_cast<HBITMAP>(LoadImageW(module, MAKEINTRESOURCEW(IDB_SMALL), IMAGE_BITMAP, 0, 0, 0));
  ASSERT_NE(r, nullptr);
  EXPECT_EQ(ReadBitmap(r, 4, 2, 24), (Picture{"r.b#", "#..r"}));
  EXPECT_EQ(LoadImageW(module, MAKEINTRESOURCEW(601), IMAGE_BITMAP, 0, 0, 0), nullptr);
  for (HBITMAP b : {m, i, big, r}) EXPECT_TRUE(DeleteObject(b));
}

}  // namespace
}  // namespace tolma::test
