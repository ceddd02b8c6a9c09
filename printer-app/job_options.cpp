// The vendor attribute table and the mapping of a job's IPP values onto the card job's settings.
#include "printer-app/job_options.h"

#include "common/ribbon.h"
#include "tools/lib/print_settings.h"

#include <cctype>
#include <cstring>
#include <functional>

namespace tolma::printerapp {
namespace {

using tools::PrintOptions;

struct Keyword {
  const char* name;
  int value;
};

const std::vector<Keyword> kBlackPanel = {{"never", 0}, {"always", 1}, {"text-only", 2}, {"except-pictures", 3}};
const std::vector<Keyword> kMonoConversion = {{"diffusion", 0}, {"halftone", 1}, {"barcode", 2}, {"enhanced", 3}};
const std::vector<Keyword> kRotation = {{"none", 0}, {"front", 1}, {"back", 2}, {"both", 3}};
// Overlay types without the bitmap-based one, whose bitmap file a job cannot name.
const std::vector<Keyword> kOverlay = {{"full", 0},     {"none", 1},       {"area", 2},  {"area-blank", 3},
                                       {"iso-chip", 5}, {"afnor-chip", 6}, {"stripe", 7}};

// How one vendor attribute reads its default from the private settings and lays a value over the options.
struct Row {
  VendorAttribute attribute;
  std::function<std::string(const PrivateDevmode&)> fromBase;
  std::function<std::string(const std::string& value, PrintOptions& options)> apply;  // returns an error
};

std::string KeywordOf(const std::vector<Keyword>& list, int value) {
  for (const Keyword& k : list)
    if (k.value == value) return k.name;
  return std::to_string(value);
}

std::vector<std::string> Names(const std::vector<Keyword>& list) {
  std::vector<std::string> out;
  for (const Keyword& k : list) out.push_back(k.name);
  return out;
}

// A decimal integer, at most 9 digits, optional sign.
bool ParseInt(const std::string& text, int& out) {
  size_t i = 0;
  bool negative = false;
  if (i < text.size() && (text[i] == '-' || text[i] == '+')) negative = text[i++] == '-';
  if (i == text.size() || text.size() - i > 9) return false;
  long long v = 0;
  for (; i < text.size(); ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
    v = v * 10 + (text[i] - '0');
  }
  out = static_cast<int>(negative ? -v : v);
  return true;
}

std::string Quoted(const std::string& value) {
  std::string shown = value.size() > 40 ? value.substr(0, 40) + "..." : value;
  for (char& c : shown)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) c = '?';
  return "\"" + shown + "\"";
}

Row KeywordRow(const char* name, const std::vector<Keyword>& list, std::function<int(const PrivateDevmode&)> get,
               std::function<void(PrintOptions&, int)> set) {
  Row row;
  row.attribute = {name, AttributeSyntax::Keyword, Names(list), 0, 0, {}, false};
  row.fromBase = [&list, get](const PrivateDevmode& pd) { return KeywordOf(list, get(pd)); };
  row.apply = [&list, set](const std::string& value, PrintOptions& o) -> std::string {
    for (const Keyword& k : list) {
      if (value == k.name) {
        set(o, k.value);
        return {};
      }
    }
    std::string names;
    for (const Keyword& k : list) names += (names.empty() ? "" : ", ") + std::string(k.name);
    return Quoted(value) + " is not one of " + names;
  };
  return row;
}

Row IntegerRow(std::string name, int lower, int upper, std::function<int(const PrivateDevmode&)> get,
               std::function<void(PrintOptions&, int)> set) {
  Row row;
  row.attribute = {std::move(name), AttributeSyntax::Integer, {}, lower, upper, {}, false};
  row.fromBase = [get](const PrivateDevmode& pd) { return std::to_string(get(pd)); };
  row.apply = [lower, upper, set](const std::string& value, PrintOptions& o) -> std::string {
    int v = 0;
    if (!ParseInt(value, v) || v < lower || v > upper)
      return Quoted(value) + " is not a whole number from " + std::to_string(lower) + " to " + std::to_string(upper);
    set(o, v);
    return {};
  };
  return row;
}

Row BooleanRow(const char* name, std::function<bool(const PrivateDevmode&)> get,
               std::function<void(PrintOptions&, bool)> set) {
  Row row;
  row.attribute = {name, AttributeSyntax::Boolean, {}, 0, 0, {}, false};
  row.fromBase = [get](const PrivateDevmode& pd) { return std::string(get(pd) ? "true" : "false"); };
  row.apply = [set](const std::string& value, PrintOptions& o) -> std::string {
    if (value == "true" || value == "on") {
      set(o, true);
    } else if (value == "false" || value == "off") {
      set(o, false);
    } else {
      return Quoted(value) + " is neither true nor false";
    }
    return {};
  };
  return row;
}

std::string AreaText(const OverlayArea& area) {
  return std::to_string(area.areaLeft) + "," + std::to_string(area.areaTop) + "," + std::to_string(area.areaRight) +
         "," + std::to_string(area.areaBottom);
}

Row AreaRow(int side) {
  Row row;
  const bool front = side == 0;
  row.attribute = {
      front ? "tolma-front-overlay-area" : "tolma-back-overlay-area", AttributeSyntax::Text, {}, 0, 0, {}, false};
  row.fromBase = [front](const PrivateDevmode& pd) { return AreaText(front ? pd.frontOverlay : pd.backOverlay); };
  row.apply = [side](const std::string& value, PrintOptions& o) -> std::string {
    const std::string bad = Quoted(value) + " is not LEFT,TOP,RIGHT,BOTTOM in card pixels (0..1023, 0..639)";
    std::array<int, 4> a{};
    size_t start = 0;
    for (int i = 0; i < 4; ++i) {
      const size_t comma = value.find(',', start);
      if ((comma == std::string::npos) != (i == 3)) return bad;
      const std::string part = value.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
      if (!ParseInt(part, a[i]) || a[i] < 0 || a[i] > (i % 2 == 0 ? 1023 : 639)) return bad;
      start = comma + 1;
    }
    if (a[0] >= a[2] || a[1] >= a[3])
      return Quoted(value) + ": the left and top edges must lie before the right and bottom ones";
    o.overlay[side].area = a;
    return {};
  };
  return row;
}

const std::vector<Row>& JobRows() {
  static const std::vector<Row> rows = [] {
    std::vector<Row> t;
    t.push_back(KeywordRow(
        "tolma-black-panel", kBlackPanel, [](const PrivateDevmode& pd) { return int{pd.blackPanelUse}; },
        [](PrintOptions& o, int v) { o.blackPanel = v; }));
    t.push_back(BooleanRow(
        "tolma-black-bitmap", [](const PrivateDevmode& pd) { return pd.blackBitmap != 0; },
        [](PrintOptions& o, bool v) { o.blackBitmap = v; }));
    t.push_back(KeywordRow(
        "tolma-mono-conversion", kMonoConversion, [](const PrivateDevmode& pd) { return int{pd.monoConversion}; },
        [](PrintOptions& o, int v) { o.monoConversion = v; }));
    t.push_back(IntegerRow(
        "tolma-two-sided-mode", 0, 3, [](const PrivateDevmode& pd) { return int{pd.twoSidedMode}; },
        [](PrintOptions& o, int v) { o.twoSidedMode = v; }));
    t.push_back(KeywordRow(
        "tolma-rotate-180", kRotation, [](const PrivateDevmode& pd) { return int{pd.rotate180}; },
        [](PrintOptions& o, int v) { o.rotate180 = v; }));
    for (int side = 0; side < 2; ++side) {
      t.push_back(KeywordRow(
          side == 0 ? "tolma-front-overlay" : "tolma-back-overlay", kOverlay,
          [side](const PrivateDevmode& pd) { return int{(side == 0 ? pd.frontOverlay : pd.backOverlay).areaType}; },
          [side](PrintOptions& o, int v) { o.overlay[side].type = v; }));
      t.push_back(AreaRow(side));
    }
    t.push_back(BooleanRow(
        "tolma-packed-panels", [](const PrivateDevmode& pd) { return pd.packedPanels != 0; },
        [](PrintOptions& o, bool v) { o.packed = v; }));

    struct Field {
      const char* name;
      int16_t PrivateDevmode::*field;
    };
    static const Field colour[tools::kColourCount] = {{"tolma-cc-intensity-k", &PrivateDevmode::ccIntensityK},
                                                      {"tolma-cc-intensity-r", &PrivateDevmode::ccIntensityR},
                                                      {"tolma-cc-intensity-g", &PrivateDevmode::ccIntensityG},
                                                      {"tolma-cc-intensity-b", &PrivateDevmode::ccIntensityB},
                                                      {"tolma-cc-contrast-k", &PrivateDevmode::ccContrastK},
                                                      {"tolma-cc-contrast-r", &PrivateDevmode::ccContrastR},
                                                      {"tolma-cc-contrast-g", &PrivateDevmode::ccContrastG},
                                                      {"tolma-cc-contrast-b", &PrivateDevmode::ccContrastB}};
    for (int i = 0; i < tools::kColourCount; ++i) {
      const Field f = colour[i];
      t.push_back(IntegerRow(
          f.name, -100, 100, [f](const PrivateDevmode& pd) { return int{pd.*f.field}; },
          [i](PrintOptions& o, int v) { o.colour[i] = v; }));
    }
    static const Field head[tools::kHeadCount] = {{"tolma-head-contrast-o", &PrivateDevmode::headContrastO},
                                                  {"tolma-head-contrast-kr", &PrivateDevmode::headContrastKr},
                                                  {"tolma-head-contrast-h", &PrivateDevmode::headContrastH},
                                                  {"tolma-head-intensity-y", &PrivateDevmode::headIntensityY},
                                                  {"tolma-head-intensity-m", &PrivateDevmode::headIntensityM},
                                                  {"tolma-head-intensity-c", &PrivateDevmode::headIntensityC},
                                                  {"tolma-head-intensity-kd", &PrivateDevmode::headIntensityKd},
                                                  {"tolma-head-contrast-y", &PrivateDevmode::headContrastY},
                                                  {"tolma-head-contrast-m", &PrivateDevmode::headContrastM},
                                                  {"tolma-head-contrast-c", &PrivateDevmode::headContrastC},
                                                  {"tolma-head-contrast-kd", &PrivateDevmode::headContrastKd}};
    for (int i = 0; i < tools::kHeadCount; ++i) {
      const Field f = head[i];
      t.push_back(IntegerRow(
          f.name, 0, 10, [f](const PrivateDevmode& pd) { return int{pd.*f.field}; },
          [i](PrintOptions& o, int v) { o.head[i] = v; }));
    }
    return t;
  }();
  return rows;
}

// Printable ASCII only.
bool Printable(const std::string& text) {
  for (char c : text)
    if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E) return false;
  return true;
}

