// Shared set-up of the adjustment dialog tests: an attached DomaUI whose open sheet edits a DEVMODE of the test
// printer, and a scripted user.
#pragma once

#include "platform/host/draw_host.h"
#include "platform/host/user/dialog_host.h"
#include "tests/support/dialog_pictures.h"
#include "tests/ui/ui_test_support.h"
#include "ui/dialogs.h"

#include <string>
#include <vector>

namespace tolma::test {

class AdjustDialogTest : public UiTest {
 protected:
  void SetUp() override {
    UiTest::SetUp();
    printer_ = OpenTestPrinter();
    ui::State().link.sheetPrinter = printer_;
    Edit(DefaultPrivateDevmode());
  }
  void TearDown() override {
    ui::State().editedDevmode = nullptr;
    ui::State().link.sheetPrinter = nullptr;
    ClosePrinter(printer_);
    EXPECT_EQ(host::LiveWindowCount(), 0);
    EXPECT_EQ(host::LiveBitmapCount(), 0);
    EXPECT_EQ(host::LiveMemoryDcCount(), 0);
    EXPECT_EQ(host::OpenPaintCount(), 0);
    UiTest::TearDown();
  }

  // Makes the sheet edit a DEVMODE with this private part.
  void Edit(const PrivateDevmode& pd) {
    devmode_ = MakeDevmode(pd);
    ui::State().editedDevmode = AsDevmode(devmode_);
  }
  // The private part being edited, as the dialogs left it.
  PrivateDevmode Edited() const { return PrivateOf(devmode_); }

  // Gives the test printer a data file with these bytes (empty: a name that does not exist).
  void UseDataFile(const std::vector<uint8_t>& bytes) {
    const std::string path = bytes.empty() ? dir_.str() + "/missing.dat" : dir_.Write("custom.dat", bytes);
    AddTestPrinter(path, MakeDevmode(MarkedPrivate(2, 9)));
  }
  static std::vector<uint8_t> ImageBytes(const PrivateDevmode& pd) {
    const auto* p = reinterpret_cast<const uint8_t*>(&pd);
    return std::vector<uint8_t>(p, p + sizeof pd);
  }

  // Scripted-user failures go into the returned list instead of failing the test.
  std::vector<std::string>& CaptureFailures() {
    host::SetUserFailureHandler([this](const std::string& m) { failures_.push_back(m); });
    return failures_;
  }

  HANDLE printer_ = nullptr;
  std::vector<uint8_t> devmode_;
  host::ScriptedUser user_;
  std::vector<std::string> failures_;
};

}  // namespace tolma::test
