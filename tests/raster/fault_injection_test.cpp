// Spooler faults during a print job: every WritePrinter call failing in turn, and partial writes.
#include "tests/support/print_fixture.h"

#include <gtest/gtest.h>

#include <algorithm>

namespace tolma {
namespace {

class FaultInjectionTest : public test::PrintTest {
 protected:
  // A card with colour, a black rectangle on the resin panel, a magnetic track and two copies.
  std::vector<uint8_t> PrintReference() {
    test::JobSettings job;
    job.copies = 2;
    job.priv.blackPanelUse = 1;
    job.priv.frontOverlay.areaType = 2;
    const size_t before = Stream().size();
    host::EngineDevice& dev = Open(job);
    EXPECT_TRUE(dev.StartDoc(u"Card"));
    EXPECT_TRUE(dev.StartPage());
    PaintCard({0, 0, 512, 320}, 0x2080F0);
    PaintCard({600, 100, 900, 300}, 0x000000);
    EXPECT_TRUE(dev.SendPage());
    EXPECT_TRUE(dev.EndDoc());
    const std::vector<uint8_t> all = Stream();
    return std::vector<uint8_t>(all.begin() + static_cast<long>(before), all.end());
  }
};

TEST_F(FaultInjectionTest, PartialWritesGiveTheSameStream) {
  const std::vector<uint8_t> reference = PrintReference();
  ASSERT_GT(reference.size(), 1000u);
  for (DWORD chunk : {1u, 7u, 4096u}) {
    host::SetWriteChunk(chunk);
    EXPECT_EQ(PrintReference(), reference) << chunk << " bytes a call";
  }
}

TEST_F(FaultInjectionTest, EveryCallFailingOnceIsRetried) {
  const int before = host::CallCount(host::FailPoint::WritePrinter);
  const std::vector<uint8_t> reference = PrintReference();
  const int calls = host::CallCount(host::FailPoint::WritePrinter) - before;
  ASSERT_GT(calls, 10);
  for (int k = 0; k < calls; ++k) {
    host::SetFailure(host::FailPoint::WritePrinter, k, 1);
    EXPECT_EQ(PrintReference(), reference) << "call " << k << " failed once";
  }
}

// Three failures in a row abandon one write: the job goes on and what reaches the spooler is the reference
// with that write's remaining bytes missing, everything else in order.
TEST_F(FaultInjectionTest, AnAbandonedWriteLeavesOneGapAndNothingOutOfOrder) {
  const int before = host::CallCount(host::FailPoint::WritePrinter);
  const std::vector<uint8_t> reference = PrintReference();
  const int calls = host::CallCount(host::FailPoint::WritePrinter) - before;
  for (int k = 0; k < calls; ++k) {
    host::SetFailure(host::FailPoint::WritePrinter, k, 3);
    const std::vector<uint8_t> stream = PrintReference();
    host::ClearFailures();
    ASSERT_LE(stream.size(), reference.size()) << k;
    const auto prefix = std::mismatch(stream.begin(), stream.end(), reference.begin()).first - stream.begin();
    const size_t gap = reference.size() - stream.size();
    EXPECT_TRUE(std::equal(stream.begin() + prefix, stream.end(), reference.begin() + prefix + static_cast<long>(gap)))
        << "call " << k << ": the stream is the reference with one gap";
  }
}

TEST_F(FaultInjectionTest, ASpoolerThatAlwaysFailsEndsTheJobCleanly) {
  host::SetFailure(host::FailPoint::WritePrinter);
  test::JobSettings job;
  host::EngineDevice& dev = Open(job);
  EXPECT_TRUE(dev.StartDoc(u"Card"));
  EXPECT_TRUE(dev.StartPage());
  EXPECT_TRUE(dev.SendPage()) << "write failures are absorbed";
  EXPECT_TRUE(dev.EndDoc());
  EXPECT_TRUE(Stream().empty());
}

}  // namespace
}  // namespace tolma
