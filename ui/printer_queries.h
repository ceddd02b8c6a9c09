// The sheets' questions to the printer at open time: is an encoder fitted, which ribbon is installed.
#pragma once

#include "platform/win32.h"
#include "ui/tools/printer_link.h"

#include <cstdint>
#include <span>
#include <string>

namespace tolma::ui {

inline constexpr size_t kSheetReplyBytes = 32;

// What the printer said. Without answers the ribbon is 15 ("None") and there is no encoder.
struct PrinterAnswers {
  int16_t hasEncoder = 0;
  int16_t ribbonType = 15;
  long ribbonCode = 0;          // the printer's own ribbon code, when it answered
  bool ribbonAnswered = false;  // the ribbon question was answered
  bool answered = false;        // any of the questions was answered
};

// The encoder answer to "\e!V 20\r": a positive reply whose first byte is '1'.
bool EncoderFitted(std::span<const uint8_t> reply, const ReplyRead& read);

// The printer's ribbon code from the answer to "\e!RIBBON\r" (a positive reply with a non-zero first byte; its
// ACK is replaced by NUL and the leading decimal number taken, 0 without digits); false when there is none.
bool RibbonCodeFromReply(std::span<uint8_t> reply, const ReplyRead& read, long& code);

// Opens the printer by name with PRINTER_ALL_ACCESS, makes the name the link's current printer name and the
// handle its sheet handle for the time of the questions (the previous handle is restored), and asks for the
// encoder and the ribbon. A printer that cannot be opened answers nothing.
PrinterAnswers QueryEncoderAndRibbon(LinkContext& link, const WCHAR* printerName);

inline constexpr size_t kDocumentVersionReplyBytes = 20;

// The document sheet's firmware-version question "\eV\r" (reply buffer of 20 bytes) on the printer opened by name
// with PRINTER_ALL_ACCESS, which is the link's sheet handle for the time of the question.
struct VersionAnswer {
  bool opened = false;    // the printer could be opened
  bool answered = false;  // a positive reply came
  std::string text;       // the reply, its ACK included
};
VersionAnswer QueryDocumentVersion(LinkContext& link, const WCHAR* printerName);

}  // namespace tolma::ui
