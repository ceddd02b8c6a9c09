// The overlay area dialogs (108, 117, 111) through their real procedure: opening from the record, the coordinate
// checks for typed and spun values, the bitmap choice with its refusals, the area list's fall-back, the changed mark,
// and the preview checked pixel by pixel against the card mapping computed here.
#include "tests/support/bitmap_files.h"
#include "tests/ui/adjust_test_support.h"
#include "ui/adjust/area_preview.h"
#include "ui/adjust/overlay_area.h"
#include "ui/resources/dialog_ids.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>

namespace tolma::test {
namespace {

using ui::AreaDialog;

constexpr ULONG kBlack = 0x000000;
constexpr ULONG kWhite = 0xFFFFFF;
constexpr ULONG kDialogColour = 0xF0F0F0;
constexpr const char* kInvalid = "Invalid coordinates.";
constexpr const char* kNotMono = "The Bitmap must be a monochrome(1 bpp).";
constexpr const char* kTooLong = "The path of the bitmap file is too long: it may have at most 255 characters.";

// What differs between the three dialogs.
struct DialogCase {
  AreaDialog which;
  int templateId;
  const char* title;
  int shift;  // added to the overlay dialogs' control ids
  std::vector<std::string> types;
  int areaType;    // "Selected area ..." varnished
  int blankType;   // "Selected area blank"
  int bitmapType;  // the bitmap type
  LONG spinMaxY;   // top of the Top and Bottom spin ranges
};
const DialogCase kDialogs[] = {
    {AreaDialog::kFrontOverlay,
     108,
     "Front Overlay Varnish",
     0,
     {"Full overlay varnish", "No overlay", "Selected area overlay varnish", "Selected area blank",
      "Bitmap - based overlay varnish", "Smartcard ISO", "Smartcard AFNOR", "Magnetic Stripe"},
     2,
     3,
     4,
     640},
    {AreaDialog::kBackOverlay,
     117,
     "Back Overlay Varnish",
     0,
     {"Full overlay varnish", "No overlay", "Selected area overlay varnish", "Selected area blank",
      "Bitmap - based overlay varnish", "Smartcard ISO", "Smartcard AFNOR", "Magnetic Stripe"},
     2,
     3,
     4,
     640},
    {AreaDialog::kHologramArea,
     111,
     "Front Hologram Overlay Varnish",
     30,
     {"Full hologram overlay varnish", "Selected area hologram overlay varnish", "Selected area blank",
      "Bitmap-based hologram overlay varnish"},
     1,
     2,
     3,
     639},
};
const DialogCase& Front() { return kDialogs[0]; }
const DialogCase& Hologram() { return kDialogs[2]; }

// Control ids of a dialog (the overlay ids moved by the dialog's shift).
struct Ids {
  int shift;
  int list() const { return IDC_AREA_LIST + shift; }
  int label(int edge) const { return IDC_AREA_LEFT_LABEL + edge + shift; }
  int edit(int edge) const { return IDC_AREA_LEFT + edge + shift; }
  int spin(int edge) const { return IDC_AREA_LEFT_SPIN + edge + shift; }
  int group() const { return IDC_AREA_BITMAP_GROUP + shift; }
  int browse() const { return IDC_AREA_BROWSE + shift; }
  int path() const { return IDC_AREA_PATH + shift; }
  int rotate() const { return IDC_AREA_ROTATE + shift; }
};
constexpr int kLeft = 0, kTop = 1, kRight = 2, kBottom = 3;

// The fields of a record, whichever dialog edits it.
struct Area {
  int type = 0, rotate = 0, left = 0, top = 0, right = 1023, bottom = 639;
  std::string path;
};

class OverlayAreaTest : public AdjustDialogTest {
 protected:
  // Edits a private part whose record for the dialog holds `a`.
  void EditArea(const DialogCase& c, const Area& a) {
    PrivateDevmode pd = DefaultPrivateDevmode();
    const ui::AreaRecord r = ui::AreaRecordOf(c.which, pd);
    *r.type = static_cast<int16_t>(a.type);
    *r.rotate = static_cast<int16_t>(a.rotate);
    const int values[4] = {a.left, a.top, a.right, a.bottom};
    for (int i = 0; i < 4; ++i) *r.edges[i] = values[i];
    const WString path = host::Wide(a.path);
    std::fill_n(r.path, ui::kAreaPathChars, 0);
    std::copy(path.begin(), path.end(), r.path);
    Edit(pd);
  }
  Area EditedArea(const DialogCase& c) {
    PrivateDevmode pd = Edited();
    const ui::AreaRecord r = ui::AreaRecordOf(c.which, pd);
    Area a;
    a.type = *r.type;
    a.rotate = *r.rotate;
    a.left = *r.edges[0];
    a.top = *r.edges[1];
    a.right = *r.edges[2];
    a.bottom = *r.edges[3];
    a.path = host::Utf8(r.path);
    return a;
  }
  INT_PTR Run(const DialogCase& c) { return ui::RunAreaDialog(nullptr, c.which); }
  // Forgets the messages, file dialogs and closed dialogs of the runs so far.
  void Fresh() {
    host::Reset();
    host::SetUserFailureHandler([](const std::string& message) { ADD_FAILURE() << message; });
  }
  std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (const host::MessageBoxCall& m : host::MessageBoxes()) {
      EXPECT_EQ(m.caption, "Tolma Q47x Card Printer");
      EXPECT_EQ(m.type, UINT{MB_OK | MB_ICONERROR}) << m.text;
      texts.push_back(m.text);
    }
    return texts;
  }
  std::string MonoFile(const std::string& name = "mask.bmp") {
    return dir_.Write(name, OneBitBitmap(1024, 640, [](int x, int y) { return x >= 512 || y >= 320; }));
  }
};

// --- Rules ---

TEST(OverlayAreaRules, CoordinateCheck) {
  const int32_t stored[4] = {100, 50, 300, 150};
  struct Case {
    ui::Edge edge;
    uint32_t value;
    bool accepted;
  };
  const Case cases[] = {
      {ui::Edge::kLeft, 0, true},      {ui::Edge::kLeft, 299, true},         {ui::Edge::kLeft, 300, false},
      {ui::Edge::kTop, 149, true},     {ui::Edge::kTop, 150, false},         {ui::Edge::kRight, 101, true},
      {ui::Edge::kRight, 100, false},  {ui::Edge::kRight, 1024, true},       {ui::Edge::kRight, 1025, false},
      {ui::Edge::kBottom, 51, true},   {ui::Edge::kBottom, 50, false},       {ui::Edge::kBottom, 639, true},
      {ui::Edge::kBottom, 640, false}, {ui::Edge::kLeft, 0xFFFFFFFF, false},
  };
  for (const Case& c : cases)
    EXPECT_EQ(ui::CoordinateAccepted(c.edge, c.value, stored), c.accepted)
        << static_cast<int>(c.edge) << " = " << c.value;
  // The bounds hold even when the stored rectangle does not.
  const int32_t wide[4] = {0, 0, 5000, 5000};
  EXPECT_FALSE(ui::CoordinateAccepted(ui::Edge::kLeft, 1025, wide));
  EXPECT_FALSE(ui::CoordinateAccepted(ui::Edge::kTop, 640, wide));
  const int32_t negative[4] = {-5, -5, -1, -1};
  EXPECT_FALSE(ui::CoordinateAccepted(ui::Edge::kLeft, 0, negative)) << "an unsigned value is never below -1";
}

TEST(OverlayAreaRules, TypedTextIsUpToFourDigits) {
  const std::pair<const char*, std::optional<uint32_t>> cases[] = {
      {"", 0u},
      {"0", 0u},
      {"1024", 1024u},
      {"0639", 639u},
      {"9999", 9999u},
      {"10000", std::nullopt},
      {"-1", std::nullopt},
      {"1 0", std::nullopt},
      {"12a", std::nullopt},
  };
  for (const auto& [text, value] : cases) EXPECT_EQ(ui::ParseCoordinateText(host::Wide(text)), value) << text;
}

TEST(OverlayAreaRules, PreviewMapping) {
  const ui::PreviewFrame f{10, 20, 512, 320};
  const std::tuple<int, int, bool, LONG, LONG> points[] = {
      {0, 0, false, 10, 20},     {1024, 640, false, 522, 340}, {100, 100, false, 60, 70},   {0, 0, true, 522, 340},
      {1024, 640, true, 10, 20}, {100, 100, true, 472, 290},   {-50, 9999, false, 10, 340},  // coordinates are taken
                                                                                             // within the card
  };
  for (const auto& [x, y, rotated, px, py] : points) {
    const POINT p = ui::PreviewPoint(f, x, y, rotated);
    EXPECT_EQ(p.x, px) << x << "," << y << (rotated ? " rotated" : "");
    EXPECT_EQ(p.y, py) << x << "," << y << (rotated ? " rotated" : "");
  }
  // A rectangle runs to its far corner plus one; turned, from the turned right-bottom corner.
  const RECT r = ui::PreviewRectangle(f, 0, 0, 100, 100, false);
  EXPECT_EQ((std::array<LONG, 4>{r.left, r.top, r.right, r.bottom}), (std::array<LONG, 4>{10, 20, 61, 71}));
  const RECT t = ui::PreviewRectangle(f, 0, 0, 100, 100, true);
  EXPECT_EQ((std::array<LONG, 4>{t.left, t.top, t.right, t.bottom}), (std::array<LONG, 4>{472, 290, 523, 341}));
  // The frame keeps the card's proportions, centred.
  const ui::PreviewFrame fit = ui::FitPreviewFrame(RECT{0, 0, 170, 100});
  EXPECT_EQ(fit.width + 1, 160);
  EXPECT_EQ(fit.height + 1, 100);
  EXPECT_EQ(fit.left, 5);
  EXPECT_EQ(fit.top, 0);
}

// --- Opening ---

TEST_F(OverlayAreaTest, OpensFromTheRecord) {
  for (const DialogCase& c : kDialogs) {
    SCOPED_TRACE(c.title);
    const Ids ids{c.shift};
    EditArea(c, {c.areaType, 1, 10, 20, 1024, 400, "/no/such.bmp"});
    user_.Click(IDC_CLOSE);
    EXPECT_EQ(Run(c), 0) << "nothing changed";
    const host::DialogView d = host::LastDialog();
    EXPECT_EQ(d.title, c.title);
    EXPECT_EQ(d.templateId, c.templateId);
    const char* texts[4] = {"10", "20", "1024", "400"};
    const LONG maxima[4] = {1023, c.spinMaxY, 1023, c.spinMaxY};
    const LONG positions[4] = {10, 20, 1023, 400};  // Right 1024 is past the spin's range
    for (int edge = 0; edge < 4; ++edge) {
      EXPECT_EQ(d[ids.edit(edge)].text, texts[edge]);
      EXPECT_TRUE(d[ids.edit(edge)].enabled);
      EXPECT_TRUE(d[ids.label(edge)].enabled);
      const host::ControlView& spin = d[ids.spin(edge)];
      EXPECT_EQ(spin.kind, host::ControlKind::UpDown);
      EXPECT_EQ(spin.buddyId, ids.edit(edge));
      EXPECT_EQ(spin.minimum, 0);
      EXPECT_EQ(spin.maximum, maxima[edge]);
      EXPECT_EQ(spin.position, positions[edge]);
      EXPECT_TRUE(spin.enabled);
    }
    const host::ControlView& list = d[ids.list()];
    ASSERT_EQ(list.entries.size(), c.types.size());
    for (size_t i = 0; i < c.types.size(); ++i)
      EXPECT_EQ(list.entries[i], (host::ListEntry{c.types[i], static_cast<LPARAM>(i)}));
    EXPECT_EQ(list.selected, c.areaType);
    EXPECT_EQ(d[ids.rotate()].checked, BST_CHECKED);
    EXPECT_EQ(d[ids.rotate()].text, "Rotate 180\u00ba");
    EXPECT_EQ(d[ids.path()].text, "/no/such.bmp");
    EXPECT_TRUE(d[ids.path()].readOnly());
    for (int id : {ids.group(), ids.browse(), ids.path()}) EXPECT_FALSE(d[id].enabled) << id;
    EXPECT_EQ(d[IDC_AREA_PREVIEW].text, "Preview");
    EXPECT_EQ(d[IDC_HELP_BUTTON].text, "Help");
  }
}

// A stored value outside the card shows as the unsigned number it is; its spin stays in range.
TEST_F(OverlayAreaTest, ValuesOutsideTheCardShowUnsigned) {
  EditArea(Front(), {2, 0, -1, 0, 70000, 639, ""});
  user_.Click(IDC_CLOSE);
  EXPECT_EQ(Run(Front()), 0);
  const host::DialogView d = host::LastDialog();
  EXPECT_EQ(d[IDC_AREA_LEFT].text, "4294967295");
  EXPECT_EQ(d[IDC_AREA_LEFT_SPIN].position, 0);
  EXPECT_EQ(d[IDC_AREA_RIGHT].text, "70000");
  EXPECT_EQ(d[IDC_AREA_RIGHT_SPIN].position, 1023);
}

// Which groups each stored type enables: the coordinates for the selected areas, the bitmap group for the bitmap.
TEST_F(OverlayAreaTest, TheTypeEnablesItsGroup) {
  for (const DialogCase& c : kDialogs)
    for (int type = -1; type <= static_cast<int>(c.types.size()); ++type) {
      SCOPED_TRACE(std::string(c.title) + " type " + std::to_string(type));
      const Ids ids{c.shift};
      EditArea(c, {type, 0, 0, 0, 1023, 639, ""});
      user_.CloseBox();
      EXPECT_EQ(Run(c), 0);
      const host::DialogView d = host::LastDialog();
      const bool coordinates = type == c.areaType || type == c.blankType;
      for (int edge = 0; edge < 4; ++edge)
        for (int id : {ids.label(edge), ids.edit(edge), ids.spin(edge)}) EXPECT_EQ(d[id].enabled, coordinates) << id;
      for (int id : {ids.group(), ids.browse(), ids.path()}) EXPECT_EQ(d[id].enabled, type == c.bitmapType) << id;
      const bool listed = type >= 0 && type < static_cast<int>(c.types.size());
      EXPECT_EQ(d[ids.list()].selected, listed ? type : -1);
    }
}

TEST_F(OverlayAreaTest, WithoutAPrivatePartOnlyCloseAndHelpWork) {
  ui::State().editedDevmode = nullptr;
  user_.Click(IDC_HELP_BUTTON).Click(IDC_CLOSE);
  EXPECT_EQ(Run(Front()), 0);
  const host::DialogView d = host::LastDialog();
  const Ids ids{0};
  for (int id : {ids.list(), ids.rotate(), ids.edit(0), ids.browse()}) EXPECT_FALSE(d[id].enabled) << id;
  ASSERT_EQ(host::HelpCalls().size(), 1u);
  EXPECT_EQ(host::HelpCalls()[0].file, "Doma.hlp");
  EXPECT_EQ(host::HelpCalls()[0].command, UINT{HELP_CONTENTS});
}

// --- Coordinates ---

// Typed values count when the edit loses the focus: accepted ones are stored and move the spin, refused ones bring
// the message and the stored value back into the edit and the spin.
TEST_F(OverlayAreaTest, TypedCoordinates) {
  struct Case {
    const DialogCase* dialog;
    int edge;
    std::string text;
    bool accepted;
    int stored;  // the edge's value afterwards
  };
  const Case cases[] = {
      {&Front(), kLeft, "300", false, 100},     // equal to Right
      {&Front(), kLeft, "299", true, 299},      //
      {&Front(), kRight, "1024", true, 1024},   // Right may be 1024
      {&Front(), kRight, "1025", false, 300},   //
      {&Front(), kRight, "100", false, 300},    // equal to Left
      {&Front(), kBottom, "639", true, 639},    // Bottom at most 639
      {&Front(), kBottom, "640", false, 150},   //
      {&Front(), kTop, "150", false, 50},       // equal to Bottom
      {&Front(), kLeft, "", true, 0},           // empty text is 0
      {&Front(), kTop, "0049", true, 49},       //
      {&Hologram(), kLeft, "300", false, 100},  //
      {&Hologram(), kRight, "1024", true, 1024},
      {&Hologram(), kBottom, "639", true, 639},
      {&Hologram(), kBottom, "640", false, 150},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.dialog->title) + " edge " + std::to_string(c.edge) + " \"" + c.text + "\"");
    Fresh();
    const Ids ids{c.dialog->shift};
    EditArea(*c.dialog, {c.dialog->areaType, 0, 100, 50, 300, 150, ""});
    if (c.text.empty())
      user_.Erase(ids.edit(c.edge));
    else
      user_.Retype(ids.edit(c.edge), c.text);
    user_
        .Look(
            [&](const host::DialogView&) { EXPECT_EQ(host::MessageBoxes().size(), 0u) << "not before it loses focus"; })
        .Focus(ids.list())
        .Look([&](const host::DialogView& d) {
          EXPECT_EQ(d[ids.edit(c.edge)].text, std::to_string(c.stored));
          EXPECT_EQ(d[ids.spin(c.edge)].position, std::min(c.stored, c.edge % 2 == 0 ? 1023 : int(c.dialog->spinMaxY)));
        })
        .Click(IDC_CLOSE);
    EXPECT_EQ(Run(*c.dialog), c.accepted ? 1 : 0) << "the changed mark";
    const Area a = EditedArea(*c.dialog);
    const int values[4] = {a.left, a.top, a.right, a.bottom};
    EXPECT_EQ(values[c.edge], c.stored);
    EXPECT_EQ(MessageTexts(), c.accepted ? std::vector<std::string>{} : std::vector<std::string>{kInvalid});
  }
}

