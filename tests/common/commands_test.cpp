// Tests of the printer command builder and the command vocabulary.
#include "common/commands.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tolma {
namespace {

using namespace std::string_literals;

std::string Built(const std::function<bool(CommandBuilder&)>& build) {
  CommandBuffer<256> out;
  EXPECT_TRUE(build(out));
  return std::string(out.text());
}

TEST(CommandBuilder, YPanelHeaderIsTheExact26Bytes) {
  CommandBuffer<64> out;
  ASSERT_TRUE(cmd::DyePanelHeader(out, cmd::DyePanel::kY, cmd::PanelFormat::kContoneRle));
  const std::vector<uint8_t> expected = {0x1B, 0x24, 0x46, 0x0D, 0x1B, 0x47, 0x53, 0x20, 0x30, 0x20, 0x33, 0x30, 0x20,
                                         0x30, 0x20, 0x30, 0x20, 0x31, 0x30, 0x32, 0x34, 0x20, 0x36, 0x34, 0x30, 0x20};
  EXPECT_EQ(std::vector<uint8_t>(out.bytes().begin(), out.bytes().end()), expected);
}

TEST(CommandBuilder, FormattedCommandsMatchTheVocabulary) {
  using cmd::DyePanel;
  using cmd::PanelFormat;
  struct Case {
    std::function<bool(CommandBuilder&)> build;
    std::string expected;
  };
  const std::vector<Case> cases = {
      {[](auto& b) { return cmd::DyePanelHeader(b, DyePanel::kM, PanelFormat::kContonePacked); },
       "\x1bGS 1 32 0 0 1024 640 "},
      {[](auto& b) { return cmd::DyePanelHeader(b, DyePanel::kC, PanelFormat::kContoneRle); },
       "\x1bGS 2 30 0 0 1024 640 "},
      {[](auto& b) { return cmd::DyePanelHeader(b, DyePanel::kKd, PanelFormat::kContoneRle); },
       "\x1b$F\r\x1bGS 3 30 0 0 1024 640 "},
      // One-bit headers end in ESC "Z": the data follow with no CR.
      {[](auto& b) { return cmd::MonoPanelHeader(b, PanelFormat::kMonoRle); }, "\033F\r\x1bG 0 0 12 640 1024 1\r\x1bZ"},
      {[](auto& b) { return cmd::MonoPanelHeader(b, PanelFormat::kMonoPlain); },
       "\033F\r\x1bG 0 0 10 640 1024 1\r\x1bZ"},
      {[](auto& b) { return cmd::OverlayBitmapHeader(b, PanelFormat::kMonoRle); }, "\x1bvG 0 0 12 640 1024 1\r\x1bZ"},
      {[](auto& b) { return b.Add(cmd::kLaminationMaskHeader); }, "\033F\r\x1bG 0 0 12 640 1024 0\r\x1bZ"},
      // Head settings: values are unsigned 16-bit numbers.
      {[](auto& b) { return cmd::HeadContrast(b, DyePanel::kY, 5); }, "\x1b+$C 0 5\r"},
      {[](auto& b) { return cmd::HeadContrast(b, DyePanel::kKd, 10); }, "\x1b+$C 3 10\r"},
      {[](auto& b) { return cmd::HeadIntensity(b, DyePanel::kC, 0); }, "\x1b+$L 2 0\r"},
      {[](auto& b) { return cmd::ResinContrast(b, static_cast<uint16_t>(int16_t{-1})); }, "\x1b+C 65535\r"},
      {[](auto& b) { return cmd::OverlayContrast(b, 7); }, "\x1b+CV 7\r"},
      {[](auto& b) { return cmd::HologramContrast(b, 3); }, "\x1b+CH 3\r"},
      // Rectangles.
      {[](auto& b) { return cmd::OverlayRect(b, 40, 60, 200, 200, true); }, "\x1bvL 40 60 200 200 1\r"},
      {[](auto& b) { return cmd::OverlayRect(b, 85, 197, 194, 159, false); }, "\x1bvL 85 197 194 159 0\r"},
      {[](auto& b) { return cmd::LaminationRect(b, 0, 0, 1023, 639, false); }, "\x1bL 0 0 1023 639 0\r"},
      {[](auto& b) { return cmd::LaminationRect(b, -5, 3, 10, 20, true); }, "\x1bL -5 3 10 20 1\r"},
      // Magnetic stripe.
      {[](auto& b) { return cmd::LoadTrack(b, 2, "12345"); }, "\x1b&B 2 12345\r"},
      {[](auto& b) { return cmd::LoadTrack(b, 1, ""); }, "\x1b&B 1 \r"},
      {[](auto& b) { return cmd::TrackDensity(b, 1, true); }, "\x1b&D 1 210\r"},
      {[](auto& b) { return cmd::TrackDensity(b, 3, false); }, "\x1b&D 3 75\r"},
      // Maintenance: "\eA\r" and "\eA %ld\r" are different commands.
      {[](auto& b) { return b.Add(cmd::kStandardTestCard); }, "\033A\r"},
      {[](auto& b) { return cmd::TestCard(b, 2); }, "\033A 2\r"},
      {[](auto& b) { return cmd::FreeCommand(b, "!V 20"); }, "\x1b!V 20\r"},
      {[](auto& b) { return cmd::PrintOffsets(b, 5, 3); }, "\x1b+O 5\r\x1b+OY 3\r"},
  };
  for (const Case& c : cases) EXPECT_EQ(Built(c.build), c.expected);
}

TEST(CommandBuilder, FixedCommandsAndSelectors) {
  EXPECT_EQ(cmd::Job(cmd::JobKind::kOneSided), "\x1bJOB 0\r");
  EXPECT_EQ(cmd::Job(cmd::JobKind::kTwoSided), "\x1bJOB 1\r");
  EXPECT_EQ(cmd::Job(cmd::JobKind::kTwoSidedYmckoMode0), "\x1bJOB 2\r");
  EXPECT_EQ(cmd::PrintDyePanel(cmd::DyePanel::kY), "\x1bIS 0\r");
  EXPECT_EQ(cmd::PrintDyePanel(cmd::DyePanel::kKd), "\x1bIS 3\r");
  EXPECT_EQ(cmd::ReadTrack(1), "\x1b&L1\r");
  EXPECT_EQ(cmd::ReadTrack(3), "\x1b&L3\r");
  EXPECT_EQ(cmd::ReadTrack(4), "");
  EXPECT_EQ(cmd::EncoderPosition(false), "\x1b&W 0\r");
  EXPECT_EQ(cmd::EncoderPosition(true), "\x1b&W 1\r");
  EXPECT_EQ(cmd::Coercivity(true), "\x1b&C 1\r");
  EXPECT_EQ(cmd::Coercivity(false), "\x1b&C 0\r");
  EXPECT_EQ(cmd::SingleFeed(true), "\033ATM 1\r");
  EXPECT_EQ(cmd::SingleFeed(false), "\033ATM 0\r");
  EXPECT_EQ(cmd::kBlankMonoPanel, "\033F\r\x1b!FF 1\r");
  EXPECT_EQ(cmd::kOverlayAreasOnly, "\x1bvF\r\x1bIV 31\r");
  EXPECT_EQ(cmd::kFirmwareTrailer, "\xFF\r"s);
  EXPECT_EQ(cmd::ContoneFormat(true), cmd::PanelFormat::kContonePacked);
  EXPECT_EQ(cmd::ContoneFormat(false), cmd::PanelFormat::kContoneRle);
  EXPECT_EQ(cmd::MonoFormat(true), cmd::PanelFormat::kMonoPlain);
  EXPECT_EQ(cmd::MonoFormat(false), cmd::PanelFormat::kMonoRle);
}

TEST(CommandBuilder, FirmwareLengthIsBinaryMostSignificantFirst) {
  CommandBuffer<8> out;
  ASSERT_TRUE(cmd::FirmwareHeader(out, 0x0102A0FF));
  EXPECT_EQ(std::vector<uint8_t>(out.bytes().begin(), out.bytes().end()),
            (std::vector<uint8_t>{0x1B, 'D', 'C', ' ', 0x01, 0x02, 0xA0, 0xFF}));
  out.Clear();
  ASSERT_TRUE(cmd::FirmwareHeader(out, 0));
  EXPECT_EQ(std::vector<uint8_t>(out.bytes().begin(), out.bytes().end()),
            (std::vector<uint8_t>{0x1B, 'D', 'C', ' ', 0, 0, 0, 0}));
}

TEST(CommandBuilder, TrackFormatCommandsCoverEveryTrackAndMode) {
  // The codes the encoder set-up relies on, and the shape of all 48 commands.
  EXPECT_EQ(Built([](auto& b) { return cmd::TrackFormat(b, 1, 0, true); }), "\x1b&CDEW 1 A\r");
  EXPECT_EQ(Built([](auto& b) { return cmd::TrackFormat(b, 2, 0, false); }), "\x1b&CDER 2 r1\r");
  EXPECT_EQ(Built([](auto& b) { return cmd::TrackFormat(b, 3, 7, true); }), "\x1b&CDEW 3 G_7\r");
  EXPECT_EQ(Built([](auto& b) { return cmd::TrackFormat(b, 3, 0, true); }), "\x1b&CDEW 3 c1\r");
  EXPECT_EQ(Built([](auto& b) { return cmd::TrackFormat(b, 1, 2, false); }), "\x1b&CDER 1 q3\r");

  const char writeBit[3] = {'E', 'F', 'G'};
  const char readBit[3] = {'U', 'V', 'W'};
  const char ownWrite[3] = {'A', 'B', 'C'};
  const char ownRead[3] = {'Q', 'R', 'S'};
  const char foreignWrite[3] = {'a', 'b', 'c'};
  const char foreignRead[3] = {'q', 'r', 's'};
  int built = 0;
  for (int track = 1; track <= 3; ++track) {
    for (int mode = 0; mode <= 7; ++mode) {
      for (bool write : {true, false}) {
        std::string code;
        if (mode >= 3) {
          code.push_back((write ? writeBit : readBit)[track - 1]);
          code.push_back('_');
          code.append(std::to_string(mode));
        } else if (mode == track - 1) {
          code = std::string(1, (write ? ownWrite : ownRead)[track - 1]);
        } else {
          code.push_back((write ? foreignWrite : foreignRead)[track - 1]);
          code.append(std::to_string(mode + 1));
        }
        EXPECT_EQ(cmd::TrackFormatCode(track, mode, write), code) << track << " " << mode;
        const std::string expected =
            std::string("\x1b&CDE") + (write ? "W " : "R ") + std::to_string(track) + " " + code + "\r";
        EXPECT_EQ(Built([&](auto& b) { return cmd::TrackFormat(b, track, mode, write); }), expected);
        ++built;
      }
    }
  }
  EXPECT_EQ(built, 48);
}

TEST(CommandBuilder, OutOfRangeArgumentsBuildNothing) {
  CommandBuffer<64> out;
  EXPECT_FALSE(cmd::TrackFormat(out, 0, 0, true));
  EXPECT_FALSE(cmd::TrackFormat(out, 4, 0, true));
  EXPECT_FALSE(cmd::TrackFormat(out, 1, 8, false));
  EXPECT_FALSE(cmd::TrackFormat(out, 1, -1, false));
  EXPECT_FALSE(cmd::LoadTrack(out, 0, "x"));
  EXPECT_FALSE(cmd::TrackDensity(out, 4, true));
  EXPECT_EQ(out.size(), 0u);
}

TEST(CommandBuilder, SeveralCommandsGoIntoOneBuffer) {
  CommandBuffer<64> out;
  ASSERT_TRUE(out.Add(cmd::kOpenMagnetic));
  ASSERT_TRUE(cmd::LoadTrack(out, 2, "ABC"));
  ASSERT_TRUE(out.Add(cmd::kEncodeTracks));
  EXPECT_EQ(out.text(), "\x1b&R\r\x1b&B 2 ABC\r\x1b&E*\r");
  EXPECT_EQ(out.size(), 4u + 10u + 5u);  // no terminating zero counted
}

TEST(CommandBuilder, ACommandThatDoesNotFitIsLeftOutWhole) {
  // The builder works on a window of a larger array: the bytes around it must stay untouched.
  std::array<uint8_t, 32> memory;
  memory.fill(0xEE);
  CommandBuilder out(std::span<uint8_t>(memory).subspan(8, 12));
  ASSERT_TRUE(out.Add(cmd::kCardOut));                    // 4 bytes
  EXPECT_FALSE(cmd::OverlayRect(out, 1, 2, 3, 4, true));  // 17 bytes: does not fit in the 8 left
  EXPECT_TRUE(out.overflowed());
  EXPECT_EQ(out.size(), 4u);
  ASSERT_TRUE(out.Add(cmd::kTurnCard));  // what fits still goes in
  EXPECT_FALSE(out.Add(cmd::kMaster));   // 8 bytes, 4 left
  ASSERT_TRUE(out.Add(cmd::kOpenMono));  // 3 bytes
  EXPECT_EQ(out.text(), "\x1bMO\r\x1bMF\r\033F\r");
  for (size_t i = 0; i < 8; ++i) EXPECT_EQ(memory[i], 0xEE);
  EXPECT_EQ(memory[19], 0xEE);  // the last byte of the window was never used
  for (size_t i = 20; i < memory.size(); ++i) EXPECT_EQ(memory[i], 0xEE);

  CommandBuffer<4> tiny;
  EXPECT_TRUE(tiny.Add(cmd::kCardOut));
  EXPECT_FALSE(tiny.Add(std::string_view("x")));
  tiny.Clear();
  EXPECT_FALSE(tiny.overflowed());
  EXPECT_EQ(tiny.size(), 0u);
}

TEST(CommandBuilder, NumbersAreDecimalWithoutPadding) {
  CommandBuffer<64> out;
  ASSERT_TRUE(out.Add({"<", Dec(0), "|", Dec(-7), "|", Dec(INT64_MIN), "|", Dec(INT64_MAX), ">"}));
  EXPECT_EQ(out.text(), "<0|-7|-9223372036854775808|9223372036854775807>");
}

}  // namespace
}  // namespace tolma
