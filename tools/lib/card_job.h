// One card job through the driver: settings and pictures in, the checked command stream out. tolma-print
// and the printer application both print through RenderCardJob, so the same picture with the same settings
// gives the same stream byte for byte.
#pragma once

#include "platform/host/engine_session.h"
#include "tools/lib/png_io.h"
#include "tools/lib/print_options.h"
#include "tools/lib/print_run.h"
#include "tools/lib/print_settings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>
#include <vector>

namespace tolma::tools {

// The settings of a card job.
struct CardJobSettings {
  PrintOptions options;               // the job's settings as tolma-print's options hold them (file names unread)
  std::vector<uint8_t> base;          // the 2436-byte DEVMODE the options are laid over
  std::string dataFile;               // the printer's driver data file; empty: none
  RibbonChoice ribbon;                // the installed ribbon and how the driver learns it
  std::string model = kDefaultModel;  // the model text of the model and ribbon cache
};

// The picture of one side; `name` names it in messages (a file name, "page 2").
struct CardPicture {
  std::string name;
  RgbImage image;
};

// A message of a card job, in the order it arose.
struct CardJobMessage {
  bool note = false;  // a setting without effect or a picture that was scaled; otherwise progress
  std::string text;
};

struct CardJobResult {
  std::string error;  // empty when the stream was printed and read back whole
  std::vector<CardJobMessage> messages;
  std::vector<uint8_t> devmode;  // the DEVMODE the driver was given
  std::vector<uint8_t> stream;   // what the driver wrote
  int cards = 0;                 // cards of the document (sides printed, two per card when two-sided)
};

// The page orientation of a job: the shape of its first picture, unless the options force one.
bool CardJobPortrait(const PrintOptions& options, const RgbImage* first);

// Prints a card job through the driver. `pages` holds one entry per side in print order (front, back,
// front, ... for a two-sided job); an empty entry is a blank side, and a two-sided job whose last card has
// no back gets a blank one. The first picture decides the page orientation; pictures are placed as the
// options' size mode says; the magnetic tracks reach the driver as text on the first page. Checks what the
// driver would do with the settings first, and reads the stream back: it must be well formed and carry
// every track. Process-wide host state is set up for the run, so runs are serialised.
// `jobReady`, when given, sees the job just before it runs.
CardJobResult RenderCardJob(const CardJobSettings& settings, const std::vector<std::optional<CardPicture>>& pages,
                            host::DrvEnableDriverFn enable, host::DrvDisableDriverFn disable,
                            const std::function<void(const PrintJob&)>& jobReady = {});

}  // namespace tolma::tools
