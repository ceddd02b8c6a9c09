// The document property sheet driven through the host's common UI: its items for whole settings, the printer's
// answers at open, the selection rules, apply, undo, the result and the failures at open.
#include "tests/ui/sheet_test_support.h"
#include "ui/sheet_rules.h"

#include <gtest/gtest.h>

#include <functional>

namespace tolma {
namespace {

using test::ItemRow;

constexpr LONG kPaperIcon = 64009;

class DocumentSheetTest : public test::SheetTest {};

PrivateDevmode Settings(std::function<void(PrivateDevmode&)> change) {
  PrivateDevmode pd = DefaultPrivateDevmode();
  change(pd);
  return pd;
}

// The 16 items, whole, for settings across the ribbon table, sides and models.
TEST_F(DocumentSheetTest, ItemTablesForWholeSettings) {
  struct Case {
    const char* name;
    std::function<void()> open;
    std::vector<ItemRow> rows;
  };
  const Case cases[] = {
      {"YMCKO one side on a two-sided model",
       [this] {
         Answers("0", "2", "Q47x RKB 1.0");
         OpenDocumentWith(DefaultPrivateDevmode());
       },
       {{"Paper / Output", kPaperIcon, 0, true},
        {"Orientation", 1, 2, true},
        {"180º Rotation", 0, 2, true},
        {"Color Adjustment", 0, 1, true},
        {"Ribbon", 0, 1, true},
        {"Print on both sides", 0, 2, true},
        {"Front and Back", 0, 1, true},
        {"Monochrome Conversion", 0, 3, false},
        {"Black Panel", 2, 4, true},
        {"Black Bitmap", 0, 2, false},
        {"Front Overlay Varnish", 0, 1, true},
        {"Back Overlay Varnish", 0, 1, false},
        {"Hologram Varnish", 0, 1, false},
        {"Head Settings", 0, 1, true},
        {"Printing Mode", 0, 2, true},
        {"Copies", 1, 2, true}}},
      {"fixed YMCKO, both sides, encode only",
       [this] {
         const PrivateDevmode pd = Settings([](PrivateDevmode& p) {
           p.fixedRibbon = 3;
           p.ribbonType = 9;
           p.printBothSides = 1;
           p.twoSidedMode = 3;  // beyond the three modes of YMCKO
           p.blackPanelUse = 3;
           p.printingMode = 1;
         });
         ui::State().cache = pd;
         OpenDocumentWith(DefaultPrivateDevmode(), DMORIENT_PORTRAIT, 3);
       },
       {{"Paper / Output", kPaperIcon, 0, true},
        {"Orientation", 0, 2, true},
        {"180º Rotation", 0, 4, true},
        {"Color Adjustment", 0, 1, true},
        {"Ribbon", 2, 10, true},
        {"Print on both sides", 1, 2, true},
        {"Front and Back", 0, 3, true},
        {"Monochrome Conversion", 0, 3, true},
        {"Black Panel", 3, 4, false},
        {"Black Bitmap", 0, 2, false},
        {"Front Overlay Varnish", 0, 1, false},
        {"Back Overlay Varnish", 0, 1, false},
        {"Hologram Varnish", 0, 1, false},
        {"Head Settings", 0, 1, true},
        {"Printing Mode", 1, 2, true},
        {"Copies", 3, 2, true}}},
      {"YMCKOK both sides, front YMC and back KO",
       [this] {
         Answers("1", "5", "Q47x RKB 1.0");
         OpenDocumentWith(Settings([](PrivateDevmode& p) {
           p.ribbonType = 8;
           p.printBothSides = 1;
           p.twoSidedMode = 1;
           p.rotate180 = 2;
           p.blackPanelUse = 1;
           p.monoConversion = 2;
           p.blackBitmap = 1;
         }));
       },
       {{"Paper / Output", kPaperIcon, 0, true},
        {"Orientation", 1, 2, true},
        {"180º Rotation", 2, 4, true},
        {"Color Adjustment", 0, 1, true},
        {"Ribbon", 0, 1, true},
        {"Print on both sides", 1, 2, true},
        {"Front and Back", 1, 4, true},
        {"Monochrome Conversion", 2, 3, true},
        {"Black Panel", 1, 4, false},
        {"Black Bitmap", 1, 2, false},
        {"Front Overlay Varnish", 0, 1, false},
        {"Back Overlay Varnish", 0, 1, true},
        {"Hologram Varnish", 0, 1, false},
        {"Head Settings", 0, 1, true},
        {"Printing Mode", 0, 2, true},
        {"Copies", 1, 2, true}}},
      {"both sides asked of a one-sided model",
       [this] {
         Answers("0", "2", "Q47x RKA 1.0");
         OpenDocumentWith(Settings([](PrivateDevmode& p) {
           p.printBothSides = 1;
           p.rotate180 = 3;
           p.twoSidedMode = 2;
         }));
       },
       // The rotation is built before the sides are switched off; the printing modes after.
       {{"Paper / Output", kPaperIcon, 0, true},
        {"Orientation", 1, 2, true},
        {"180º Rotation", 3, 4, true},
        {"Color Adjustment", 0, 1, true},
        {"Ribbon", 0, 1, true},
        {"Print on both sides", 0, 2, false},
        {"Front and Back", 0, 1, true},
        {"Monochrome Conversion", 0, 3, false},
        {"Black Panel", 2, 4, true},
        {"Black Bitmap", 0, 2, false},
        {"Front Overlay Varnish", 0, 1, true},
        {"Back Overlay Varnish", 0, 1, false},
        {"Hologram Varnish", 0, 1, false},
        {"Head Settings", 0, 1, true},
        {"Printing Mode", 0, 2, true},
        {"Copies", 1, 2, true}}},
      {"monochrome ribbon on a restricted (RKF) model",
       [this] {
         Answers("0", "1", "Q47x RKF 2.0");
         OpenDocumentWith(Settings([](PrivateDevmode& p) {
           p.ribbonType = 14;
           p.monoRibbonKind = 3;  // hologram varnish: not for this model
         }));
       },
       {{"Paper / Output", kPaperIcon, 0, true},
        {"Orientation", 1, 2, true},
        {"180º Rotation", 0, 2, true},
        {"Color Adjustment", 0, 1, true},
        {"Ribbon", 0, 4, true},
        {"Print on both sides", 0, 2, false},
        {"Front and Back", 0, 1, true},
        {"Monochrome Conversion", 0, 3, true},
        {"Black Panel", 2, 4, false},
        {"Black Bitmap", 0, 2, false},
        {"Front Overlay Varnish", 0, 1, false},
        {"Back Overlay Varnish", 0, 1, false},
        {"Hologram Varnish", 0, 1, false},
        {"Head Settings", 0, 1, true},
        {"Printing Mode", 0, 2, true},
        {"Copies", 1, 2, true}}},
      {"hologram ribbon",
       [this] {
         Answers(std::nullopt, "19", "Q47x RKB 1.0");
         OpenDocumentWith(Settings([](PrivateDevmode& p) { p.ribbonType = 4; }));
       },
       {{"Paper / Output", kPaperIcon, 0, true},
        {"Orientation", 1, 2, true},
        {"180º Rotation", 0, 2, true},
        {"Color Adjustment", 0, 1, true},
        {"Ribbon", 0, 1, true},
        {"Print on both sides", 0, 2, true},
        {"Front and Back", 0, 1, true},
        {"Monochrome Conversion", 0, 3, false},
        {"Black Panel", 2, 4, false},
        {"Black Bitmap", 0, 2, false},
        {"Front Overlay Varnish", 0, 1, false},
        {"Back Overlay Varnish", 0, 1, false},
        {"Hologram Varnish", 0, 1, true},
        {"Head Settings", 0, 1, true},
        {"Printing Mode", 0, 2, true},
        {"Copies", 1, 2, true}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ui::State().cache = PrivateDevmode{};
    c.open();
    ASSERT_EQ(sheet_->initResult(), 1);
    EXPECT_EQ(Rows(), c.rows);
    EXPECT_TRUE(MessageTexts().empty()) << "the DEVMODE agreed with the printer";
    sheet_.reset();
  }
}

TEST_F(DocumentSheetTest, PageRecordAndItemKinds) {
  Answers("1", "2", "Q47x RKB 1.0");
  OpenDocumentWith(DefaultPrivateDevmode());
  EXPECT_EQ(sheet_->info().Result, 0u) << "the page was added";
  ASSERT_EQ(sheet_->pageCount(), 1);
  const host::PageView page = sheet_->Page();
  EXPECT_EQ(page.size, sizeof(COMPROPSHEETUI));
  EXPECT_EQ(page.flags, CPSUIF_UPDATE_PERMISSION | CPSUIF_ABOUT_CALLBACK);
  EXPECT_EQ(page.instance, reinterpret_cast<HINSTANCE>(module_));
  EXPECT_EQ(page.callerName, "Tolma Q47x Card Printer");
  EXPECT_EQ(page.itemTreeName, "Tolma Q47x Card Printer");
  EXPECT_EQ(page.userData, 0u);
  EXPECT_FALSE(page.hasHelpFile);
  EXPECT_TRUE(page.hasCallback);
  EXPECT_EQ(page.dialogPages, 4u) << "tree view only";
  EXPECT_EQ(page.itemCount, 16);
  EXPECT_EQ(page.callerVersion, 0x0400);
  EXPECT_EQ(page.itemVersion, 0x0400);

  for (int i = 0; i < 16; ++i) EXPECT_EQ(page.items[i].userItemId, i);
  EXPECT_EQ(page.items[0].kind, host::ItemKind::Header);
  EXPECT_EQ(page.items[1].level, 1);
  EXPECT_EQ(page.items[2].level, 1);
  EXPECT_FALSE(page.items[1].callback) << "the orientation is read at apply only";
  for (int i = 2; i < 16; ++i) EXPECT_TRUE(page.items[i].callback) << i;
  EXPECT_EQ(page.items[15].kind, host::ItemKind::UpDown);
  EXPECT_EQ(page.items[15].dmPubId, DMPUB_COPIES_COLLATE);
  EXPECT_EQ(page.items[15].options[1].icon, 1u);
  EXPECT_EQ(page.items[15].options[1].param, 999);
  EXPECT_EQ(page.items[15].options[0].text, "") << "no unit";

  // Push buttons of the dialog-procedure kind, always-enabled style; lists 4, 8 and 14 carry the same style.
  const std::pair<int, UINT> buttons[] = {{3, 109}, {10, 108}, {11, 117}, {12, 110}, {13, 107}};
  for (const auto& [item, dialog] : buttons) {
    EXPECT_EQ(page.items[item].kind, host::ItemKind::PushButton);
    EXPECT_EQ(page.items[item].dialogId, dialog);
    EXPECT_NE(page.items[item].dialogProc, nullptr);
    EXPECT_EQ(page.items[item].typeStyle, OTS_PUSH_ENABLE_ALWAYS);
  }
  for (int item : {4, 8, 14}) EXPECT_EQ(page.items[item].typeStyle, 0x80) << item;
  for (int item : {1, 2, 5, 6, 7, 9}) EXPECT_EQ(page.items[item].typeStyle, 0) << item;

  // Texts and icons of the lists.
  EXPECT_EQ(Options(1), (std::vector<std::string>{"&Portrait", "&Landscape"}));
  EXPECT_EQ(Options(5), (std::vector<std::string>{"No", "Yes"}));
  EXPECT_EQ(Options(7), (std::vector<std::string>{"Diffusion", "Halftone Regular", "Barcode"}));
  EXPECT_EQ(page.items[7].options.size(), 3u) << "the list's count";
  EXPECT_EQ(Options(8), (std::vector<std::string>{"Do Not Use", "Use Always", "Text Only", "Except in Color Picture"}));
  EXPECT_EQ(Options(9), (std::vector<std::string>{"Off", "On"}));
  EXPECT_EQ(Options(14), (std::vector<std::string>{"Print", "Encode Only"}));
  EXPECT_TRUE(page.items[14].options[1].enabled) << "the printer has an encoder";
  EXPECT_EQ(Options(6), (std::vector<std::string>{"Front YMCKO"}));
  EXPECT_EQ(page.items[4].selectedText(), "YMCKO") << "the display name of ribbon code 2";
  EXPECT_EQ(page.items[4].options[0].icon, 64091u);
  EXPECT_EQ(page.items[0].selection, 64009);

  // The installed ribbon offers "Ribbon Info".
  EXPECT_TRUE(page.items[4].hasExtPush);
  EXPECT_EQ(page.items[4].extPushTitle, "Ribbon Info");
  EXPECT_EQ(page.items[4].extPushDialogId, 113u);
  EXPECT_EQ(page.items[4].extPushFlags & EPF_PUSH_TYPE_DLGPROC, EPF_PUSH_TYPE_DLGPROC);
}

TEST_F(DocumentSheetTest, OpeningAsksThePrinterAndMakesItCurrent) {
  Answers("1", "2", "Q47x RKB 1.0");
  OpenDocumentWith(Settings([](PrivateDevmode& p) { p.printerModel = 0; }));
  const auto requests = host::MonitorRequests();
  ASSERT_EQ(requests.size(), 3u);
  EXPECT_EQ(requests[0].command, "\033!V 20\r");
  EXPECT_EQ(requests[0].bufferSize, 32u);
  EXPECT_EQ(requests[1].command, "\033!RIBBON\r");
  EXPECT_EQ(requests[1].bufferSize, 32u);
  EXPECT_EQ(requests[2].command, "\033V\r");
  EXPECT_EQ(requests[2].bufferSize, 20u);
  for (const auto& h : host::PrinterHandleLog()) {
    if (h.handle != printer_) {
      EXPECT_EQ(h.access, DWORD{PRINTER_ALL_ACCESS});
    }
  }
  EXPECT_TRUE(host::DriverDataValueNames(test::kPrinter).empty()) << "the replies were removed";
  EXPECT_EQ(ui::State().link.sheetPrinter, printer_) << "the header's handle is the current printer handle";
  EXPECT_EQ(host::Utf8(ui::State().link.printerName), test::kPrinter);
  EXPECT_EQ(EditedPublic(), test::AsDevmode(in_)) << "the caller's DEVMODE is edited where it is";
  EXPECT_EQ(Edited().encoder.hasEncoder, 1);
  EXPECT_EQ(Edited().printerModel, 5) << "RKB";
  EXPECT_EQ(ui::State().cache.printerModel, 5);
  EXPECT_TRUE(ui::CacheValid(ui::State().cache)) << "the input filled the empty cache";
}

TEST_F(DocumentSheetTest, ValidCacheOverwritesTheInputsPrivatePart) {
  ui::State().cache = test::MarkedPrivate(0, 4);
  Answers("0", "2", "Q47x RKB 1.0");
  OpenDocumentWith(test::MarkedPrivate(0, 1));
  EXPECT_EQ(test::PrivateOf(in_).headContrastO, 4) << "in the caller's memory";
}

TEST_F(DocumentSheetTest, RibbonCodeZeroMeansNoRibbon) {
  Answers("0", "0", "Q47x RKB 1.0");
  OpenDocumentWith(DefaultPrivateDevmode());
  ASSERT_EQ(host::MessageBoxes().size(), 1u);
  const host::MessageBoxCall box = host::MessageBoxes()[0];
  EXPECT_EQ(box.text, "There is no ribbon or unable to communicate to printer.");
  EXPECT_EQ(box.caption, "Tolma Q47x Card Printer");
  EXPECT_EQ(box.type, UINT{MB_OK});
  EXPECT_EQ(Edited().ribbonType, 15);
  EXPECT_EQ(ui::State().cache.ribbonType, 15);
  EXPECT_EQ(sheet_->Item(4).selectedText(), "No Ribbon") << "the display name of code 0";
  EXPECT_EQ(Options(6), (std::vector<std::string>{"None"}));
  EXPECT_FALSE(sheet_->Item(10).enabled);
  EXPECT_EQ(Stored(), test::MakeDevmode(test::MarkedPrivate(2, 9))) << "the caller's DEVMODE was edited, not stored";
}

TEST_F(DocumentSheetTest, MonochromeCodeAsksForTheKindOfRibbon) {
  Answers("0", "1", "Q47x RKB 1.0");
  OpenDocumentWith(DefaultPrivateDevmode());
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Ribbon changed to Unknown Monochrome. Please choose the type "
                                                      "of monochrome ribbon installed in your printer."}));
  EXPECT_EQ(Edited().ribbonType, 14);
  EXPECT_EQ(Options(4), (std::vector<std::string>{"K Resin", "Scratch Off", "Clear Varnish", "Hologram Varnish"}));
  for (const host::OptionView& o : sheet_->Item(4).options) EXPECT_TRUE(o.enabled) << o.text;
  EXPECT_FALSE(sheet_->Item(4).hasExtPush) << "no ribbon information for a monochrome ribbon";

