// The inspector's views of a command stream: a listing, a job summary and the panels as pictures.
#pragma once

#include "tools/lib/job_layout.h"
#include "tools/lib/stream_reader.h"

#include <cstdint>
#include <string>
#include <vector>

namespace tolma::tools {

// One command per line: its byte offset, the command with ESC and CR shown as \e and \r, and for an image
// its panel, data form, encoded size and decoded size.
std::string FormatListing(const CommandStream& stream);

// The structural errors, one per line with the byte offset.
std::string FormatErrors(const CommandStream& stream);

// What a job does, read back from its commands.
struct JobSummary {
  int jobKind = -1;                       // the "\eJOB n\r" value; -1 when absent
  std::vector<std::string> headSettings;  // "colour contrast Y 5" and so on, in stream order
  int cards = 0;                          // cards ejected ("\eMO\r")
  int cardsWithImages = 0;                // cards that carry panel data of their own
  bool lastCardOpen = false;              // commands follow the last card-out command
  int copies = 0;                         // inferred: cards per card with panel data
  struct Track {
    int track = 0;
    std::string data;
  };
  std::vector<Track> tracks;  // "\e&B n data\r", first card
  bool encodeOnly = false;    // the magnetic block ejects the card itself
  struct Side {
    int card = 1;
    CardSide side = CardSide::Front;
    std::vector<std::string> panels;  // "Y", "K", "O (full)", ... in print order
  };
  std::vector<Side> sides;  // sides that print something, in stream order
};

JobSummary SummariseJob(const CommandStream& stream);
std::string FormatSummary(const JobSummary& summary);

// How the pages were laid out, which the stream does not record: page orientation and, per side, whether
// the side was turned by 180 degrees.
struct PageAssumption {
  bool portrait = false;
  bool rotatedFront = false;
  bool rotatedBack = false;
};

// Page pixel that a panel value came from. `line` 0..1023 and `dot` 0..639 index the panel as sent;
// `packedLineOrder` is set for continuous-tone packed panels, whose lines come in the opposite order.
struct PagePixel {
  int x = 0;
  int y = 0;
};
PagePixel PanelDotToPage(int line, int dot, bool portrait, bool rotated, bool packedLineOrder);

// The grey a continuous-tone level is shown as: 255 for level 0 down to 0 for level 31 (and above).
uint8_t LevelGrey(uint8_t level);

// A greyscale picture: 255 white, 0 full density.
struct PanelPicture {
  std::string name;  // "card1-front-Y"
  int width = 0;
  int height = 0;
  std::vector<uint8_t> grey;
  ItemPlace place;    // the card and side it belongs to
  std::string panel;  // "Y", "M", "C", "Kd", "K", "H", "O", "mask" or "O-bitmap"
};

// Every panel of the stream as a picture of the page as drawn: continuous-tone levels as grey (0 white,
// 31 black), one-bit panels, overlay bitmaps and lamination masks in black and white, and each side's
// overlay varnish as printed ("\eIV 30\r" everywhere, else its bitmap and its "\evL" rectangles, each
// reaching from (x, y) to (x + width, y + height) inclusive, so that "0 0 1023 639" is the whole card).
// Overlay bitmaps, rectangles and masks lie in the card's own frame and are never turned with the side.
std::vector<PanelPicture> PanelPictures(const CommandStream& stream, const PageAssumption& pages);

}  // namespace tolma::tools
