// Shared set-up of the DomaUI tests: an attached DLL, a printer with its driver files and stored DEVMODE.
#pragma once

#include "common/devmode.h"
#include "common/wide.h"
#include "platform/host/host.h"
#include "tests/support/fixtures.h"
#include "ui/devmode_merge.h"
#include "ui/driver_ui.h"
#include "ui/ui_state.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace tolma::test {

inline constexpr const char* kPrinter = "Tolma Q47x Card Printer";
inline constexpr const char* kModulePath = "C:\\Windows\\System32\\spool\\drivers\\x64\\3\\DomaUI.dll";

// A whole 2436-byte DEVMODE: the default public template and the given private part.
inline std::vector<uint8_t> MakeDevmode(const PrivateDevmode& pd, short orientation = DMORIENT_LANDSCAPE,
                                        short copies = 1) {
  std::vector<uint8_t> bytes(kFullDevmodeSize);
  WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(bytes.data(), kPublicDevmodeSize));
  std::memcpy(bytes.data() + kPublicDevmodeSize, &pd, sizeof pd);
  auto* dm = reinterpret_cast<DEVMODEW*>(bytes.data());
  dm->dmOrientation = orientation;
  dm->dmCopies = copies;
  return bytes;
}

inline DEVMODEW* AsDevmode(std::vector<uint8_t>& bytes) { return reinterpret_cast<DEVMODEW*>(bytes.data()); }

inline PrivateDevmode PrivateOf(const std::vector<uint8_t>& devmode, size_t at = kPublicDevmodeSize) {
  PrivateDevmode pd;
  std::memcpy(&pd, devmode.data() + at, sizeof pd);
  return pd;
}

// A private part recognisable by its fields.
inline PrivateDevmode MarkedPrivate(int16_t ribbonType, int16_t marker) {
  PrivateDevmode pd = DefaultPrivateDevmode();
  pd.ribbonType = ribbonType;
  pd.headContrastO = marker;
  return pd;
}

// An attached DomaUI with one printer whose data file is the generated one.
class UiTest : public HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    ui::State() = ui::ProcessState{};
    module_ = host::RegisterModule(kModulePath);
    ASSERT_TRUE(DllMain(reinterpret_cast<HINSTANCE>(module_), DLL_PROCESS_ATTACH, nullptr));
    AddTestPrinter(BuiltDataFile(), MakeDevmode(MarkedPrivate(2, 9)));
    baselineBlocks_ = host::LiveHeapBlocks();
  }
  void TearDown() override {
    EXPECT_EQ(host::OpenPrinterHandleCount(), 0) << "every printer handle opened is closed";
    EXPECT_EQ(host::OpenRegistryKeyCount(), 0) << "every registry key opened is closed";
    EXPECT_EQ(host::LiveHeapBlocks(), baselineBlocks_) << "every heap block is freed";
    HostTest::TearDown();
  }

  void AddTestPrinter(const std::string& dataFile, const std::vector<uint8_t>& devmode) {
    host::PrinterSetup setup;
    setup.name = kPrinter;
    setup.driverDirectory = dir_.str();
    setup.dataFile = dataFile;
    setup.devmode = devmode;
    host::AddPrinter(setup);
  }

  // A handle as the spooler would pass it; closed by the test.
  HANDLE OpenTestPrinter() {
    HANDLE h = nullptr;
    WString name = Name();
    EXPECT_TRUE(OpenPrinterW(name.data(), &h, nullptr));
    return h;
  }

  static WString Name() { return WideFromAscii(kPrinter); }

  HMODULE module_ = nullptr;
  TempDir dir_;
  int baselineBlocks_ = 0;
};

}  // namespace tolma::test
