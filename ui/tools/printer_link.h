// The printer link: raw command jobs and reply values, DomaUI's only way to the printer outside a print job.
#pragma once

#include "common/devmode.h"
#include "common/wide.h"
#include "platform/win32.h"

#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace tolma::ui {

inline constexpr size_t kPrinterNameChars = 256;
inline constexpr uint8_t kAck = 0x06;

// The link context: one per loaded DomaUI, shared by its sheets and dialogs; the sheet that opened last owns it.
struct LinkContext {
  WCHAR printerName[kPrinterNameChars];  // printer of the open sheet; empty until a sheet sets it
  HANDLE sheetPrinter;                   // the handle the spooler passed to the open sheet (never closed here)
  const PRINTER_INFO_2W* printerInfo;    // the device sheet's printer information; names the printer of raw jobs
  PrivateDevmode* currentPrivate;        // private part the open sheet edits; its fixedRibbon selects the mode
};

// One-way: commands go out as raw jobs and no reply is asked for (a fixed ribbon is configured).
// Two-way: commands that expect an answer are reply-value reads.
enum class LinkMode { OneWay, TwoWay };
// The mode of a context; two-way while no private part is current.
LinkMode ModeOf(const LinkContext& link);

// Raw job names.
inline constexpr const WCHAR* kJobTools = TOLMA_WIDE("MERIDOTOOL");
inline constexpr const WCHAR* kJobEncoder = TOLMA_WIDE("MERIDOENCODER");
inline constexpr const WCHAR* kJobSingleFeed = TOLMA_WIDE("MERIDOATM");
inline constexpr const WCHAR* kJobFirmware = TOLMA_WIDE("MERIDOTLMAFWDW");
inline constexpr const WCHAR* kJobCommandFile = TOLMA_WIDE("MERIDOTLMASCMD");
inline constexpr const WCHAR* kJobPrintFile = TOLMA_WIDE("MERIDOTLMASDFILE");
inline constexpr const WCHAR* kJobHologram = TOLMA_WIDE("MERIDOHOLOGRAM");

// --- Reply values (pure) ---

// The name of a reply value: the command's bytes (up to its first zero byte) as single bytes, followed by zero
// bytes up to and including a whole zero UTF-16 unit, so that the name ends both for the monitor (first zero
// byte) and for the spooler (first zero unit), whatever the command's length.
class ReplyValueName {
 public:
  explicit ReplyValueName(std::string_view command);
  // The name as the spooler takes it.
  LPWSTR get() { return units_.data(); }
  // The bytes of the name's storage.
  std::span<const uint8_t> bytes() const;

 private:
  std::vector<WCHAR> units_;
};

// The command text as an ordinary UTF-16 name, one unit per command byte (the second deletion form).
WString CommandTextName(std::string_view command);

// A positive answer: at least one byte and its last byte (of `length`, within the buffer) is ACK.
bool IsPositiveReply(std::span<const uint8_t> buffer, size_t length);

// For a positive answer, replaces the ACK by a zero byte and returns the text before it; otherwise
// leaves the buffer alone and returns false.
bool TakePositiveReply(std::span<uint8_t> buffer, size_t length, std::string_view& text);

// --- Spooler side ---

// Result of a reply-value read: `ok` when the read succeeded; `length` the reply's bytes in the buffer (0 when
// the read failed, never more than the buffer).
struct ReplyRead {
  bool ok = false;
  size_t length = 0;
};

// Reads one reply value on a handle: type REG_BINARY on entry, the buffer's first byte cleared first.
ReplyRead ReadReplyValue(HANDLE printer, std::string_view command, std::span<uint8_t> buffer);

// Removes one reply value from the printer's PrinterDriverData registry key; every failure is ignored.
void DeleteReplyValue(HANDLE printer, const WCHAR* valueName);

// The general read: on the printer named by `printerName` (opened with PRINTER_ALL_ACCESS), or on the sheet's
// handle when the name is empty or cannot be opened; the reply value is deleted after a successful read.
ReplyRead QueryPrinter(const LinkContext& link, std::string_view command, std::span<uint8_t> buffer);

// The property sheets' read on the sheet's handle; the reply value is deleted after every read.
ReplyRead QuerySheetPrinter(const LinkContext& link, std::string_view command, std::span<uint8_t> buffer);

// How a raw job opens the printer and reacts to StartDocPrinterW.
struct RawJobOptions {
  bool allAccess = false;            // ask for PRINTER_ALL_ACCESS (the Tools dialog) instead of no defaults
  bool stopIfStartDocFails = false;  // close and send nothing when the document cannot start
};

// A raw one-page job of datatype "RAW" on the printer named by the link's printer information: the printer
// is opened and the document and page started on construction, and ended and closed on Finish or destruction.
class RawJob {
 public:
  RawJob(const LinkContext& link, const WCHAR* jobName, RawJobOptions options = {});
  ~RawJob();
  RawJob(const RawJob&) = delete;
  RawJob& operator=(const RawJob&) = delete;

  // False when the printer could not be opened, or the document could not start and the job stops then.
  bool started() const { return printer_ != nullptr; }
  // The job's printer handle while the job runs (nullptr otherwise), for writes the caller makes itself.
  HANDLE handle() const { return printer_; }
  // Writes the bytes with WritePrinter (continuing after a partial write); false when they did not all go.
  bool Write(std::span<const uint8_t> bytes);
  bool Write(std::string_view bytes);
  // Ends the page and the document and closes the printer (once).
  void Finish();

 private:
  HANDLE printer_ = nullptr;
};

// Sends one raw job made of the given writes, in order. Returns false when the job did not start or a write failed.
bool SendRawJob(const LinkContext& link, const WCHAR* jobName, std::span<const std::string_view> writes,
                RawJobOptions options = {});

}  // namespace tolma::ui
