// Tests of the spool writers: retries, recording for copies, replay, the panel buffer and the magnetic block.
#include "raster/spool.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <string>
#include <vector>

namespace tolma {
namespace {

using Bytes = std::vector<uint8_t>;

class SpoolTest : public test::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    Fresh();
  }
  // A new printer handle with nothing written, an empty replay buffer and a context with one copy.
  void Fresh() {
    host::Reset();
    host::AddPrinter({.name = "Card"});
    auto name = host::Wide("Card");
    ASSERT_TRUE(OpenPrinterW(name.data(), &printer_, nullptr));
    replay_.fill(0);
    ctx_ = RenderContext{};
    ctx_.printerHandle = printer_;
    ctx_.replayBuffer = replay_.data();
    ctx_.devmode.dmCopies = 1;
  }
  void TearDown() override {
    ClosePrinter(printer_);
    HostTest::TearDown();
  }
  std::string Written() const {
    const Bytes bytes = host::WrittenBytes(printer_);
    return {bytes.begin(), bytes.end()};
  }
  std::vector<DWORD> Requests() const { return host::WriteRequests(printer_); }
  std::string ReplayText() const { return {reinterpret_cast<const char*>(replay_.data()), ReplayTextLength(replay_)}; }

  HANDLE printer_ = nullptr;
  std::array<uint8_t, kReplayBufferSize> replay_{};
  RenderContext ctx_{};
};

TEST_F(SpoolTest, PartialWritesAreContinuedUntilAllIsWritten) {
  host::SetWriteChunk(4);
  SpoolWrite(printer_, "0123456789", false, ctx_);
  EXPECT_EQ(Written(), "0123456789");
  // Each call asks for what is left: 4, 4 and 2 bytes are taken.
  EXPECT_EQ(Requests(), (std::vector<DWORD>{10, 6, 2}));
}

TEST_F(SpoolTest, AWriteIsAbandonedAfterThreeFailedCallsAndStillRecorded) {
  ctx_.devmode.dmCopies = 2;
  host::SetFailure(host::FailPoint::WritePrinter);
  SpoolWrite(printer_, cmd::kCardOut, true, ctx_);
  EXPECT_EQ(Requests().size(), 3u);
  EXPECT_EQ(Written(), "");
  EXPECT_EQ(ReplayText(), cmd::kCardOut);
}

TEST_F(SpoolTest, FailuresCountInAllNotInARow) {
  host::SetWriteChunk(4);
  host::SetFailure(host::FailPoint::WritePrinter, 1, 1);  // the second call fails
  SpoolWrite(printer_, "0123456789", false, ctx_);
  EXPECT_EQ(Written(), "0123456789");
  EXPECT_EQ(Requests(), (std::vector<DWORD>{10, 6, 6, 2}));

  Fresh();
  host::SetWriteChunk(2);
  host::SetFailure(host::FailPoint::WritePrinter, 1, -1);  // everything after the first call fails
  EXPECT_EQ(WriteAll(printer_, Bytes(10, 'x')), 2u);
  EXPECT_EQ(Requests().size(), 4u);  // one success, then three failures
}

TEST_F(SpoolTest, RecordingFollowsTheFlagAndTheCopyCount) {
  struct Case {
    int16_t copies;
    bool record;
    bool recorded;
  };
  for (const Case& c :
       {Case{0, true, false}, Case{1, true, true}, Case{3, true, true}, Case{-2, true, true}, Case{3, false, false}}) {
    replay_.fill(0);
    ctx_.devmode.dmCopies = c.copies;
    SpoolWrite(printer_, cmd::kPrintMonoAsBlack, c.record, ctx_);
    EXPECT_EQ(ReplayText(), c.recorded ? std::string(cmd::kPrintMonoAsBlack) : "") << c.copies << c.record;
  }
  // Recorded commands follow one another.
  replay_.fill(0);
  SpoolWrite(printer_, cmd::kPrintOverlayAreas, true, ctx_);
  SpoolWrite(printer_, cmd::kCardOut, true, ctx_);
  EXPECT_EQ(ReplayText(), std::string(cmd::kPrintOverlayAreas) + std::string(cmd::kCardOut));
}

