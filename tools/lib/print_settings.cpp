// Ribbon resolution, DEVMODE building and the checks of a tolma-print job.
#include "tools/lib/print_settings.h"

#include "common/ribbon.h"
#include "platform/host/host.h"
#include "raster/imaging/black_extraction.h"
#include "raster/imaging/mono_convert.h"
#include "raster/job_settlement.h"
#include "raster/model_cache.h"
#include "raster/panel_sequence.h"
#include "tools/lib/text.h"

#include <cctype>
#include <cstring>

namespace tolma::tools {
namespace {

constexpr int kMaxPrinterCode = 28;

// Lower-case letters and digits only: "K Resin / Scratch Off" and "kresinscratchoff" compare equal.
std::string Folded(std::string_view text) {
  std::string out;
  for (unsigned char c : text)
    if (std::isalnum(c)) out.push_back(static_cast<char>(std::tolower(c)));
  return out;
}

int FirstCodeOfType(int type) {
  for (int code = 0; code <= kMaxPrinterCode; ++code)
    if (RibbonTypeFromPrinterCode(code) == type) return code;
  return 0;
}

int FixedEntryOfType(int type) {
  for (int entry = 1; entry <= kFixedRibbonCount; ++entry)
    if (RibbonTypeFromFixedList(entry) == type) return entry;
  return 0;
}

std::string FixedListNames() {
  std::string out;
  for (std::string_view name : FixedRibbonList()) AppendItem(out, ", ", name);
  return out;
}

std::string TypeNames() {
  std::string out;
  for (int t = 0; t < kRibbonTypeCount; ++t) AppendItem(out, ", ", RibbonTypeName(t));
  return out;
}

// A NUL-terminated text of a fixed field.
std::string FieldText(const char* field, size_t size) { return std::string(field, strnlen(field, size)); }

// True when the command line sets anything of a side's overlay varnish.
bool OverlayGiven(const OverlayOptions& ov) { return ov.type || ov.area || ov.rotate || ov.bitmap; }

DEVMODEW PublicPart(std::span<const uint8_t> devmode) {
  DEVMODEW dm{};
  std::memcpy(&dm, devmode.data(), kPublicDevmodeSize);
  return dm;
}

}  // namespace

bool ResolveRibbon(const std::string& text, bool fixed, RibbonChoice& out, std::string& error) {
  RibbonChoice choice;
  const std::string folded = Folded(text);
  bool numeric = !text.empty() && text.size() <= 6;
  for (char c : text) numeric = numeric && c >= '0' && c <= '9';
  if (text.empty()) {
    choice.type = 0;
    choice.printerCode = FirstCodeOfType(0);
  } else if (numeric) {
    const int code = std::stoi(text);
    if (code > kMaxPrinterCode) {
      error = "unknown printer ribbon code " + text + " (codes are 0..28; see --list-ribbons)";
      return false;
    }
    choice.printerCode = code;
    choice.type = RibbonTypeFromPrinterCode(code);
  } else {
    int type = -1;
    for (int t = 0; t < kRibbonTypeCount && type < 0; ++t)
      if (Folded(RibbonTypeName(t)) == folded) type = t;
    const auto list = FixedRibbonList();
    for (size_t e = 0; e < list.size() && type < 0; ++e)
      if (Folded(list[e]) == folded) type = RibbonTypeFromFixedList(static_cast<int>(e) + 1);
    if (type < 0) {
      error = "unknown ribbon \"" + text + "\"; ribbon names: " + TypeNames() + " (see --list-ribbons)";
      return false;
    }
    choice.type = type;
    choice.printerCode = FirstCodeOfType(type);
  }
  if (fixed) {
    choice.fixedEntry = FixedEntryOfType(choice.type);
    if (choice.fixedEntry == 0) {
      error = "the ribbon " + std::string(RibbonTypeName(choice.type)) + " is not in the fixed ribbon list (" +
              FixedListNames() + "); leave out --fixed-ribbon to give it through the model and ribbon cache";
      return false;
    }
  }
  out = choice;
  return true;
}

std::string DescribeRibbon(const RibbonChoice& ribbon) {
  std::string out(RibbonTypeName(ribbon.type));
  if (ribbon.fixedEntry != 0)
    return out + " (fixed ribbon list entry " + std::to_string(ribbon.fixedEntry) + ", \"" +
           std::string(FixedRibbonList()[ribbon.fixedEntry - 1]) + "\")";
  return out + " (printer code " + std::to_string(ribbon.printerCode) + ", through the model and ribbon cache)";
}

std::string RibbonCacheText(int printerCode, const std::string& model) {
  return "Ribbon=" + std::to_string(printerCode) + "\r\nModel=" + model + "\r\n";
}

std::vector<uint8_t> BaseDevmode(const PrivateDevmode& priv) {
  std::vector<uint8_t> bytes(kFullDevmodeSize);
  WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(bytes.data(), kPublicDevmodeSize));
  std::memcpy(bytes.data() + kPublicDevmodeSize, &priv, sizeof priv);
  return bytes;
}

