// The device capabilities DomaUI reports, as a table derived from the default DEVMODE template.
#pragma once

#include "platform/win32.h"

#include <cstdint>
#include <optional>

namespace tolma::ui {

// Largest number of copies a job may ask for (the "Copies" item's range is 1..kMaxCopies).
inline constexpr int kMaxCopies = 999;

// What DrvDeviceCapabilities writes into a caller's buffer for one capability.
enum class CapabilityOutput {
  Nothing,
  Word,      // one WORD: values[0]
  LongPair,  // two LONGs (a POINT, or the resolutions): values[0], values[1]
  Name,      // one name from the string table (stringId), in a slot of nameChars characters
};

struct CapabilityAnswer {
  DWORD result = static_cast<DWORD>(-1);
  CapabilityOutput output = CapabilityOutput::Nothing;
  int32_t values[2] = {0, 0};
  UINT stringId = 0;
  size_t nameChars = 0;
  bool needsDevmode = false;  // written only when the caller also gives a DEVMODE
};

// The answer for a capability index; `orientation` is the dmOrientation of the caller's DEVMODE, if one is given.
CapabilityAnswer DeviceCapability(int index, std::optional<int16_t> orientation);

}  // namespace tolma::ui