// Typed values count only for the selected-area types, and a value left as stored asks nothing.
TEST_F(OverlayAreaTest, TypedValuesOnlyForSelectedAreas) {
  EditArea(Front(), {2, 0, 100, 100, 100, 100, ""});  // a stored rectangle the check would refuse
  const Ids ids{0};
  user_.Focus(ids.edit(kLeft)).Focus(ids.edit(kRight)).Focus(ids.list()).Click(IDC_CLOSE);
  EXPECT_EQ(Run(Front()), 0);
  EXPECT_TRUE(host::MessageBoxes().empty()) << "tabbing through unchanged values is no new value";
  // The bitmap type disables the edits; the script cannot type into them, nor does a lost focus count.
  EditArea(Front(), {0, 0, 100, 50, 300, 150, ""});
  CaptureFailures();
  user_.Retype(ids.edit(kLeft), "5").Focus(ids.list()).Click(IDC_CLOSE);
  EXPECT_EQ(Run(Front()), 0);
  EXPECT_EQ(EditedArea(Front()).left, 100);
  EXPECT_EQ(failures_.size(), 1u) << "the disabled edit cannot be typed into";
}

TEST_F(OverlayAreaTest, SpunCoordinates) {
  struct Case {
    const DialogCase* dialog;
    Area start;
    int edge;
    int clicks;
    int stored;
    int messages;
  };
  const Case cases[] = {
      {&Front(), {2, 0, 100, 639, 300, 639, ""}, kTop, 1, 639, 1},       // Top spun to 640: refused
      {&Front(), {2, 0, 100, 50, 300, 639, ""}, kBottom, 1, 639, 1},     // Bottom spun to 640: refused
      {&Hologram(), {1, 0, 100, 50, 300, 639, ""}, kBottom, 1, 639, 0},  // the spin stops at 639
      {&Front(), {2, 0, 299, 50, 300, 150, ""}, kLeft, 1, 299, 1},       // Left up to Right
      {&Front(), {2, 0, 100, 50, 101, 150, ""}, kRight, -1, 101, 1},     // Right down to Left
      {&Front(), {2, 0, 100, 50, 300, 150, ""}, kRight, 3, 303, 0},
      {&Front(), {2, 0, 100, 50, 300, 150, ""}, kLeft, -2, 98, 0},
      {&Hologram(), {2, 0, 100, 50, 300, 150, ""}, kTop, 1, 51, 0},
      {&Front(), {2, 0, 0, 50, 300, 150, ""}, kLeft, -1, 0, 0},  // already at the spin's minimum
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.dialog->title) + " edge " + std::to_string(c.edge) + " clicks " +
                 std::to_string(c.clicks));
    Fresh();
    const Ids ids{c.dialog->shift};
    EditArea(*c.dialog, c.start);
    user_.Spin(ids.spin(c.edge), c.clicks)
        .Look([&](const host::DialogView& d) {
          EXPECT_EQ(d[ids.edit(c.edge)].text, std::to_string(c.stored));
          EXPECT_EQ(d[ids.spin(c.edge)].position, c.stored);
        })
        .Click(IDC_CLOSE);
    const int before[4] = {c.start.left, c.start.top, c.start.right, c.start.bottom};
    EXPECT_EQ(Run(*c.dialog), c.stored != before[c.edge] ? 1 : 0);
    const Area a = EditedArea(*c.dialog);
    const int values[4] = {a.left, a.top, a.right, a.bottom};
    EXPECT_EQ(values[c.edge], c.stored);
    EXPECT_EQ(MessageTexts().size(), static_cast<size_t>(c.messages));
  }
}

