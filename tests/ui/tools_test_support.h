// Shared set-up of the printer tool dialog tests: the device sheet's printer information for the test printer, the
// current private part that selects the link mode, and shorthands for the reply monitor and the records.
#pragma once

#include "tests/ui/adjust_test_support.h"

#include <string>
#include <vector>

namespace tolma::test {

class ToolsDialogTest : public AdjustDialogTest {
 protected:
  void SetUp() override {
    AdjustDialogTest::SetUp();
    name_ = Name();
    info_.pPrinterName = name_.data();
    ui::State().link.printerInfo = &info_;
    CopyToField(ui::State().link.printerName, ui::kPrinterNameChars, name_);
    private_ = DefaultPrivateDevmode();
    ui::State().link.currentPrivate = &private_;
  }
  void TearDown() override {
    ui::State().link.printerInfo = nullptr;
    ui::State().link.currentPrivate = nullptr;
    ui::State().link.printerName[0] = 0;
    AdjustDialogTest::TearDown();
  }

  // One-way mode: a fixed ribbon is configured.
  void OneWay() { private_.fixedRibbon = 3; }
  void WithEncoder() { private_.encoder.hasEncoder = 1; }
  // Makes the printer of the device sheet one that cannot be opened.
  void LosePrinter() {
    gone_ = WideFromAscii("Gone Printer");
    info_.pPrinterName = gone_.data();
  }

  // A fresh host for the next case of a table: the test printer again, a new sheet handle and the failure handler.
  void Fresh() {
    host::Reset();
    host::SetUserFailureHandler([](const std::string& m) { ADD_FAILURE() << m; });
    AddTestPrinter(BuiltDataFile(), MakeDevmode(MarkedPrivate(2, 9)));
    printer_ = OpenTestPrinter();
    ui::State().link.sheetPrinter = printer_;
  }

  static void Reply(const std::string& command, const std::string& answer) {
    host::SetPrinterReply(kPrinter, command, answer);
  }
  // The commands that reached the reply monitor, in order.
  static std::vector<std::string> Requests() {
    std::vector<std::string> out;
    for (const host::MonitorRequest& r : host::MonitorRequests()) out.push_back(r.command);
    return out;
  }
  // The texts of the message boxes shown, in order.
  static std::vector<std::string> Messages() {
    std::vector<std::string> out;
    for (const host::MessageBoxCall& m : host::MessageBoxes()) out.push_back(m.text);
    return out;
  }
  // The bytes of every raw job, in order, with its name.
  static std::vector<std::pair<std::string, std::string>> Jobs() {
    std::vector<std::pair<std::string, std::string>> out;
    for (const host::RawJob& j : host::RawJobs())
      out.emplace_back(j.docName, std::string(j.data.begin(), j.data.end()));
    return out;
  }

  WString name_;
  WString gone_;
  PRINTER_INFO_2W info_{};
  PrivateDevmode private_{};
};

}  // namespace tolma::test
