// The device capability table: every answer comes from the default DEVMODE template or the string table.
#include "ui/capabilities.h"

#include "common/devmode.h"
#include "ui/resources/strings.h"

#include <cstring>

namespace tolma::ui {
namespace {

// Characters of one name in the capability's output array (bin names 24, paper and media names 64).
constexpr size_t kBinNameChars = 24;
constexpr size_t kPaperNameChars = 64;

DEVMODEW Template() {
  DEVMODEW dm{};
  uint8_t bytes[kPublicDevmodeSize];
  WriteDefaultPublicDevmode(bytes);
  std::memcpy(&dm, bytes, sizeof bytes);
  return dm;
}

CapabilityAnswer Result(DWORD result) {
  CapabilityAnswer a;
  a.result = result;
  return a;
}

CapabilityAnswer Written(DWORD result, CapabilityOutput output, int32_t first, int32_t second = 0) {
  CapabilityAnswer a = Result(result);
  a.output = output;
  a.values[0] = first;
  a.values[1] = second;
  return a;
}

CapabilityAnswer Name(UINT stringId, size_t slot) {
  CapabilityAnswer a = Result(1);
  a.output = CapabilityOutput::Name;
  a.stringId = stringId;
  a.nameChars = slot;
  return a;
}

}  // namespace

CapabilityAnswer DeviceCapability(int index, std::optional<int16_t> orientation) {
  static const DEVMODEW t = Template();
  const DWORD kNone = static_cast<DWORD>(-1);
  // The card in the frame of the caller's orientation: the template's width runs along the long edge.
  const bool landscapeSize = orientation && *orientation == DMORIENT_LANDSCAPE;
  const bool portraitExtent = orientation && *orientation == DMORIENT_PORTRAIT;

  switch (index) {
    case DC_FIELDS:
      return Result(t.dmFields);
    case DC_PAPERS:
      return Written(1, CapabilityOutput::Word, t.dmPaperSize);
    case DC_PAPERSIZE:
      return landscapeSize ? Written(1, CapabilityOutput::LongPair, t.dmPaperWidth, t.dmPaperLength)
                           : Written(1, CapabilityOutput::LongPair, t.dmPaperLength, t.dmPaperWidth);
    case DC_MINEXTENT:
      return Written(0, CapabilityOutput::LongPair, 1, 1);
    case DC_MAXEXTENT: {
      CapabilityAnswer a = portraitExtent ? Written(0, CapabilityOutput::LongPair, t.dmPaperLength, t.dmPaperWidth)
                                          : Written(0, CapabilityOutput::LongPair, t.dmPaperWidth, t.dmPaperLength);
      a.needsDevmode = true;
      return a;
    }
    case DC_BINS:
      return Written(1, CapabilityOutput::Word, t.dmDefaultSource);
    case DC_DUPLEX:
      return Result(0);
    case DC_SIZE:
      return Result(t.dmSize);
    case DC_EXTRA:
      return Result(t.dmDriverExtra);
    case DC_VERSION:
      return Result(t.dmSpecVersion);
    case DC_DRIVER:
      return Result(t.dmDriverVersion);
    case DC_BINNAMES:
      return Name(kStrBinName, kBinNameChars);
    case DC_ENUMRESOLUTIONS:
      return Written(1, CapabilityOutput::LongPair, t.dmPrintQuality, t.dmYResolution);
    case DC_FILEDEPENDENCIES:
      return Result(0);
    case DC_TRUETYPE:
      return Result(1);  // DCTT_BITMAP: TrueType text is printed as graphics
    case DC_PAPERNAMES:
      return Name(kStrPaperName, kPaperNameChars);
    case DC_ORIENTATION:
      return Result(90);  // landscape is portrait turned by 90 degrees
    case DC_COPIES:
      return Result(kMaxCopies);
    case 19:  // DC_BINADJUST
      return Result(0);
    case 20:  // DC_EMF_COMPLIANT
      return Result(kNone);
    case DC_MEDIAREADY:
      return Name(kStrPaperName, kPaperNameChars);
    case DC_STAPLE:
      return Result(0);
    case DC_COLORDEVICE:
      return Result(t.dmColor == DMCOLOR_COLOR ? 1 : 0);
    default:  // 21..28 (datatype, collate, manufacturer, model, personality, print rates, memory), 31, others
      return Result(kNone);
  }
}

}  // namespace tolma::ui
