// "Firmware Download": the image check, the one-way firmware job and the dialog.
#include "ui/tools/firmware_download.h"

#include "common/commands.h"
#include "common/wide.h"
#include "ui/dialogs.h"
#include "ui/messages.h"
#include "ui/resources/dialog_ids.h"
#include "ui/resources/strings.h"
#include "ui/tools/code_page.h"
#include "ui/ui_state.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

namespace tolma::ui {
namespace {

constexpr UINT kStrDownloaded = 2079;      // "Firmware DownLoaded Successfully..."
constexpr UINT kStrUpdatingMemory = 2080;  // "Updating Memory...Please wait..."
constexpr UINT kStrDownloading = 2081;     // "Firmware DownLoading...Please wait..."
constexpr UINT kStrDownloadError = 2086;   // "Error in downloading firmware"
constexpr UINT kStrOpenError = 2087;       // "Error opening bin file"
constexpr UINT kStrSizeError = 2088;       // "Unable to obtain file size.Cannot continue with Firmware Download"
constexpr UINT kStrReadError = 2089;       // "Error reading from file"
constexpr UINT kStrWrongFile = 2099;       // "Incorrect  firmware file.\nPlease select correct firmware file."
constexpr UINT kStrWaitForReset = 2133;    // "Please wait till the printer Resets and Initializes."
constexpr size_t kModelFieldOffset = 8;
constexpr size_t kModelFieldBytes = 6;
constexpr size_t kCheckByteOffset = 14;
constexpr size_t kTransferReplyBytes = 128;  // the reply buffer of a transfer request
constexpr const WCHAR* kFirmwareType = TOLMA_WIDE("Printer F/W");
// "Binary Files(*.bin)" for "*.bin"; the literal's own zero ends the list.
constexpr WCHAR kFilter[] = TOLMA_WIDE("Binary Files(*.bin)\0*.bin\0");

// A file opened for reading (shared read, existing file only), closed with the object.
class FirmwareFile {
 public:
  explicit FirmwareFile(const WCHAR* path)
      : handle_(
            CreateFileW(path, GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr)) {}
  ~FirmwareFile() {
    if (ok()) CloseHandle(handle_);
  }
  FirmwareFile(const FirmwareFile&) = delete;
  FirmwareFile& operator=(const FirmwareFile&) = delete;
  bool ok() const { return handle_ != INVALID_HANDLE_VALUE && handle_ != nullptr; }
  HANDLE get() const { return handle_; }

  // Reads up to buffer.size() bytes; false when the read fails.
  bool Read(std::span<uint8_t> buffer, size_t& got) const {
    DWORD read = 0;
    const BOOL ok = ReadFile(handle_, buffer.data(), static_cast<DWORD>(buffer.size()), &read, nullptr);
    got = std::min<size_t>(read, buffer.size());
    return ok != FALSE;
  }

