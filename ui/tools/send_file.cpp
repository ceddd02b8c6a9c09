// "Send File": the raw jobs of PRN and command files, the two-way transfer requests and the dialog procedure.
#include "ui/tools/send_file.h"

#include "ui/tools/code_page.h"

#include "ui/dialogs.h"
#include "ui/messages.h"
#include "ui/resources/dialog_ids.h"
#include "ui/resources/strings.h"
#include "ui/spooler_calls.h"
#include "ui/tools/command_file.h"
#include "ui/tools/tool_text.h"
#include "ui/ui_state.h"

#include <array>
#include <string>

namespace tolma::ui {
namespace {

// Messages about the file come to the foreground; those about the printer or memory stay on top.
constexpr UINT kFileError = MB_OK | MB_ICONERROR | MB_SETFOREGROUND;
constexpr UINT kTextFileWarning = MB_OK | MB_ICONWARNING | MB_SETFOREGROUND;
constexpr UINT kTopmostWarning = MB_OK | MB_ICONWARNING | MB_TOPMOST;

void Show(UINT textId, UINT type) { ShowStringMessage(kStrProductName, textId, type); }

// A file opened for shared reading, closed with the object.
class ReadFileHandle {
 public:
  explicit ReadFileHandle(const WCHAR* path)
      : handle_(path != nullptr ? CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING,
                                              FILE_ATTRIBUTE_NORMAL, nullptr)
                                : INVALID_HANDLE_VALUE) {}
  ~ReadFileHandle() {
    if (handle_ != INVALID_HANDLE_VALUE) CloseHandle(handle_);
  }
  ReadFileHandle(const ReadFileHandle&) = delete;
  ReadFileHandle& operator=(const ReadFileHandle&) = delete;
  explicit operator bool() const { return handle_ != INVALID_HANDLE_VALUE; }
  HANDLE get() const { return handle_; }

  // The file's size; false when it cannot be had.
  bool Size(uint64_t& size) const {
    DWORD high = 0;
    SetLastError(ERROR_SUCCESS);
    const DWORD low = GetFileSize(handle_, &high);
    if (low == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) return false;
    size = (uint64_t{high} << 32) | low;
    return true;
  }

 private:
  HANDLE handle_;
};

const LinkContext& Link() { return State().link; }

}  // namespace

bool WriteCommandLine(HANDLE printer, std::span<const uint8_t> bytes) {
  while (!bytes.empty()) {
    DWORD written = 0;
    if (!WritePrinter(printer, const_cast<uint8_t*>(bytes.data()), static_cast<DWORD>(bytes.size()), &written) ||
        written == 0 || written > bytes.size()) {
      Show(kStrErrorWritingPrinter, kTopmostWarning);
      return false;
    }
    bytes = bytes.subspan(written);
  }
  return true;
}

bool SendPrnFileJob(const LinkContext& link, const WCHAR* path) {
  RawJob job(link, kJobPrintFile);
  if (!job.started()) return false;
  ReadFileHandle file(path);
  if (!file) {
    Show(kStrErrorOpeningFile, kFileError);
    return false;
  }
  uint64_t size = 0;
  if (!file.Size(size)) {
    Show(kStrNoFileSize, kFileError);
    return false;
  }
  // The file goes through a buffer of one piece at a time, however large it is; a read of 0 bytes ends it and is
  // written too.
  std::array<uint8_t, kFileChunkBytes> piece;
  for (;;) {
    DWORD got = 0;
    if (!ReadFile(file.get(), piece.data(), static_cast<DWORD>(piece.size()), &got, nullptr) || got > piece.size()) {
      Show(kStrErrorReadingPrn, kFileError);
      return false;
    }
    if (got == 0) {
      DWORD written = 0;
      WritePrinter(job.handle(), piece.data(), 0, &written);
      return true;
    }
    if (!job.Write(std::span<const uint8_t>(piece.data(), got))) {
      Show(kStrErrorWritingPrinter, kTopmostWarning);
      return false;
    }
  }
}

