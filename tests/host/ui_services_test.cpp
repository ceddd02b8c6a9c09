// Tests of the host services DomaUI relies on: printer settings, raw documents, the reply monitor, the registry,
// modules and the user-interface stand-ins.
#include "platform/host/host.h"
#include "tests/support/fixtures.h"

#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

namespace tolma {
namespace {

using host::WideString;

const char* const kPrinter = "Host Printer";

std::vector<uint8_t> DevmodeBytes(uint16_t dmSize, uint16_t extra, size_t actual) {
  std::vector<uint8_t> dm(actual, 0x11);
  dm[68] = static_cast<uint8_t>(dmSize);
  dm[69] = static_cast<uint8_t>(dmSize >> 8);
  dm[70] = static_cast<uint8_t>(extra);
  dm[71] = static_cast<uint8_t>(extra >> 8);
  return dm;
}

class HostUiTest : public test::HostTest {
 protected:
  void SetUp() override {
    HostTest::SetUp();
    host::PrinterSetup setup;
    setup.name = kPrinter;
    setup.driverDirectory = "/drivers";
    setup.dataFile = "/drivers/Doma.dat";
    setup.devmode = DevmodeBytes(212, 2224, 2436);
    host::AddPrinter(setup);
    WideString name = host::Wide(kPrinter);
    ASSERT_TRUE(OpenPrinterW(name.data(), &printer_, nullptr));
  }
  void TearDown() override {
    ClosePrinter(printer_);
    HostTest::TearDown();
  }
  // A read of a reply value named by the command's bytes (padded to a whole zero unit).
  DWORD Read(const std::string& command, std::vector<uint8_t>& buffer, DWORD& needed) {
    std::vector<WCHAR> name(command.size() / 2 + 2, 0);
    std::memcpy(name.data(), command.data(), command.size());
    DWORD type = 0;
    return GetPrinterDataW(printer_, name.data(), &type, buffer.data(), static_cast<DWORD>(buffer.size()), &needed);
  }
  HANDLE printer_ = nullptr;
};

TEST_F(HostUiTest, GetPrinterFollowsTheSizeQueryProtocol) {
  DWORD needed = 0;
  EXPECT_FALSE(GetPrinterW(printer_, 2, nullptr, 0, &needed));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
  ASSERT_GT(needed, sizeof(PRINTER_INFO_2W) + 2436);
  std::vector<uint8_t> small(needed - 1);
  EXPECT_FALSE(GetPrinterW(printer_, 2, small.data(), needed - 1, &needed));
  std::vector<uint8_t> buffer(needed);
  ASSERT_TRUE(GetPrinterW(printer_, 2, buffer.data(), needed, &needed));
  const auto* info = reinterpret_cast<const PRINTER_INFO_2W*>(buffer.data());
  EXPECT_EQ(host::Utf8(info->pPrinterName), kPrinter);
  ASSERT_NE(info->pDevMode, nullptr);
  EXPECT_EQ(info->pDevMode->dmDriverExtra, 2224);
  EXPECT_FALSE(GetPrinterW(printer_, 1, buffer.data(), needed, &needed));
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INVALID_LEVEL});
}

TEST_F(HostUiTest, StoredDevmodeIsHandedOutAsLongAsItDeclaresItselfAndReplacedBySetPrinter) {
  host::SetStoredDevmode(kPrinter, DevmodeBytes(212, 2224, 300));  // shorter than it says
  DWORD needed = 0;
  GetPrinterW(printer_, 2, nullptr, 0, &needed);
  std::vector<uint8_t> buffer(needed);
  ASSERT_TRUE(GetPrinterW(printer_, 2, buffer.data(), needed, &needed));
  auto* info = reinterpret_cast<PRINTER_INFO_2W*>(buffer.data());
  auto* dm = reinterpret_cast<uint8_t*>(info->pDevMode);
  EXPECT_EQ(dm[299], 0x11);
  EXPECT_EQ(dm[2435], 0) << "padded with zeros up to the declared size";
  dm[1000] = 0x77;
  ASSERT_TRUE(SetPrinterW(printer_, 2, buffer.data(), 0));
  const auto stored = host::StoredDevmode(kPrinter);
  ASSERT_EQ(stored.size(), 2436u);
  EXPECT_EQ(stored[1000], 0x77);
}

TEST_F(HostUiTest, DocumentCallsMustComeInOrder) {
  EXPECT_FALSE(StartPagePrinter(printer_));
  EXPECT_FALSE(EndDocPrinter(printer_));
  WCHAR docName[] = {u'J', 0};
  DOC_INFO_1W doc{docName, nullptr, nullptr};
  EXPECT_EQ(StartDocPrinterW(printer_, 2, reinterpret_cast<LPBYTE>(&doc)), 0u);
  EXPECT_EQ(StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc)), 1u);
  EXPECT_EQ(StartDocPrinterW(printer_, 1, reinterpret_cast<LPBYTE>(&doc)), 0u) << "one document at a time";
  EXPECT_FALSE(EndPagePrinter(printer_));
  EXPECT_TRUE(StartPagePrinter(printer_));
  char bytes[] = "abc";
  DWORD written = 0;
  EXPECT_TRUE(WritePrinter(printer_, bytes, 3, &written));
  EXPECT_TRUE(EndPagePrinter(printer_));
  EXPECT_TRUE(EndDocPrinter(printer_));
  const auto jobs = host::RawJobs();
  ASSERT_EQ(jobs.size(), 1u);
  EXPECT_EQ(jobs[0].docName, "J");
  EXPECT_EQ(jobs[0].datatype, "");
  EXPECT_EQ(jobs[0].data, (std::vector<uint8_t>{'a', 'b', 'c'}));
}