  // Choosing a kind rebuilds the printing modes and re-evaluates what depends on the ribbon.
  EXPECT_EQ(sheet_->Choose(4, 3), CPSUICB_ACTION_OPTIF_CHANGED);
  EXPECT_EQ(Edited().monoRibbonKind, 3);
  EXPECT_TRUE(sheet_->Item(12).enabled);
  EXPECT_EQ(Options(6), (std::vector<std::string>{"Front Hologram"}));
  EXPECT_FALSE(sheet_->Item(7).enabled);
  EXPECT_EQ(sheet_->ChangedItems(), (std::vector<int>{6, 7, 8, 9, 10, 11, 12}));
  sheet_->Choose(4, 2);
  EXPECT_FALSE(sheet_->Item(12).enabled);
  EXPECT_TRUE(sheet_->Item(10).enabled) << "clear varnish on the front";
  EXPECT_FALSE(sheet_->Item(11).enabled);
  EXPECT_EQ(Options(6), (std::vector<std::string>{"Front Clear Varnish"}));
  sheet_->Choose(4, 0);
  EXPECT_TRUE(sheet_->Item(7).enabled) << "K resin pictures are converted";
}

TEST_F(DocumentSheetTest, RestrictedModelCannotChooseVarnishKinds) {
  Answers("0", "1", "Q47x RKF 2.0");
  OpenDocumentWith(Settings([](PrivateDevmode& p) {
    p.ribbonType = 14;
    p.monoRibbonKind = 2;
  }));
  EXPECT_EQ(Edited().monoRibbonKind, 0);
  const host::ItemView ribbon = sheet_->Item(4);
  EXPECT_TRUE(ribbon.options[0].enabled && ribbon.options[1].enabled);
  EXPECT_FALSE(ribbon.options[2].enabled || ribbon.options[3].enabled);
  auto& failures = CaptureFailures();
  EXPECT_EQ(sheet_->Choose(4, 3), -1);
  EXPECT_EQ(failures.size(), 1u) << "a person cannot choose a disabled option";
  EXPECT_EQ(Edited().monoRibbonKind, 0);
}

TEST_F(DocumentSheetTest, FixedRibbonAsksNothingAndEncodes) {
  PrivateDevmode cache = DefaultPrivateDevmode();
  cache.fixedRibbon = 3;  // "YMCKO"
  cache.ribbonType = 9;
  ui::State().cache = cache;
  Answers("0", "17", "Q47x RKA 1.0");
  OpenDocumentWith(DefaultPrivateDevmode());
  EXPECT_TRUE(host::MonitorRequests().empty());
  EXPECT_EQ(host::PrinterHandleLog().size(), 1u) << "only the spooler's handle";
  EXPECT_TRUE(host::MessageBoxes().empty());
  EXPECT_EQ(Edited().encoder.hasEncoder, 1);
  EXPECT_EQ(ui::State().cache.encoder.hasEncoder, 1);
  EXPECT_EQ(Edited().ribbonType, 0);
  EXPECT_TRUE(sheet_->Item(14).options[1].enabled) << "Encode Only";
  EXPECT_TRUE(sheet_->Item(5).enabled) << "both sides whatever the model";
  EXPECT_FALSE(sheet_->Item(4).hasExtPush);
  EXPECT_EQ(Options(4), (std::vector<std::string>{"YMCKOK", "YMCKK", "YMCKO", "YMCUvK", "K Resin / Scratch Off", "YMCK",
                                                  "YMC", "KdO", "KrO", "Hologram/Varnish"}));
  EXPECT_EQ(host::Utf8(ui::State().link.printerName), test::kPrinter);

  // Another entry of the fixed list changes the ribbon and what depends on it.
  sheet_->Choose(4, 9);
  EXPECT_EQ(Edited().fixedRibbon, 10);
  EXPECT_EQ(Edited().ribbonType, 4);
  EXPECT_TRUE(sheet_->Item(12).enabled) << "the hologram ribbon";
  EXPECT_EQ(Options(6), (std::vector<std::string>{"Front Hologram"}));
  EXPECT_FALSE(sheet_->Item(10).enabled);
  sheet_->Choose(4, 0);
  EXPECT_EQ(Edited().ribbonType, 8);
  EXPECT_FALSE(sheet_->Item(12).enabled);
  EXPECT_TRUE(sheet_->Item(10).enabled);
}

TEST_F(DocumentSheetTest, SwitchingBothSidesOffNarrowsTheRotation) {
  Answers("0", "2", "Q47x RKB 1.0");
  OpenDocumentWith(Settings([](PrivateDevmode& p) {
    p.printBothSides = 1;
    p.rotate180 = 3;
    p.twoSidedMode = 2;
  }));
  EXPECT_EQ(Options(2), (std::vector<std::string>{"[None]", "Front", "Back", "Front & Back"}));
  EXPECT_EQ(sheet_->Choose(5, 0), CPSUICB_ACTION_OPTIF_CHANGED);
  EXPECT_EQ(Edited().printBothSides, 0);
  EXPECT_EQ(Edited().rotate180, 1);
  EXPECT_EQ(Options(2), (std::vector<std::string>{"[None]", "Front"}));
  EXPECT_EQ(sheet_->Item(2).selection, 1);
  EXPECT_EQ(sheet_->ChangedItems(), (std::vector<int>{2, 6, 7, 8, 9, 10, 11}));
  EXPECT_EQ(Options(6), (std::vector<std::string>{"Front YMCKO"}));
  EXPECT_EQ(Edited().twoSidedMode, 0) << "kept inside the one-sided list";

  // Back on: four rotations and the two-sided modes.
  sheet_->Choose(5, 1);
  EXPECT_EQ(Options(2).size(), 4u);
  EXPECT_EQ(Options(6),
            (std::vector<std::string>{"Front YMCO, Back K", "Front YMCKO, Back YMCKO", "Front YMC, Back KO"}));
}

TEST_F(DocumentSheetTest, YmckoFrontYmcBackKoEnabling) {
  Answers("0", "2", "Q47x RKB 1.0");
  OpenDocumentWith(DefaultPrivateDevmode());
  sheet_->Choose(5, 1);
  EXPECT_EQ(sheet_->Choose(6, 2), CPSUICB_ACTION_OPTIF_CHANGED);
  EXPECT_EQ(sheet_->ChangedItems(), (std::vector<int>{7, 8, 9, 10, 11}));
  EXPECT_EQ(Edited().twoSidedMode, 2);
  EXPECT_FALSE(sheet_->Item(10).enabled) << "front overlay";
  EXPECT_TRUE(sheet_->Item(11).enabled) << "back overlay";
  EXPECT_FALSE(sheet_->Item(8).enabled) << "black panel";
  EXPECT_FALSE(sheet_->Item(9).enabled) << "black bitmap";
  EXPECT_TRUE(sheet_->Item(7).enabled) << "monochrome conversion";

  // Mode 1 uses the black panel on its own; "Except in Color Picture" then offers the black bitmap.
  sheet_->Choose(6, 1);
  EXPECT_TRUE(sheet_->Item(8).enabled);
  EXPECT_FALSE(sheet_->Item(9).enabled);
  EXPECT_EQ(sheet_->Choose(8, 3), CPSUICB_ACTION_OPTIF_CHANGED);
  EXPECT_EQ(sheet_->ChangedItems(), (std::vector<int>{8, 9}));
  EXPECT_EQ(Edited().blackPanelUse, 3);
  EXPECT_TRUE(sheet_->Item(9).enabled);
  sheet_->Choose(8, 0);
  EXPECT_FALSE(sheet_->Item(9).enabled);
}

TEST_F(DocumentSheetTest, CommonUiRefusesWhatAPersonCannotDo) {
  Answers("0", "2", "Q47x RKB 1.0");
  OpenDocumentWith(DefaultPrivateDevmode());
  const std::vector<uint8_t> before = in_;
  auto& failures = CaptureFailures();
  EXPECT_EQ(sheet_->Choose(7, 1), -1) << "a disabled item";
  EXPECT_EQ(sheet_->Press(11), -1) << "a disabled push button";
  EXPECT_EQ(sheet_->Choose(2, 2), -1) << "beyond the list";
  EXPECT_EQ(sheet_->Choose(13, 0), -1) << "a push button has no options";
  EXPECT_EQ(sheet_->PressExtended(5), -1) << "no extended button";
  EXPECT_EQ(sheet_->TypeNumber(5, 3), -1) << "no number";
  EXPECT_EQ(failures.size(), 6u);
  EXPECT_EQ(in_, before);
  EXPECT_TRUE(host::ClosedDialogs().empty());
}

TEST_F(DocumentSheetTest, CopiesAreKeptBetweenOneAndTheMaximum) {
  Answers("0", "2", "Q47x RKB 1.0");
  OpenDocumentWith(DefaultPrivateDevmode(), DMORIENT_LANDSCAPE, 5);
  EXPECT_EQ(sheet_->Item(15).selection, 5);
  for (const auto& [typed, stored] : {std::pair{0, 1}, {-4, 1}, {12, 12}, {1000, 999}}) {
    sheet_->TypeNumber(15, typed);
    EXPECT_EQ(EditedPublic()->dmCopies, stored) << typed;
    EXPECT_EQ(sheet_->Item(15).selection, stored) << typed;
  }
}

TEST_F(DocumentSheetTest, EncodeOnlyLeavesNoOverlay) {
  Answers("1", "2", "Q47x RKB 1.0");
  OpenDocumentWith(DefaultPrivateDevmode());
  EXPECT_TRUE(sheet_->Item(10).enabled);
  sheet_->Choose(14, 1);
  EXPECT_EQ(Edited().printingMode, 1);
  EXPECT_FALSE(sheet_->Item(10).enabled);
  sheet_->Choose(14, 0);
  EXPECT_TRUE(sheet_->Item(10).enabled);
}

TEST_F(DocumentSheetTest, EncodeOnlyIsDroppedWithoutAnEncoder) {
  Answers("0", "2", "Q47x RKB 1.0");
  OpenDocumentWith(Settings([](PrivateDevmode& p) { p.printingMode = 1; }));
  EXPECT_EQ(Edited().printingMode, 0);
  EXPECT_FALSE(sheet_->Item(14).options[1].enabled);
  EXPECT_EQ(sheet_->Item(14).selection, 0);
}

TEST_F(DocumentSheetTest, SilentPrinterChangesNothing) {
  Answers(std::nullopt, std::nullopt, std::nullopt);
  OpenDocumentWith(Settings([](PrivateDevmode& p) {
    p.ribbonType = 6;
    p.encoder.hasEncoder = 1;
    p.printerModel = 5;
    p.printBothSides = 1;
  }));
  EXPECT_TRUE(host::MessageBoxes().empty());
  EXPECT_EQ(Edited().ribbonType, 6);
  EXPECT_EQ(Edited().encoder.hasEncoder, 1);
  EXPECT_EQ(sheet_->Item(4).selectedText(), "None");
  EXPECT_EQ(Edited().printerModel, 3) << "a printer without a firmware text counts as the RKA model";
  EXPECT_FALSE(sheet_->Item(5).enabled) << "and prints one side";
  EXPECT_EQ(Edited().printBothSides, 0);
}

TEST_F(DocumentSheetTest, ChangedStoredDevmodeIsStored) {
  // No input: the sheet edits the printer's stored DEVMODE ("KdO", no encoder) and stores what the printer says.
  Answers("1", "17", "Q47x RKB 1.0");
  OpenDocument(nullptr);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"Ribbon changed to KrO."}));
  const PrivateDevmode stored = test::PrivateOf(Stored());
  EXPECT_EQ(stored.ribbonType, 3);
  EXPECT_EQ(stored.encoder.hasEncoder, 1);
  EXPECT_EQ(stored.headContrastO, 9);
  EXPECT_EQ(host::CallCount(host::FailPoint::SetPrinter), 1);
  EXPECT_FALSE(ui::CacheValid(ui::State().cache)) << "the stored DEVMODE does not fill the cache";
  EXPECT_EQ(Edited().headContrastO, 9);

  // An agreeing printer leaves the stored DEVMODE alone.
  sheet_.reset();
  OpenDocument(nullptr);
  EXPECT_EQ(host::CallCount(host::FailPoint::SetPrinter), 1);
}

