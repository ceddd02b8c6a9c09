// The printer application's attributes and how a job's values become the card job's settings: the vendor
// attributes (their syntax, values and defaults), the printer settings for the installed ribbon and the
// model text, and the mapping of IPP job attributes onto tolma-print's options. Plain values, no IPP library.
#pragma once

#include "common/devmode.h"
#include "tools/lib/card_job.h"
#include "tools/lib/print_options.h"

#include <array>
#include <map>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace tolma::printerapp {

// The syntax of a vendor attribute as the printer advertises it.
enum class AttributeSyntax { Keyword, Integer, Boolean, Text };

// One vendor attribute: "NAME" in jobs, "NAME-default" and "NAME-supported" on the printer.
struct VendorAttribute {
  std::string name;
  AttributeSyntax syntax = AttributeSyntax::Text;
  std::vector<std::string> keywords;  // Keyword: the values, in order
  int lower = 0, upper = 0;           // Integer: the range
  std::string defaultValue;           // the printer's initial default, as text ("true", "5", "area", ...)
  bool printerSetting = false;        // a setting of the printer (ribbon, model), not of a job
};

// Names of the printer settings.
inline constexpr const char* kRibbonAttribute = "tolma-ribbon";
inline constexpr const char* kModelAttribute = "tolma-printer-model";
// Job attributes that carry magnetic-track data; they are not vendor attributes, so the framework never
// logs their values.
inline constexpr std::array<const char*, 3> kTrackAttributes = {"tolma-track-1", "tolma-track-2", "tolma-track-3"};

// The vendor attributes, their initial defaults taken from the driver's default private settings `base`.
std::vector<VendorAttribute> VendorAttributes(const PrivateDevmode& base);

// The ribbon keyword of a ribbon type ("ymcko", "clear-varnish", ...) and back; -1 for an unknown keyword.
std::string RibbonKeyword(int type);
int RibbonTypeOfKeyword(const std::string& keyword);

// What a job asks for, as the IPP attributes give it.
struct JobRequest {
  std::map<std::string, std::string> job;       // vendor attributes the job gave, as text
  std::map<std::string, std::string> defaults;  // the printer's NAME-default values, as text
  int copies = 1;
  std::string sides = "one-sided";
  int orientation = 0;           // orientation-requested (3..6), 0 or 7: none
  std::string scaling = "auto";  // print-scaling
  bool rasterDocument = false;   // pages came as raster: their orientation is already applied
  std::array<std::optional<std::string>, 3> tracks;
};

// The card job's settings for a request, or the reason the job cannot print.
struct MappedJob {
  std::string error;
  std::vector<std::string> notes;
  tools::PrintOptions options;
  tools::RibbonChoice ribbon;
  std::string model;
};
MappedJob MapJob(const JobRequest& request, const PrivateDevmode& base);

// The job settings with the base DEVMODE and data file, ready for RenderCardJob.
tools::CardJobSettings SettingsFor(const MappedJob& mapped, std::vector<uint8_t> baseDevmode, std::string dataFile);

// Track data in a message: its length only, never the characters.
std::string DescribeTrack(int track, const std::string& data);

// A log line with the value of a magnetic-track attribute cut off after the attribute's name; other
// lines unchanged.
std::string RedactLogLine(std::string_view line);

}  // namespace tolma::printerapp
