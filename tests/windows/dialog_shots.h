// Showing a dialog with the real window manager, capturing it into a PNG and closing it: plain C++ types only, so
// that code built over the host layer's declarations can use it.
#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace tolma::wincheck {

struct DialogShot {
  intptr_t result = 0;              // what the opening call returned (DialogBoxParamW's result, or the callback's)
  std::vector<std::string> images;  // the PNG files written, one for each dialog window shown, in order
  std::string error;                // empty when every window shown was captured and closed in time
};

// A control of the first dialog to click once it is captured: a button that opens a dialog of its own (captured
// into `name`.png and closed before the next press), or a check box that opens none (`name` empty).
struct Press {
  int control;
  std::string name;
};

// Runs `open` on this thread (a call that shows one modal dialog or more and returns when they are closed) while a
// watcher thread waits for each dialog window of this thread to be visible, writes it to `pngBase`.png (then
// `pngBase`-2.png and so on; after the first, the dialogs `presses` open), and closes it with WM_SYSCOMMAND SC_CLOSE
// (then its Cancel, then its OK button if it stays). When nothing is shown or a window does not close within
// `timeoutMs`, the process ends with status 3.
DialogShot ShowAndCapture(const std::function<intptr_t()>& open, const std::string& pngBase, int timeoutMs,
                          const std::vector<Press>& presses = {});

// Opens dialog `templateId` of `module` with the procedure `procedure` and `param`, as the common property-sheet UI
// does for a push button: DialogBoxParamW without an owner.
intptr_t OpenDialog(void* module, unsigned templateId, void* procedure, intptr_t param);

// Loads icon group `groupId` of `module` at `size` x `size` pixels, as the common property-sheet UI does for an
// item, and draws it over the dialog colour into `path` (a PNG, 8 times enlarged). Returns why it could not, or "".
std::string CaptureIcon(void* module, unsigned groupId, int size, const std::string& path);

// Writes 24-bit rows (blue, green, red; bottom-up, each padded to four bytes) as an RGB PNG with stored deflate
// blocks. Returns false when the file cannot be written.
bool WritePng(const std::string& path, const uint8_t* bottomUpBgr, int width, int height);

}  // namespace tolma::wincheck
