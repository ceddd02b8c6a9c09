// tolma-print's option table: each option's name, value, help text and what it sets.
#include "tools/lib/print_options.h"

#include "tools/lib/text.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace tolma::tools {
namespace {

struct Choice {
  const char* name;
  int value;
};

const std::vector<Choice> kAreaTypes = {{"full", 0},   {"none", 1},     {"area", 2},       {"area-blank", 3},
                                        {"bitmap", 4}, {"iso-chip", 5}, {"afnor-chip", 6}, {"stripe", 7}};
const std::vector<Choice> kRotations = {{"none", 0}, {"front", 1}, {"back", 2}, {"both", 3}};
const std::vector<Choice> kBlackPanel = {
    {"never", 0}, {"always", 1}, {"text", 2}, {"text-only", 2}, {"except-pictures", 3}};
const std::vector<Choice> kMonoConversion = {{"diffusion", 0}, {"halftone", 1}, {"barcode", 2}, {"enhanced", 3}};
const std::vector<Choice> kMonoKinds = {
    {"resin", 0}, {"scratch-off", 1}, {"clear-varnish", 2}, {"hologram-varnish", 3}};
const std::vector<Choice> kOrientations = {{"auto", 0}, {"landscape", 1}, {"portrait", 2}};
const std::vector<Choice> kSizes = {{"fit", 0}, {"fill", 1}, {"stretch", 2}, {"exact", 3}};

// A decimal integer with an optional sign, nothing else.
bool ToInt(std::string_view text, long long& value) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size() || text.size() - i > 9) return false;
  value = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    value = value * 10 + (text[i] - '0');
  }
  if (negative) value = -value;
  return true;
}

std::string IntIn(const std::string& option, const std::string& text, int lo, int hi, int& out) {
  long long v = 0;
  if (!ToInt(text, v) || v < lo || v > hi)
    return "--" + option + " takes a whole number from " + std::to_string(lo) + " to " + std::to_string(hi) +
           ", not \"" + text + "\"";
  out = static_cast<int>(v);
  return {};
}

// A name of the list, or its number.
std::string ChoiceOf(const std::string& option, const std::string& text, const std::vector<Choice>& choices, int& out,
                     bool numbers = true) {
  for (const Choice& c : choices) {
    if (text == c.name) {
      out = c.value;
      return {};
    }
  }
  long long v = 0;
  int hi = 0;
  for (const Choice& c : choices) hi = std::max(hi, c.value);
  if (numbers && ToInt(text, v) && v >= 0 && v <= hi) {
    out = static_cast<int>(v);
    return {};
  }
  std::string names;
  for (const Choice& c : choices) AppendItem(names, ", ", c.name);
  return "--" + option + " takes one of " + names + (numbers ? " (or its number)" : "") + ", not \"" + text + "\"";
}

std::string Switch(const std::string& option, const std::string& text, bool& out) {
  if (text.empty() || text == "on" || text == "yes" || text == "1") {
    out = true;
  } else if (text == "off" || text == "no" || text == "0") {
    out = false;
  } else {
    return "--" + option + " takes on or off, not \"" + text + "\"";
  }
  return {};
}

std::string Area(const std::string& option, const std::string& text, std::array<int, 4>& out) {
  const std::string bad =
      "--" + option + " takes LEFT,TOP,RIGHT,BOTTOM in card pixels (0..1023, 0..639), not \"" + text + "\"";
  size_t start = 0;
  for (int i = 0; i < 4; ++i) {
    const size_t comma = text.find(',', start);
    if ((comma == std::string::npos) != (i == 3)) return bad;
    long long v = 0;
    if (!ToInt(std::string_view(text).substr(start, comma == std::string::npos ? std::string::npos : comma - start), v))
      return bad;
    if (v < 0 || v > (i % 2 == 0 ? 1023 : 639)) return bad;
    out[i] = static_cast<int>(v);
    start = comma + 1;
  }
  if (out[0] >= out[2] || out[1] >= out[3])
    return "--" + option + ": the left and top edges must lie before the right and bottom ones";
  return {};
}