bool CheckDevmodeImage(std::span<const uint8_t> bytes, std::string& error) {
  if (bytes.size() != kFullDevmodeSize) {
    error = "is not a saved DEVMODE of this driver: " + std::to_string(bytes.size()) + " bytes instead of 2436";
    return false;
  }
  const DEVMODEW dm = PublicPart(bytes);
  if (dm.dmSize != kPublicDevmodeSize || dm.dmDriverExtra != kPrivateDevmodeSize ||
      ReadU16(bytes.data() + kPublicDevmodeSize) != kPrivateSignature) {
    error =
        "is not a saved DEVMODE of this driver (dmSize 212, dmDriverExtra 2224 and the private signature "
        "0x514D expected)";
    return false;
  }
  return true;
}

bool CheckDataFileImage(std::span<const uint8_t> bytes, std::string& error) {
  if (bytes.size() != kPrivateDevmodeSize || ReadU16(bytes.data()) != kPrivateSignature) {
    error = "is not a driver data file (2224 bytes starting with the signature 0x514D expected, got " +
            std::to_string(bytes.size()) + " bytes)";
    return false;
  }
  return true;
}

PrivateDevmode PrivatePart(std::span<const uint8_t> devmode) {
  PrivateDevmode pd{};
  if (devmode.size() >= kFullDevmodeSize) std::memcpy(&pd, devmode.data() + kPublicDevmodeSize, sizeof pd);
  return pd;
}