// The monitor reads the command from the name's bytes, answers within the buffer or fails, and the answer stays
// under the driver data (shadowing the printer) until deleted.
TEST_F(HostUiTest, ReplyMonitorContract) {
  std::vector<uint8_t> buffer(8);
  DWORD needed = 0;
  EXPECT_NE(Read("\x1bV\r", buffer, needed), 0u) << "no answer";
  host::SetPrinterReply(kPrinter, "\x1bV\r", "RKA 12345\x06");
  EXPECT_EQ(Read("\x1bV\r", buffer, needed), DWORD{ERROR_MORE_DATA});
  EXPECT_EQ(needed, 10u);
  EXPECT_TRUE(host::DriverDataValueNames(kPrinter).empty()) << "an answer that does not fit is not kept";
  host::SetPrinterReply(kPrinter, "\x1bV\r", "RKA\x06");
  EXPECT_EQ(Read("\x1bV\r", buffer, needed), 0u);
  EXPECT_EQ(needed, 4u);
  EXPECT_EQ(std::string(buffer.begin(), buffer.begin() + 4), "RKA\x06");
  ASSERT_EQ(host::DriverDataValueNames(kPrinter).size(), 1u);
  EXPECT_EQ(host::MonitorRequests().size(), 3u);
  host::SetPrinterReply(kPrinter, "\x1bV\r", "RKB\x06");
  EXPECT_EQ(Read("\x1bV\r", buffer, needed), 0u);
  EXPECT_EQ(buffer[2], 'A') << "the stored reply answers";
  EXPECT_EQ(host::MonitorRequests().size(), 3u);
}

TEST_F(HostUiTest, RegistryKeysOfThePrinter) {
  host::SetDriverDataValue(kPrinter, host::Wide("Value"), {1});
  HKEY printers = nullptr, printerKey = nullptr, data = nullptr;
  ASSERT_EQ(RegOpenKeyA(HKEY_LOCAL_MACHINE, "SYSTEM\\CurrentControlSet\\Control\\Print\\Printers", &printers), 0);
  WideString name = host::Wide(kPrinter);
  ASSERT_EQ(RegOpenKeyW(printers, name.c_str(), &printerKey), 0);
  EXPECT_EQ(RegOpenKeyW(printerKey, host::Wide("Missing").c_str(), &data), ERROR_FILE_NOT_FOUND);
  ASSERT_EQ(RegOpenKeyW(printerKey, host::Wide("PrinterDriverData").c_str(), &data), 0);
  EXPECT_EQ(host::OpenRegistryKeyCount(), 3);
  EXPECT_EQ(RegDeleteValueW(data, host::Wide("value").c_str()), 0) << "value names ignore case";
  EXPECT_EQ(RegDeleteValueW(data, host::Wide("value").c_str()), ERROR_FILE_NOT_FOUND);
  for (HKEY k : {data, printerKey, printers}) EXPECT_EQ(RegCloseKey(k), 0);
  EXPECT_EQ(RegCloseKey(data), ERROR_INVALID_HANDLE);
  EXPECT_EQ(host::OpenRegistryKeyCount(), 0);
}

TEST_F(HostUiTest, ModulesAreFoundByTheirFileName) {
  const HMODULE m = host::RegisterModule("C:\\Drivers\\DomaUI.dll");
  EXPECT_EQ(host::RegisterModule("c:\\drivers\\domaui.DLL"), m);
  WCHAR name[MAX_PATH];
  EXPECT_EQ(GetModuleFileNameW(m, name, MAX_PATH), 21u);
  EXPECT_EQ(LoadLibraryW(name), m);
  EXPECT_EQ(LoadLibraryW(host::Wide("DomaUI.dll").c_str()), m);
  EXPECT_EQ(host::ModuleReferences(m), 2);
  WCHAR cut[8];
  EXPECT_EQ(GetModuleFileNameW(m, cut, 8), 8u);
  EXPECT_EQ(GetLastError(), DWORD{ERROR_INSUFFICIENT_BUFFER});
  EXPECT_EQ(host::Utf8(cut), "C:\\Driv");
  EXPECT_TRUE(FreeLibrary(m));
  EXPECT_EQ(host::ModuleReferences(m), 1);
}

TEST_F(HostUiTest, MessageBoxesAnswerFromTheQueueThenWithTheFirstButton) {
  host::QueueMessageBoxAnswer(IDCANCEL);
  EXPECT_EQ(MessageBoxW(nullptr, host::Wide("t").c_str(), host::Wide("c").c_str(), MB_OKCANCEL), IDCANCEL);
  EXPECT_EQ(MessageBoxW(nullptr, host::Wide("t").c_str(), host::Wide("c").c_str(), MB_YESNO), IDYES);
  EXPECT_EQ(MessageBoxW(nullptr, host::Wide("t").c_str(), host::Wide("c").c_str(), MB_OK), IDOK);
  EXPECT_EQ(host::MessageBoxes().size(), 3u);
  OutputDebugStringW(host::Wide("trace\r\n").c_str());
  EXPECT_EQ(host::DebugOutput(), std::vector<std::string>{"trace\r\n"});
}

}  // namespace
}  // namespace tolma
