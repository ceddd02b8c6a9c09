// DomaUI's message box from string-table ids.
#include "ui/messages.h"

#include "ui/ui_state.h"

namespace tolma::ui {

int ShowStringMessage(UINT captionId, UINT textId, UINT type) {
  WCHAR caption[kCaptionChars] = {};
  WCHAR text[kMessageChars] = {};
  LoadStringW(State().module, captionId, caption, kCaptionChars);
  LoadStringW(State().module, textId, text, kMessageChars);
  return MessageBoxW(GetActiveWindow(), text, caption, type);
}

}  // namespace tolma::ui
