// Command-line options of tolma-print: what they hold and how they are parsed.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <vector>

namespace tolma::tools {

enum class Orientation { Auto, Landscape, Portrait };

// What to do with an image that is not exactly the page size.
enum class SizeMode {
  Fit,      // scale to fit inside the page, aspect kept, centred on white
  Fill,     // scale to cover the page, aspect kept, the overflow cut off evenly
  Stretch,  // scale to the page size, aspect not kept
  Exact,    // refuse the image
};

// Overlay-varnish settings of one side; unset fields keep the base DEVMODE's values.
struct OverlayOptions {
  std::optional<int> type;                 // areaType 0..7
  std::optional<std::array<int, 4>> area;  // left, top, right, bottom in card pixels
  std::optional<bool> rotate;
  std::optional<std::string> bitmap;  // one-bit BMP file of a bitmap-based area
};

// Indices of the colour-correction values, in DEVMODE order.
enum ColourIndex {
  kCcIntensityK,
  kCcIntensityR,
  kCcIntensityG,
  kCcIntensityB,
  kCcContrastK,
  kCcContrastR,
  kCcContrastG,
  kCcContrastB,
  kColourCount
};
// Indices of the head settings, in DEVMODE order.
enum HeadIndex {
  kHeadContrastO,
  kHeadContrastKr,
  kHeadContrastH,
  kHeadIntensityY,
  kHeadIntensityM,
  kHeadIntensityC,
  kHeadIntensityKd,
  kHeadContrastY,
  kHeadContrastM,
  kHeadContrastC,
  kHeadContrastKd,
  kHeadCount
};

// Everything the command line says. Settings left unset keep the value of the base DEVMODE (a DEVMODE
// file, or the driver data file's defaults).
struct PrintOptions {
  std::string input;       // front image (PNG); empty: none
  std::string back;        // back image (PNG); empty: none
  std::string output;      // command stream file, "-" for standard output; empty: none
  std::string dataFile;    // driver data file; empty: look beside the tool
  std::string devmodeIn;   // DEVMODE file to start from
  std::string devmodeOut;  // where to save the DEVMODE used

  std::string ribbon;  // ribbon type name or printer ribbon code; empty: YMCKO
  bool fixedRibbon = false;
  std::optional<std::string> model;  // model text for the model and ribbon cache
  std::optional<int> monoKind;

  std::optional<bool> twoSided;
  std::optional<int> twoSidedMode;
  std::optional<int> rotate180;
  std::optional<int> copies;
  std::optional<int> blackPanel;
  std::optional<bool> blackBitmap;
  std::optional<int> monoConversion;
  std::optional<bool> packed;
  std::optional<bool> encodeOnly;
  std::array<OverlayOptions, 2> overlay;  // front, back
  std::array<std::optional<int>, kColourCount> colour;
  std::array<std::optional<int>, kHeadCount> head;
  std::array<std::optional<std::string>, 3> tracks;

  Orientation orientation = Orientation::Auto;
  SizeMode size = SizeMode::Fit;
  bool quiet = false;
  bool help = false;
  bool listRibbons = false;
};

struct ParsedPrintOptions {
  PrintOptions options;
  std::string error;  // empty when the command line is good
};

// Parses the arguments after the program name. Values out of range, unknown options and unknown names
// give an error that names the option.
ParsedPrintOptions ParsePrintOptions(const std::vector<std::string>& args);

// The --help text, generated from the option table.
std::string PrintUsage();

// Longest track data the driver keeps: 79, 39 and 107 characters for tracks 1, 2 and 3.
int MaxTrackLength(int track);

}  // namespace tolma::tools