std::vector<uint8_t> BuildDevmode(const PrintOptions& o, const RibbonChoice& ribbon, std::span<const uint8_t> base,
                                  bool portrait) {
  std::vector<uint8_t> bytes(base.begin(), base.end());
  bytes.resize(kFullDevmodeSize);
  DEVMODEW dm = PublicPart(bytes);
  PrivateDevmode pd = PrivatePart(bytes);

  dm.dmOrientation = portrait ? DMORIENT_PORTRAIT : DMORIENT_LANDSCAPE;
  if (o.copies) dm.dmCopies = static_cast<short>(*o.copies);

  // Ribbon: a fixed-list entry, or asked of the printer (the driver reads the cache at the first page).
  pd.ribbonType = static_cast<int16_t>(ribbon.type);
  pd.fixedRibbon = static_cast<int16_t>(ribbon.fixedEntry);
  if (o.monoKind) pd.monoRibbonKind = static_cast<int16_t>(*o.monoKind);

  auto set = [](int16_t& field, const auto& value) {
    if (value) field = static_cast<int16_t>(*value);
  };
  const std::optional<bool> twoSided = !o.back.empty() ? std::optional<bool>(true) : o.twoSided;
  set(pd.printBothSides, twoSided);
  set(pd.twoSidedMode, o.twoSidedMode);
  set(pd.rotate180, o.rotate180);
  set(pd.blackPanelUse, o.blackPanel);
  set(pd.blackBitmap, o.blackBitmap);
  set(pd.monoConversion, o.monoConversion);
  set(pd.packedPanels, o.packed);
  set(pd.printingMode, o.encodeOnly);

  OverlayArea* areas[2] = {&pd.frontOverlay, &pd.backOverlay};
  for (int side = 0; side < 2; ++side) {
    const OverlayOptions& ov = o.overlay[side];
    OverlayArea& area = *areas[side];
    if (ov.type)
      area.areaType = static_cast<int16_t>(*ov.type);
    else if (ov.bitmap)
      area.areaType = 4;
    else if (ov.area)
      area.areaType = 2;
    if (ov.area) {
      area.areaLeft = (*ov.area)[0];
      area.areaTop = (*ov.area)[1];
      area.areaRight = (*ov.area)[2];
      area.areaBottom = (*ov.area)[3];
    }
    if (ov.rotate) area.areaRotate180 = *ov.rotate ? 1 : 0;
    if (ov.bitmap) CopyToField(area.bitmapPath, std::size(area.bitmapPath), host::Wide(*ov.bitmap));
  }

  int16_t* const colour[kColourCount] = {&pd.ccIntensityK, &pd.ccIntensityR, &pd.ccIntensityG, &pd.ccIntensityB,
                                         &pd.ccContrastK,  &pd.ccContrastR,  &pd.ccContrastG,  &pd.ccContrastB};
  for (int i = 0; i < kColourCount; ++i) set(*colour[i], o.colour[i]);
  int16_t* const head[kHeadCount] = {&pd.headContrastO,  &pd.headContrastKr, &pd.headContrastH,   &pd.headIntensityY,
                                     &pd.headIntensityM, &pd.headIntensityC, &pd.headIntensityKd, &pd.headContrastY,
                                     &pd.headContrastM,  &pd.headContrastC,  &pd.headContrastKd};
  for (int i = 0; i < kHeadCount; ++i) set(*head[i], o.head[i]);

  // Tracks reach the driver as text in the encoder's macro form, which needs the encoder and macro
  // processing; encoding only needs the encoder too.
  const bool tracks = o.tracks[0] || o.tracks[1] || o.tracks[2];
  if (tracks) pd.encoder.macroProcessing = 1;
  if (tracks || pd.printingMode == 1 || ribbon.fixedEntry != 0) pd.encoder.hasEncoder = 1;

  std::memcpy(bytes.data(), &dm, kPublicDevmodeSize);
  std::memcpy(bytes.data() + kPublicDevmodeSize, &pd, sizeof pd);
  return bytes;
}

