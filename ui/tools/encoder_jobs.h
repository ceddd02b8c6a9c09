// The magnetic encoder's settings on their way out: the commands of "Encoder settings" and "Advanced settings", the
// raw job "MERIDOENCODER" that carries them, the settings block stored in the printer's default DEVMODE, and the
// defaults each dialog restores.
#pragma once

#include "common/devmode.h"
#include "ui/tools/printer_link.h"

#include <string>
#include <vector>

namespace tolma::ui {

// Commands of a settings job in order; each goes to the printer in one write of exactly its bytes.
using EncoderCommands = std::vector<std::string>;

// The track-format commands: for track 1, then (unless the type is JIS2) tracks 2 and 3, the write format command
// directly followed by the read format command. A track whose mode is not 0..7 is skipped.
void AppendTrackFormats(EncoderCommands& out, const EncoderSettings& settings);

// The commands of "Encoder settings": the encoder position (not for JIS2), the coercivity (none for "No Change"),
// then the track formats, which are fixed for AAMVA (ISO1, ISO2, ISO1).
EncoderCommands EncoderSettingsCommands(const EncoderSettings& settings);

// The commands of "Advanced settings": the track formats, then the density of track 1, and of tracks 2 and 3 when
// the type is ISO/JIS.
EncoderCommands TrackSettingsCommands(const EncoderSettings& settings);

// Sends one of the lists above as the raw job "MERIDOENCODER" on the printer named by the link's printer
// information. A printer that cannot be opened, or a document that cannot start, gets nothing. Returns true when
// every command was written.
bool SendEncoderJob(const LinkContext& link, const EncoderCommands& commands);
// The jobs of the two dialogs' "Apply".
bool SendEncoderSettings(const LinkContext& link, const EncoderSettings& settings);
bool SendTrackSettings(const LinkContext& link, const EncoderSettings& settings);

// Writes the 80-byte block over the `encoder` field of the private part of the printer's stored DEVMODE (at dmSize
// + 32 bytes from its start), for the printer named by the link's printer name. Returns false, having changed
// nothing, when the name is empty, the printer or its information cannot be had, its DEVMODE does not hold a whole
// block there, or SetPrinterW fails.
bool StoreEncoderSettings(const LinkContext& link, const EncoderSettings& settings);

// The two halves of the block that the dialogs edit.
enum class EncoderHalf {
  Encoder,   // macroProcessing, startOfData, endOfData, coercivity, encoderPosition, encoderType
  Advanced,  // selectedTrack and the three track settings
};

// Copies one half of `from` into `to`; the start and end texts keep a terminating zero in their last byte at least.
void CopyEncoderHalf(EncoderHalf half, const EncoderSettings& from, EncoderSettings& to);

// Fills a half of a working copy with the defaults: those of the driver data file of the current printer handle,
// or the built-in values when the file cannot be read. Returns true when the data file served.
bool RestoreEncoderDefaults(EncoderHalf half, EncoderSettings& working);

}  // namespace tolma::ui