TEST_F(DocumentSheetTest, StoredDevmodeOfAnotherLayoutIsStoredInThisLayout) {
  std::vector<uint8_t> wide(220 + kPrivateDevmodeSize);
  WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(wide.data(), kPublicDevmodeSize));
  const PrivateDevmode pd = test::MarkedPrivate(2, 6);
  std::memcpy(wide.data() + 220, &pd, sizeof pd);
  test::AsDevmode(wide)->dmSize = 220;
  host::SetStoredDevmode(test::kPrinter, wide);
  Answers("0", "16", "Q47x RKB 1.0");
  OpenDocument(nullptr);
  EXPECT_EQ(Edited().headContrastO, 6);
  EXPECT_EQ(Stored(), wide) << "nothing stored while the printer agrees";
  sheet_.reset();

  Answers("0", "17", "Q47x RKB 1.0");
  OpenDocument(nullptr);
  const std::vector<uint8_t> stored = Stored();
  ASSERT_EQ(stored.size(), kFullDevmodeSize);
  EXPECT_EQ(test::AsDevmode(const_cast<std::vector<uint8_t>&>(stored))->dmSize, kPublicDevmodeSize);
  EXPECT_EQ(test::PrivateOf(stored).ribbonType, 3);
  EXPECT_EQ(test::PrivateOf(stored).headContrastO, 6);
}