constexpr size_t kModelTextSize = 32;  // the model text the cache holds
constexpr const char* kDefaultRibbonKeyword = "ymcko";

}  // namespace

std::string RibbonKeyword(int type) {
  std::string out;
  for (char c : std::string(RibbonTypeName(type))) {
    if (std::isalnum(static_cast<unsigned char>(c)))
      out.push_back(static_cast<char>(std::tolower(static_cast<unsigned char>(c))));
    else if (!out.empty() && out.back() != '-')
      out.push_back('-');
  }
  return out;
}

int RibbonTypeOfKeyword(const std::string& keyword) {
  for (int t = 0; t < kRibbonTypeCount; ++t)
    if (RibbonKeyword(t) == keyword) return t;
  return -1;
}

std::vector<VendorAttribute> VendorAttributes(const PrivateDevmode& base) {
  std::vector<VendorAttribute> out;
  VendorAttribute ribbon{kRibbonAttribute, AttributeSyntax::Keyword, {}, 0, 0, kDefaultRibbonKeyword, true};
  for (int t = 0; t < kRibbonTypeCount; ++t) ribbon.keywords.push_back(RibbonKeyword(t));
  out.push_back(ribbon);
  out.push_back({kModelAttribute, AttributeSyntax::Text, {}, 0, 0, tools::kDefaultModel, true});
  for (const Row& row : JobRows()) {
    VendorAttribute a = row.attribute;
    a.defaultValue = row.fromBase(base);
    out.push_back(std::move(a));
  }
  return out;
}

