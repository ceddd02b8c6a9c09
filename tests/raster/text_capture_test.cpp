// Tests of the text capture: inserted commands, magnetic-track data in the macro and tilde forms, glyph handles.
#include "raster/text_capture.h"

#include <gtest/gtest.h>

#include <array>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace tolma {
namespace {

using Buffers = std::array<std::array<uint8_t, 512>, 6>;

// Settings with an encoder, macro processing and the given start and end markers (at most 10 bytes each;
// 10 leaves no terminating zero).
PrivateDevmode Settings(std::string_view start = "${", std::string_view end = "}$", int16_t hasEncoder = 1,
                        int16_t macroProcessing = 1) {
  PrivateDevmode priv{};
  priv.encoder.hasEncoder = hasEncoder;
  priv.encoder.macroProcessing = macroProcessing;
  std::memcpy(priv.encoder.startOfData, start.data(), std::min<size_t>(start.size(), 10));
  std::memcpy(priv.encoder.endOfData, end.data(), std::min<size_t>(end.size(), 10));
  return priv;
}

// The bytes after endOfData are not zero.
PrivateDevmode Trailed(PrivateDevmode priv) {
  priv.encoder.coercivity = 0x4141;
  return priv;
}

TextCapture Capture(std::u16string_view text, PrivateDevmode& priv, Buffers& buffers) {
  std::array<std::span<uint8_t>, 6> spans;
  for (size_t i = 0; i < spans.size(); ++i) spans[i] = buffers[i];
  return CaptureText(std::span<const WCHAR>(text.data(), text.size()), priv, spans);
}

std::string BufferText(const std::array<uint8_t, 512>& buffer) {
  const auto* zero = static_cast<const uint8_t*>(std::memchr(buffer.data(), 0, buffer.size()));
  return std::string(reinterpret_cast<const char*>(buffer.data()),
                     zero ? static_cast<size_t>(zero - buffer.data()) : buffer.size());
}

std::string TrackText(const PrivateDevmode& priv, int track) {
  const char* field = track == 1 ? priv.track1Text : track == 2 ? priv.track2Text : priv.track3Text;
  const size_t size = track == 1 ? 80 : track == 2 ? 40 : 108;
  return std::string(field, strnlen(field, size));
}

int Present(const PrivateDevmode& priv, int track) {
  return track == 1 ? priv.track1Present : track == 2 ? priv.track2Present : priv.track3Present;
}

struct Case {
  const char* name;
  PrivateDevmode settings;
  std::u16string text;
  TextCapture expected;
  int track = 0;        // the track that gets data (0: none)
  std::string data;     // its text
  int buffer = -1;      // the insert buffer that gets a command (-1: none)
  std::string command;  // its text
};

TEST(TextCaptureTest, FormsOfText) {
  const Case cases[] = {
      // Inserted commands need macro processing only.
      {"command into buffer 5", Settings(), u"~C5vF", TextCapture::InsertedCommand, 0, "", 5, "\x1bvF\r"},
      {"command into buffer 0", Settings(), u"~C0MF", TextCapture::InsertedCommand, 0, "", 0, "\x1bMF\r"},
      {"command without an encoder", Settings("${", "}$", 0), u"~C3xyz", TextCapture::InsertedCommand, 0, "", 3,
       "\x1bxyz\r"},
      {"buffer digit 7 is text", Settings(), u"~C7x", TextCapture::None},
      {"nothing after the digit", Settings(), u"~C5", TextCapture::None},
      {"lower-case c", Settings(), u"~c1ab", TextCapture::None},
      {"no macro processing", Settings("${", "}$", 1, 0), u"~C5vF", TextCapture::None},
      // Tilde form.
      {"tilde without an encoder", Settings("${", "}$", 0), u"~1ABC", TextCapture::None},
      {"tilde without macro processing", Settings("${", "}$", 1, 0), u"~1ABC", TextCapture::None},
      {"tilde with sentinels", Settings(), u"~2;1234?", TextCapture::TrackData, 2, "1234"},
      {"tilde without the end sentinel", Settings(), u"~2;1234", TextCapture::TrackData, 2, ";1234"},
      {"track 1 sentinel is percent", Settings(), u"~1%ABC?", TextCapture::TrackData, 1, "ABC"},
      {"semicolon is no track 1 sentinel", Settings(), u"~1;ABC?", TextCapture::TrackData, 1, ";ABC?"},
      {"track 3", Settings(), u"~3;9?", TextCapture::TrackData, 3, "9"},
      {"sentinels only", Settings(), u"~3;?", TextCapture::TrackData, 3, ""},
      {"one data character", Settings(), u"~2?", TextCapture::TrackData, 2, "?"},
      {"tilde and digit only", Settings(), u"~2", TextCapture::None},
      {"track 4", Settings(), u"~4abc", TextCapture::None},
      // Macro form.
      {"macro", Settings(), u"${2123456}$", TextCapture::TrackData, 2, "123456"},
      {"macro without data", Settings(), u"${3}$", TextCapture::TrackData, 3, ""},
      {"macro keeps sentinels", Settings(), u"${1%AB?}$", TextCapture::TrackData, 1, "%AB?"},
      {"macro digit 4", Settings(), u"${4123}$", TextCapture::None},
      {"macro without its end", Settings(), u"${2123", TextCapture::None},
      {"macro end inside the start", Settings("${", "{2"), u"${2", TextCapture::None},
      {"macro first, then tilde", Settings("~", ""), u"~1%AB?", TextCapture::TrackData, 1, "%AB?"},
      {"macro digit 4 falls to tilde", Settings("~", "x"), u"~4abx", TextCapture::None},
      {"macro end missing, tilde form", Settings("~", "x"), u"~1ab", TextCapture::TrackData, 1, "ab"},
      {"empty markers", Settings("", ""), u"1ABC", TextCapture::TrackData, 1, "ABC"},
      {"empty markers, digit only", Settings("", ""), u"3", TextCapture::TrackData, 3, ""},
      {"empty markers, other text", Settings("", ""), u"ABC", TextCapture::None},
      {"empty markers, digit 4", Settings("", ""), u"4ABC", TextCapture::None},
      {"end overlapping the digit", Settings("", "1"), u"1", TextCapture::None},
      {"end after the digit", Settings("", "1"), u"11", TextCapture::TrackData, 1, ""},
      // Markers that fill their 10-byte fields have no terminating zero.
      {"ten-byte start", Settings("ABCDEFGHIJ", "K"), u"ABCDEFGHIJ2xyzK", TextCapture::TrackData, 2, "xyz"},
      {"ten-byte end", Trailed(Settings("<", "0123456789")), u"<1data0123456789", TextCapture::TrackData, 1, "data"},
      {"ten-byte start not matched", Settings("ABCDEFGHIJ", ""), u"ABCDEFGHI2xyz", TextCapture::None},
      // Characters are compared and stored by their low 8 bits.
      {"low byte of a wide tilde", Settings(), u"\u017E1\u0141B", TextCapture::TrackData, 1, "AB"},
      {"zero character in a command", Settings(), std::u16string(u"~C1a\0b", 6), TextCapture::None},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    PrivateDevmode priv = c.settings;
    Buffers buffers{};
    EXPECT_EQ(Capture(c.text, priv, buffers), c.expected);
    for (int track = 1; track <= 3; ++track) {
      EXPECT_EQ(Present(priv, track), track == c.track ? 1 : 0) << "track " << track;
      EXPECT_EQ(TrackText(priv, track), track == c.track ? c.data : "") << "track " << track;
    }
    for (int b = 0; b < 6; ++b) EXPECT_EQ(BufferText(buffers[b]), b == c.buffer ? c.command : "") << "buffer " << b;
  }
}

TEST(TextCaptureTest, CommandsAppendAndAreStoredWholeOrNotAtAll) {
  PrivateDevmode priv = Settings();
  Buffers buffers{};
  EXPECT_EQ(Capture(u"~C1A", priv, buffers), TextCapture::InsertedCommand);
  EXPECT_EQ(Capture(u"~C1BC", priv, buffers), TextCapture::InsertedCommand);
  EXPECT_EQ(BufferText(buffers[1]),
            "\x1b"
            "A\r\x1b"
            "BC\r");

  // 500 bytes used leave room for ESC, 9 characters, CR and the terminating zero.
  struct Room {
    size_t length;
    bool stored;
  };
  for (const Room r : {Room{9, true}, Room{10, false}}) {
    Buffers b{};
    std::memset(b[2].data(), 'x', 500);
    const std::u16string text = u"~C2" + std::u16string(r.length, u'y');
    EXPECT_EQ(Capture(text, priv, b), r.stored ? TextCapture::InsertedCommand : TextCapture::None) << r.length;
    EXPECT_EQ(BufferText(b[2]).size(), r.stored ? 511u : 500u);
    EXPECT_EQ(b[2][511], 0);
  }

  // An empty buffer takes a command of 509 characters, not 510.
  for (const size_t length : {509u, 510u}) {
    Buffers b{};
    EXPECT_EQ(Capture(u"~C4" + std::u16string(length, u'z'), priv, b),
              length == 509 ? TextCapture::InsertedCommand : TextCapture::None);
  }

  // A full buffer (no zero byte) takes nothing; the text is then read for track data.
  Buffers full{};
  full[3].fill('x');
  const auto before = full[3];
  EXPECT_EQ(Capture(u"~C3abc", priv, full), TextCapture::None);
  EXPECT_EQ(full[3], before);

  // A missing buffer counts as full.
  std::array<std::span<uint8_t>, 6> spans;
  for (size_t i = 0; i < spans.size(); ++i) spans[i] = buffers[i];
  spans[5] = {};
  const std::u16string text = u"~C5vF";
  EXPECT_EQ(CaptureText(std::span<const WCHAR>(text.data(), text.size()), priv, spans), TextCapture::None);
}

TEST(TextCaptureTest, TrackDataIsCutToItsFieldAndReplacesEarlierData) {
  struct Case {
    int track;
    size_t field;
  };
  for (const bool macro : {false, true}) {
    for (const Case c : {Case{1, 80}, Case{2, 40}, Case{3, 108}}) {
      SCOPED_TRACE(testing::Message() << "track " << c.track << (macro ? " macro" : " tilde"));
      PrivateDevmode priv = Settings();
      priv.track3Tail = 0xABCD;
      std::memset(priv.jobState3, 0x5A, sizeof priv.jobState3);
      const PrivateDevmode original = priv;
      Buffers buffers{};
      const std::u16string digit(1, static_cast<char16_t>(u'0' + c.track));
      const std::u16string data(300, u'7');
      const std::u16string text = macro ? u"${" + digit + data + u"}$" : u"~" + digit + data;
      ASSERT_EQ(Capture(text, priv, buffers), TextCapture::TrackData);
      EXPECT_EQ(TrackText(priv, c.track), std::string(c.field - 1, '7'));
      // Nothing after the field changed except the word cleared with track 3.
      EXPECT_EQ(std::memcmp(priv.jobState3, original.jobState3, sizeof priv.jobState3), 0);
      EXPECT_EQ(priv.track3Tail, c.track == 3 ? 0 : 0xABCD);
      for (int other = 1; other <= 3; ++other)
        if (other != c.track) {
          EXPECT_EQ(TrackText(priv, other), "");
        }

      // A second capture of the track replaces the first, shorter text included.
      ASSERT_EQ(Capture(u"~" + digit + u"12", priv, buffers), TextCapture::TrackData);
      EXPECT_EQ(TrackText(priv, c.track), "12");
    }
  }
}

TEST(TextCaptureTest, GlyphHandlesBecomeCharactersOfTheFirstRun) {
  const HGLYPH handles[] = {10, 11, 12};
  const std::u16string glyphs = {12, 10, 99, 11};
  std::array<WCHAR, 4> out{};
  EXPECT_EQ(TranslateGlyphs(glyphs, GlyphRunView{u'A', 3, handles}, out), 4u);
  EXPECT_EQ(std::u16string(out.begin(), out.end()), std::u16string(u"CA\0B", 4));

  // A run without handles maps characters to themselves within its range.
  const std::u16string codes = {0x41, 0x10, 0x7E, 0x7F};
  EXPECT_EQ(TranslateGlyphs(codes, GlyphRunView{0x20, 95, nullptr}, out), 4u);
  EXPECT_EQ(std::u16string(out.begin(), out.end()), std::u16string(u"A\0~\0", 4));

  // No run: every character is 0. The output never takes more than its size.
  std::array<WCHAR, 2> small{1, 1};
  EXPECT_EQ(TranslateGlyphs(codes, GlyphRunView{}, small), 2u);
  EXPECT_EQ(small[0], 0);
  EXPECT_EQ(small[1], 0);
}

// Random texts built from the characters the forms use never write outside the buffers and fields, and
// always leave each buffer and track text terminated.
TEST(TextCaptureTest, RandomTextsStayWithinBuffersAndFields) {
  const std::u16string alphabet = u"~C0123456789%;?${}ABx\u0100";
  std::mt19937 random(47);
  PrivateDevmode priv = Settings("$", "}");
  Buffers buffers{};
  for (int round = 0; round < 20000; ++round) {
    if (round % 500 == 0) {
      priv = Settings(round % 1000 == 0 ? "" : "$", round % 1500 == 0 ? "" : "}");
      buffers = {};
    }
    const PrivateDevmode before = priv;
    std::u16string text(random() % (round % 50 == 0 ? 600 : 40), u' ');
    for (char16_t& c : text) c = alphabet[random() % alphabet.size()];
    if (random() % 2 && text.size() > 3)
      text.replace(0, 3, u"~C" + std::u16string(1, static_cast<char16_t>(u'0' + random() % 8)));
    Capture(text, priv, buffers);

    for (const auto& buffer : buffers) ASSERT_NE(std::memchr(buffer.data(), 0, buffer.size()), nullptr);
    ASSERT_EQ(priv.track1Text[79], 0);
    ASSERT_EQ(priv.track2Text[39], 0);
    ASSERT_EQ(priv.track3Text[107], 0);
    // Only the track flags, texts and the word after track 3 may change.
    PrivateDevmode masked = priv;
    masked.track1Present = before.track1Present;
    masked.track2Present = before.track2Present;
    masked.track3Present = before.track3Present;
    std::memcpy(masked.track1Text, before.track1Text, sizeof masked.track1Text);
    std::memcpy(masked.track2Text, before.track2Text, sizeof masked.track2Text);
    std::memcpy(masked.track3Text, before.track3Text, sizeof masked.track3Text);
    masked.track3Tail = before.track3Tail;
    ASSERT_EQ(std::memcmp(&masked, &before, sizeof masked), 0) << "round " << round;
  }
}

}  // namespace
}  // namespace tolma
