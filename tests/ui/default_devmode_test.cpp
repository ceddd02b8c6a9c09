// Tests of the driver data file readers: the strict default loader and the default DEVMODE builder.
#include "tests/ui/ui_test_support.h"
#include "ui/default_devmode.h"

#include <gtest/gtest.h>

#include <cstring>

namespace tolma {
namespace {

using test::MakeDevmode;

class DefaultDevmodeTest : public test::UiTest {
 protected:
  // The generated data file cut or extended to `size` bytes, as the printer's data file.
  std::vector<uint8_t> UseDataFileOfSize(size_t size) {
    std::vector<uint8_t> bytes = test::ReadFileBytes(test::BuiltDataFile());
    bytes.resize(size, 0x5A);
    host::Reset();
    AddTestPrinter(dir_.Write("Doma.dat", bytes), {});
    return bytes;
  }
};

// The strict loader takes exactly 2224 bytes; the builder takes up to 2224 of whatever is there, with the
// built-in image under a shorter file.
TEST_F(DefaultDevmodeTest, DataFileSizes) {
  const PrivateDevmode builtIn = DefaultPrivateDevmode();
  for (size_t size : {size_t{2223}, size_t{2224}, size_t{2225}, size_t{0}}) {
    SCOPED_TRACE("data file of " + std::to_string(size) + " bytes");
    const std::vector<uint8_t> file = UseDataFileOfSize(size);
    HANDLE h = OpenTestPrinter();
    PrivateDevmode loaded = test::MarkedPrivate(1, 77);
    const PrivateDevmode before = loaded;
    const int result = ui::LoadDefaultPrivatePart(h, loaded);
    ClosePrinter(h);
    if (size == kPrivateDevmodeSize) {
      EXPECT_EQ(result, 1);
      EXPECT_EQ(std::memcmp(&loaded, file.data(), sizeof loaded), 0);
    } else {
      EXPECT_EQ(result, -1);
      EXPECT_EQ(std::memcmp(&loaded, &before, sizeof loaded), 0) << "a failed load leaves the buffer alone";
    }

    std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
    WString name = Name();
    EXPECT_EQ(ui::BuildDefaultDevmode(name.data(), out), ui::DefaultSource::DataFile);
    std::vector<uint8_t> expected = MakeDevmode(builtIn);
    std::memcpy(expected.data() + kPublicDevmodeSize, file.data(), std::min(file.size(), size_t{kPrivateDevmodeSize}));
    EXPECT_EQ(out, expected);
  }
}

TEST_F(DefaultDevmodeTest, StrictLoaderFailures) {
  struct Case {
    const char* name;
    host::FailPoint point;
  };
  for (const Case c :
       {Case{"no driver information", host::FailPoint::GetPrinterDriver},
        Case{"file does not open", host::FailPoint::CreateFile}, Case{"size unknown", host::FailPoint::GetFileSize},
        Case{"read fails", host::FailPoint::ReadFile}, Case{"no memory", host::FailPoint::HeapAlloc}}) {
    SCOPED_TRACE(c.name);
    host::ClearFailures();
    HANDLE h = OpenTestPrinter();
    host::SetFailure(c.point);
    PrivateDevmode loaded{};
    EXPECT_EQ(ui::LoadDefaultPrivatePart(h, loaded), -1);
    EXPECT_EQ(loaded.signature, 0);
    host::ClearFailures();
    ClosePrinter(h);
  }
}

TEST_F(DefaultDevmodeTest, StrictLoaderUsesTheCurrentPrinterHandle) {
  PrivateDevmode loaded{};
  EXPECT_EQ(ui::LoadDefaultPrivatePart(loaded), -1) << "no sheet has set a printer handle";
  ui::State().link.sheetPrinter = OpenTestPrinter();
  EXPECT_EQ(ui::LoadDefaultPrivatePart(loaded), 1);
  EXPECT_EQ(std::memcmp(&loaded, test::ReadFileBytes(test::BuiltDataFile()).data(), sizeof loaded), 0);
  ClosePrinter(ui::State().link.sheetPrinter);
}

TEST_F(DefaultDevmodeTest, BuilderFallsBackToTheBuiltInImage) {
  const std::vector<uint8_t> builtIn = MakeDevmode(DefaultPrivateDevmode());
  WString name = Name();
  WString other = WideFromAscii("No Such Printer");
  struct Case {
    const char* name;
    WCHAR* printer;
    host::FailPoint failure;
  };
  for (const Case c : {Case{"unknown printer", other.data(), host::FailPoint::Count},
                       Case{"no driver information", name.data(), host::FailPoint::GetPrinterDriver},
                       Case{"file does not open", name.data(), host::FailPoint::CreateFile}}) {
    SCOPED_TRACE(c.name);
    host::ClearFailures();
    if (c.failure != host::FailPoint::Count) host::SetFailure(c.failure);
    std::vector<uint8_t> out(kFullDevmodeSize, 0xAB);
    EXPECT_EQ(ui::BuildDefaultDevmode(c.printer, out), ui::DefaultSource::BuiltIn);
    EXPECT_EQ(out, builtIn);
  }
}

TEST_F(DefaultDevmodeTest, BuilderNeverWritesPastASmallerOutput) {
  std::vector<uint8_t> small(kFullDevmodeSize - 1, 0xAB);
  WString name = Name();
  EXPECT_EQ(ui::BuildDefaultDevmode(name.data(), small), ui::DefaultSource::OutputTooSmall);
  EXPECT_EQ(small, std::vector<uint8_t>(kFullDevmodeSize - 1, 0xAB));
}

}  // namespace
}  // namespace tolma