// --- Area types and the bitmap ---

TEST_F(OverlayAreaTest, ChoosingTheBitmapType) {
  const std::string mono = MonoFile();
  const std::string colour = dir_.Write("colour.bmp", TrueColourBitmap(64, 40));
  std::vector<uint8_t> lying = OneBitBitmap(64, 40, [](int, int) { return true; });
  lying[2] = 0xFF;  // a file size beyond the file
  const std::string liar = dir_.Write("liar.bmp", lying);
  const std::string missing = dir_.str() + "/missing.bmp";
  struct Case {
    const char* name;
    const DialogCase* dialog;
    std::string storedPath;
    std::vector<std::string> answers;  // file dialog answers in order; "" cancels
    int type;                          // afterwards
    std::string path;                  // afterwards
    std::vector<std::string> messages;
  };
  const Case cases[] = {
      {"cancelled", &Front(), "", {""}, 0, "", {}},
      {"cancelled, hologram", &Hologram(), "", {""}, 0, "", {}},
      {"one-bit file", &Front(), "", {mono}, 4, mono, {}},
      {"one-bit file, hologram", &Hologram(), "", {mono}, 3, mono, {}},
      {"24-bit file refused, asked again", &Front(), "", {colour, mono}, 4, mono, {kNotMono}},
      {"24-bit file refused, then cancelled", &Front(), "", {colour, ""}, 0, "", {kNotMono}},
      {"a header that lies is refused", &Hologram(), "", {liar, ""}, 0, "", {kNotMono}},
      {"a file that cannot be opened fails", &Front(), "", {missing}, 0, "", {}},
      {"a stored path is taken without asking", &Front(), mono, {}, 4, mono, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Fresh();
    const Ids ids{c.dialog->shift};
    EditArea(*c.dialog, {c.dialog->areaType, 0, 100, 50, 300, 150, c.storedPath});
    user_.Select(ids.list(), c.dialog->types[c.dialog->bitmapType]);
    for (const std::string& answer : c.answers) answer.empty() ? user_.CancelFileDialog() : user_.ChooseFile(answer);
    user_.Look([&](const host::DialogView& d) {
      EXPECT_EQ(d[ids.list()].selected, c.type);
      const bool bitmap = c.type == c.dialog->bitmapType;
      EXPECT_EQ(d[ids.browse()].enabled, bitmap);
      EXPECT_EQ(d[ids.edit(kLeft)].enabled, false) << "neither the bitmap nor the whole card uses the coordinates";
      EXPECT_EQ(d[ids.path()].text, c.path);
    });
    user_.Click(IDC_CLOSE);
    EXPECT_EQ(Run(*c.dialog), 1) << "the type changed";
    const Area a = EditedArea(*c.dialog);
    EXPECT_EQ(a.type, c.type);
    EXPECT_EQ(a.path, c.path);
    EXPECT_EQ(MessageTexts(), c.messages);
    const auto calls = host::FileDialogCalls();
    ASSERT_EQ(calls.size(), c.answers.size());
    for (const host::FileDialogCall& call : calls) {
      EXPECT_EQ(call.filter, (std::vector<std::pair<std::string, std::string>>{{"Bitmap FIles(*.bmp)", "*.bmp"}}));
      EXPECT_EQ(call.defaultExtension, "bmp");
      EXPECT_EQ(call.bufferChars, 260u);
    }
  }
}

// Paths that do not fit the 256-unit field are refused with a message and the file dialog opens again; 255
// characters fit.
TEST_F(OverlayAreaTest, PathsLongerThanTheFieldAreRefused) {
  const std::string base = dir_.str() + "/";
  const std::string folder = base + std::string(255 - base.size() - std::string("/m.bmp").size(), 'd');
  std::filesystem::create_directory(folder);
  const std::string longest = folder + "/m.bmp";
  ASSERT_EQ(longest.size(), 255u);
  const std::vector<uint8_t> bytes = OneBitBitmap(64, 40, [](int x, int) { return x < 10; });
  {
    std::FILE* f = std::fopen(longest.c_str(), "wb");
    ASSERT_NE(f, nullptr);
    std::fwrite(bytes.data(), 1, bytes.size(), f);
    std::fclose(f);
  }
  const std::string tooLong = folder + "/mm.bmp";  // 256: fits the file dialog, not the field
  const std::string farTooLong = folder + "/" + std::string(60, 'm') + ".bmp";  // beyond the file dialog's buffer
  EditArea(Front(), {0, 0, 0, 0, 1023, 639, ""});
  user_.Select(IDC_AREA_LIST, Front().types[4])
      .ChooseFile(tooLong)
      .ChooseFile(farTooLong)
      .ChooseFile(longest)
      .Click(IDC_CLOSE);
  EXPECT_EQ(Run(Front()), 1);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{kTooLong, kTooLong}));
  const Area a = EditedArea(Front());
  EXPECT_EQ(a.type, 4);
  EXPECT_EQ(a.path, longest);
  const PrivateDevmode pd = Edited();
  EXPECT_EQ(pd.frontOverlay.bitmapPath[255], 0) << "terminated inside the field";
  EXPECT_EQ(pd.backOverlay.areaType, DefaultPrivateDevmode().backOverlay.areaType) << "the next field is untouched";
  EXPECT_EQ(host::FileDialogCalls().size(), 3u);
}