namespace {

// One side the driver prints, as its composer sees it.
struct PrintedSide {
  bool front = true;
  std::span<const SideStep> steps;  // empty: no panel
  bool extraction = false;          // black drawings go to the resin panel
  bool converts = false;            // the picture is converted for the resin panel
  bool rotated = false;             // the panels are turned by 180 degrees
};

// The sides of a job with settled settings: the front, and the back of a two-sided job.
std::vector<PrintedSide> PrintedSides(const PrivateDevmode& pd) {
  const bool both = pd.printBothSides != 0;
  std::vector<PrintedSide> sides;
  for (const bool front : {true, false}) {
    if (!front && !both) break;
    PrintedSide side;
    side.front = front;
    // An encode-only job ends with its magnetic block.
    if (pd.printingMode != 1)
      side.steps = PanelSequence(pd.ribbonType, pd.monoRibbonKind, both, pd.twoSidedMode, front);
    side.extraction = BlackExtractionApplies(pd.ribbonType, both, pd.twoSidedMode, front);
    side.converts = NeedsMonochromeConversion(pd.ribbonType, both, pd.twoSidedMode, front);
    side.rotated = SideRotated(both, front, pd.rotate180);
    sides.push_back(side);
  }
  return sides;
}

// The resin panel of this step is sent with the job's black panel use (a blank bitmap aside).
bool SendsResin(const SideStep& step, const PrivateDevmode& pd) {
  return step.op == PanelOp::Resin || (step.op == PanelOp::ResinIfUsed && pd.blackPanelUse != 0);
}

template <typename Test>
bool AnyStep(const std::vector<PrintedSide>& sides, Test test) {
  for (const PrintedSide& side : sides)
    for (const SideStep& step : side.steps)
      if (test(side, step)) return true;
  return false;
}

const char* RotationName(int rotate) {
  static const char* const kNames[] = {"none", "front", "back", "both"};
  return rotate >= 0 && rotate <= 3 ? kNames[rotate] : "?";
}

// Notes on the 180-degree rotation: where the settlement changed it, and where the sides turned are not the ones
// the setting names.
void NoteRotation(const PrivateDevmode& asked, const PrivateDevmode& settled, const std::vector<PrintedSide>& sides,
                  bool fixed, std::vector<std::string>& notes) {
  const int rotate = asked.rotate180;
  const bool changed = settled.rotate180 != rotate;
  if (changed) {
    if (rotate == 2 && settled.rotate180 == 0)
      notes.push_back("one-sided job: the driver turns the 180-degree rotation of the back into none");
    else if (rotate == 3 && settled.rotate180 == 1)
      notes.push_back("one-sided job: the driver turns the 180-degree rotation of both sides into the front's only");
    else
      notes.push_back("the driver turns the rotation setting " + std::to_string(rotate) + " into " +
                      std::to_string(settled.rotate180));
  }
  if (rotate < 0 || rotate > 3) return;
  const bool both = settled.printBothSides != 0;
  for (const PrintedSide& side : sides) {
    const bool named = side.front ? (rotate == 1 || rotate == 3) : (rotate == 2 || rotate == 3);
    if (named == side.rotated) continue;
    const std::string which = side.front ? "front" : "back";
    if (side.rotated) {
      notes.push_back("the driver turns the " + which + " by 180 degrees, which --rotate180 " + RotationName(rotate) +
                      " does not name" +
                      (!both ? std::string(": a one-sided job turns its side for every rotation setting but none") +
                                   (fixed ? ", and with a fixed ribbon the driver keeps the setting as it is" : "")
                             : std::string()));
    } else {
      notes.push_back("the driver does not turn the " + which + ", which --rotate180 " + RotationName(rotate) +
                      " names");
    }
  }
  if (!both && !changed && (rotate == 2 || rotate == 3))
    notes.push_back("one-sided job: there is no back to turn by 180 degrees");
}

}  // namespace