TEST_F(DocumentSheetTest, ApplyWritesTheSelectionsAndTheResultGoesOut) {
  Answers("1", "2", "Q47x RKB 1.0");
  OpenDocumentWith(DefaultPrivateDevmode());
  sheet_->Choose(1, 0);
  sheet_->Choose(5, 1);
  sheet_->Choose(7, 1);  // while mode 0 converts the back's pictures
  sheet_->Choose(6, 1);
  sheet_->Choose(2, 3);
  sheet_->Choose(8, 3);
  sheet_->Choose(9, 1);
  sheet_->Choose(14, 1);
  EXPECT_EQ(EditedPublic()->dmOrientation, DMORIENT_LANDSCAPE) << "the orientation waits for apply";
  EXPECT_EQ(Edited().monoConversion, 0);
  EXPECT_EQ(sheet_->Apply(), CPSUICB_ACTION_ITEMS_APPLIED);
  EXPECT_EQ(EditedPublic()->dmOrientation, DMORIENT_PORTRAIT);
  const PrivateDevmode pd = Edited();
  EXPECT_EQ(pd.rotate180, 3);
  EXPECT_EQ(pd.printBothSides, 1);
  EXPECT_EQ(pd.twoSidedMode, 1);
  EXPECT_EQ(pd.monoConversion, 1);
  EXPECT_EQ(pd.blackPanelUse, 3);
  EXPECT_EQ(pd.blackBitmap, 1);
  EXPECT_EQ(pd.printingMode, 1);

  EXPECT_EQ(sheet_->SetResult(CPSUI_CANCEL), 1);
  EXPECT_EQ(sheet_->info().Result, 4u) << "whatever the sheet reported";
  EXPECT_EQ(out_, in_) << "the edited DEVMODE, whole";
  EXPECT_EQ(std::memcmp(&ui::State().cache, &pd, sizeof pd), 0);
  EXPECT_EQ(sheet_->Destroy(), 1);
  EXPECT_EQ(ui::State().editedDevmode, nullptr);
  EXPECT_EQ(ui::State().link.currentPrivate, nullptr);

  // The next DEVMODE handed out carries the sheet's private part.
  std::vector<uint8_t> next(kFullDevmodeSize);
  auto other = test::MakeDevmode(test::MarkedPrivate(5, 1));
  EXPECT_EQ(DrvDocumentProperties(nullptr, printer_, name_.data(), test::AsDevmode(next), test::AsDevmode(other),
                                  DM_OUT_BUFFER | DM_IN_BUFFER),
            1);
  EXPECT_EQ(test::PrivateOf(next).blackBitmap, 1);
}