TEST_F(OverlayAreaTest, Browse) {
  const std::string first = MonoFile("first.bmp");
  const std::string second = MonoFile("second.bmp");
  const std::string colour = dir_.Write("colour.bmp", TrueColourBitmap(8, 8));
  const Ids ids{0};
  // A new file replaces the stored one; a cancelled or refused choice keeps it.
  EditArea(Front(), {4, 0, 0, 0, 1023, 639, first});
  user_.Click(ids.browse())
      .ChooseFile(second)
      .Look([&](const host::DialogView& d) { EXPECT_EQ(d[ids.path()].text, second); })
      .Click(ids.browse())
      .CancelFileDialog()
      .Click(ids.browse())
      .ChooseFile(colour)
      .CancelFileDialog()
      .Click(IDC_CLOSE);
  EXPECT_EQ(Run(Front()), 1);
  EXPECT_EQ(EditedArea(Front()).type, 4);
  EXPECT_EQ(EditedArea(Front()).path, second);
  EXPECT_EQ(MessageTexts(), std::vector<std::string>{kNotMono});
  // The bitmap type without a path: a cancelled Browse falls back to the whole card.
  Fresh();
  EditArea(Front(), {4, 0, 0, 0, 1023, 639, ""});
  user_.Click(ids.browse())
      .CancelFileDialog()
      .Look([&](const host::DialogView& d) {
        EXPECT_EQ(d[ids.list()].selectedText(), "Full overlay varnish");
        EXPECT_FALSE(d[ids.browse()].enabled);
      })
      .Click(IDC_CLOSE);
  EXPECT_EQ(Run(Front()), 1);
  EXPECT_EQ(EditedArea(Front()).type, 0);
}