JobCheck CheckJob(const PrintOptions& o, std::span<const uint8_t> devmode, const RibbonChoice& ribbon,
                  const std::string& model) {
  JobCheck check;
  const PrivateDevmode asked = PrivatePart(devmode);
  const bool both = asked.printBothSides != 0;
  const bool encodeOnly = asked.printingMode == 1;
  const bool tracks = o.tracks[0] || o.tracks[1] || o.tracks[2];
  const bool fixed = ribbon.fixedEntry != 0;

  // The settings as the driver settles them at the first page, from the cache the tool writes for it, and as
  // its composer sees them from the job header on.
  RibbonCache cache;
  if (!fixed) {
    const std::string text = RibbonCacheText(ribbon.printerCode, model);
    ParseRibbonCache(std::span(reinterpret_cast<const uint8_t*>(text.data()), text.size()), cache);
  }
  PrivateDevmode settled = asked;
  const bool accepted = SettleFirstPage(settled, PrinterReport{cache.ribbonCode, cache.ModelText()});
  SettleFixedRibbon(settled);
  const std::string name(RibbonTypeName(settled.ribbonType));
  const size_t modes = PrintingModeList(settled.ribbonType, settled.monoRibbonKind, true).size();

  if (asked.printingMode != 0 && asked.printingMode != 1) {
    check.error = "the DEVMODE's printing mode " + std::to_string(asked.printingMode) +
                  " is neither print (0) nor encode only (1): the driver would print";
  } else if (encodeOnly && !tracks) {
    check.error = "an encode-only job needs at least one --track option: the driver would send no card at all";
  } else if (encodeOnly && both && settled.printBothSides == 0) {
    check.error = "an encode-only job has one side: the driver would drop the two-sided setting and the back";
  } else if (!accepted) {
    check.error = "no ribbon (" + name + "): the driver refuses to print; choose a ribbon, or --encode-only";
  } else if (both && settled.printBothSides == 0) {
    const std::string read(cache.ModelText());
    check.error = "the printer model \"" + model + "\" prints one side only (" +
                  (read == model ? std::string("its model text has no \"RKB\"")
                                 : "the driver reads its model text as \"" + read + "\", which has no \"RKB\"") +
                  "): the driver would print the front only and drop the back";
  } else if (both && settled.twoSidedMode != asked.twoSidedMode) {
    check.error = "two-sided mode " + std::to_string(asked.twoSidedMode) + " is not offered for the " + name +
                  " ribbon (" + DescribeTwoSidedModes(settled.ribbonType, settled.monoRibbonKind) +
                  "): the driver would use mode 0";
  } else if (both && (settled.twoSidedMode < 0 || static_cast<size_t>(settled.twoSidedMode) >= modes)) {
    check.error = "two-sided mode " + std::to_string(asked.twoSidedMode) + " is not offered for the " + name +
                  " ribbon (" + DescribeTwoSidedModes(settled.ribbonType, settled.monoRibbonKind) +
                  "): with a fixed ribbon the driver keeps it and prints the sides in no mode the ribbon offers";
  }
  if (!check.error.empty()) return check;

  // Settings that cannot reach the stream, read from the composer's tables for the sides printed.
  const std::vector<PrintedSide> sides = PrintedSides(settled);
  const bool panels = AnyStep(sides, [](const PrintedSide&, const SideStep&) { return true; });
  if (!panels) {
    std::string given;
    const std::pair<bool, const char*> options[] = {{o.rotate180.has_value(), "--rotate180"},
                                                    {o.blackPanel.has_value(), "--black-panel"},
                                                    {o.blackBitmap.has_value(), "--black-bitmap"},
                                                    {o.monoConversion.has_value(), "--mono-conversion"},
                                                    {o.packed.has_value(), "--packed"},
                                                    {OverlayGiven(o.overlay[0]), "the --front-overlay settings"},
                                                    {OverlayGiven(o.overlay[1]), "the --back-overlay settings"}};
    for (const auto& [set, option] : options)
      if (set) AppendItem(given, ", ", option);
    if (!given.empty())
      check.notes.push_back((settled.printingMode == 1 ? std::string("the job only encodes and prints no panel")
                                                       : "the " + name + " ribbon prints no panel in this job") +
                            ": " + given + (given.find(',') == std::string::npos ? " has" : " have") + " no effect");
  } else {
    NoteRotation(asked, settled, sides, fixed, check.notes);
    if (o.blackPanel && !AnyStep(sides, [](const PrintedSide& side, const SideStep& step) {
          return step.op == PanelOp::ResinIfUsed || side.extraction;
        }))
      check.notes.push_back("the " + name + " ribbon offers no black panel of its own for this job: --black-panel " +
                            "has no effect");
    if (o.blackBitmap) {
      const bool applies = settled.blackPanelUse == 3 &&
                           AnyStep(sides, [](const PrintedSide& side, const SideStep&) { return side.extraction; });
      check.notes.push_back(
          applies
              ? std::string("--black-bitmap has no effect on this stream: it sends one-bit pictures to the resin ") +
                    "panel, and tolma-print draws its pictures in colour (the DEVMODE keeps the setting)"
              : std::string("--black-bitmap has no effect: one-bit pictures go to the resin panel only with ") +
                    "--black-panel except-pictures on a side that prints both colour and resin black");
    }
    if (o.monoConversion) {
      const bool thins = (*o.monoConversion & 3) == kMonoBarcode;
      if (!AnyStep(sides, [&](const PrintedSide& side, const SideStep& step) {
            return SendsResin(step, settled) && (side.converts || thins);
          }))
        check.notes.push_back(std::string("no side of this job converts its picture for a one-colour panel") +
                              (thins ? " or sends a resin panel to thin" : "") + ": --mono-conversion has no effect");
    }
    if (o.packed && !AnyStep(sides, [&](const PrintedSide& side, const SideStep& step) {
          if (step.op == PanelOp::Overlay)
            return (OverlayOfFront(step, side.front) ? settled.frontOverlay : settled.backOverlay).areaType == 4;
          return step.op == PanelOp::Colour || step.op == PanelOp::DyeBlack || SendsResin(step, settled);
        }))
      check.notes.push_back("no panel data is sent in this job: --packed has no effect");
    for (int s = 0; s < 2; ++s) {
      const bool front = s == 0;
      if (OverlayGiven(o.overlay[s]) && !AnyStep(sides, [&](const PrintedSide& side, const SideStep& step) {
            return step.op == PanelOp::Overlay && OverlayOfFront(step, side.front) == front;
          }))
        check.notes.push_back(std::string("no overlay varnish is printed on the ") + (front ? "front" : "back") +
                              " with this ribbon and mode: the --" + (front ? "front" : "back") +
                              "-overlay settings have no effect");
    }
  }
  if (o.monoKind && ribbon.type != kRibbonUnknownMonochrome)
    check.notes.push_back("--mono-kind applies to the Unknown Monochrome ribbon only");
  return check;
}