TEST_F(DocumentSheetTest, UndoBringsBackTheDevmodeAndTheItems) {
  Answers("0", "2", "Q47x RKB 1.0");
  OpenDocumentWith(DefaultPrivateDevmode());
  const std::vector<ItemRow> opened = Rows();
  const std::vector<uint8_t> before = in_;
  sheet_->Choose(5, 1);
  sheet_->Choose(6, 2);
  sheet_->TypeNumber(15, 7);
  EXPECT_NE(in_, before);
  for (auto undo : {&host::PropertySheetSession::Undo, &host::PropertySheetSession::Revert}) {
    EXPECT_EQ((sheet_.get()->*undo)(0), CPSUICB_ACTION_OPTIF_CHANGED);
    EXPECT_EQ(in_, before);
    EXPECT_EQ(Rows(), opened);
    sheet_->Choose(5, 1);
  }
}

TEST_F(DocumentSheetTest, DevmodeOfAnotherLayoutIsEditedAsAWholeCopy) {
  // A DEVMODE whose public part is 220 bytes, with the private part behind it.
  std::vector<uint8_t> wide(220 + kPrivateDevmodeSize);
  WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(wide.data(), kPublicDevmodeSize));
  const PrivateDevmode pd = test::MarkedPrivate(0, 6);
  std::memcpy(wide.data() + 220, &pd, sizeof pd);
  test::AsDevmode(wide)->dmSize = 220;
  const std::vector<uint8_t> original = wide;
  Answers("0", "2", "Q47x RKB 1.0");
  OpenDocument(&wide);
  EXPECT_NE(EditedPublic(), test::AsDevmode(wide));
  EXPECT_EQ(Edited().headContrastO, 6);
  sheet_->SetResult();
  EXPECT_EQ(wide, original) << "the caller's DEVMODE is only read";
  EXPECT_EQ(test::AsDevmode(out_)->dmSize, kPublicDevmodeSize);
  EXPECT_EQ(test::PrivateOf(out_).headContrastO, 6);
}