TEST_F(OverlayAreaTest, ListChangesEnableGroupsAndMarkTheChange) {
  const Ids ids{0};
  EditArea(Front(), {0, 0, 100, 50, 300, 150, ""});
  user_.Select(ids.list(), "Selected area blank")
      .Look([&](const host::DialogView& d) {
        EXPECT_TRUE(d[ids.edit(kLeft)].enabled);
        EXPECT_FALSE(d[ids.browse()].enabled);
        EXPECT_EQ(Edited().frontOverlay.areaType, 3) << "stored at once";
      })
      .Select(ids.list(), "Magnetic Stripe")
      .Look([&](const host::DialogView& d) {
        EXPECT_FALSE(d[ids.edit(kLeft)].enabled);
        EXPECT_FALSE(d[ids.group()].enabled);
      })
      .Click(IDC_CLOSE);
  EXPECT_EQ(Run(Front()), 1);
  EXPECT_EQ(EditedArea(Front()).type, 7);
  EXPECT_EQ(Edited().backOverlay.areaType, 0) << "the front dialog edits the front only";
}

TEST_F(OverlayAreaTest, RotateAndTheChangedMark) {
  for (const DialogCase& c : kDialogs) {
    SCOPED_TRACE(c.title);
    Fresh();
    const Ids ids{c.shift};
    EditArea(c, {0, 0, 0, 0, 1023, 639, ""});
    user_.Click(ids.rotate()).Look([&](const host::DialogView&) { EXPECT_EQ(EditedArea(c).rotate, 1); }).CloseBox();
    EXPECT_EQ(Run(c), 1);
    // Turning it back still reports the dialog changed something; closing at once does not.
    Fresh();
    user_.Click(ids.rotate()).Click(ids.rotate()).Click(IDC_CLOSE);
    EXPECT_EQ(Run(c), 1);
    EXPECT_EQ(EditedArea(c).rotate, 1);
    Fresh();
    user_.PressEscape();
    EXPECT_EQ(Run(c), 0);
  }
}