std::string Track(int track, const std::string& text, std::optional<std::string>& out) {
  const int max = MaxTrackLength(track);
  if (static_cast<int>(text.size()) > max)
    return "--track" + std::to_string(track) + " holds at most " + std::to_string(max) + " characters, not " +
           std::to_string(text.size());
  for (char c : text) {
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
      return "--track" + std::to_string(track) + " takes printable ASCII characters only";
  }
  out = text;
  return {};
}

// One row of the option table. A row without a name is a heading of the help text.
struct OptionSpec {
  const char* name;
  const char* value;  // the value's placeholder in the help; nullptr: a switch (optionally =on or =off)
  const char* help;
  std::function<std::string(PrintOptions&, const std::string& name, const std::string& value)> apply;
};

using Apply = std::function<std::string(PrintOptions&, const std::string&, const std::string&)>;

Apply SetInt(std::optional<int> PrintOptions::*field, int lo, int hi) {
  return [=](PrintOptions& o, const std::string& name, const std::string& v) {
    int x = 0;
    std::string e = IntIn(name, v, lo, hi, x);
    if (e.empty()) o.*field = x;
    return e;
  };
}

Apply SetChoice(std::optional<int> PrintOptions::*field, const std::vector<Choice>& choices) {
  return [=, &choices](PrintOptions& o, const std::string& name, const std::string& v) {
    int x = 0;
    std::string e = ChoiceOf(name, v, choices, x);
    if (e.empty()) o.*field = x;
    return e;
  };
}

Apply SetSwitch(std::optional<bool> PrintOptions::*field) {
  return [=](PrintOptions& o, const std::string& name, const std::string& v) {
    bool x = false;
    std::string e = Switch(name, v, x);
    if (e.empty()) o.*field = x;
    return e;
  };
}

Apply SetText(std::string PrintOptions::*field) {
  return [=](PrintOptions& o, const std::string&, const std::string& v) {
    o.*field = v;
    return std::string();
  };
}

Apply SetColour(int index) {
  return [=](PrintOptions& o, const std::string& name, const std::string& v) {
    int x = 0;
    std::string e = IntIn(name, v, -100, 100, x);
    if (e.empty()) o.colour[index] = x;
    return e;
  };
}

Apply SetHead(int index) {
  return [=](PrintOptions& o, const std::string& name, const std::string& v) {
    int x = 0;
    std::string e = IntIn(name, v, 0, 10, x);
    if (e.empty()) o.head[index] = x;
    return e;
  };
}

std::vector<OptionSpec> OverlayRows(int side) {
  const std::string prefix = side == 0 ? "front" : "back";
  // The names must outlive the table: keep them in static storage per side.
  static std::vector<std::string> names[2];
  if (names[side].empty()) {
    for (const char* suffix : {"-overlay", "-overlay-area", "-overlay-rotate", "-overlay-bitmap"})
      names[side].push_back(prefix + suffix);
  }
  return {
      {names[side][0].c_str(), "TYPE",
       side == 0 ? "front overlay varnish: full, none, area (varnish inside the area), area-blank (varnish\n"
                   "outside it), bitmap, iso-chip, afnor-chip or stripe (varnish around the window)"
                 : "back overlay varnish, as --front-overlay",
       [side](PrintOptions& o, const std::string& name, const std::string& v) {
         int x = 0;
         std::string e = ChoiceOf(name, v, kAreaTypes, x);
         if (e.empty()) o.overlay[side].type = x;
         return e;
       }},
      {names[side][1].c_str(), "L,T,R,B",
       "the area in card pixels of the landscape frame (implies type area unless given)",
       [side](PrintOptions& o, const std::string& name, const std::string& v) {
         std::array<int, 4> a{};
         std::string e = Area(name, v, a);
         if (e.empty()) o.overlay[side].area = a;
         return e;
       }},
      {names[side][2].c_str(), nullptr, "turn the area or window by 180 degrees on the card",
       [side](PrintOptions& o, const std::string& name, const std::string& v) {
         bool x = false;
         std::string e = Switch(name, v, x);
         if (e.empty()) o.overlay[side].rotate = x;
         return e;
       }},
      {names[side][3].c_str(), "FILE", "one-bit BMP file of a bitmap-based area (implies type bitmap unless given)",
       [side](PrintOptions& o, const std::string&, const std::string& v) {
         o.overlay[side].bitmap = v;
         return std::string();
       }},
  };
}

