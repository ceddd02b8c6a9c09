// The one include for the common property-sheet UI: the system's compstui.h on Windows (its records in their
// Unicode form), our own declarations elsewhere; both are held to the same x64 layouts here.
#pragma once

#include "platform/win32.h"

#ifdef TOLMA_SYSTEM_HEADERS
// The records name their texts LPTSTR; DomaUI is a Unicode driver, so they are taken as LPWSTR whatever the
// build's UNICODE setting.
#pragma push_macro("LPTSTR")
#undef LPTSTR
#define LPTSTR LPWSTR
#include <compstui.h>
#pragma pop_macro("LPTSTR")
#endif

#include <cstddef>
#include <type_traits>

static_assert(std::is_same_v<decltype(OPTITEM::pName), LPWSTR>, "the Unicode records");
static_assert(std::is_same_v<decltype(COMPROPSHEETUI::pCallerName), LPWSTR>, "the Unicode records");

// x64 layouts (the 32-bit system's are smaller: 64-byte pages and 52-byte items; code always uses sizeof).
static_assert(sizeof(OPTPARAM) == 48);
static_assert(offsetof(OPTPARAM, Flags) == 2 && offsetof(OPTPARAM, Style) == 3);
static_assert(offsetof(OPTPARAM, pData) == 8 && offsetof(OPTPARAM, IconID) == 16 && offsetof(OPTPARAM, lParam) == 24);
static_assert(sizeof(OPTTYPE) == 48);
static_assert(offsetof(OPTTYPE, Type) == 2 && offsetof(OPTTYPE, Count) == 4 && offsetof(OPTTYPE, BegCtrlID) == 6);
static_assert(offsetof(OPTTYPE, pOptParam) == 8 && offsetof(OPTTYPE, Style) == 16);
static_assert(sizeof(EXTPUSH) == 64);
static_assert(offsetof(EXTPUSH, Flags) == 2 && offsetof(EXTPUSH, pTitle) == 8 && offsetof(EXTPUSH, DlgProc) == 16);
static_assert(offsetof(EXTPUSH, IconID) == 24 && offsetof(EXTPUSH, DlgTemplateID) == 32);
static_assert(sizeof(EXTCHKBOX) == 64 && sizeof(OIEXT) == 56);
static_assert(sizeof(OPTITEM) == 88);
static_assert(offsetof(OPTITEM, Level) == 2 && offsetof(OPTITEM, DlgPageIdx) == 3 && offsetof(OPTITEM, Flags) == 4);
static_assert(offsetof(OPTITEM, UserData) == 8 && offsetof(OPTITEM, pName) == 16 && offsetof(OPTITEM, Sel) == 24);
static_assert(offsetof(OPTITEM, pExtPush) == 32 && offsetof(OPTITEM, pOptType) == 40);
static_assert(offsetof(OPTITEM, HelpIndex) == 48 && offsetof(OPTITEM, DMPubID) == 52);
static_assert(offsetof(OPTITEM, UserItemID) == 53 && offsetof(OPTITEM, pOIExt) == 56);
static_assert(sizeof(CPSUICBPARAM) == 64);
static_assert(offsetof(CPSUICBPARAM, Reason) == 2 && offsetof(CPSUICBPARAM, hDlg) == 8);
static_assert(offsetof(CPSUICBPARAM, pOptItem) == 16 && offsetof(CPSUICBPARAM, cOptItem) == 24);
static_assert(offsetof(CPSUICBPARAM, Flags) == 26 && offsetof(CPSUICBPARAM, pCurItem) == 32);
static_assert(offsetof(CPSUICBPARAM, OldSel) == 40 && offsetof(CPSUICBPARAM, UserData) == 48);
static_assert(offsetof(CPSUICBPARAM, Result) == 56);
static_assert(sizeof(DLGPAGE) == 40);
static_assert(sizeof(COMPROPSHEETUI) == 128);
static_assert(offsetof(COMPROPSHEETUI, Flags) == 2 && offsetof(COMPROPSHEETUI, hInstCaller) == 8);
static_assert(offsetof(COMPROPSHEETUI, pCallerName) == 16 && offsetof(COMPROPSHEETUI, UserData) == 24);
static_assert(offsetof(COMPROPSHEETUI, pHelpFile) == 32 && offsetof(COMPROPSHEETUI, pfnCallBack) == 40);
static_assert(offsetof(COMPROPSHEETUI, pOptItem) == 48 && offsetof(COMPROPSHEETUI, pDlgPage) == 56);
static_assert(offsetof(COMPROPSHEETUI, cOptItem) == 64 && offsetof(COMPROPSHEETUI, cDlgPage) == 66);
static_assert(offsetof(COMPROPSHEETUI, IconID) == 72 && offsetof(COMPROPSHEETUI, pOptItemName) == 80);
static_assert(offsetof(COMPROPSHEETUI, CallerVersion) == 88 && offsetof(COMPROPSHEETUI, OptItemVersion) == 90);
static_assert(sizeof(SETRESULT_INFO) == 24 && offsetof(SETRESULT_INFO, Result) == 16);
static_assert(sizeof(PROPSHEETUI_INFO) == 48);
static_assert(offsetof(PROPSHEETUI_INFO, Reason) == 6 && offsetof(PROPSHEETUI_INFO, hComPropSheet) == 8);
static_assert(offsetof(PROPSHEETUI_INFO, pfnComPropSheet) == 16 && offsetof(PROPSHEETUI_INFO, lParamInit) == 24);
static_assert(offsetof(PROPSHEETUI_INFO, UserData) == 32 && offsetof(PROPSHEETUI_INFO, Result) == 40);

// The values the sheets use, which both declarations must give alike.
static_assert(TVOT_2STATES == 0 && TVOT_UDARROW == 2 && TVOT_LISTBOX == 5 && TVOT_PUSHBUTTON == 8);
static_assert(OPTIF_CALLBACK == 4 && OPTIF_CHANGED == 8 && OPTIF_DISABLED == 0x20 && OPTIF_EXT_IS_EXTPUSH == 0x400);
static_assert(OPTPF_DISABLED == 2 && OTS_PUSH_ENABLE_ALWAYS == 0x80 && EPF_PUSH_TYPE_DLGPROC == 1);
static_assert(PUSHBUTTON_TYPE_DLGPROC == 0 && DMPUB_COPIES_COLLATE == 3);
static_assert(CPSUICB_REASON_SEL_CHANGED == 0 && CPSUICB_REASON_DLGPROC == 3 && CPSUICB_REASON_UNDO_CHANGES == 4);
static_assert(CPSUICB_REASON_EXTPUSH == 5 && CPSUICB_REASON_APPLYNOW == 6 && CPSUICB_REASON_ITEMS_REVERTED == 8);
static_assert(CPSUICB_REASON_ABOUT == 9 && CPSUICB_ACTION_OPTIF_CHANGED == 1 && CPSUICB_ACTION_ITEMS_APPLIED == 4);
static_assert(CPSUIF_UPDATE_PERMISSION == 1 && CPSUIF_ABOUT_CALLBACK == 4);
static_assert(CPSFUNC_ADD_PCOMPROPSHEETUIW == 3 && CPSUI_OK == 1);
static_assert(PROPSHEETUI_REASON_INIT == 0 && PROPSHEETUI_REASON_DESTROY == 2 && PROPSHEETUI_REASON_SET_RESULT == 3);