TEST_F(DocumentSheetTest, WithoutInputOrPrinterInformationTheDefaultDevmodeIsEdited) {
  Answers("1", "5", "Q47x RKB 1.0");
  host::SetFailure(host::FailPoint::GetPrinter);
  OpenDocument(nullptr);
  ASSERT_EQ(sheet_->initResult(), 1);
  EXPECT_EQ(MessageTexts().front(), "System Error") << "the printer's information could not be read";
  ASSERT_NE(EditedPublic(), nullptr);
  PrivateDevmode expected = DefaultPrivateDevmode();
  EXPECT_EQ(Edited().headContrastO, expected.headContrastO) << "the driver's default settings";
  EXPECT_EQ(Edited().ribbonType, 8) << "following the printer";
  EXPECT_EQ(Edited().encoder.hasEncoder, 1);
  sheet_->SetResult();
  EXPECT_EQ(test::AsDevmode(out_)->dmSize, kPublicDevmodeSize);
  EXPECT_EQ(test::PrivateOf(out_).ribbonType, 8);
  EXPECT_EQ(host::CallCount(host::FailPoint::SetPrinter), 0) << "nothing stored";
}

TEST_F(DocumentSheetTest, AllocationFailureAtOpenFailsCleanly) {
  Answers("0", "2", "Q47x RKB 1.0");
  in_ = test::MakeDevmode(DefaultPrivateDevmode());
  host::SetFailure(host::FailPoint::HeapAlloc, 0, 1);
  OpenDocument(&in_);
  EXPECT_EQ(sheet_->initResult(), -1);
  EXPECT_EQ(sheet_->pageCount(), 0);
  EXPECT_EQ(MessageTexts(), (std::vector<std::string>{"System Error"}));
  EXPECT_EQ(host::MessageBoxes()[0].caption, "Tolma Q47x Card Printer");
  EXPECT_TRUE(host::MonitorRequests().empty());
  EXPECT_EQ(ui::State().editedDevmode, nullptr);
  EXPECT_EQ(sheet_->info().UserData, 0u);
}

