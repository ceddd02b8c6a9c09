// tolma-inspect: reads a stream, prints its listing, summary and errors, writes its panels as PNG files.
#include "tools/lib/inspect_main.h"

#include "tools/lib/inspect.h"
#include "tools/lib/output_file.h"
#include "tools/lib/png_io.h"
#include "tools/lib/preview.h"
#include "tools/lib/stream_reader.h"

#include <filesystem>

namespace tolma::tools {
namespace {

constexpr const char* kUsage =
    "usage: tolma-inspect [OPTIONS] STREAM\n"
    "\n"
    "Reads a printer command stream of the Tolma Q47x card printer (\"-\": standard input) and prints every\n"
    "command with its byte offset (ESC and CR shown as \\e and \\r, images with their panel, data form and\n"
    "decoded size), a summary of the job and every structural error with its byte offset.\n"
    "\n"
    "  --panels DIR             write every panel as a PNG file into DIR, named by card, side and panel\n"
    "                           (card1-front-Y.png, card1-front-K.png, card1-front-O.png, ...): levels as\n"
    "                           grey (0 white .. 31 black), one-bit panels, overlays and masks in black\n"
    "                           and white\n"
    "  --preview DIR            write a colour picture of every printed side into DIR (card1-front.png,\n"
    "                           card1-back.png, ...) as the card will look: the dye panels made colour\n"
    "                           again by a plain subtractive model (a level lets through its share of the\n"
    "                           light of its colour's channel, the layers multiply), the resin panel's\n"
    "                           dots in black on top, the varnished areas of the overlay outlined by a\n"
    "                           dashed blue line\n"
    "  --orientation WHICH      the page orientation the job was printed with: landscape (default) or\n"
    "                           portrait; the stream does not say, and panel lines run along the page's\n"
    "                           columns in landscape and along its rows in portrait\n"
    "  --rotated SIDES          sides printed turned by 180 degrees: none (default), front, back or both;\n"
    "                           the pictures turn them back to the page as drawn\n"
    "  --no-listing             leave out the command listing\n"
    "  -h, --help               show this help\n"
    "\n"
    "Pictures and previews show each side as the page was drawn, assuming a landscape page without\n"
    "rotation (what tolma-print produces by default). A side printed with rotation shows upside down\n"
    "unless --rotated names it; a portrait job shows transposed unless --orientation portrait is given.\n"
    "Exit status: 0 a sound stream, 1 structural errors or files that cannot be read or written, 2 a bad\n"
    "command line.\n";

struct InspectArgs {
  std::string stream;
  std::string panels;
  std::string preview;
  PageAssumption pages;
  bool listing = true;
  bool help = false;
};

bool Parse(const std::vector<std::string>& args, InspectArgs& a, std::string& error) {
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    std::string value;
    bool hasValue = false;
    if (arg.rfind("--", 0) == 0) {
      if (const size_t eq = arg.find('='); eq != std::string::npos) {
        value = arg.substr(eq + 1);
        arg.resize(eq);
        hasValue = true;
      }
    }
    auto need = [&]() {
      if (hasValue) return true;
      if (i + 1 >= args.size()) {
        error = arg + " needs a value";
        return false;
      }
      value = args[++i];
      return true;
    };
    if (arg == "-h" || arg == "--help") {
      a.help = true;
    } else if (arg == "--no-listing") {
      a.listing = false;
    } else if (arg == "--panels") {
      if (!need()) return false;
      a.panels = value;
    } else if (arg == "--preview") {
      if (!need()) return false;
      a.preview = value;
    } else if (arg == "--orientation") {
      if (!need()) return false;
      if (value != "landscape" && value != "portrait") {
        error = "--orientation takes landscape or portrait, not \"" + value + "\"";
        return false;
      }
      a.pages.portrait = value == "portrait";
    } else if (arg == "--rotated") {
      if (!need()) return false;
      if (value != "none" && value != "front" && value != "back" && value != "both") {
        error = "--rotated takes none, front, back or both, not \"" + value + "\"";
        return false;
      }
      a.pages.rotatedFront = value == "front" || value == "both";
      a.pages.rotatedBack = value == "back" || value == "both";
    } else if (arg != "-" && !arg.empty() && arg[0] == '-') {
      error = "unknown option " + arg + " (see --help)";
      return false;
    } else if (a.stream.empty()) {
      a.stream = arg;
    } else {
      error = "one stream file only, got \"" + a.stream + "\" and \"" + arg + "\"";
      return false;
    }
  }
  if (!a.help && a.stream.empty()) {
    error = "no stream file given (see --help)";
    return false;
  }
  return true;
}

}  // namespace

