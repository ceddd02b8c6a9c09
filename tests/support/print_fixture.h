// A printing fixture: a host printer, a model and ribbon cache, the driver enabled through its table, and
// helpers to build DEVMODEs, paint the card page and read the resulting command stream.
#pragma once

#include "common/devmode.h"
#include "platform/host/engine_session.h"
#include "tests/support/fixtures.h"
#include "tools/lib/stream_reader.h"

#include <memory>
#include <string>
#include <vector>

namespace tolma::test {

// Job settings that become a 2436-byte DEVMODE.
struct JobSettings {
  PrivateDevmode priv = DefaultPrivateDevmode();
  short orientation = DMORIENT_LANDSCAPE;
  short copies = 1;
  std::vector<uint8_t> Devmode() const;
};

class PrintTest : public HostTest {
 protected:
  void SetUp() override;
  void TearDown() override;

  // Writes the model and ribbon cache the driver reads at the first page.
  void SetCache(int ribbonCode, const std::string& model = "Q47x RKB 1.0");
  void RemoveCache();

  // A device context for the settings; the previous one is closed first.
  host::EngineDevice& Open(const JobSettings& job);
  host::EngineDevice& device() { return *device_; }
  // The driver's context of the open device.
  struct RenderContextView;

  // Paints the card page (0xRRGGBB) or the monochrome bitmap (0 black, 1 white) directly.
  void PaintCard(const RECTL& rect, ULONG colour);
  void PaintMono(const RECTL& rect, ULONG bit);
  HSURF MonoSurface() const;

  // Prints one document of `pages` blank pages with the settings; returns the stream.
  std::vector<uint8_t> PrintBlank(const JobSettings& job, int pages = 1);

  std::vector<uint8_t> Stream() const { return host::WrittenBytes(printer_); }
  CommandStream Parsed() const;
  std::vector<std::string> Commands() const { return CommandTexts(Parsed()); }

  TempDir dir_;
  HANDLE printer_ = nullptr;
  std::unique_ptr<host::EngineDriver> driver_;
  std::unique_ptr<host::EngineDevice> device_;
};

// Printable command texts.
std::vector<std::string> Texts(std::initializer_list<const char*> commands);

}  // namespace tolma::test
