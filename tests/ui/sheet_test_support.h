// Shared set-up of the property-sheet tests: an attached DomaUI, the test printer with its reply monitor, the
// host's common UI around DrvDocumentPropertySheets or DrvDevicePropertySheets, and a scripted user.
#pragma once

#include "common/commands.h"
#include "platform/host/compstui/property_sheets.h"
#include "platform/host/user/dialog_host.h"
#include "tests/ui/ui_test_support.h"
#include "ui/dialogs.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace tolma::test {

// An item as a row of an item table.
struct ItemRow {
  std::string name;
  LONG selection;
  int count;
  bool enabled;
  bool operator==(const ItemRow&) const = default;
};

inline std::ostream& operator<<(std::ostream& out, const ItemRow& row) {
  return out << "{\"" << row.name << "\", " << row.selection << ", " << row.count << ", "
             << (row.enabled ? "on" : "off") << "}";
}

class SheetTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    // The ribbon names installed beside the driver.
    dir_.Write("domaribbon.ini", ReadFileBytes(std::string(TOLMA_BUILD_DIR) + "/domaribbon.ini"));
    printer_ = OpenTestPrinter();
    name_ = Name();
    out_.assign(kFullDevmodeSize, 0xCD);
  }
  void TearDown() override {
    sheet_.reset();
    ui::State().editedDevmode = nullptr;
    ui::State().link = ui::LinkContext{};
    ClosePrinter(printer_);
    EXPECT_EQ(host::LiveWindowCount(), 0);
    UiTest::TearDown();
  }

  // What the printer answers (nothing for an unset answer): the encoder question, the ribbon question and the
  // firmware version. Answers are given without their ACK, which is added.
  void Answers(std::optional<std::string> encoder, std::optional<std::string> ribbon,
               std::optional<std::string> version) {
    const auto set = [](std::string_view command, const std::optional<std::string>& answer) {
      if (answer)
        host::SetPrinterReply(kPrinter, std::string(command), *answer + "\x06");
      else
        host::ClearPrinterReply(kPrinter, std::string(command));
    };
    set(cmd::kQueryEncoderFitted, encoder);
    set(cmd::kQueryRibbon, ribbon);
    set(cmd::kQueryVersion, version);
  }

  // Opens the document sheet as the spooler does for the printing preferences, with an input DEVMODE or none.
  host::PropertySheetSession& OpenDocument(std::vector<uint8_t>* input) {
    header_ = DOCUMENTPROPERTYHEADER{};
    header_.cbSize = sizeof header_;
    header_.hPrinter = printer_;
    header_.pszPrinterName = name_.data();
    header_.pdmIn = input != nullptr ? AsDevmode(*input) : nullptr;
    header_.pdmOut = AsDevmode(out_);
    header_.cbOut = kFullDevmodeSize;
    header_.fMode = DM_IN_BUFFER | DM_OUT_BUFFER | DM_IN_PROMPT;
    sheet_ =
        std::make_unique<host::PropertySheetSession>(&DrvDocumentPropertySheets, reinterpret_cast<LPARAM>(&header_));
    return *sheet_;
  }
  host::PropertySheetSession& OpenDocumentWith(const PrivateDevmode& pd, short orientation = DMORIENT_LANDSCAPE,
                                               short copies = 1) {
    in_ = MakeDevmode(pd, orientation, copies);
    return OpenDocument(&in_);
  }

  // Opens the device sheet as the spooler does for the printer's properties.
  host::PropertySheetSession& OpenDevice() {
    deviceHeader_ = DEVICEPROPERTYHEADER{};
    deviceHeader_.cbSize = sizeof deviceHeader_;
    deviceHeader_.hPrinter = printer_;
    deviceHeader_.pszPrinterName = name_.data();
    sheet_ = std::make_unique<host::PropertySheetSession>(&DrvDevicePropertySheets,
                                                          reinterpret_cast<LPARAM>(&deviceHeader_));
    return *sheet_;
  }

  // The private part of the DEVMODE the open sheet edits.
  PrivateDevmode Edited() const {
    const PrivateDevmode* pd = ui::EditedPrivatePart();
    return pd != nullptr ? *pd : PrivateDevmode{};
  }
  const DEVMODEW* EditedPublic() const { return ui::State().editedDevmode; }

  // The items of the open sheet as table rows.
  std::vector<ItemRow> Rows() const {
    std::vector<ItemRow> rows;
    for (const host::ItemView& item : sheet_->Page().items)
      rows.push_back({item.name, item.selection, item.count, item.enabled});
    return rows;
  }
  // The option texts an item counts.
  std::vector<std::string> Options(int item) const {
    const host::ItemView view = sheet_->Item(item);
    std::vector<std::string> texts;
    for (int i = 0; i < view.count && i < int(view.options.size()); ++i) texts.push_back(view.options[i].text);
    return texts;
  }

  // Scripted-user and common-UI refusals go into the returned list instead of failing the test.
  std::vector<std::string>& CaptureFailures() {
    host::SetUserFailureHandler([this](const std::string& m) { failures_.push_back(m); });
    return failures_;
  }

  std::vector<uint8_t> Stored() const { return host::StoredDevmode(kPrinter); }
  static std::vector<std::string> MessageTexts() {
    std::vector<std::string> texts;
    for (const auto& box : host::MessageBoxes()) texts.push_back(box.text);
    return texts;
  }

  HANDLE printer_ = nullptr;
  WString name_;
  DOCUMENTPROPERTYHEADER header_{};
  DEVICEPROPERTYHEADER deviceHeader_{};
  std::vector<uint8_t> in_;
  std::vector<uint8_t> out_;
  std::unique_ptr<host::PropertySheetSession> sheet_;
  host::ScriptedUser user_;
  std::vector<std::string> failures_;
};

}  // namespace tolma::test