std::string DescribeTrack(int track, const std::string& data) {
  return "track " + std::to_string(track) + " (" + std::to_string(data.size()) +
         (data.size() == 1 ? " character)" : " characters)");
}

MappedJob MapJob(const JobRequest& request, const PrivateDevmode& base) {
  MappedJob out;
  PrintOptions& o = out.options;
  auto fail = [&](std::string text) {
    out.error = std::move(text);
    return out;
  };
  auto defaultOf = [&](const std::string& name, const std::string& fallback) {
    const auto it = request.defaults.find(name);
    return it != request.defaults.end() ? it->second : fallback;
  };

  // The printer's settings: the installed ribbon and the model text, as the model and ribbon cache gives them.
  for (const char* name : {kRibbonAttribute, kModelAttribute}) {
    if (request.job.count(name))
      out.notes.push_back(std::string(name) + " is a setting of the printer: the job's value is not used");
  }
  const std::string ribbonKeyword = defaultOf(kRibbonAttribute, kDefaultRibbonKeyword);
  const int type = RibbonTypeOfKeyword(ribbonKeyword);
  std::string error;
  if (type < 0 || !tools::ResolveRibbon(std::string(RibbonTypeName(type)), false, out.ribbon, error))
    return fail("the printer's installed ribbon " + Quoted(ribbonKeyword) + " is not a ribbon of this printer");
  out.model = defaultOf(kModelAttribute, tools::kDefaultModel);
  if (out.model.size() > kModelTextSize || !Printable(out.model))
    return fail("the printer's model text " + Quoted(out.model) + " is not printable ASCII of at most 32 characters");

  // Vendor attributes: the job's value, else the printer's default when it differs from the driver's own.
  for (const Row& row : JobRows()) {
    const std::string& name = row.attribute.name;
    const auto given = request.job.find(name);
    const std::string baseValue = row.fromBase(base);
    const std::string value = given != request.job.end() ? given->second : defaultOf(name, baseValue);
    if (given == request.job.end() && value == baseValue) continue;
    const std::string e = row.apply(value, o);
    if (!e.empty()) return fail((given != request.job.end() ? name : "the printer's " + name + "-default") + ": " + e);
  }

  // An area alone keeps the overlay type in force (the tool's own option takes an area to mean type area).
  for (int side = 0; side < 2; ++side) {
    tools::OverlayOptions& ov = o.overlay[side];
    if (ov.area && !ov.type) ov.type = (side == 0 ? base.frontOverlay : base.backOverlay).areaType;
  }

  if (request.copies < 1 || request.copies > 999)
    return fail("copies: " + std::to_string(request.copies) + " is not from 1 to 999");
  o.copies = request.copies;

  int rotate = o.rotate180.value_or(base.rotate180);
  if (request.sides == "one-sided") {
    o.twoSided = false;
  } else if (request.sides == "two-sided-long-edge" || request.sides == "two-sided-short-edge") {
    o.twoSided = true;
    // Turned over its short edge, the back is upside down to one turned over its long edge.
    if (request.sides == "two-sided-short-edge") rotate ^= 2;
  } else {
    return fail("sides: " + Quoted(request.sides) + " is not one-sided, two-sided-long-edge or two-sided-short-edge");
  }

  // Raster pages come drawn in their orientation; images are laid out by it here.
  const int orientation = request.rasterDocument ? 0 : request.orientation;
  switch (orientation) {
    case 0:
    case 7:
      o.orientation = tools::Orientation::Auto;
      break;
    case 3:
    case 6:
      o.orientation = tools::Orientation::Portrait;
      break;
    case 4:
    case 5:
      o.orientation = tools::Orientation::Landscape;
      break;
    default:
      return fail("orientation-requested: " + std::to_string(orientation) + " is not one of 3 to 7");
  }
  if (orientation == 5 || orientation == 6) rotate ^= 3;  // reverse orientations turn both sides
  if (rotate != base.rotate180 || o.rotate180) o.rotate180 = rotate;

  if (request.scaling == "auto" || request.scaling == "fill") {
    o.size = tools::SizeMode::Fill;  // a card is borderless: cover it
  } else if (request.scaling == "fit" || request.scaling == "auto-fit") {
    o.size = tools::SizeMode::Fit;
  } else if (request.scaling == "none") {
    o.size = tools::SizeMode::Exact;
  } else {
    return fail("print-scaling: " + Quoted(request.scaling) + " is not auto, auto-fit, fill, fit or none");
  }

  for (int t = 0; t < 3; ++t) {
    if (!request.tracks[t]) continue;
    const std::string& data = *request.tracks[t];
    const size_t max = static_cast<size_t>(tools::MaxTrackLength(t + 1));
    if (data.size() > max)
      return fail(std::string(kTrackAttributes[t]) + " holds at most " + std::to_string(max) +
                  " characters, the job gave " + std::to_string(data.size()));
    if (!Printable(data)) return fail(std::string(kTrackAttributes[t]) + " takes printable ASCII characters only");
    o.tracks[t] = data;
  }
  return out;
}

tools::CardJobSettings SettingsFor(const MappedJob& mapped, std::vector<uint8_t> baseDevmode, std::string dataFile) {
  tools::CardJobSettings s;
  s.options = mapped.options;
  s.base = std::move(baseDevmode);
  s.dataFile = std::move(dataFile);
  s.ribbon = mapped.ribbon;
  s.model = mapped.model;
  return s;
}

std::string RedactLogLine(std::string_view line) {
  for (size_t at = line.find("tolma-track-"); at != std::string_view::npos; at = line.find("tolma-track-", at + 1)) {
    size_t end = at + std::strlen("tolma-track-");
    if (end >= line.size() || line[end] < '1' || line[end] > '3') continue;
    ++end;
    // "tolma-track-1-supported" and the like are the printer's, not a job's data.
    if (end < line.size() && (line[end] == '-' || std::isalnum(static_cast<unsigned char>(line[end])))) continue;
    return std::string(line.substr(0, end)) + " (value withheld)";
  }
  return std::string(line);
}

}  // namespace tolma::printerapp
