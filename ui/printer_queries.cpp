// The sheets' encoder and ribbon questions through the printer link.
#include "ui/printer_queries.h"

#include "common/ribbon.h"
#include "common/wide.h"
#include "ui/spooler_calls.h"

#include <climits>

namespace tolma::ui {
namespace {

// The two questions (printer commands read back as reply values).
constexpr std::string_view kEncoderQuery = "\x1b!V 20\r";
constexpr std::string_view kRibbonQuery = "\x1b!RIBBON\r";

// The leading decimal number of a text, as atoi reads it (blanks, a sign, digits), held within long.
long LeadingNumber(std::string_view text) {
  size_t i = 0;
  while (i < text.size() && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
  bool negative = false;
  if (i < text.size() && (text[i] == '+' || text[i] == '-')) negative = text[i++] == '-';
  long value = 0;
  for (; i < text.size() && text[i] >= '0' && text[i] <= '9'; ++i)
    value = value > (LONG_MAX - 9) / 10 ? LONG_MAX : value * 10 + (text[i] - '0');
  return negative ? -value : value;
}

}  // namespace

bool EncoderFitted(std::span<const uint8_t> reply, const ReplyRead& read) {
  return IsPositiveReply(reply, read.length) && reply[0] == '1';
}

bool RibbonCodeFromReply(std::span<uint8_t> reply, const ReplyRead& read, long& code) {
  if (read.length == 0 || reply.empty() || reply[0] == 0) return false;
  std::string_view text;
  if (!TakePositiveReply(reply, read.length, text)) return false;
  code = LeadingNumber(text);
  return true;
}

PrinterAnswers QueryEncoderAndRibbon(LinkContext& link, const WCHAR* printerName) {
  PrinterAnswers answers;
  if (printerName != nullptr) CopyToField(link.printerName, kPrinterNameChars, WStringView(printerName));
  OpenedPrinter printer(printerName, PRINTER_ALL_ACCESS);
  if (!printer) return answers;

  const HANDLE previous = link.sheetPrinter;
  link.sheetPrinter = printer.get();
  uint8_t reply[kSheetReplyBytes];
  const ReplyRead encoder = QuerySheetPrinter(link, kEncoderQuery, reply);
  if (EncoderFitted(reply, encoder)) {
    answers.hasEncoder = 1;
    answers.answered = true;
  }
  const ReplyRead ribbon = QuerySheetPrinter(link, kRibbonQuery, reply);
  long code = 0;
  if (RibbonCodeFromReply(reply, ribbon, code)) {
    answers.ribbonCode = code;
    answers.ribbonType = static_cast<int16_t>(RibbonTypeFromPrinterCode(static_cast<int>(code)));
    answers.answered = true;
  }
  link.sheetPrinter = previous;
  return answers;
}

}  // namespace tolma::ui
