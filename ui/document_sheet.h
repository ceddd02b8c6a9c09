// The document property sheet (printing preferences): its opening, its items and their rules, and the callback
// the common property-sheet UI calls as the user works.
#pragma once

#include "platform/compstui.h"
#include "ui/driver_ui.h"

namespace tolma::ui {

// DrvDocumentPropertySheets with property-sheet information: INIT opens the sheet (the parameter is the
// DOCUMENTPROPERTYHEADER), SET_RESULT hands the edited DEVMODE to the header's pdmOut and the private cache,
// DESTROY frees the sheet; other reasons do nothing. Returns 1, or -1 when the sheet cannot be opened (no
// header, no memory) or there is no open sheet to deliver.
LONG DocumentSheetCall(PPROPSHEETUI_INFO info, LPARAM parameter);

// The sheet's callback for the common UI.
LONG APIENTRY DocumentSheetCallback(PCPSUICBPARAM param);

}  // namespace tolma::ui
