// The printing fixture.
#include "tests/support/print_fixture.h"

#include "raster/context.h"
#include "raster/ddi_functions.h"

#include <cstring>

namespace tolma::test {

std::vector<uint8_t> JobSettings::Devmode() const {
  std::vector<uint8_t> bytes(kFullDevmodeSize);
  WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(bytes.data(), kPublicDevmodeSize));
  DEVMODEW dm{};
  std::memcpy(&dm, bytes.data(), kPublicDevmodeSize);
  dm.dmOrientation = orientation;
  dm.dmCopies = copies;
  std::memcpy(bytes.data(), &dm, kPublicDevmodeSize);
  std::memcpy(bytes.data() + kPublicDevmodeSize, &priv, sizeof priv);
  return bytes;
}

void PrintTest::SetUp() {
  HostTest::SetUp();
  host::AddPrinter({"Card", dir_.str(), "DomaRaster.dll", BuiltDataFile()});
  std::basic_string<WCHAR> name = host::Wide("Card");
  ASSERT_TRUE(OpenPrinterW(name.data(), &printer_, nullptr));
  host::SetLocalAppDataFolder(dir_.str());
  SetCache(2);
  driver_ = std::make_unique<host::EngineDriver>(&DrvEnableDriver, &DrvDisableDriver);
  ASSERT_TRUE(driver_->enabled());
}

void PrintTest::TearDown() {
  device_.reset();
  driver_.reset();
  HostTest::TearDown();
}

void PrintTest::SetCache(int ribbonCode, const std::string& model) {
  dir_.Write("DomaRibmod.ini", "[Printer]\r\nRibbon=" + std::to_string(ribbonCode) + "\r\nModel=" + model + "\r\n");
}

void PrintTest::RemoveCache() { std::filesystem::remove(dir_.path() / "DomaRibmod.ini"); }

host::EngineDevice& PrintTest::Open(const JobSettings& job) {
  device_.reset();
  device_ = std::make_unique<host::EngineDevice>(*driver_, job.Devmode(), printer_);
  EXPECT_TRUE(device_->ok());
  return *device_;
}

HSURF PrintTest::MonoSurface() const { return reinterpret_cast<const RenderContext*>(device_->pdev())->monoSurface; }

void PrintTest::PaintCard(const RECTL& rect, ULONG colour) {
  for (LONG y = rect.top; y < rect.bottom; ++y)
    for (LONG x = rect.left; x < rect.right; ++x) host::WritePixel(device_->surface(), x, y, colour);
}

void PrintTest::PaintMono(const RECTL& rect, ULONG bit) {
  for (LONG y = rect.top; y < rect.bottom; ++y)
    for (LONG x = rect.left; x < rect.right; ++x) host::WritePixel(MonoSurface(), x, y, bit);
}

std::vector<uint8_t> PrintTest::PrintBlank(const JobSettings& job, int pages) {
  host::EngineDevice& dev = Open(job);
  EXPECT_TRUE(dev.StartDoc(u"Card"));
  for (int i = 0; i < pages; ++i) {
    EXPECT_TRUE(dev.StartPage()) << "page " << i + 1;
    EXPECT_TRUE(dev.SendPage()) << "page " << i + 1;
  }
  EXPECT_TRUE(dev.EndDoc());
  return Stream();
}

CommandStream PrintTest::Parsed() const {
  const std::vector<uint8_t> bytes = Stream();
  CommandStream parsed = ReadCommandStream(bytes);
  for (const StreamError& e : parsed.errors) ADD_FAILURE() << "stream error at " << e.offset << ": " << e.message;
  return parsed;
}

std::vector<std::string> Texts(std::initializer_list<const char*> commands) {
  std::vector<std::string> out;
  for (const char* c : commands) out.push_back(Printable(c));
  return out;
}

}  // namespace tolma::test
