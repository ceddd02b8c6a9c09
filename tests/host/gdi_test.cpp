// The host GDI: memory device contexts, 1-bit and 24-bit DIB calls, mirroring, bottom-up reads, window canvases.
#include "platform/host/draw_host.h"
#include "tests/host/pictures.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <functional>

namespace tolma::test {
namespace {

// Releases after each test the memory device context and bitmap that SelectNew made, and checks that
// no GDI object is left.
class GdiTest : public HostTest {
 protected:
  // A memory bitmap holding `picture` (1 bit), selected into a new memory device context.
  HBITMAP SelectNew(const Picture& picture, int bpp = 1) {
    dc_ = CreateCompatibleDC(nullptr);
    const TestDib init = MakeDib(picture, bpp);
    bitmap_ = CreateDIBitmap(dc_, &init.get()->bmiHeader, CBM_INIT, init.bits.data(), init.get(), DIB_RGB_COLORS);
    previous_ = SelectObject(dc_, bitmap_);
    return bitmap_;
  }
  // Releases what SelectNew made.
  void Release() {
    if (dc_ != nullptr) {
      SelectObject(dc_, previous_);
      DeleteObject(bitmap_);
      DeleteDC(dc_);
    }
    dc_ = nullptr;
  }
  void TearDown() override {
    Release();
    EXPECT_EQ(host::LiveBitmapCount(), 0);
    EXPECT_EQ(host::LiveMemoryDcCount(), 0);
    HostTest::TearDown();
  }
  HDC dc_ = nullptr;
  HBITMAP bitmap_ = nullptr;
  HGDIOBJ previous_ = nullptr;
};

TEST_F(GdiTest, StretchDIBitsMirrorsWhereTheExtentsDifferInSign) {
  const Picture source{"##.#", "#..."};
  struct Case {
    const char* name;
    int x, y, width, height;
    Picture expected;
  };
  // A negative extent covers origin + extent + 1 up to the origin: mirroring from (width - 1) is exact,
  // from the far edge shifts the picture by one pixel and leaves the first column or row as it was.
  const Case cases[] = {
      {"one to one", 0, 0, 4, 2, {"##.#", "#..."}},
      {"upside down from the last row", 0, 1, 4, -2, {"#...", "##.#"}},
      {"left to right from the last column", 3, 0, -4, 2, {"#.##", "...#"}},
      {"both axes", 3, 1, -4, -2, {"...#", "#.##"}},
      {"left to right from the right edge", 4, 0, -4, 2, {".#.#", "...."}},
      {"upside down from the bottom edge", 0, 2, 4, -2, {"....", "#..."}},
  };
  for (bool bottomUp : {true, false}) {
    const TestDib dib = MakeDib(source, 1, bottomUp);
    for (const Case& c : cases) {
      SCOPED_TRACE(testing::Message() << c.name << (bottomUp ? ", bottom-up" : ", top-down"));
      HBITMAP bitmap = SelectNew(Picture(2, "...."));
      EXPECT_EQ(StretchDIBits(dc_, c.x, c.y, c.width, c.height, 0, 0, 4, 2, dib.bits.data(), dib.get(), DIB_RGB_COLORS,
                              SRCCOPY),
                2);
      EXPECT_EQ(ReadBitmap(bitmap, 4, 2, 1), c.expected);
      Release();
    }
  }
}

TEST_F(GdiTest, StretchDIBitsScalesAndTakesSourceRectanglesFromTheDibOrigin) {
  // The source rectangle of a bottom-up DIB counts its rows from the bottom row.
  const Picture source{"#.", "..", ".#"};
  const TestDib bottomUp = MakeDib(source, 1, true);
  const TestDib topDown = MakeDib(source, 1, false);
  HBITMAP bitmap = SelectNew(Picture(2, "...."));
  ASSERT_EQ(StretchDIBits(dc_, 0, 0, 4, 2, 0, 0, 2, 1, bottomUp.bits.data(), bottomUp.get(), DIB_RGB_COLORS, SRCCOPY),
            1);
  EXPECT_EQ(ReadBitmap(bitmap, 4, 2, 1), (Picture{"..##", "..##"}));
  ASSERT_EQ(StretchDIBits(dc_, 0, 0, 4, 2, 0, 0, 2, 1, topDown.bits.data(), topDown.get(), DIB_RGB_COLORS, SRCCOPY), 1);
  EXPECT_EQ(ReadBitmap(bitmap, 4, 2, 1), (Picture{"##..", "##.."}));
}

TEST_F(GdiTest, OverlayBitmapPathAtCardSize) {
  // A 1024 x 640 file picture, white but for two black pixels near its top left corner.
  Picture file(640, std::string(1024, '.'));
  file[0][0] = '#';
  file[0][1] = '#';
  file[2][5] = '#';
  const TestDib dib = MakeDib(file, 1, true);

  struct Case {
    const char* name;
    int x, y, width, height;
    // Bits of the first stored (bottom) row and of the last one.
    std::vector<uint8_t> bottomRowStart, topRowStart;
  };
  const Case cases[] = {
      // Upside down: the file's top row is the bitmap's bottom row, stored first.
      {"not rotated", 0, 639, 1024, -640, {0x3F, 0xFF}, {0xFF, 0xFF}},
      // Mirrored from the right edge: file column c lands on 1024 - c, so column 0 is lost and the
      // bitmap's column 0 keeps its initial (black) bits.
      {"rotated", 1024, 0, -1024, 640, {0x7F, 0xFF}, {0x7F, 0xFF}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    HWND window = GetTopWindow(nullptr);
    ASSERT_EQ(window, host::TopWindow());
    PAINTSTRUCT paint{};
    HDC screen = BeginPaint(window, &paint);
    ASSERT_NE(screen, nullptr);
    HDC memory = CreateCompatibleDC(screen);
    ASSERT_NE(memory, nullptr);
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[2];
    } info{};
    info.header = BITMAPINFOHEADER{40, 1024, 640, 1, 1, BI_RGB, 0, 11811, 11811, 0, 0};
    std::vector<uint8_t> bits(98304, 0);
    HBITMAP bitmap =
        CreateDIBitmap(screen, &info.header, 0, bits.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS);
    ASSERT_NE(bitmap, nullptr);
    HGDIOBJ old = SelectObject(memory, bitmap);
    ASSERT_NE(old, nullptr);
    ASSERT_EQ(StretchDIBits(memory, c.x, c.y, c.width, c.height, 0, 0, 1024, 640, dib.bits.data(), dib.get(),
                            DIB_RGB_COLORS, SRCCOPY),
              640);
    ASSERT_EQ(GetDIBits(memory, bitmap, 0, 640, bits.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS),
              640);
    EXPECT_EQ(std::vector<uint8_t>(bits.begin(), bits.begin() + 2), c.bottomRowStart);
    EXPECT_EQ(std::vector<uint8_t>(bits.begin() + 639 * 128, bits.begin() + 639 * 128 + 2), c.topRowStart);
    // The file's pixel (5, 2) as the bitmap shows it.
    const LONG x = c.width < 0 ? 1024 - 5 : 5, y = c.height < 0 ? 637 : 2;
    EXPECT_EQ(host::BitmapPixel(bitmap, x, y), 0u);
    EXPECT_EQ(host::BitmapPixel(bitmap, x + 1, y), 1u);

    // A bitmap still selected into a context cannot be deleted.
    EXPECT_FALSE(DeleteObject(bitmap));
    EXPECT_EQ(SelectObject(memory, old), bitmap);
    EXPECT_TRUE(DeleteObject(bitmap));
    EXPECT_TRUE(DeleteDC(memory));
    EXPECT_EQ(host::OpenPaintCount(), 1);
    EXPECT_TRUE(EndPaint(window, &paint));
    EXPECT_EQ(host::OpenPaintCount(), 0);
  }
}

TEST_F(GdiTest, GetDIBitsStoresRowsBottomUpOrTopDown) {
  HBITMAP bitmap = SelectNew({"#.......", ".#......", "..#....."});
  struct Case {
    LONG height;  // sign: bottom-up (positive) or top-down
    UINT start, lines;
    int copied;
    std::vector<uint8_t> firstBytes;  // byte 0 of each returned row
  };
  const Case cases[] = {
      {3, 0, 3, 3, {0xDF, 0xBF, 0x7F}},
      {-3, 0, 3, 3, {0x7F, 0xBF, 0xDF}},
      {3, 1, 5, 2, {0xBF, 0x7F}},  // scan lines from the second-lowest; no more than exist
      {3, 3, 1, 0, {}},
  };
  for (const Case& c : cases) {
    struct {
      BITMAPINFOHEADER header;
      RGBQUAD colours[2];
    } info{};
    info.header = BITMAPINFOHEADER{40, 8, c.height, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
    std::vector<uint8_t> bits(4 * 5, 0xAA);
    EXPECT_EQ(
        GetDIBits(dc_, bitmap, c.start, c.lines, bits.data(), reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS),
        c.copied);
    for (size_t i = 0; i < c.firstBytes.size(); ++i) {
      EXPECT_EQ(bits[4 * i], c.firstBytes[i]) << "row " << i;
      EXPECT_EQ(bits[4 * i + 1], 0) << "padding is cleared";
    }
    EXPECT_EQ(bits[4 * c.firstBytes.size()], 0xAA) << "nothing written past the rows returned";
    EXPECT_EQ(info.colours[0].rgbRed, 0);
    EXPECT_EQ(info.colours[1].rgbRed, 0xFF);
  }

  // 24 bits a pixel; and a description only when no bits are asked for.
  BITMAPINFO colour{};
  colour.bmiHeader = BITMAPINFOHEADER{40, 8, -3, 1, 24, BI_RGB, 0, 0, 0, 0, 0};
  std::vector<uint8_t> rgb(24 * 3, 0x55);
  ASSERT_EQ(GetDIBits(dc_, bitmap, 0, 3, rgb.data(), &colour, DIB_RGB_COLORS), 3);
  EXPECT_EQ((std::vector<uint8_t>(rgb.begin(), rgb.begin() + 6)), (std::vector<uint8_t>{0, 0, 0, 0xFF, 0xFF, 0xFF}));
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } query{};
  query.header.biSize = 40;
  EXPECT_NE(GetDIBits(dc_, bitmap, 0, 0, nullptr, reinterpret_cast<BITMAPINFO*>(&query), DIB_RGB_COLORS), 0);
  EXPECT_EQ(query.header.biWidth, 8);
  EXPECT_EQ(query.header.biHeight, 3);
  EXPECT_EQ(query.header.biBitCount, 1);
  EXPECT_EQ(query.header.biSizeImage, 12u);

  // A DIB of another size than the bitmap is refused.
  colour.bmiHeader.biWidth = 9;
  EXPECT_EQ(GetDIBits(dc_, bitmap, 0, 3, rgb.data(), &colour, DIB_RGB_COLORS), 0);
}

TEST_F(GdiTest, CreateDIBitmapTakesPixelsThroughTheColourTable) {
  HDC dc = CreateCompatibleDC(nullptr);
  struct Case {
    const char* name;
    int dibBpp;
    WORD bitmapBpp;
    ULONG colour0, colour1;
    Picture picture, expected;
  };
  const Case cases[] = {
      {"1 bit, black and white", 1, 1, host::kBlack, host::kWhite, {"#..#"}, {"#..#"}},
      {"1 bit, white and black: index 0 is white", 1, 1, host::kWhite, host::kBlack, {"#..#"}, {"#..#"}},
      {"24 bits into 1 bit: only white sets a bit", 24, 1, 0, 0, {"r.#b"}, {"#.##"}},
      {"24 bits into 24 bits", 24, 24, 0, 0, {"r.#b"}, {"r.#b"}},
  };
  for (const Case& c : cases) {
    const TestDib dib = MakeDib(c.picture, c.dibBpp, true, c.colour0, c.colour1);
    BITMAPINFOHEADER header = dib.info.header;
    header.biBitCount = c.bitmapBpp;
    HBITMAP bitmap = CreateDIBitmap(dc, &header, CBM_INIT, dib.bits.data(), dib.get(), DIB_RGB_COLORS);
    ASSERT_NE(bitmap, nullptr) << c.name;
    EXPECT_EQ(ReadBitmap(bitmap, 4, 1, c.bitmapBpp), c.expected) << c.name;
    EXPECT_TRUE(DeleteObject(bitmap));
  }
  // Without CBM_INIT the bits start cleared; unsupported depths are refused.
  BITMAPINFOHEADER header{40, 4, 1, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
  HBITMAP blank = CreateDIBitmap(dc, &header, 0, nullptr, nullptr, DIB_RGB_COLORS);
  EXPECT_EQ(ReadBitmap(blank, 4, 1, 1), Picture{"####"});
  EXPECT_TRUE(DeleteObject(blank));
  header.biBitCount = 8;
  EXPECT_EQ(CreateDIBitmap(dc, &header, 0, nullptr, nullptr, DIB_RGB_COLORS), nullptr);
  header.biBitCount = 1;
  EXPECT_EQ(CreateDIBitmap(dc, &header, CBM_INIT, nullptr, nullptr, DIB_RGB_COLORS), nullptr);
  EXPECT_TRUE(DeleteDC(dc));
}

TEST_F(GdiTest, SelectionRules) {
  HDC first = CreateCompatibleDC(nullptr);
  HDC second = CreateCompatibleDC(first);
  BITMAPINFOHEADER header{40, 2, 2, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
  HBITMAP bitmap = CreateDIBitmap(nullptr, &header, 0, nullptr, nullptr, DIB_RGB_COLORS);
  HBITMAP stock = host::SelectedBitmap(first);
  ASSERT_NE(stock, nullptr);
  EXPECT_EQ(host::BitmapPixel(stock, 0, 0), 1u);  // the default 1 x 1 bitmap

  EXPECT_EQ(SelectObject(first, bitmap), stock);
  EXPECT_EQ(SelectObject(second, bitmap), nullptr) << "selected into another context";
  EXPECT_EQ(SelectObject(first, bitmap), bitmap) << "selecting it again returns it";
  EXPECT_FALSE(DeleteObject(bitmap));
  // Deleting the context releases the selection.
  EXPECT_TRUE(DeleteDC(first));
  EXPECT_EQ(SelectObject(second, bitmap), stock);
  EXPECT_EQ(SelectObject(second, stock), bitmap);
  EXPECT_TRUE(DeleteObject(bitmap));
  EXPECT_FALSE(DeleteObject(bitmap)) << "already deleted";
  EXPECT_EQ(SelectObject(second, bitmap), nullptr);

  // Bitmaps do not go into a window's paint context, and unknown contexts are refused.
  PAINTSTRUCT paint{};
  HDC window = BeginPaint(host::TopWindow(), &paint);
  EXPECT_EQ(SelectObject(window, stock), nullptr);
  EXPECT_FALSE(DeleteDC(window));
  EXPECT_TRUE(EndPaint(host::TopWindow(), &paint));
  EXPECT_EQ(CreateCompatibleDC(window), nullptr);
  EXPECT_TRUE(DeleteDC(second));
  EXPECT_FALSE(DeleteDC(second));
}

TEST_F(GdiTest, PreviewPaintsOnTheWindowCanvas) {
  HWND window = host::TopWindow();
  host::SetCanvas(window, 8, 4);
  PAINTSTRUCT paint{};
  HDC dc = BeginPaint(window, &paint);
  ASSERT_NE(dc, nullptr);
  EXPECT_EQ(paint.hdc, dc);
  EXPECT_EQ(paint.rcPaint.right, 8);
  EXPECT_EQ(paint.rcPaint.bottom, 4);

  // A 24-bit picture doubled in size, and a 1-bit one turned by 180 degrees.
  const TestDib colour = MakeDib({"rb", "#."}, 24);
  EXPECT_EQ(StretchDIBits(dc, 0, 0, 4, 4, 0, 0, 2, 2, colour.bits.data(), colour.get(), DIB_RGB_COLORS, SRCCOPY), 2);
  const TestDib mono = MakeDib({"#.."}, 1);
  EXPECT_EQ(StretchDIBits(dc, 7, 3, -3, -1, 0, 0, 3, 1, mono.bits.data(), mono.get(), DIB_RGB_COLORS, SRCCOPY), 1);
  EXPECT_TRUE(EndPaint(window, &paint));

  Picture canvas(4, std::string(8, ' '));
  for (LONG y = 0; y < 4; ++y)
    for (LONG x = 0; x < 8; ++x) canvas[y][x] = CharOf(host::CanvasPixel(window, x, y));
  EXPECT_EQ(canvas, (Picture{"rrbb....", "rrbb....", "##......", "##.....#"}));
  EXPECT_EQ(host::CanvasPixel(window, 8, 0), host::kNoBrush);

  // Another window painted without a canvas gets a white default one.
  static int other;
  HWND otherWindow = reinterpret_cast<HWND>(&other);
  ASSERT_NE(BeginPaint(otherWindow, &paint), nullptr);
  EXPECT_EQ(paint.rcPaint.right, 640);
  EXPECT_EQ(host::CanvasPixel(otherWindow, 639, 479), host::kWhite);
  EXPECT_TRUE(EndPaint(otherWindow, &paint));
}

TEST_F(GdiTest, UnsupportedDibsAndCallsDrawNothing) {
  const Picture white(2, "....");
  struct Case {
    const char* name;
    std::function<void(TestDib&)> spoil;
    DWORD rop = SRCCOPY;
    UINT usage = DIB_RGB_COLORS;
    int destWidth = 4;
  };
  const Case cases[] = {
      {"8 bits a pixel", [](TestDib& d) { d.info.header.biBitCount = 8; }},
      {"compressed", [](TestDib& d) { d.info.header.biCompression = 1; }},
      {"zero width", [](TestDib& d) { d.info.header.biWidth = 0; }},
      {"zero height", [](TestDib& d) { d.info.header.biHeight = 0; }},
      {"huge width", [](TestDib& d) { d.info.header.biWidth = 1 << 20; }},
      {"three colours for one bit", [](TestDib& d) { d.info.header.biClrUsed = 3; }},
      {"image size smaller than the rows", [](TestDib& d) { d.info.header.biSizeImage = 4; }},
      {"short header", [](TestDib& d) { d.info.header.biSize = 12; }},
      {"other raster operation", [](TestDib&) {}, 0x00330008},
      {"palette colours", [](TestDib&) {}, SRCCOPY, DIB_PAL_COLORS},
      {"zero destination width", [](TestDib&) {}, SRCCOPY, DIB_RGB_COLORS, 0},
  };
  HBITMAP bitmap = SelectNew(white);
  for (const Case& c : cases) {
    TestDib dib = MakeDib({"####", "####"}, 1);
    c.spoil(dib);
    EXPECT_EQ(StretchDIBits(dc_, 0, 0, c.destWidth, 2, 0, 0, 4, 2, dib.bits.data(), dib.get(), c.usage, c.rop), 0)
        << c.name;
    EXPECT_EQ(ReadBitmap(bitmap, 4, 2, 1), white) << c.name;
  }
  const TestDib dib = MakeDib({"####", "####"}, 1);
  EXPECT_EQ(StretchDIBits(nullptr, 0, 0, 4, 2, 0, 0, 4, 2, dib.bits.data(), dib.get(), DIB_RGB_COLORS, SRCCOPY), 0);
  EXPECT_EQ(StretchDIBits(dc_, 0, 0, 4, 2, 0, 0, 4, 2, nullptr, dib.get(), DIB_RGB_COLORS, SRCCOPY), 0);
  // A source rectangle reaching past the picture leaves the pixels it cannot take.
  EXPECT_EQ(StretchDIBits(dc_, 0, 0, 4, 2, 2, 0, 4, 2, dib.bits.data(), dib.get(), DIB_RGB_COLORS, SRCCOPY), 2);
  EXPECT_EQ(ReadBitmap(bitmap, 4, 2, 1), (Picture{"##..", "##.."}));
}

TEST_F(GdiTest, EachCallCanBeMadeToFail) {
  HWND window = host::TopWindow();
  PAINTSTRUCT paint{};
  HDC screen = BeginPaint(window, &paint);
  HBITMAP bitmap = SelectNew(Picture(1, "...."));
  const TestDib dib = MakeDib({"####"}, 1);
  BITMAPINFOHEADER header{40, 4, 1, 1, 1, BI_RGB, 0, 0, 0, 0, 0};
  struct {
    BITMAPINFOHEADER header;
    RGBQUAD colours[2];
  } info{};
  info.header = header;
  uint32_t row = 0;
  HDC spareDc = CreateCompatibleDC(nullptr);
  HBITMAP spareBitmap = CreateDIBitmap(nullptr, &header, 0, nullptr, nullptr, DIB_RGB_COLORS);
  PAINTSTRUCT spare{};
  spare.hdc = screen;

  struct Case {
    host::FailPoint point;
    std::function<bool()> failed;  // makes the call and says whether it reported failure
  };
  const Case cases[] = {
      {host::FailPoint::GetTopWindow, [&] { return GetTopWindow(nullptr) == nullptr; }},
      {host::FailPoint::BeginPaint, [&] { return BeginPaint(window, &spare) == nullptr; }},
      {host::FailPoint::CreateCompatibleDC, [&] { return CreateCompatibleDC(screen) == nullptr; }},
      {host::FailPoint::CreateDIBitmap,
       [&] { return CreateDIBitmap(screen, &header, 0, nullptr, nullptr, DIB_RGB_COLORS) == nullptr; }},
      {host::FailPoint::SelectObject, [&] { return SelectObject(spareDc, spareBitmap) == nullptr; }},
      {host::FailPoint::StretchDIBits,
       [&] {
         return StretchDIBits(dc_, 0, 0, 4, 1, 0, 0, 4, 1, dib.bits.data(), dib.get(), DIB_RGB_COLORS, SRCCOPY) == 0;
       }},
      {host::FailPoint::GetDIBits,
       [&] { return GetDIBits(dc_, bitmap, 0, 1, &row, reinterpret_cast<BITMAPINFO*>(&info), DIB_RGB_COLORS) == 0; }},
      {host::FailPoint::DeleteObject, [&] { return !DeleteObject(spareBitmap); }},
      {host::FailPoint::DeleteDC, [&] { return !DeleteDC(spareDc); }},
      {host::FailPoint::EndPaint, [&] { return !EndPaint(window, &paint); }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(int(c.point));
    const int before = host::CallCount(c.point);
    host::SetFailure(c.point, 0, 1);
    EXPECT_TRUE(c.failed());
    EXPECT_EQ(host::CallCount(c.point), before + 1);
  }
  // Nothing was drawn, created or released by the failed calls.
  EXPECT_EQ(ReadBitmap(bitmap, 4, 1, 1), Picture{"...."});
  EXPECT_EQ(host::LiveMemoryDcCount(), 2);
  EXPECT_EQ(host::LiveBitmapCount(), 2);
  EXPECT_EQ(host::OpenPaintCount(), 1);
  EXPECT_TRUE(DeleteObject(spareBitmap));
  EXPECT_TRUE(DeleteDC(spareDc));
  EXPECT_TRUE(EndPaint(window, &paint));
}

}  // namespace
}  // namespace tolma::test
