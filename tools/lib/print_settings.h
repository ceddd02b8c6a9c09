// From tolma-print's options to the job's settings: the ribbon, the 2436-byte DEVMODE, the checks of what
// the driver would do with them, and the texts that carry the magnetic tracks.
#pragma once

#include "common/devmode.h"
#include "tools/lib/print_options.h"

#include <cstdint>
#include <span>
#include <string>
#include <vector>

namespace tolma::tools {

inline constexpr const char* kDefaultModel = "Q47x RKB";

// The ribbon of a job and how the driver learns it.
struct RibbonChoice {
  int type = 0;         // ribbon type 0..15
  int printerCode = 2;  // written to the model and ribbon cache when `fixedEntry` is 0
  int fixedEntry = 0;   // 1..10: the DEVMODE names the ribbon in its fixed list and the cache is not read
};

// Resolves --ribbon: a ribbon type name or a fixed-list name (case, spaces and punctuation ignored), or a
// printer ribbon code 0..28; empty means YMCKO. With `fixed` the ribbon must be in the fixed list.
// Returns false with a one-line reason.
bool ResolveRibbon(const std::string& text, bool fixed, RibbonChoice& out, std::string& error);

// "YMCKO (printer code 2, through the model and ribbon cache)" and the like.
std::string DescribeRibbon(const RibbonChoice& ribbon);

// The model and ribbon cache file the driver reads when the ribbon is not fixed.
std::string RibbonCacheText(int printerCode, const std::string& model);

// The default public part followed by `priv`: 2436 bytes.
std::vector<uint8_t> BaseDevmode(const PrivateDevmode& priv);

// Checks a saved DEVMODE: 2436 bytes, dmSize 212, dmDriverExtra 2224 and the private signature.
bool CheckDevmodeImage(std::span<const uint8_t> bytes, std::string& error);

// Checks a driver data file image: 2224 bytes with the private signature.
bool CheckDataFileImage(std::span<const uint8_t> bytes, std::string& error);

// The job's DEVMODE: `base` (2436 bytes) with every setting the options give laid over it; the ribbon as
// chosen; orientation as resolved from the image. A magnetic track or --encode-only turns on the encoder
// and macro processing (the printer is taken to have an encoder); a fixed ribbon marks the encoder present
// as the settings sheet does. Overlay bitmap paths must already be absolute.
std::vector<uint8_t> BuildDevmode(const PrintOptions& options, const RibbonChoice& ribbon,
                                  std::span<const uint8_t> base, bool portrait);

// The private part of a 2436-byte DEVMODE.
PrivateDevmode PrivatePart(std::span<const uint8_t> devmode);

// What the driver would do with the settings, read from its own first-page settlement (with the cache the tool
// writes for it) and its composer's tables for the sides printed: an error when it would not print what was
// asked (with what it would do instead), and notes where the sides it turns are not the ones --rotate180 names
// and for options that cannot reach the stream (overlays, black panel, black bitmap, monochrome conversion,
// packed panels).
struct JobCheck {
  std::string error;
  std::vector<std::string> notes;
};
JobCheck CheckJob(const PrintOptions& options, std::span<const uint8_t> devmode, const RibbonChoice& ribbon,
                  const std::string& model);

// The text a document draws to give a track to the driver: the encoder's start characters, the track
// digit, the data and the end characters. Empty with `error` set when the start characters would make
// the driver take the text as an inserted command instead.
std::u16string TrackMacroText(const EncoderSettings& encoder, int track, const std::string& data, std::string& error);

// Two-sided printing modes of a ribbon, as "0 \"Front YMCO, Back K\", 1 ...".
std::string DescribeTwoSidedModes(int type, int kind);

// The table that --list-ribbons prints.
std::string RibbonListText();

}  // namespace tolma::tools
