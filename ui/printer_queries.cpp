// The sheets' encoder and ribbon questions through the printer link.
#include "ui/printer_queries.h"

#include "common/bytes.h"
#include "common/commands.h"
#include "common/ribbon.h"
#include "common/wide.h"
#include "ui/spooler_calls.h"

namespace tolma::ui {
namespace {

// The two questions (printer commands read back as reply values).
constexpr std::string_view kEncoderQuery = cmd::kQueryEncoderFitted;
constexpr std::string_view kRibbonQuery = cmd::kQueryRibbon;

}  // namespace

bool EncoderFitted(std::span<const uint8_t> reply, const ReplyRead& read) {
  return IsPositiveReply(reply, read.length) && reply[0] == '1';
}

bool RibbonCodeFromReply(std::span<uint8_t> reply, const ReplyRead& read, long& code) {
  if (read.length == 0 || reply.empty() || reply[0] == 0) return false;
  std::string_view text;
  if (!TakePositiveReply(reply, read.length, text)) return false;
  code = BoundedAtoi(text);
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
    answers.ribbonAnswered = true;
    answers.ribbonType = static_cast<int16_t>(RibbonTypeFromPrinterCode(static_cast<int>(code)));
    answers.answered = true;
  }
  link.sheetPrinter = previous;
  return answers;
}

VersionAnswer QueryDocumentVersion(LinkContext& link, const WCHAR* printerName) {
  VersionAnswer answer;
  OpenedPrinter printer(printerName, PRINTER_ALL_ACCESS);
  if (!printer) return answer;
  answer.opened = true;
  const HANDLE previous = link.sheetPrinter;
  link.sheetPrinter = printer.get();
  uint8_t reply[kDocumentVersionReplyBytes];
  const ReplyRead read = QuerySheetPrinter(link, cmd::kQueryVersion, reply);
  link.sheetPrinter = previous;
  if (!IsPositiveReply(reply, read.length)) return answer;
  answer.answered = true;
  // The text runs to the reply's end or its first zero byte.
  for (size_t i = 0; i < read.length && reply[i] != 0; ++i) answer.text.push_back(static_cast<char>(reply[i]));
  return answer;
}

}  // namespace tolma::ui
