// The device property sheet (the printer's own page of its properties): the firmware text, the buttons into the
// printer tools, and the encoder block stored when the sheet applies.
#pragma once

#include "platform/compstui.h"
#include "ui/driver_ui.h"

namespace tolma::ui {

// DrvDevicePropertySheets with property-sheet information: INIT opens the sheet (the parameter is the
// DEVICEPROPERTYHEADER; 1, or -1 when it cannot be opened or its page cannot be added), DESTROY frees it (1),
// SET_RESULT sets the information's result to -1 and returns -1; other reasons return 0.
LONG DeviceSheetCall(PPROPSHEETUI_INFO info, LPARAM parameter);

// The sheet's callback for the common UI.
LONG APIENTRY DeviceSheetCallback(PCPSUICBPARAM param);

}  // namespace tolma::ui