 private:
  HANDLE handle_;
};

// Messages of the transfer: an error icon, and brought to the foreground.
void ShowFileError(UINT textId) { ShowStringMessage(kStrProductName, textId, MB_OK | MB_ICONERROR | MB_SETFOREGROUND); }

void EnableItem(HWND dialog, int id, bool enable) { EnableWindow(GetDlgItem(dialog, id), enable ? TRUE : FALSE); }

void ShowStatus(HWND dialog, UINT textId) {
  WCHAR text[kMessageChars] = {};
  LoadStringW(State().module, textId, text, kMessageChars);
  SetDlgItemTextW(dialog, IDC_FW_STATUS, text);
}

// The transfer request of the two-way link: the monitor reads the file itself.
bool RequestDownload(const LinkContext& link, const WCHAR* path) {
  std::string ansiPath;
  if (!ToAnsiCodePage(path, ansiPath)) return false;
  uint8_t reply[kTransferReplyBytes];
  return QueryPrinter(link, "download:" + ansiPath, reply).ok;
}

}  // namespace

FirmwareImageCheck CheckFirmwareImage(std::span<const uint8_t> head) {
  // The model field as a zero-terminated text in a zero-filled buffer one byte longer than the field.
  char field[kModelFieldBytes + 1] = {};
  for (size_t i = 0; i < kModelFieldBytes && kModelFieldOffset + i < head.size(); ++i)
    field[i] = static_cast<char>(head[kModelFieldOffset + i]);
  const std::string_view model(field);
  FirmwareImageCheck check;
  for (const char* token : {"RKB", "RKA", "RKG"})
    if (model.find(token) != std::string_view::npos) check.valid = true;
  check.checkByte = head.size() > kCheckByteOffset ? head[kCheckByteOffset] : 0;
  return check;
}

std::string CheckSumText(uint8_t checkByte) {
  char text[8];
  std::snprintf(text, sizeof text, "0x%02XFF", static_cast<unsigned>(checkByte));
  return text;
}

FirmwareBody CopyFirmwareBody(uint32_t size, const FirmwareReader& read, const FirmwareWriter& write) {
  uint8_t piece[kFirmwareChunkBytes];
  uint32_t remaining = size;
  for (;;) {
    // Past the announced size one more read must find the end of the file.
    const size_t wanted = remaining == 0 ? sizeof piece : std::min<size_t>(remaining, sizeof piece);
    size_t got = 0;
    if (!read(std::span<uint8_t>(piece, wanted), got) || got > wanted) return FirmwareBody::ReadFailed;
    if (got == 0) return remaining == 0 ? FirmwareBody::Sent : FirmwareBody::SizeChanged;
    if (remaining == 0) return FirmwareBody::SizeChanged;
    if (!write(std::span<const uint8_t>(piece, got))) return FirmwareBody::WriteFailed;
    remaining -= static_cast<uint32_t>(got);
  }
}

bool SendFirmwareJob(const LinkContext& link, const WCHAR* path) {
  RawJob job(link, kJobFirmware);
  if (!job.started()) return false;
  const FirmwareFile file(path);
  if (!file.ok()) {
    ShowFileError(kStrOpenError);
    return false;
  }
  // The header has 32 bits for the size: a larger file cannot be announced.
  SetLastError(ERROR_SUCCESS);
  DWORD high = 0;
  const DWORD size = GetFileSize(file.get(), &high);
  if ((size == INVALID_FILE_SIZE && GetLastError() != ERROR_SUCCESS) || high != 0) {
    ShowFileError(kStrSizeError);
    return false;
  }
  CommandBuffer<8> header;
  cmd::FirmwareHeader(header, size);
  if (!job.Write(header.bytes())) return false;

  const FirmwareBody body = CopyFirmwareBody(
      size, [&](std::span<uint8_t> buffer, size_t& got) { return file.Read(buffer, got); },
      [&](std::span<const uint8_t> bytes) { return job.Write(bytes); });
  switch (body) {
    case FirmwareBody::Sent:
      return job.Write(cmd::kFirmwareTrailer);
    case FirmwareBody::ReadFailed:
    case FirmwareBody::SizeChanged:
      ShowFileError(kStrReadError);
      return false;
    case FirmwareBody::WriteFailed:
      return false;
  }
  return false;
}

bool ChooseFirmwareFile(HWND dialog) {
  WCHAR path[MAX_PATH] = {};
  OPENFILENAMEW ofn{};
  ofn.lStructSize = sizeof ofn;
  ofn.hwndOwner = dialog;
  ofn.lpstrFilter = kFilter;
  ofn.lpstrFile = path;
  ofn.nMaxFile = MAX_PATH;
  ofn.lpstrDefExt = TOLMA_WIDE("bin");
  ofn.Flags = OFN_FILEMUSTEXIST | OFN_PATHMUSTEXIST | OFN_HIDEREADONLY;
  if (!GetOpenFileNameW(&ofn)) return false;
  path[MAX_PATH - 1] = 0;

  uint8_t head[kFirmwareCheckBytes] = {};
  size_t got = 0;
  {
    const FirmwareFile file(path);
    if (!file.ok()) return false;
    // A short or unreadable file keeps zeros where its bytes are missing.
    for (size_t n = 0; got < sizeof head && file.Read(std::span<uint8_t>(head + got, sizeof head - got), n) && n != 0;)
      got += n;
  }
  const FirmwareImageCheck check = CheckFirmwareImage(std::span<const uint8_t>(head, got));
  if (!check.valid) {
    ShowStringMessage(kStrProductName, kStrWrongFile, MB_OK | MB_ICONERROR);
    return false;
  }
  SetDlgItemTextW(dialog, IDC_FW_TYPE, kFirmwareType);
  SetDlgItemTextW(dialog, IDC_FW_CHECKSUM, WideFromAscii(CheckSumText(check.checkByte)).c_str());
  SetDlgItemTextW(dialog, IDC_FW_PATH, path);
  EnableItem(dialog, IDC_FW_PATH, true);
  EnableItem(dialog, IDC_FW_START, true);
  return true;
}

void StartFirmwareDownload(HWND dialog) {
  EnableItem(dialog, IDC_FW_START, false);
  WCHAR path[MAX_PATH] = {};
  GetDlgItemTextW(dialog, IDC_FW_PATH, path, MAX_PATH);
  EnableItem(dialog, IDC_FW_STATUS, true);
  ShowStatus(dialog, kStrDownloading);

  const LinkContext& link = State().link;
  const bool ok = ModeOf(link) == LinkMode::OneWay ? SendFirmwareJob(link, path) : RequestDownload(link, path);
  if (ok) {
    ShowStatus(dialog, kStrUpdatingMemory);
    ShowStatus(dialog, kStrDownloaded);
    ShowStringMessage(kStrProductName, kStrWaitForReset, MB_OK);
  } else {
    ShowStatus(dialog, kStrDownloadError);
  }
  EnableItem(dialog, IDC_FW_START, true);
}

INT_PTR CALLBACK FirmwareDownloadProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  switch (message) {
    case WM_INITDIALOG:
      EnableItem(dialog, IDC_FW_STATUS, false);
      EnableItem(dialog, IDC_FW_PATH, false);
      EnableItem(dialog, IDC_FW_START, false);
      SendDlgItemMessageW(dialog, IDC_FW_PATH, EM_LIMITTEXT, MAX_PATH - 1, 0);
      return TRUE;
    case WM_SYSCOMMAND:
      if (!IsCloseCommand(message, wParam)) return FALSE;
      EndDialog(dialog, IDCANCEL);
      return TRUE;
    case WM_COMMAND:
      switch (LOWORD(wParam)) {
        case IDC_FW_SELECT:
          ChooseFirmwareFile(dialog);
          return TRUE;
        case IDC_FW_START:
          StartFirmwareDownload(dialog);
          return TRUE;
        case IDCANCEL:
          EndDialog(dialog, IDCANCEL);
          return TRUE;
        default:
          return FALSE;
      }
    default:
      return FALSE;
  }
}

INT_PTR RunFirmwareDownload(HWND owner) { return RunDialog(owner, IDD_FIRMWARE_DOWNLOAD, FirmwareDownloadProc); }

}  // namespace tolma::ui
