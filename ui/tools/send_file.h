// "Send File": a print (PRN) file byte for byte or a command file line by line to the printer, as a raw job of
// its own in one-way mode, or handed to the reply monitor in two-way mode.
#pragma once

#include "platform/win32.h"
#include "ui/tools/printer_link.h"

#include <cstddef>
#include <cstdint>
#include <span>

namespace tolma::ui {

inline constexpr size_t kFileChunkBytes = 4096;     // reads of a PRN file
inline constexpr size_t kTransferReplyBytes = 128;  // reply of "sendfile:%s" and "sendcmds:%s"
inline constexpr DWORD kSendPathChars = MAX_PATH;

// Strings of the dialog's messages and status.
inline constexpr UINT kStrErrorOpeningFile = 2087;
inline constexpr UINT kStrNoFileSize = 2088;
inline constexpr UINT kStrErrorReadingPrn = 2089;
inline constexpr UINT kStrErrorSendingFile = 2101;
inline constexpr UINT kStrFileSent = 2102;
inline constexpr UINT kStrSendingFile = 2103;
inline constexpr UINT kStrStatus = 2105;
inline constexpr UINT kStrErrorReadingText = 2108;
inline constexpr UINT kStrErrorWritingPrinter = 2109;
inline constexpr UINT kStrErrorAllocating = 2112;
inline constexpr UINT kStrLineTooLong = 2140;

// Writes one command line to a printer; on failure shows message 2109 and returns false.
bool WriteCommandLine(HANDLE printer, std::span<const uint8_t> bytes);

// Sends a PRN file as the raw job "MERIDOTLMASDFILE", read and written in pieces of up to 4096 bytes and a final
// empty write. False (with its message) when the file cannot be opened, sized, read or written; false without a
// message when the printer cannot be opened.
bool SendPrnFileJob(const LinkContext& link, const WCHAR* path);

// Sends a command file as the raw job "MERIDOTLMASCMD", one write per line. Every line is checked before the first
// write: a file with a line longer than 126 characters is refused whole (message 2140). False (with its message)
// when the file cannot be opened, sized, held, read or written; false without a message when the printer cannot
// be opened.
bool SendCommandFileJob(const LinkContext& link, const WCHAR* path);

// "Select File": the file-open dialog; the status becomes "Status: ", and a chosen path goes into the path edit and
// enables "Send File". True when a file was chosen.
bool ChooseSendFile(HWND dialog);

// "Send File": sends the chosen file as the radio buttons say, showing "Sending file...Please wait..." while it runs
// and then the result.
void StartFileSend(HWND dialog);

// The dialog procedure of the "Send File" template; it ends with IDCANCEL.
INT_PTR CALLBACK SendFileProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);

// Runs "Send File".
INT_PTR RunSendFile(HWND owner);

}  // namespace tolma::ui