std::u16string TrackMacroText(const EncoderSettings& encoder, int track, const std::string& data, std::string& error) {
  const std::string text = FieldText(encoder.startOfData, sizeof encoder.startOfData) + std::to_string(track) + data +
                           FieldText(encoder.endOfData, sizeof encoder.endOfData);
  // A text starting "~C" and a digit 0..5 is an inserted printer command to the driver.
  if (text.size() > 3 && text[0] == '~' && text[1] == 'C' && text[2] >= '0' && text[2] <= '5') {
    error = "the encoder's start characters \"" + FieldText(encoder.startOfData, sizeof encoder.startOfData) +
            "\" make track " + std::to_string(track) + " look like an inserted printer command";
    return {};
  }
  return std::u16string(text.begin(), text.end());
}

std::string DescribeTwoSidedModes(int type, int kind) {
  std::string out;
  int index = 0;
  for (std::string_view mode : PrintingModeList(type, kind, true)) {
    AppendItem(out, ", ", std::to_string(index++));
    out += " \"";
    out += mode;
    out += '"';
  }
  return out;
}

std::string RibbonListText() {
  std::string out = "Ribbons (--ribbon NAME or CODE; --fixed-ribbon accepts those with a fixed-list entry):\n";
  for (int type = 0; type < kRibbonTypeCount; ++type) {
    std::string codes;
    for (int code = 0; code <= kMaxPrinterCode; ++code)
      if (RibbonTypeFromPrinterCode(code) == type) AppendItem(codes, " ", std::to_string(code));
    const int entry = FixedEntryOfType(type);
    out += "  " + std::string(RibbonTypeName(type)) + "\n    printer codes: " + codes +
           (entry ? "; fixed list entry " + std::to_string(entry) + " \"" + std::string(FixedRibbonList()[entry - 1]) +
                        "\""
                  : std::string("; not in the fixed list")) +
           "\n    one side: \"" + std::string(PrintingModeList(type, 0, false)[0]) +
           "\"; two-sided modes (--two-sided-mode): " + DescribeTwoSidedModes(type, 0) + "\n";
  }
  return out;
}

}  // namespace tolma::tools