const std::vector<OptionSpec>& Table() {
  static const std::vector<OptionSpec> table = [] {
    std::vector<OptionSpec> t = {
        {nullptr, nullptr, "Input and output:", nullptr},
        {"output", "FILE", "write the command stream to FILE (\"-\": standard output); short form -o",
         SetText(&PrintOptions::output)},
        {"back", "FILE", "PNG or JPEG image of the card's back; implies --two-sided", SetText(&PrintOptions::back)},
        {"orientation", "WHICH",
         "auto (default: from the front image's size), landscape (1024 x 640) or portrait (640 x 1024)",
         [](PrintOptions& o, const std::string& name, const std::string& v) {
           int x = 0;
           std::string e = ChoiceOf(name, v, kOrientations, x, false);
           if (e.empty()) o.orientation = static_cast<Orientation>(x);
           return e;
         }},
        {"size", "MODE",
         "an image that is not exactly the page size: fit (default: scaled to fit, aspect kept, centred\n"
         "on white), fill (scaled to cover, the overflow cut off), stretch, or exact (refuse it)",
         [](PrintOptions& o, const std::string& name, const std::string& v) {
           int x = 0;
           std::string e = ChoiceOf(name, v, kSizes, x, false);
           if (e.empty()) o.size = static_cast<SizeMode>(x);
           return e;
         }},
        {"data-file", "FILE", "driver data file with the default settings (default: Doma.dat beside the tool)",
         SetText(&PrintOptions::dataFile)},
        {"devmode-in", "FILE", "start from the settings of a saved 2436-byte DEVMODE instead of the defaults",
         SetText(&PrintOptions::devmodeIn)},
        {"devmode-out", "FILE", "save the DEVMODE the job is printed with (alone: save it and print nothing)",
         SetText(&PrintOptions::devmodeOut)},
        {nullptr, nullptr, "Ribbon and sides:", nullptr},
        {"ribbon", "NAME|CODE",
         "ribbon type name (YMCKO, YMCKOK, YMCK, YMCKK, YMC, KdO, KrO, Kresin, Hologram, YMCKUv, YMCUvK,\n"
         "Kd, ...) or printer ribbon code (0..28); default YMCKO. See --list-ribbons",
         SetText(&PrintOptions::ribbon)},
        {"fixed-ribbon", nullptr,
         "name the ribbon in the DEVMODE's fixed ribbon list instead of the model and ribbon cache",
         [](PrintOptions& o, const std::string& name, const std::string& v) { return Switch(name, v, o.fixedRibbon); }},
        {"model", "TEXT", "the printer's model text in the cache (default \"Q47x RKB\"; two-sided needs \"RKB\")",
         [](PrintOptions& o, const std::string&, const std::string& v) {
           o.model = v;
           return std::string();
         }},
        {"mono-kind", "KIND", "for the Unknown Monochrome ribbon: resin, scratch-off, clear-varnish, hologram-varnish",
         SetChoice(&PrintOptions::monoKind, kMonoKinds)},
        {"two-sided", nullptr, "print both sides (the back is blank unless --back is given)",
         SetSwitch(&PrintOptions::twoSided)},
        {"two-sided-mode", "N", "index into the ribbon's two-sided printing modes (see --list-ribbons)",
         SetInt(&PrintOptions::twoSidedMode, 0, 3)},
        {"rotate180", "SIDES", "turn sides by 180 degrees: none, front, back or both",
         SetChoice(&PrintOptions::rotate180, kRotations)},
        {"copies", "N", "copies of the card, 1..999", SetInt(&PrintOptions::copies, 1, 999)},
        {nullptr, nullptr, "Black panel and panel data:", nullptr},
        {"black-panel", "USE",
         "black on the resin panel: never, always (every pure black pixel), text (black drawings only)\n"
         "or except-pictures",
         SetChoice(&PrintOptions::blackPanel, kBlackPanel)},
        {"black-bitmap", nullptr, "one-bit pictures to the resin panel (with --black-panel except-pictures)",
         SetSwitch(&PrintOptions::blackBitmap)},
        {"mono-conversion", "METHOD", "pictures on a monochrome panel: diffusion, halftone, barcode or enhanced",
         SetChoice(&PrintOptions::monoConversion, kMonoConversion)},
        {"packed", nullptr, "send panels packed (data forms 32 and 10) instead of run-length coded (30 and 12)",
         SetSwitch(&PrintOptions::packed)},
        {"encode-only", nullptr, "encode the magnetic tracks and print nothing (needs a --track option)",
         SetSwitch(&PrintOptions::encodeOnly)},
        {nullptr, nullptr, "Magnetic stripe (the text goes to the driver as a document would send it):", nullptr},
        {"track1", "TEXT", "data of track 1, at most 79 printable ASCII characters",
         [](PrintOptions& o, const std::string&, const std::string& v) { return Track(1, v, o.tracks[0]); }},
        {"track2", "TEXT", "data of track 2, at most 39 characters",
         [](PrintOptions& o, const std::string&, const std::string& v) { return Track(2, v, o.tracks[1]); }},
        {"track3", "TEXT", "data of track 3, at most 107 characters",
         [](PrintOptions& o, const std::string&, const std::string& v) { return Track(3, v, o.tracks[2]); }},
        {nullptr, nullptr, "Overlay varnish:", nullptr},
    };
    for (int side = 0; side < 2; ++side)
      for (OptionSpec& row : OverlayRows(side)) t.push_back(std::move(row));
    t.push_back({nullptr, nullptr, "Colour correction, -100..100 (0: no change):", nullptr});
    const char* const colourNames[kColourCount] = {"cc-intensity-k", "cc-intensity-r", "cc-intensity-g",
                                                   "cc-intensity-b", "cc-contrast-k",  "cc-contrast-r",
                                                   "cc-contrast-g",  "cc-contrast-b"};
    const char* const colourHelp[kColourCount] = {"intensity of black (monochrome conversion)",
                                                  "intensity of red (the cyan panel)",
                                                  "intensity of green (the magenta panel)",
                                                  "intensity of blue (the yellow panel)",
                                                  "contrast of black",
                                                  "contrast of red",
                                                  "contrast of green",
                                                  "contrast of blue"};
    for (int i = 0; i < kColourCount; ++i) t.push_back({colourNames[i], "N", colourHelp[i], SetColour(i)});
    t.push_back({nullptr, nullptr, "Head settings, 0..10:", nullptr});
    const char* const headNames[kHeadCount] = {"head-contrast-o",   "head-contrast-kr", "head-contrast-h",
                                               "head-intensity-y",  "head-intensity-m", "head-intensity-c",
                                               "head-intensity-kd", "head-contrast-y",  "head-contrast-m",
                                               "head-contrast-c",   "head-contrast-kd"};
    const char* const headHelp[kHeadCount] = {"contrast of the overlay varnish (O)", "contrast of the resin black (Kr)",
                                              "contrast of the hologram (H)",        "colour intensity of yellow",
                                              "colour intensity of magenta",         "colour intensity of cyan",
                                              "colour intensity of dye black (Kd)",  "colour contrast of yellow",
                                              "colour contrast of magenta",          "colour contrast of cyan",
                                              "colour contrast of dye black (Kd)"};
    for (int i = 0; i < kHeadCount; ++i) t.push_back({headNames[i], "N", headHelp[i], SetHead(i)});
    t.push_back({nullptr, nullptr, "Other:", nullptr});
    t.push_back({"quiet", nullptr, "no progress messages; short form -q",
                 [](PrintOptions& o, const std::string& n, const std::string& v) { return Switch(n, v, o.quiet); }});
    t.push_back(
        {"list-ribbons", nullptr, "list the ribbons, their codes and two-sided modes, and stop",
         [](PrintOptions& o, const std::string& n, const std::string& v) { return Switch(n, v, o.listRibbons); }});
    t.push_back({"help", nullptr, "show this help; short form -h",
                 [](PrintOptions& o, const std::string& n, const std::string& v) { return Switch(n, v, o.help); }});
    return t;
  }();
  return table;
}