// --- Preview ---

// The card's pixels in the preview, found as the black of a whole-card area: left..right, top..bottom included.
struct Frame {
  LONG left = 0, top = 0, right = -1, bottom = -1;
};
Frame BlackBox(const host::DialogView& d) {
  Frame f{d.width, d.height, -1, -1};
  for (LONG y = 0; y < d.height; ++y)
    for (LONG x = 0; x < d.width; ++x)
      if (d.Pixel(x, y) == kBlack) {
        f.left = std::min(f.left, x);
        f.top = std::min(f.top, y);
        f.right = std::max(f.right, x);
        f.bottom = std::max(f.bottom, y);
      }
  return f;
}

// The colour the card mapping gives a preview pixel: the card in one colour and the rectangle (l, t)..(r, b) in
// the other, outlined by the black pen, both corners drawn.
enum class Shows { kBlackCard, kWhiteCard, kBlackArea, kWhiteArea };
ULONG Expected(const Frame& f, Shows shows, int l, int t, int r, int b, bool rotated, LONG px, LONG py) {
  const LONG w = f.right - f.left, h = f.bottom - f.top;
  auto X = [&](int x) { return rotated ? f.right - w * x / 1024 : f.left + w * x / 1024; };
  auto Y = [&](int y) { return rotated ? f.bottom - h * y / 640 : f.top + h * y / 640; };
  const LONG x0 = std::min(X(l), X(r)), x1 = std::max(X(l), X(r)), y0 = std::min(Y(t), Y(b)), y1 = std::max(Y(t), Y(b));
  const bool inside = px >= x0 && px <= x1 && py >= y0 && py <= y1;
  const bool edge = inside && (px == x0 || px == x1 || py == y0 || py == y1);
  switch (shows) {
    case Shows::kBlackCard:
      return kBlack;
    case Shows::kWhiteCard:
      return kWhite;
    case Shows::kBlackArea:
      return inside ? kBlack : kWhite;
    case Shows::kWhiteArea:
      return inside && !edge ? kWhite : kBlack;
  }
  return kBlack;
}