int InspectMain(const std::vector<std::string>& args, std::istream& in, std::ostream& out, std::ostream& err) {
  InspectArgs a;
  std::string error;
  if (!Parse(args, a, error)) {
    err << "tolma-inspect: error: " << error << "\n";
    return 2;
  }
  if (a.help) {
    out << kUsage;
    return 0;
  }

  std::vector<uint8_t> bytes;
  if (a.stream == "-") {
    char chunk[65536];
    while (in.read(chunk, sizeof chunk) || in.gcount() > 0) {
      if (bytes.size() + static_cast<size_t>(in.gcount()) > kMaxInspectedStream) {
        err << "tolma-inspect: error: the stream is larger than " << kMaxInspectedStream << " bytes\n";
        return 1;
      }
      bytes.insert(bytes.end(), chunk, chunk + in.gcount());
    }
  } else if (!ReadWholeFile(a.stream, kMaxInspectedStream, bytes, error)) {
    err << "tolma-inspect: error: " << error << "\n";
    return 1;
  }

  const CommandStream stream = ReadCommandStream(bytes);
  if (a.listing) out << "== commands (byte offset, command)\n" << FormatListing(stream);
  out << "== job summary\n" << FormatSummary(SummariseJob(stream));
  out << "== structural errors: " << stream.errors.size() << "\n" << FormatErrors(stream);

  int status = stream.errors.empty() ? 0 : 1;
  if (!stream.errors.empty())
    err << "tolma-inspect: " << stream.errors.size() << " structural error" << (stream.errors.size() == 1 ? "" : "s")
        << ", the first at byte " << stream.errors[0].offset << ": " << stream.errors[0].message << "\n";

  if (a.panels.empty() && a.preview.empty()) return status;
  for (const std::string& folder : {a.panels, a.preview}) {
    std::error_code ec;
    if (!folder.empty()) std::filesystem::create_directories(folder, ec);
    if (ec) {
      err << "tolma-inspect: error: cannot create the folder \"" << folder << "\": " << ec.message() << "\n";
      return 1;
    }
  }
  const std::vector<PanelPicture> pictures = PanelPictures(stream, a.pages);
  const std::string frame = std::string(a.pages.portrait ? "portrait" : "landscape") + " pages; turned back: " +
                            (a.pages.rotatedFront  ? (a.pages.rotatedBack ? "both sides" : "front")
                             : a.pages.rotatedBack ? "back"
                                                   : "none");
  if (!a.panels.empty()) {
    out << "== panel pictures in " << a.panels << " (" << frame << ")\n";
    for (const PanelPicture& p : pictures) {
      const std::string path = (std::filesystem::path(a.panels) / (p.name + ".png")).string();
      if (!WriteGreyPng(path, p.width, p.height, p.grey, error)) {
        err << "tolma-inspect: error: " << error << "\n";
        return 1;
      }
      out << "  " << p.name << ".png  " << p.width << " x " << p.height << "\n";
    }
  }
  if (!a.preview.empty()) {
    out << "== side previews in " << a.preview << " (" << frame << ")\n";
    for (const SidePreview& side : SidePreviews(pictures)) {
      const std::string path = (std::filesystem::path(a.preview) / (side.name + ".png")).string();
      if (!WriteRgbPng(path, side.width, side.height, side.rgb, error)) {
        err << "tolma-inspect: error: " << error << "\n";
        return 1;
      }
      out << "  " << side.name << ".png  " << side.width << " x " << side.height << "\n";
    }
  }
  return status;
}

}  // namespace tolma::tools
