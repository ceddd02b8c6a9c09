// Fuzzes command files: arbitrary bytes as a text file of commands sent by SendCommandFileJob in a raw job, checked
// against the file's lines; the same bytes go through the reply parsers of the Tools and information dialogs.
#include "common/commands.h"
#include "platform/host/host.h"
#include "ui/printer_queries.h"
#include "ui/tools/command_file.h"
#include "ui/tools/printer_info.h"
#include "ui/tools/send_file.h"
#include "ui/tools/tools_rules.h"

#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace {

struct Scene {
  std::string folder;
  std::string path;
  tolma::WString widePath;
  tolma::WString printer;
  PRINTER_INFO_2W info{};
  tolma::PrivateDevmode pd{};
  tolma::ui::LinkContext link{};
};

Scene& TheScene() {
  static Scene* scene = [] {
    auto* s = new Scene;
    char folder[] = "/tmp/tolma-fuzz-cmd-XXXXXX";
    if (mkdtemp(folder) == nullptr) std::abort();
    s->folder = folder;
    s->path = s->folder + "/commands.txt";
    s->widePath = tolma::host::Wide(s->path);
    s->printer = tolma::host::Wide("Card");
    s->info.pPrinterName = s->printer.data();
    s->pd.fixedRibbon = 2;  // one-way: the file goes as a raw job of its own
    s->link.printerInfo = &s->info;
    s->link.currentPrivate = &s->pd;
    return s;
  }();
  return *scene;
}

// What the printer must receive: each LF-ended line as ESC, its bytes and a CR unless it already ends with one;
// a last line without LF as ESC, its bytes and a CR.
std::vector<std::string> ExpectedCommands(const std::string& file) {
  std::vector<std::string> out;
  size_t start = 0;
  for (size_t lf = file.find('\n'); lf != std::string::npos; lf = file.find('\n', start)) {
    std::string line = file.substr(start, lf - start);
    const bool hasCr = !line.empty() && line.back() == '\r';
    out.push_back("\x1b" + line + (hasCr ? "" : "\r"));
    start = lf + 1;
  }
  if (start < file.size()) out.push_back("\x1b" + file.substr(start) + "\r");
  return out;
}

void Check(bool condition) {
  if (!condition) std::abort();
}

void SendAsCommandFile(const uint8_t* data, size_t size) {
  Scene& scene = TheScene();
  tolma::host::Reset();
  tolma::host::PrinterSetup setup;
  setup.name = "Card";
  setup.driverDirectory = scene.folder;
  setup.dataFile = scene.folder + "/Doma.dat";
  tolma::host::AddPrinter(setup);
  // A new file each time: rewriting one in place makes some file systems flush it to disk on every close.
  std::remove(scene.path.c_str());
  std::FILE* f = std::fopen(scene.path.c_str(), "wb");
  Check(f != nullptr);
  Check(size == 0 || std::fwrite(data, 1, size, f) == size);
  std::fclose(f);

  const bool sent = tolma::ui::SendCommandFileJob(scene.link, scene.widePath.c_str());
  const std::string file(reinterpret_cast<const char*>(data), size);
  const std::vector<std::string> expected = ExpectedCommands(file);
  bool fits = true;
  for (const std::string& command : expected) fits = fits && command.size() <= tolma::ui::kCommandLineBytes;

  const std::vector<tolma::host::RawJob> jobs = tolma::host::RawJobs();
  Check(jobs.size() == 1 && jobs[0].ended && jobs[0].docName == "MERIDOTLMASCMD");
  Check(sent == fits);
  Check(tolma::host::MessageBoxes().size() == (fits ? 0u : 1u));
  // Nothing of a refused file reaches the printer; otherwise one write per line, exactly the line's command.
  std::vector<std::string> writes;
  size_t at = 0;
  for (DWORD n : jobs[0].writes) {
    writes.emplace_back(jobs[0].data.begin() + static_cast<ptrdiff_t>(at),
                        jobs[0].data.begin() + static_cast<ptrdiff_t>(at + n));
    at += n;
  }
  Check(writes == (fits ? expected : std::vector<std::string>{}));
}

void ParseAsReplies(const uint8_t* data, size_t size) {
  const std::span<const uint8_t> reply(data, size);
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  tolma::ui::PanelCountFromAnswer(text);
  tolma::ui::HasSmartCard(text);
  const UINT state = tolma::ui::SingleFeedStateString(reply, size);
  Check(state == 1329 || state == 1330 || state == 2135);

  const tolma::ui::ReplyRead read{true, size};
  const std::string status = tolma::ui::ToolsStatusText(reply, read);
  Check(status == tolma::ui::kNoResponse || status.size() <= size + tolma::ui::kAckShown.size());
  if (const auto offset = tolma::ui::OffsetFromReply(reply, size)) Check(offset->size() < size);
  std::vector<uint8_t> copy(data, data + size);
  long code = 0;
  if (tolma::ui::RibbonCodeFromReply(copy, read, code)) Check(copy[size - 1] == 0);
  Check(tolma::ui::FirstOverlongCommandLine(reply) <= size + 1);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  SendAsCommandFile(data, size);
  ParseAsReplies(data, size);
  return 0;
}