bool SendCommandFileJob(const LinkContext& link, const WCHAR* path) {
  RawJob job(link, kJobCommandFile);
  if (!job.started()) return false;
  ReadFileHandle file(path);
  if (!file) {
    Show(kStrErrorOpeningFile, kFileError);
    return false;
  }
  uint64_t size = 0;
  if (!file.Size(size)) {
    Show(kStrNoFileSize, kFileError);
    return false;
  }
  if (size == 0) return true;
  HeapBlock text(size <= 0xFFFFFFFF ? static_cast<size_t>(size) : 0);
  if (!text || text.size() != size) {
    Show(kStrErrorAllocating, kTopmostWarning);
    return false;
  }
  DWORD got = 0;
  if (!ReadFile(file.get(), text.data(), static_cast<DWORD>(size), &got, nullptr) || got != size) {
    Show(kStrErrorReadingText, kTextFileWarning);
    return false;
  }
  // No line is cut or merged into another: a file with a line too long for the command buffer is not sent at all.
  const std::span<const uint8_t> bytes(text.data(), text.size());
  if (FirstOverlongCommandLine(bytes) != 0) {
    Show(kStrLineTooLong, kTextFileWarning);
    return false;
  }
  return ForEachCommandLine(bytes, [&](std::span<const uint8_t> line) { return WriteCommandLine(job.handle(), line); });
}

bool ChooseSendFile(HWND dialog) {
  WCHAR path[kSendPathChars] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = TOLMA_WIDE("Printer Files(*.prn);Text Files(*.txt)\0*.prn;*.txt\0");
  ofn.lpstrFile = path;
  ofn.nMaxFile = kSendPathChars;
  ofn.lpstrDefExt = TOLMA_WIDE("bin");
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_HIDEREADONLY | OFN_NOCHANGEDIR;
  const bool chosen = GetOpenFileNameW(&ofn) != FALSE;
  SetItemString(dialog, IDC_SEND_STATUS, kStrStatus);
  if (chosen) {
    SetDlgItemTextW(dialog, IDC_SEND_PATH, path);
    EnableWindow(GetDlgItem(dialog, IDC_SEND_START), TRUE);
  }
  return chosen;
}

void StartFileSend(HWND dialog) {
  HWND start = GetDlgItem(dialog, IDC_SEND_START);
  EnableWindow(start, FALSE);
  WString path = ItemText(dialog, IDC_SEND_PATH);
  if (path.size() >= kSendPathChars) path.resize(kSendPathChars - 1);

  // The status shows before a transfer that may take long, and is painted at once.
  HWND status = GetDlgItem(dialog, IDC_SEND_STATUS);
  EnableWindow(status, TRUE);
  SetItemString(dialog, IDC_SEND_STATUS, kStrSendingFile);
  UpdateWindow(status);

  const bool prn = IsDlgButtonChecked(dialog, IDC_SEND_PRN) == BST_CHECKED;
  bool sent = false;
  if (ModeOf(Link()) == LinkMode::OneWay) {
    sent = prn ? SendPrnFileJob(Link(), path.c_str()) : SendCommandFileJob(Link(), path.c_str());
  } else {
    // A path the code page cannot spell exactly would name another file: it is never sent.
    std::string ansiPath;
    if (ToAnsiCodePage(path.c_str(), ansiPath)) {
      const std::string request = std::string(prn ? "sendfile:" : "sendcmds:") + ansiPath;
      std::array<uint8_t, kTransferReplyBytes> reply{};
      sent = QueryPrinter(Link(), request, reply).ok;
    }
  }
  SetItemString(dialog, IDC_SEND_STATUS, sent ? kStrFileSent : kStrErrorSendingFile);
  EnableWindow(start, TRUE);
}

INT_PTR CALLBACK SendFileProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      EnableWindow(GetDlgItem(dialog, IDC_SEND_PATH), FALSE);
      EnableWindow(GetDlgItem(dialog, IDC_SEND_STATUS), FALSE);
      EnableWindow(GetDlgItem(dialog, IDC_SEND_START), FALSE);
      CheckRadioButton(dialog, IDC_SEND_PRN, IDC_SEND_TEXT, IDC_SEND_PRN);
      return TRUE;
    case WM_COMMAND:
      if (HIWORD(wParam) != BN_CLICKED) return FALSE;
      switch (LOWORD(wParam)) {
        case IDC_SEND_SELECT:
          ChooseSendFile(dialog);
          return TRUE;
        case IDC_SEND_START:
          StartFileSend(dialog);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    case WM_SYSCOMMAND:
      if (!IsCloseCommand(message, wParam)) return FALSE;
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    default:
      return FALSE;
  }
}

INT_PTR RunSendFile(HWND owner) { return RunDialog(owner, IDD_SEND_FILE, SendFileProc); }

}  // namespace tolma::ui