void ExpectPreview(const host::DialogView& d, const Frame& f, Shows shows, int l, int t, int r, int b, bool rotated) {
  for (LONG y = f.top; y <= f.bottom; ++y)
    for (LONG x = f.left; x <= f.right; ++x) {
      const ULONG want = Expected(f, shows, l, t, r, b, rotated, x, y);
      if (d.Pixel(x, y) != want) {
        ADD_FAILURE() << "preview pixel " << x << ", " << y << " is " << std::hex << d.Pixel(x, y) << ", not " << want;
        return;
      }
    }
}

class OverlayPreviewTest : public OverlayAreaTest {
 protected:
  // The card's frame as a whole-card area paints it.
  Frame CardFrame(const DialogCase& c) {
    EditArea(c, {0, 0, 0, 0, 1023, 639, ""});
    user_.CloseBox();
    Run(c);
    const Frame f = BlackBox(host::LastDialog());
    Fresh();
    return f;
  }
  // Opens the dialog with the area and returns its view.
  host::DialogView Painted(const DialogCase& c, const Area& a, const std::string& picture = "") {
    EditArea(c, a);
    user_.CloseBox();
    Run(c);
    const host::DialogView d = host::LastDialog();
    if (!picture.empty()) SaveDialogPicture(d, picture);
    Fresh();
    return d;
  }
};

TEST_F(OverlayPreviewTest, TheCardSitsInsideThePreviewGroupInItsProportions) {
  for (const DialogCase& c : kDialogs) {
    SCOPED_TRACE(c.title);
    const Frame f = CardFrame(c);
    const host::DialogView d = Painted(c, {1, 0, 0, 0, 1023, 639, ""});
    const RECT box = d[IDC_AREA_PREVIEW].rect;
    EXPECT_GT(f.left, box.left);
    EXPECT_GT(f.top, box.top + 8) << "below the group's title";
    EXPECT_LT(f.right, box.right);
    EXPECT_LT(f.bottom, box.bottom);
    EXPECT_NEAR(double(f.right - f.left + 1) / (f.bottom - f.top + 1), 1.6, 0.02);
    EXPECT_GE(f.right - f.left, 200) << "big enough to see a chip window";
    // Nothing else paints, and no control covers the card.
    EXPECT_EQ(d.Pixel(f.left - 1, f.top), kDialogColour);
    for (const host::ControlView& control : d.controls) {
      if (control.id == IDC_AREA_PREVIEW) continue;
      EXPECT_TRUE(control.rect.left > f.right || control.rect.right <= f.left || control.rect.top > f.bottom ||
                  control.rect.bottom <= f.top)
          << control.id;
    }
  }
}

// Every area type of every dialog, turned and not, against the mapping.
TEST_F(OverlayPreviewTest, EveryTypeIsDrawnByTheCardMapping) {
  struct Case {
    const DialogCase* dialog;
    int type;
    Shows shows;
    std::array<int, 4> rect;  // the area's or the fixed window's
  };
  const std::array<int, 4> area = {40, 60, 240, 260};
  const Case cases[] = {
      {&Front(), 0, Shows::kBlackCard, area},
      {&Front(), 1, Shows::kWhiteCard, area},
      {&Front(), 2, Shows::kBlackArea, area},
      {&Front(), 3, Shows::kWhiteArea, area},
      {&Front(), 5, Shows::kWhiteArea, {85, 197, 279, 356}},
      {&Front(), 6, Shows::kWhiteArea, {85, 97, 243, 257}},
      {&Front(), 7, Shows::kWhiteArea, {0, 25, 1024, 196}},
      {&Front(), 9, Shows::kWhiteCard, area},
      {&Hologram(), 0, Shows::kBlackCard, area},
      {&Hologram(), 1, Shows::kBlackArea, area},
      {&Hologram(), 2, Shows::kWhiteArea, area},
      {&Hologram(), 5, Shows::kWhiteCard, area},
  };
  const Frame front = CardFrame(Front());
  const Frame hologram = CardFrame(Hologram());
  for (const Case& c : cases)
    for (int rotate : {0, 1}) {
      SCOPED_TRACE(std::string(c.dialog->title) + " type " + std::to_string(c.type) + (rotate ? " rotated" : ""));
      const std::string name = std::string(c.dialog == &Front() ? "front-overlay" : "hologram-area") + "-type-" +
                               std::to_string(c.type) + (rotate ? "-rotated" : "");
      const host::DialogView d =
          Painted(*c.dialog, {c.type, rotate, area[0], area[1], area[2], area[3], ""}, c.type == 5 ? name : "");
      ExpectPreview(d, c.dialog == &Front() ? front : hologram, c.shows, c.rect[0], c.rect[1], c.rect[2], c.rect[3],
                    rotate != 0);
    }
}

