// The rules of the "Tools" dialog: input checks, opening tables, the commands of its buttons and its reply texts.
#include "ui/tools/tools_rules.h"

#include "platform/host/host.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace tolma {
namespace {

using ui::TextCheck;

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

TEST(ToolsRules, OffsetTextsStayWithinZeroToFortyEight) {
  struct Case {
    const char16_t* text;
    TextCheck check;
  };
  const Case cases[] = {
      {u"", {0, 0}},
      {u"4", {1, 0}},
      {u"48", {2, 0}},
      {u"0", {1, 0}},
      {u"49", {1, 2072}},
      {u"123", {2, 2072}},
      {u"0049", {3, 2072}},         // "004"
      {u"99999999999", {1, 2072}},  // beyond 32 bits is still too large
      {u"4a", {2, 0}},
      {u"-5", {2, 0}},  // not a number: counts as 0
  };
  for (const Case& c : cases) EXPECT_EQ(ui::CheckOffsetText(c.text), c.check) << host::Utf8(c.text);
  EXPECT_EQ(ui::UnsignedTextValue(u" 17 "), 17u);
  EXPECT_EQ(ui::UnsignedTextValue(u"1 7"), 0u);
  EXPECT_EQ(ui::UnsignedTextValue(u"4294967296"), 0xFFFFFFFFu);
}

TEST(ToolsRules, TrackAlphabetsAndLimits) {
  struct Case {
    int track;
    std::u16string text;
    TextCheck check;
  };
  const Case cases[] = {
      {1, u"AB#D", {2, 2070}},  // cut before the first character outside the alphabet
      {1, u"ab", {0, 2070}},    // lower case is refused on track 1
      {1, u"A$()-./^ 09\tZ", {13, 0}},
      {1, std::u16string(76, u'A'), {76, 0}},
      {1, std::u16string(77, u'A'), {76, 2071}},
      {1, std::u16string(77, u'a'), {76, 2071}},  // the length first; the letters on the next change
      {1, u"\u00c9T\u00c9", {0, 2070}},
      {2, u"1234=56", {7, 0}},
      {2, u"12A3", {2, 2070}},
      {2, u"12 3", {2, 2070}},
      {2, std::u16string(37, u'1'), {37, 0}},
      {2, std::u16string(38, u'1'), {37, 2071}},
      {3, std::u16string(104, u'='), {104, 0}},
      {3, std::u16string(105, u'='), {104, 2071}},
      {3, u"99=.", {3, 2070}},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ui::CheckTrackText(c.track, c.text), c.check) << c.track << " " << host::Utf8(c.text.c_str());
}

TEST(ToolsRules, DirectEncodingAndTestCardsFollowModeAndEncoder) {
  using ui::LinkMode;
  struct Case {
    LinkMode mode;
    bool encoder;
    ui::DirectEncodingEnabling enabled;
    size_t testCards;
  };
  const Case cases[] = {
      {LinkMode::OneWay, false, {true, true, false}, 3},
      {LinkMode::OneWay, true, {true, true, false}, 3},
      {LinkMode::TwoWay, true, {true, true, true}, 3},
      {LinkMode::TwoWay, false, {false, false, false}, 2},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ui::DirectEncodingEnabled(c.mode, c.encoder), c.enabled);
    const auto items = ui::TestCardItems(c.mode, c.encoder);
    ASSERT_EQ(items.size(), c.testCards);
    for (size_t i = 0; i < items.size(); ++i) EXPECT_EQ(items[i].data, long(i));
  }
  EXPECT_EQ(ui::TestCardItems(LinkMode::OneWay, false)[2], (ui::ListItem{2060, 2}));
  EXPECT_EQ(ui::CleaningItems(), (std::vector<ui::ListItem>{{2075, 0}}));
}

TEST(ToolsRules, OffsetReplies) {
  struct Case {
    std::string reply;
    size_t length;
    std::optional<std::string> offset;
  };
  const Case cases[] = {
      {"12 \x06", 4, "12"}, {"12\x06", 3, "12"},     {"7\x06", 2, "7"},
      {" \x06", 2, " "},  // two bytes: the space stays
      {"\x06", 1, ""},      {"12", 2, std::nullopt}, {"12 \x06", 0, std::nullopt},
      {"1  \x06", 4, "1 "},  // only one space goes
  };
  for (const Case& c : cases) EXPECT_EQ(ui::OffsetFromReply(Bytes(c.reply), c.length), c.offset) << c.reply;
}