// Words of `text` in lines that end before column `width`; lines after the first start at `indent`.
std::string Wrapped(std::string_view text, size_t indent, size_t width) {
  std::string out;
  size_t column = indent;
  size_t start = 0;
  while (start < text.size()) {
    while (start < text.size() && (text[start] == ' ' || text[start] == '\n')) ++start;
    size_t end = start;
    while (end < text.size() && text[end] != ' ' && text[end] != '\n') ++end;
    if (end == start) break;
    const std::string_view word = text.substr(start, end - start);
    if (column > indent && column + 1 + word.size() > width) {
      out += "\n" + std::string(indent, ' ');
      column = indent;
    } else if (column > indent) {
      out += ' ';
      ++column;
    }
    out += word;
    column += word.size();
    start = end;
  }
  return out;
}

const OptionSpec* Find(std::string_view name) {
  for (const OptionSpec& row : Table())
    if (row.name != nullptr && name == row.name) return &row;
  return nullptr;
}

}  // namespace

int MaxTrackLength(int track) { return track == 1 ? 79 : track == 2 ? 39 : 107; }

ParsedPrintOptions ParsePrintOptions(const std::vector<std::string>& args) {
  ParsedPrintOptions result;
  PrintOptions& o = result.options;
  std::vector<std::string> positional;
  bool optionsEnded = false;
  for (size_t i = 0; i < args.size(); ++i) {
    std::string arg = args[i];
    if (optionsEnded || arg == "-" || arg.empty() || arg[0] != '-') {
      positional.push_back(arg);
      continue;
    }
    if (arg == "--") {
      optionsEnded = true;
      continue;
    }
    // Short forms.
    if (arg == "-o")
      arg = "--output";
    else if (arg == "-q")
      arg = "--quiet";
    else if (arg == "-h")
      arg = "--help";
    if (arg.size() < 3 || arg[1] != '-') {
      result.error = "unknown option " + arg + " (see --help)";
      return result;
    }
    std::string name = arg.substr(2);
    std::optional<std::string> value;
    if (const size_t eq = name.find('='); eq != std::string::npos) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    const OptionSpec* option = Find(name);
    if (option == nullptr) {
      result.error = "unknown option --" + name + " (see --help)";
      return result;
    }
    if (option->value != nullptr && !value) {
      if (i + 1 >= args.size()) {
        result.error = "--" + name + " needs a value (" + option->value + ")";
        return result;
      }
      value = args[++i];
    }
    result.error = option->apply(o, name, value.value_or(""));
    if (!result.error.empty()) return result;
  }
  if (positional.size() > 1) {
    result.error = "one input image only, got \"" + positional[0] + "\" and \"" + positional[1] + "\"";
    return result;
  }
  if (!positional.empty()) o.input = positional[0];
  return result;
}

