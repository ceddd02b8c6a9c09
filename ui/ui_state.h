// DomaUI's process-wide state: one instance per process, zeroed when the DLL attaches, shared without locks.
#pragma once

#include "common/devmode.h"
#include "platform/win32.h"
#include "ui/tools/printer_link.h"

#include <cstddef>

namespace tolma::ui {

inline constexpr size_t kFirmwareTextBytes = 80;

struct ProcessState {
  HMODULE module;
  // The printer link's context: the current printer name and handle, the device sheet's printer
  // information and the private part being edited (shared by the sheets and all dialogs).
  LinkContext link;
  // The private cache: the last private settings handed out; valid when its signature is set.
  PrivateDevmode cache;
  // Working copies of the encoder block for the encoder dialogs.
  EncoderSettings encoderCopies[3];
  // The printer's firmware-version text (ANSI) as the device sheet read it; empty when unknown.
  char firmwareVersion[kFirmwareTextBytes];
  // The DEVMODE being edited by the open sheet.
  DEVMODEW* editedDevmode;
};

// The process's state.
ProcessState& State();

// What the DLL does when a process attaches: pins the module by loading its own file once more, stores the
// module handle and clears the current printer name, the cache, the encoder copies and the firmware text.
void ProcessAttach(HMODULE module);

// The device sheet's working copy of the encoder block (the first of the three buffers): taken from the printer's
// stored DEVMODE when the sheet opens, edited by the encoder dialog, stored back when the sheet applies.
inline EncoderSettings& SheetEncoderCopy() { return State().encoderCopies[0]; }
// The working copies of the "Encoder settings" and "Advanced settings" dialogs, dropped by their "Cancel".
inline EncoderSettings& EncoderDialogCopy() { return State().encoderCopies[1]; }
inline EncoderSettings& AdvancedDialogCopy() { return State().encoderCopies[2]; }

// The private cache holds a private part (its signature is set).
bool CacheValid(const PrivateDevmode& cache);

}  // namespace tolma::ui