TEST(ToolsRules, ButtonCommands) {
  auto built = [](auto build) {
    CommandBuffer<1024> out;
    const bool ok = build(out);
    return std::make_pair(ok, std::string(out.text()));
  };
  using R = std::pair<bool, std::string>;
  EXPECT_EQ(built([](auto& o) { return ui::BuildFreeCommand(o, "V"); }), R(true, "\x1bV\r"));
  EXPECT_EQ(built([](auto& o) { return ui::BuildFreeCommand(o, ""); }), R(false, ""));
  EXPECT_EQ(built([](auto& o) { return ui::BuildFreeCommand(o, std::string(300, 'x')); }),
            R(true, "\x1b" + std::string(255, 'x') + "\r"));
  EXPECT_EQ(built([](auto& o) { return ui::BuildTestCard(o, 0); }), R(true,
                                                                      "\x1b"
                                                                      "A\r"));
  EXPECT_EQ(built([](auto& o) { return ui::BuildTestCard(o, 2); }), R(true,
                                                                      "\x1b"
                                                                      "A 2\r"));
  EXPECT_EQ(built([](auto& o) { return ui::BuildCleaning(o, 0); }), R(true,
                                                                      "\x1b"
                                                                      "CLEAN\r"));
  EXPECT_EQ(built([](auto& o) { return ui::BuildCleaning(o, 1); }), R(false, ""));
  EXPECT_EQ(built([](auto& o) { return ui::BuildOffsets(o, 5, 3); }), R(true, "\x1b+O 5\r\x1b+OY 3\r"));
}

TEST(ToolsRules, EncodeTakesTheSelectedTracksWithText) {
  struct Case {
    std::array<ui::TrackInput, 3> tracks;
    std::string bytes;
  };
  const std::string long1(80, 'A');
  const Case cases[] = {
      {{{{false, "IGNORED"}, {true, "1234=56"}, {false, ""}}}, "\x1b&B 2 1234=56\r\x1b&E*\r"},
      {{{{true, "AB"}, {true, ""}, {true, "99"}}}, "\x1b&B 1 AB\r\x1b&B 3 99\r\x1b&E*\r"},
      {{{{true, long1}, {false, ""}, {false, ""}}}, "\x1b&B 1 " + std::string(76, 'A') + "\r\x1b&E*\r"},
      {{{{true, ""}, {false, "12"}, {false, ""}}}, ""},  // no data to encode
  };
  for (const Case& c : cases) {
    CommandBuffer<1024> out;
    EXPECT_EQ(ui::BuildEncode(out, c.tracks), !c.bytes.empty());
    EXPECT_EQ(ui::HasDataToEncode(c.tracks), !c.bytes.empty());
    EXPECT_EQ(out.text(), c.bytes);
  }
}

TEST(ToolsRules, StatusTextOfAReply) {
  struct Case {
    std::string reply;
    ui::ReplyRead read;
    std::string status;
  };
  const Case cases[] = {
      {"OK\x06", {true, 3}, "OK<ACK>"},
      {"ERR", {true, 3}, "ERR"},
      {"\x06", {true, 1}, "<ACK>"},
      {"", {true, 0}, "Printer has no response"},
      {"OK\x06", {false, 0}, "Printer has no response"},
      {std::string("A\0B\x06", 4), {true, 4}, "A"},  // the text ends at a zero byte
      {std::string("\0\x06", 2), {true, 2}, "Printer has no response"},
      {"OK\x06"
       "junk",
       {true, 3},
       "OK<ACK>"},  // only the reported length counts
  };
  for (const Case& c : cases) EXPECT_EQ(ui::ToolsStatusText(Bytes(c.reply), c.read), c.status) << c.reply;
  // A whole reply buffer still gets its ACK shown.
  std::vector<uint8_t> full(ui::kToolsReplyBytes, 'x');
  full.back() = 0x06;
  EXPECT_EQ(ui::ToolsStatusText(full, {true, full.size()}), std::string(1023, 'x') + "<ACK>");
}

}  // namespace
}  // namespace tolma