TEST_F(DocumentSheetTest, PageThatCannotBeAddedLeavesTheResultAlone) {
  Answers("0", "2", "Q47x RKB 1.0");
  host::SetFailure(host::FailPoint::AddPropertySheetPage);
  OpenDocumentWith(DefaultPrivateDevmode());
  EXPECT_EQ(sheet_->initResult(), 1);
  EXPECT_EQ(sheet_->pageCount(), 0);
  EXPECT_NE(sheet_->info().UserData, 0u) << "freed at DESTROY";
  EXPECT_EQ(sheet_->Destroy(), 1);
}

TEST_F(DocumentSheetTest, ReasonsWithoutASheet) {
  PROPSHEETUI_INFO info{};
  info.cbSize = sizeof info;
  info.Reason = PROPSHEETUI_REASON_INIT;
  EXPECT_EQ(DrvDocumentPropertySheets(&info, 0), -1) << "no header";
  info.Reason = PROPSHEETUI_REASON_SET_RESULT;
  EXPECT_EQ(DrvDocumentPropertySheets(&info, 0), -1) << "nothing to deliver";
  for (WORD reason : {PROPSHEETUI_REASON_DESTROY, PROPSHEETUI_REASON_GET_INFO_HEADER, PROPSHEETUI_REASON_GET_ICON}) {
    info.Reason = reason;
    EXPECT_EQ(DrvDocumentPropertySheets(&info, 0), 1);
  }
}

TEST(SheetRules, RibbonChangedTexts) {
  EXPECT_EQ(ui::RibbonChangedText(15), "There is no ribbon or unable to communicate to printer.");
  EXPECT_EQ(ui::RibbonChangedText(99), "There is no ribbon or unable to communicate to printer.");
  EXPECT_EQ(ui::RibbonChangedText(0), "Ribbon changed to YMCKO.");
  EXPECT_EQ(ui::RibbonChangedText(14),
            "Ribbon changed to Unknown Monochrome. Please choose the type of monochrome "
            "ribbon installed in your printer.");
}

}  // namespace
}  // namespace tolma