TEST_F(SpoolTest, ReplaySendsTheRecordedCardOncePerFurtherCopy) {
  for (int16_t copies : {0, 1, 3}) {
    Fresh();
    ctx_.devmode.dmCopies = copies;
    SpoolWrite(printer_, "\x1bIS 0\r", true, ctx_);
    SpoolWrite(printer_, cmd::kCardOut, true, ctx_);
    const std::string card = Written();
    ReplayCard(ctx_);
    const std::string replayed = Written().substr(card.size());
    if (copies == 3) {
      EXPECT_EQ(replayed, "\x1bIS 0\r\x1bMO\r\x1bIS 0\r\x1bMO\r");
      EXPECT_EQ(Requests().size(), 4u);  // two card commands, then one call per further copy
    } else {
      EXPECT_EQ(replayed, "") << copies;
      EXPECT_EQ(Requests().size(), 2u);
    }
  }
}

TEST_F(SpoolTest, ReplayOfAnEmptyBufferWritesNothing) {
  ctx_.devmode.dmCopies = 5;
  ReplayCard(ctx_);
  EXPECT_TRUE(Requests().empty());
}

TEST_F(SpoolTest, ACommandThatDoesNotFitTheReplayBufferIsDroppedWhole) {
  ctx_.devmode.dmCopies = 2;
  // Fill the text to leave 12 bytes: room for 11 and the terminating zero.
  std::memset(replay_.data(), 'x', kReplayBufferSize - 12);
  SpoolWrite(printer_, "\x1bvL 1 2 3 4 1\r", true, ctx_);  // 14 bytes: still written, not recorded
  EXPECT_EQ(Written(), "\x1bvL 1 2 3 4 1\r");
  EXPECT_EQ(ReplayTextLength(replay_), kReplayBufferSize - 12);
  SpoolWrite(printer_, cmd::kCardOut, true, ctx_);              // a later command that fits is kept
  SpoolWrite(printer_, cmd::kPrintHologramMasked, true, ctx_);  // 7 bytes: fits exactly with its zero
  EXPECT_EQ(ReplayTextLength(replay_), kReplayBufferSize - 1);
  EXPECT_EQ(ReplayText().substr(kReplayBufferSize - 12), "\x1bMO\r\x1bIH 31\r");
  EXPECT_EQ(replay_.back(), 0);
  // A buffer without a zero byte takes nothing.
  replay_.back() = 'x';
  EXPECT_FALSE(RecordForReplay(replay_, Bytes{'a'}));
  EXPECT_EQ(replay_.back(), 'x');
}

TEST_F(SpoolTest, RecordingNeverStoresAZeroByte) {
  EXPECT_FALSE(RecordForReplay(replay_, Bytes{'a', 0, 'b'}));
  EXPECT_EQ(ReplayTextLength(replay_), 0u);
  EXPECT_TRUE(RecordForReplay(replay_, Bytes{}));
}

TEST_F(SpoolTest, PanelBufferIsWrittenWholeAndNeverRecorded) {
  Bytes panel(kPanelBufferSize);
  for (size_t i = 0; i < panel.size(); ++i) panel[i] = static_cast<uint8_t>(i * 13 + 1);
  ctx_.panelBuffer = panel.data();
  ctx_.devmode.dmCopies = 3;

  ctx_.panelLength = 0;
  WritePanelBuffer(printer_, ctx_);
  EXPECT_TRUE(Requests().empty());

  host::SetWriteChunk(100000);
  ctx_.panelLength = 250000;
  WritePanelBuffer(printer_, ctx_);
  EXPECT_EQ(host::WrittenBytes(printer_), Bytes(panel.begin(), panel.begin() + 250000));
  EXPECT_EQ(Requests(), (std::vector<DWORD>{250000, 150000, 50000}));
  EXPECT_EQ(ReplayTextLength(replay_), 0u);

  // A length beyond the buffer is held to the buffer.
  host::SetWriteChunk(0);
  ctx_.panelLength = kPanelBufferSize + 500;
  WritePanelBuffer(printer_, ctx_);
  EXPECT_EQ(Requests().back(), kPanelBufferSize);
}

