// tolma-print: options -> settings and pictures -> the driver on the host -> the command stream file.
#include "tools/lib/print_main.h"

#include "common/ribbon.h"
#include "tools/lib/card_image.h"
#include "tools/lib/card_job.h"
#include "tools/lib/image_file.h"
#include "tools/lib/inspect.h"
#include "tools/lib/output_file.h"
#include "tools/lib/print_options.h"
#include "tools/lib/print_settings.h"
#include "tools/lib/stream_reader.h"
#include "tools/lib/text.h"

#include <cstring>
#include <filesystem>
#include <optional>

namespace tolma::tools {
namespace {

constexpr size_t kSmallFileLimit = 1 << 20;

// Reports on standard error.
class Messages {
 public:
  Messages(std::ostream& err, bool quiet) : err_(err), quiet_(quiet) {}
  void Progress(const std::string& text) {
    if (!quiet_) err_ << "tolma-print: " << text << "\n";
  }
  void Note(const std::string& text) { err_ << "tolma-print: note: " << text << "\n"; }
  int Fail(const std::string& text, int status = 1) {
    err_ << "tolma-print: error: " << text << "\n";
    return status;
  }

 private:
  std::ostream& err_;
  bool quiet_;
};

// Checks that an overlay bitmap is a one-bit BMP file with a 40-byte header; returns its absolute path.
bool CheckOverlayBitmap(const std::string& path, std::string& absolute, std::string& error) {
  std::vector<uint8_t> head;
  std::string readError;
  if (!ReadWholeFile(path, 64u << 20, head, readError)) {
    error = "overlay bitmap: " + readError;
    return false;
  }
  auto u32 = [&](size_t at) {
    return uint32_t{head[at]} | uint32_t{head[at + 1]} << 8 | uint32_t{head[at + 2]} << 16 |
           uint32_t{head[at + 3]} << 24;
  };
  if (head.size() < 62 || head[0] != 'B' || head[1] != 'M' || u32(14) != 40 || (head[28] | head[29] << 8) != 1) {
    error = "overlay bitmap \"" + path + "\" is not a one-bit BMP file";
    return false;
  }
  std::error_code ec;
  absolute = std::filesystem::absolute(path, ec).string();
  if (ec || host::Wide(absolute).size() > 255) {
    error = "overlay bitmap path \"" + absolute + "\" is longer than the 255 characters the DEVMODE holds";
    return false;
  }
  return true;
}

// The starting settings: a saved DEVMODE, the driver data file, or the built-in defaults.
bool LoadBase(const PrintOptions& o, const PrintEnvironment& env, std::vector<uint8_t>& base, std::string& dataFile,
              Messages& say, std::string& error) {
  std::vector<uint8_t> bytes;
  if (!o.devmodeIn.empty()) {
    if (!ReadWholeFile(o.devmodeIn, kSmallFileLimit, bytes, error)) return false;
    if (!CheckDevmodeImage(bytes, error)) {
      error = "\"" + o.devmodeIn + "\" " + error;
      return false;
    }
    base = bytes;
    say.Progress("settings: from the DEVMODE file " + o.devmodeIn);
  }
  const std::string path =
      !o.dataFile.empty() ? o.dataFile : (std::filesystem::path(env.toolFolder) / "Doma.dat").string();
  std::error_code ec;
  if (o.dataFile.empty() && !std::filesystem::exists(path, ec)) {
    if (base.empty()) {
      base = BaseDevmode(DefaultPrivateDevmode());
      say.Note("no driver data file " + path + ": using the built-in default settings");
    }
    return true;
  }
  if (!ReadWholeFile(path, kSmallFileLimit, bytes, error)) return false;
  if (!CheckDataFileImage(bytes, error)) {
    error = "\"" + path + "\" " + error;
    return false;
  }
  dataFile = std::filesystem::absolute(path, ec).string();
  if (base.empty()) {
    PrivateDevmode pd{};
    std::memcpy(&pd, bytes.data(), sizeof pd);
    base = BaseDevmode(pd);
    say.Progress("settings: defaults of the driver data file " + path);
  }
  return true;
}

struct SideImage {
  std::string path;
  RgbImage image;
};

std::string JoinPanels(const std::vector<std::string>& panels) {
  std::string out;
  for (const std::string& p : panels) AppendItem(out, " ", p);
  return out;
}

}  // namespace

int PrintMain(const std::vector<std::string>& args, std::ostream& out, std::ostream& err, const PrintEnvironment& env) {
  const ParsedPrintOptions parsed = ParsePrintOptions(args);
  Messages say(err, parsed.options.quiet);
  if (!parsed.error.empty()) return say.Fail(parsed.error, 2);
  PrintOptions o = parsed.options;
  if (o.help) {
    out << PrintUsage();
    return 0;
  }
  if (o.listRibbons) {
    out << RibbonListText();
    return 0;
  }
  const bool settingsOnly = o.output.empty() && !o.devmodeOut.empty() && o.input.empty() && o.back.empty();
  if (o.output.empty() && !settingsOnly)
    return say.Fail("no output given: -o FILE writes the command stream to FILE, -o - to standard output", 2);

  // Settings.
  std::string error;
  std::vector<uint8_t> base;
  std::string dataFile;
  if (!LoadBase(o, env, base, dataFile, say, error)) return say.Fail(error);
  // Without --ribbon a saved DEVMODE keeps its ribbon (and its fixed-list choice).
  std::string ribbonSpec = o.ribbon;
  bool fixed = o.fixedRibbon;
  if (ribbonSpec.empty() && !o.devmodeIn.empty()) {
    const PrivateDevmode saved = PrivatePart(base);
    fixed = fixed || saved.fixedRibbon != 0;
    ribbonSpec = std::string(
        RibbonTypeName(saved.fixedRibbon != 0 ? RibbonTypeFromFixedList(saved.fixedRibbon) : saved.ribbonType));
  }
  RibbonChoice ribbon;
  if (!ResolveRibbon(ribbonSpec, fixed, ribbon, error)) return say.Fail(error, 2);
  const std::string model = o.model.value_or(kDefaultModel);
  if (o.model && ribbon.fixedEntry != 0) say.Note("--model has no effect with a fixed ribbon: the cache is not read");
  for (OverlayOptions& ov : o.overlay) {
    if (!ov.bitmap) continue;
    std::string absolute;
    if (!CheckOverlayBitmap(*ov.bitmap, absolute, error)) return say.Fail(error);
    ov.bitmap = absolute;
  }

  // Pictures: the front decides the orientation.
  std::optional<SideImage> front, back;
  for (auto [path, side] : {std::pair{&o.input, &front}, std::pair{&o.back, &back}}) {
    if (path->empty()) continue;
    SideImage s{*path, {}};
    ImageNotes read;
    if (!ReadImageFile(*path, s.image, read, error)) return say.Fail(error);
    for (const std::string& note : read.notes) say.Note(*path + ": " + note);
    *side = std::move(s);
  }
  const SideImage* first = front ? &*front : back ? &*back : nullptr;
  const bool portrait = first ? PortraitFor(first->image.width, first->image.height, o.orientation)
                              : o.orientation == Orientation::Portrait;

  const std::vector<uint8_t> devmode = BuildDevmode(o, ribbon, base, portrait);
  const PrivateDevmode pd = PrivatePart(devmode);
  const bool encodeOnly = pd.printingMode == 1;

  AtomicFile devmodeFile;
  if (!o.devmodeOut.empty() && !devmodeFile.Open(o.devmodeOut, error)) return say.Fail(error);
  if (settingsOnly) {
    if (!devmodeFile.Commit(devmode, error)) return say.Fail(error);
    say.Progress("saved the DEVMODE (2436 bytes) to " + o.devmodeOut);
    return 0;
  }

  if (!front && !encodeOnly)
    return say.Fail("no input image: give a PNG or JPEG file (or --encode-only with --track)", 2);

  // Only now is the output opened: nothing is left behind when the job fails.
  AtomicFile streamFile;
  const bool toStdout = o.output == "-";
  if (!toStdout && !streamFile.Open(o.output, error)) return say.Fail(error);

  // The pages: the front, and the back of a two-sided job (blank without a back image).
  std::vector<std::optional<CardPicture>> pages;
  pages.push_back(front ? std::optional<CardPicture>(CardPicture{front->path, front->image}) : std::nullopt);
  if (back) pages.push_back(CardPicture{back->path, back->image});
  const CardJobSettings settings{o, base, dataFile, ribbon, model};
  CardJobResult run = RenderCardJob(settings, pages, env.enable, env.disable, env.jobReady);
  for (const CardJobMessage& m : run.messages) m.note ? say.Note(m.text) : say.Progress(m.text);
  if (!run.error.empty()) return say.Fail(run.error);
  const CommandStream stream = ReadCommandStream(run.stream);
  const JobSummary summary = SummariseJob(stream);

  if (toStdout) {
    out.write(reinterpret_cast<const char*>(run.stream.data()), static_cast<std::streamsize>(run.stream.size()));
    out.flush();
    if (!out) return say.Fail("cannot write the command stream to standard output");
  } else if (!streamFile.Commit(run.stream, error)) {
    return say.Fail(error);
  }
  if (!o.devmodeOut.empty()) {
    if (!devmodeFile.Commit(devmode, error)) return say.Fail(error);
    say.Progress("saved the DEVMODE (2436 bytes) to " + o.devmodeOut);
  }

  // Summary.
  std::vector<std::string> sent;
  for (size_t i = 0; i < stream.items.size(); ++i)
    if (stream.items[i].image) sent.push_back(PanelName(stream, i));
  std::string panels = "panels sent: " + std::to_string(sent.size());
  if (!sent.empty()) {
    panels += " (";
    panels += JoinPanels(sent);
    panels += ')';
  }
  say.Progress(panels);
  for (const auto& side : summary.sides)
    say.Progress("card " + std::to_string(side.card) + " " + SideName(side.side) +
                 " prints: " + JoinPanels(side.panels));
  if (!summary.tracks.empty()) {
    std::string tracks;
    for (const auto& t : summary.tracks) AppendItem(tracks, ", ", std::to_string(t.track));
    say.Progress("magnetic tracks encoded: " + tracks);
  }
  say.Progress("wrote " + std::to_string(run.stream.size()) + " bytes to " +
               (toStdout ? std::string("standard output") : o.output));
  return 0;
}

}  // namespace tolma::tools
