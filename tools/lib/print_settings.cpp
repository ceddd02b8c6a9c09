// Ribbon resolution, DEVMODE building and the checks of a tolma-print job.
#include "tools/lib/print_settings.h"

#include "common/ribbon.h"
#include "platform/host/host.h"
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

JobCheck CheckJob(const PrintOptions& o, std::span<const uint8_t> devmode, const RibbonChoice& ribbon,
                  const std::string& model) {
  JobCheck check;
  const PrivateDevmode pd = PrivatePart(devmode);
  const bool both = pd.printBothSides != 0;
  const bool encodeOnly = pd.printingMode == 1;
  const bool tracks = o.tracks[0] || o.tracks[1] || o.tracks[2];
  const std::string name(RibbonTypeName(ribbon.type));

  if (pd.printingMode != 0 && pd.printingMode != 1) {
    check.error = "the DEVMODE's printing mode " + std::to_string(pd.printingMode) +
                  " is neither print (0) nor encode only (1): the driver would print";
  } else if (encodeOnly && !tracks) {
    check.error = "an encode-only job needs at least one --track option: the driver would send no card at all";
  } else if (encodeOnly && both) {
    check.error = "an encode-only job has one side: the driver would drop the two-sided setting and the back";
  } else if (!encodeOnly && ribbon.type == kRibbonNone) {
    check.error = "no ribbon (" + name + "): the driver refuses to print; choose a ribbon, or --encode-only";
  } else if (both && ribbon.fixedEntry == 0 && !IsTwoSidedModel(model)) {
    check.error = "the printer model \"" + model + "\" prints one side only (its model text has no \"RKB\"): " +
                  "the driver would print the front only and drop the back";
  } else if (both && (pd.twoSidedMode < 0 || static_cast<size_t>(pd.twoSidedMode) >=
                                                 PrintingModeList(ribbon.type, pd.monoRibbonKind, true).size())) {
    check.error = "two-sided mode " + std::to_string(pd.twoSidedMode) + " is not offered for the " + name +
                  " ribbon (" + DescribeTwoSidedModes(ribbon.type, pd.monoRibbonKind) +
                  "): the driver would use mode 0";
  }
  if (!check.error.empty()) return check;

  // Settings that the driver ignores for this job.
  if (!both && (pd.rotate180 == 2 || pd.rotate180 == 3))
    check.notes.push_back(std::string("one-sided job: the driver turns the 180-degree rotation ") +
                          (pd.rotate180 == 2 ? "of the back into none" : "of both sides into the front's only"));
  if (o.blackPanel && !BlackPanelAllowed(ribbon.type, both, pd.twoSidedMode))
    check.notes.push_back("the " + name + " ribbon offers no black panel of its own for this job: --black-panel " +
                          "has no effect");
  for (int side = 0; side < 2; ++side) {
    const OverlayOptions& ov = o.overlay[side];
    const bool given = ov.type || ov.area || ov.rotate || ov.bitmap;
    if (given && !OverlayAllowed(ribbon.type, pd.monoRibbonKind, both, side == 0, pd.twoSidedMode, pd.printingMode))
      check.notes.push_back(std::string("no overlay varnish is printed on the ") + (side == 0 ? "front" : "back") +
                            " with this ribbon and mode: the --" + (side == 0 ? "front" : "back") +
                            "-overlay settings have no effect");
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