// ---- The magnetic block ----

void SetTrack(PrivateDevmode& priv, int track, const std::string& text) {
  char* fields[3] = {priv.track1Text, priv.track2Text, priv.track3Text};
  const size_t sizes[3] = {sizeof priv.track1Text, sizeof priv.track2Text, sizeof priv.track3Text};
  int16_t* flags[3] = {&priv.track1Present, &priv.track2Present, &priv.track3Present};
  std::memset(fields[track - 1], 0, sizes[track - 1]);
  std::memcpy(fields[track - 1], text.data(), std::min(text.size(), sizes[track - 1]));
  *flags[track - 1] = 1;
}

TEST_F(SpoolTest, MagneticBlockForEveryTrackCombination) {
  const std::string texts[3] = {"%B1234^CARD^", ";5678=90?", "0123"};
  for (int mask = 0; mask < 8; ++mask) {
    for (int16_t mode : {0, 1}) {
      Fresh();
      ctx_.priv.printingMode = mode;
      ctx_.devmode.dmCopies = 2;
      std::string expected = "\x1b&R\r";
      for (int t = 1; t <= 3; ++t) {
        if (mask & (1 << (t - 1))) {
          SetTrack(ctx_.priv, t, texts[t - 1]);
          expected += "\x1b&B " + std::to_string(t) + " " + texts[t - 1] + "\r";
        }
      }
      expected += "\x1b&E*\r";
      if (mode == 1) expected += "\x1bMO\r";
      SendMagneticData(ctx_);
      if (mask == 0) {
        EXPECT_TRUE(Requests().empty()) << mode;
        EXPECT_EQ(ReplayText(), "");
      } else {
        EXPECT_EQ(Written(), expected) << mask << " " << mode;
        EXPECT_EQ(Requests().size(), 1u) << "one write";
        EXPECT_EQ(ReplayText(), expected);
      }
    }
  }
}

TEST_F(SpoolTest, MagneticTextsAreBoundedByTheirFields) {
  // Every field full with no terminating zero, and the bytes after track 3 not zero either.
  ctx_.priv.track1Present = ctx_.priv.track2Present = ctx_.priv.track3Present = 1;
  std::memset(ctx_.priv.track1Text, '1', sizeof ctx_.priv.track1Text);
  std::memset(ctx_.priv.track2Text, '2', sizeof ctx_.priv.track2Text);
  std::memset(ctx_.priv.track3Text, '3', sizeof ctx_.priv.track3Text);
  ctx_.priv.track3Tail = 0x3939;
  std::memset(ctx_.priv.jobState3, '9', sizeof ctx_.priv.jobState3);
  ctx_.priv.printingMode = 1;
  SendMagneticData(ctx_);
  const std::string expected = "\x1b&R\r\x1b&B 1 " + std::string(80, '1') + "\r\x1b&B 2 " + std::string(40, '2') +
                               "\r\x1b&B 3 " + std::string(108, '3') + "\r\x1b&E*\r\x1bMO\r";
  EXPECT_EQ(Written(), expected);
  EXPECT_LE(expected.size(), kMagneticBlockSize);

  // A zero inside a field ends its text.
  Fresh();
  SetTrack(ctx_.priv, 2, std::string("12") + '\0' + "34");
  SendMagneticData(ctx_);
  EXPECT_EQ(Written(), "\x1b&R\r\x1b&B 2 12\r\x1b&E*\r");
}

TEST(MagneticBlock, ABufferTooSmallGetsNothing) {
  PrivateDevmode priv{};
  priv.track1Present = 1;
  std::memset(priv.track1Text, 'A', 20);
  CommandBuffer<24> small;
  ASSERT_TRUE(small.Add(std::string_view("ab")));
  EXPECT_FALSE(BuildMagneticBlock(priv, small));
  EXPECT_EQ(small.text(), "ab");
}

}  // namespace
}  // namespace tolma
