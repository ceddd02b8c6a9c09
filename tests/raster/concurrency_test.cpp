// Several rendering contexts printing different documents on different threads at once.
#include "raster/context.h"
#include "raster/ddi_functions.h"
#include "tests/support/print_fixture.h"

#include <gtest/gtest.h>

#include <thread>

namespace tolma {
namespace {

// A document per worker: its own ribbon handling, orientation, colours and black.
struct Document {
  test::JobSettings job;
  ULONG colour;
  RECTL black;
};

Document MakeDocument(int i) {
  Document d;
  d.job.priv.blackPanelUse = static_cast<int16_t>(1 + i % 2);
  d.job.priv.packedPanels = static_cast<int16_t>(i % 3 == 0);
  d.job.priv.rotate180 = static_cast<int16_t>(i % 2);
  d.job.orientation = i % 2 ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
  d.job.copies = static_cast<short>(1 + i % 3);
  d.job.priv.ccIntensityR = static_cast<int16_t>(10 * i);
  d.colour = 0x102030u * static_cast<ULONG>(i + 1);
  d.black = {static_cast<LONG>(20 * i), 40, static_cast<LONG>(20 * i + 200), 300};
  return d;
}

// Fills a rectangle of a 24-bit surface directly.
void Paint(SURFOBJ* so, const RECTL& r, ULONG colour) {
  for (LONG y = r.top; y < r.bottom && y < so->sizlBitmap.cy; ++y) {
    auto* row = static_cast<uint8_t*>(so->pvScan0) + static_cast<ptrdiff_t>(y) * so->lDelta;
    for (LONG x = r.left; x < r.right && x < so->sizlBitmap.cx; ++x) {
      row[x * 3] = static_cast<uint8_t>(colour);
      row[x * 3 + 1] = static_cast<uint8_t>(colour >> 8);
      row[x * 3 + 2] = static_cast<uint8_t>(colour >> 16);
    }
  }
}

std::vector<uint8_t> Print(const host::EngineDriver& driver, const Document& doc) {
  std::basic_string<WCHAR> name = host::Wide("Card");
  HANDLE printer = nullptr;
  if (!OpenPrinterW(name.data(), &printer, nullptr)) return {};
  {
    host::EngineDevice dev(driver, doc.job.Devmode(), printer);
    if (!dev.ok() || !dev.StartDoc(u"Card") || !dev.StartPage()) return {};
    Paint(dev.surfaceObject(), {0, 0, 400, 400}, doc.colour);
    Paint(dev.surfaceObject(), doc.black, 0);
    dev.SendPage();
    dev.EndDoc();
  }
  ClosePrinter(printer);
  return host::WrittenBytes(printer);
}

class ConcurrentPrinting : public test::PrintTest {};

TEST_F(ConcurrentPrinting, EveryStreamEqualsTheSameDocumentPrintedAlone) {
  constexpr int kWorkers = 4;
  std::vector<Document> docs;
  std::vector<std::vector<uint8_t>> alone;
  for (int i = 0; i < kWorkers; ++i) {
    docs.push_back(MakeDocument(i));
    alone.push_back(Print(*driver_, docs.back()));
    ASSERT_GT(alone.back().size(), 1000u) << i;
  }
  for (int round = 0; round < 2; ++round) {
    std::vector<std::vector<uint8_t>> together(kWorkers);
    std::vector<std::thread> threads;
    for (int i = 0; i < kWorkers; ++i)
      threads.emplace_back(
          [&, i] { together[static_cast<size_t>(i)] = Print(*driver_, docs[static_cast<size_t>(i)]); });
    for (std::thread& t : threads) t.join();
    for (int i = 0; i < kWorkers; ++i) EXPECT_EQ(together[static_cast<size_t>(i)], alone[static_cast<size_t>(i)]) << i;
  }
}

}  // namespace
}  // namespace tolma