TEST_F(OverlayPreviewTest, ARotatedAreaAtTheTopLeftIsDrawnAtTheBottomRight) {
  const Frame f = CardFrame(Front());
  const LONG w = f.right - f.left, h = f.bottom - f.top;
  for (int rotate : {0, 1}) {
    const host::DialogView d =
        Painted(Front(), {2, rotate, 0, 0, 100, 100, ""}, rotate ? "front-overlay-area-rotated" : "front-overlay-area");
    const bool turned = rotate != 0;
    EXPECT_EQ(d.Pixel(f.right, f.bottom), turned ? kBlack : kWhite);
    EXPECT_EQ(d.Pixel(f.right - w * 100 / 1024, f.bottom - h * 100 / 640), turned ? kBlack : kWhite);
    EXPECT_EQ(d.Pixel(f.right - w * 100 / 1024 - 1, f.bottom), kWhite);
    EXPECT_EQ(d.Pixel(f.left, f.top), turned ? kWhite : kBlack);
    EXPECT_EQ(d.Pixel(f.left + w * 100 / 1024, f.top + h * 100 / 640), turned ? kWhite : kBlack);
  }
}

// The bitmap type shows the file, its colour table forced (the file's own says white is black and black is
// white), turned by 180 degrees with the area; a missing file shows nothing.
TEST_F(OverlayPreviewTest, TheBitmapTypeShowsTheFile) {
  std::vector<uint8_t> file = OneBitBitmap(1024, 640, [](int x, int y) { return !(x < 256 && y < 160); });
  for (int i = 54; i < 62; ++i) file[i] = static_cast<uint8_t>(i < 58 ? 0xFF : 0x00);  // colours swapped
  const std::string path = dir_.Write("corner.bmp", file);
  const Frame f = CardFrame(Hologram());
  const LONG w = f.right - f.left, h = f.bottom - f.top;
  for (int rotate : {0, 1}) {
    SCOPED_TRACE(rotate ? "rotated" : "upright");
    const host::DialogView d =
        Painted(Hologram(), {3, rotate, 0, 0, 1023, 639, path}, rotate ? "hologram-bitmap-rotated" : "hologram-bitmap");
    // The black corner is the card's first quarter across and down, at the top left, or turned at the bottom right.
    for (LONG y = f.top; y <= f.bottom; ++y)
      for (LONG x = f.left; x <= f.right; ++x) {
        const LONG cx = rotate ? f.right - x : x - f.left, cy = rotate ? f.bottom - y : y - f.top;
        if (std::abs(cx - w / 4) <= 1 || std::abs(cy - h / 4) <= 1) continue;  // the stretch's edge may fall either way
        const ULONG want = cx < w / 4 && cy < h / 4 ? kBlack : kWhite;
        if (d.Pixel(x, y) != want) {
          ADD_FAILURE() << "pixel " << x << ", " << y << " is " << std::hex << d.Pixel(x, y);
          return;
        }
      }
    EXPECT_EQ(d.Pixel(rotate ? f.right : f.left, rotate ? f.bottom : f.top), kBlack) << "no column lost";
  }
  for (const std::string& bad : {dir_.str() + "/missing.bmp", dir_.Write("colour.bmp", TrueColourBitmap(64, 40))}) {
    const host::DialogView d = Painted(Hologram(), {3, 0, 0, 0, 1023, 639, bad});
    EXPECT_EQ(d.Pixel((f.left + f.right) / 2, (f.top + f.bottom) / 2), kDialogColour) << bad;
  }
}

// Changes repaint the preview at once.
TEST_F(OverlayPreviewTest, ThePreviewFollowsTheChanges) {
  const Frame f = CardFrame(Front());
  const Ids ids{0};
  EditArea(Front(), {2, 0, 0, 0, 100, 100, ""});
  user_.Look([&](const host::DialogView& d) { EXPECT_EQ(d.Pixel(f.left + 1, f.top + 1), kBlack); })
      .Click(ids.rotate())
      .Look([&](const host::DialogView& d) {
        EXPECT_EQ(d.Pixel(f.left + 1, f.top + 1), kWhite);
        EXPECT_EQ(d.Pixel(f.right - 1, f.bottom - 1), kBlack);
      })
      .Retype(ids.edit(kRight), "1024")
      .Focus(ids.list())
      .Look([&](const host::DialogView& d) { EXPECT_EQ(d.Pixel(f.left, f.bottom - 1), kBlack); })
      .Select(ids.list(), "No overlay")
      .Look([&](const host::DialogView& d) { EXPECT_EQ(d.Pixel(f.right - 1, f.bottom - 1), kWhite); })
      .Select(ids.list(), "Full overlay varnish")
      .Look([&](const host::DialogView& d) {
        EXPECT_EQ(d.Pixel(f.right, f.bottom), kBlack);
        SaveDialogPicture(d, "front-overlay-full");
      })
      .Click(IDC_CLOSE);
  EXPECT_EQ(Run(Front()), 1);
}

}  // namespace
}  // namespace tolma::test