std::string PrintUsage() {
  std::string out =
      "usage: tolma-print [OPTIONS] IMAGE -o OUTPUT\n"
      "\n"
      "Prints a card image through the Tolma Q47x card printer driver (DomaRaster) and writes the printer\n"
      "command stream it produces. Without options: one landscape side on a YMCKO ribbon with the driver's\n"
      "default settings, one copy. IMAGE is a PNG or JPEG file (told by its content; a JPEG photo is turned\n"
      "as its EXIF orientation says). An image of exactly 1024 x 640 or 640 x 1024 pixels is used pixel for\n"
      "pixel and decides the orientation; other sizes are scaled (see --size).\n";
  for (const OptionSpec& row : Table()) {
    if (row.name == nullptr) {
      out += '\n';
      out += row.help;
      out += '\n';
      continue;
    }
    std::string left = "  --";
    left += row.name;
    if (row.value != nullptr) {
      left += ' ';
      left += row.value;
    }
    if (left.size() < 30) {
      left.resize(30, ' ');
    } else {
      left += '\n';
      left.append(30, ' ');
    }
    out += left + Wrapped(row.help, 30, 100) + "\n";
  }
  out +=
      "\nSwitches take an optional =on or =off (for example --packed=off over a DEVMODE file).\n"
      "Exit status: 0 printed, 1 the job could not be printed, 2 bad command line.\n";
  return out;
}

}  // namespace tolma::tools
