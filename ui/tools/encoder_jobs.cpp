// The encoder settings jobs, the stored settings block and the encoder defaults.
#include "ui/tools/encoder_jobs.h"

#include "common/commands.h"
#include "ui/default_devmode.h"
#include "ui/spooler_calls.h"

#include <cstdint>
#include <cstring>

namespace tolma::ui {
namespace {

constexpr int16_t kTypeIsoJis = 0;
constexpr int16_t kTypeJis2 = 1;
constexpr int16_t kTypeAamva = 2;

// Room for the longest encoder command ("\e&CDEW 3 G_7\r", 13 bytes).
using CommandRoom = CommandBuffer<16>;

void AppendBuilt(EncoderCommands& out, const CommandBuilder& built) {
  if (built.size() != 0 && !built.overflowed()) out.emplace_back(built.text());
}

void AppendTrack(EncoderCommands& out, int track, int mode) {
  for (const bool write : {true, false}) {
    CommandRoom command;
    cmd::TrackFormat(command, track, mode, write);  // builds nothing for a mode outside 0..7
    AppendBuilt(out, command);
  }
}

void AppendDensity(EncoderCommands& out, int track, int16_t density) {
  CommandRoom command;
  cmd::TrackDensity(command, track, density == 1);
  AppendBuilt(out, command);
}

}  // namespace

void AppendTrackFormats(EncoderCommands& out, const EncoderSettings& settings) {
  AppendTrack(out, 1, settings.trackSettings[0].mode);
  if (settings.encoderType == kTypeJis2) return;
  AppendTrack(out, 2, settings.trackSettings[1].mode);
  AppendTrack(out, 3, settings.trackSettings[2].mode);
}

EncoderCommands EncoderSettingsCommands(const EncoderSettings& settings) {
  EncoderCommands out;
  if (settings.encoderType != kTypeJis2) out.emplace_back(cmd::EncoderPosition(settings.encoderPosition != 1));
  if (settings.coercivity == 0) out.emplace_back(cmd::Coercivity(true));
  if (settings.coercivity == 1) out.emplace_back(cmd::Coercivity(false));
  if (settings.encoderType == kTypeAamva) {
    // AAMVA cards have fixed track formats, whatever the stored modes.
    EncoderSettings fixed{};
    fixed.encoderType = kTypeIsoJis;
    fixed.trackSettings[0].mode = 0;
    fixed.trackSettings[1].mode = 1;
    fixed.trackSettings[2].mode = 0;
    AppendTrackFormats(out, fixed);
  } else {
    AppendTrackFormats(out, settings);
  }
  return out;
}

EncoderCommands TrackSettingsCommands(const EncoderSettings& settings) {
  EncoderCommands out;
  AppendTrackFormats(out, settings);
  AppendDensity(out, 1, settings.trackSettings[0].density);
  if (settings.encoderType == kTypeIsoJis) {
    AppendDensity(out, 2, settings.trackSettings[1].density);
    AppendDensity(out, 3, settings.trackSettings[2].density);
  }
  return out;
}

bool SendEncoderJob(const LinkContext& link, const EncoderCommands& commands) {
  RawJob job(link, kJobEncoder, {.stopIfStartDocFails = true});
  if (!job.started()) return false;
  bool all = true;
  for (const std::string& command : commands) all = job.Write(std::string_view(command)) && all;
  job.Finish();
  return all;
}

bool SendEncoderSettings(const LinkContext& link, const EncoderSettings& settings) {
  return SendEncoderJob(link, EncoderSettingsCommands(settings));
}

bool SendTrackSettings(const LinkContext& link, const EncoderSettings& settings) {
  return SendEncoderJob(link, TrackSettingsCommands(settings));
}

bool StoreEncoderSettings(const LinkContext& link, const EncoderSettings& settings) {
  if (link.printerName[0] == 0) return false;
  OpenedPrinter printer(link.printerName, PRINTER_ALL_ACCESS);
  if (!printer) return false;
  HeapBlock block = FetchPrinterInfo2(printer.get());
  PRINTER_INFO_2W* info = MutablePrinterInfo2(block);
  if (info == nullptr || info->pDevMode == nullptr) return false;

  // The DEVMODE lies in the block the spooler filled; the block must reach over the whole settings field.
  const auto start = reinterpret_cast<uintptr_t>(block.data());
  const auto devmode = reinterpret_cast<uintptr_t>(info->pDevMode);
  if (devmode < start || devmode - start > block.size()) return false;
  const size_t available = block.size() - (devmode - start);
  constexpr size_t kSizeFields = offsetof(DEVMODEW, dmDriverExtra) + sizeof(WORD);
  constexpr size_t kFieldEnd = offsetof(PrivateDevmode, encoder) + sizeof(EncoderSettings);
  if (available < kSizeFields) return false;
  const size_t dmSize = info->pDevMode->dmSize;
  if (info->pDevMode->dmDriverExtra < kFieldEnd || dmSize < kSizeFields || dmSize + kFieldEnd > available) return false;

  std::memcpy(reinterpret_cast<uint8_t*>(info->pDevMode) + dmSize + offsetof(PrivateDevmode, encoder), &settings,
              sizeof settings);
  return SetPrinterW(printer.get(), 2, block.data(), 0) != FALSE;
}

void CopyEncoderHalf(EncoderHalf half, const EncoderSettings& from, EncoderSettings& to) {
  if (half == EncoderHalf::Encoder) {
    to.macroProcessing = from.macroProcessing;
    std::memcpy(to.startOfData, from.startOfData, sizeof to.startOfData);
    std::memcpy(to.endOfData, from.endOfData, sizeof to.endOfData);
    to.startOfData[sizeof to.startOfData - 1] = 0;
    to.endOfData[sizeof to.endOfData - 1] = 0;
    to.coercivity = from.coercivity;
    to.encoderPosition = from.encoderPosition;
    to.encoderType = from.encoderType;
  } else {
    to.selectedTrack = from.selectedTrack;
    for (int t = 0; t < 3; ++t) to.trackSettings[t] = from.trackSettings[t];
  }
}

bool RestoreEncoderDefaults(EncoderHalf half, EncoderSettings& working) {
  PrivateDevmode image{};
  const bool fromFile = LoadDefaultPrivatePart(image) == 1;
  if (!fromFile) ApplyBuiltInEncoderSettings(image.encoder);
  CopyEncoderHalf(half, image.encoder, working);
  return fromFile;
}

}  // namespace tolma::ui
