// The document property sheet: opening (printer questions, the DEVMODE to edit, the 16 items), the selection
// rules, apply, undo, About, and the result handed back to the spooler.
#include "ui/document_sheet.h"

#include "common/ribbon.h"
#include "ui/devmode_merge.h"
#include "ui/dialogs.h"
#include "ui/default_devmode.h"
#include "ui/messages.h"
#include "ui/printer_queries.h"
#include "ui/resources/strings.h"
#include "ui/sheet_dialogs.h"
#include "ui/sheet_items.h"
#include "ui/sheet_rules.h"
#include "ui/spooler_calls.h"
#include "ui/ui_state.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <type_traits>

namespace tolma::ui {
namespace {

constexpr WORD kSheetVersion = 0x0400;
constexpr ULONG_PTR kDocumentSetResult = 4;
constexpr size_t kVersionChars = kDocumentVersionReplyBytes + 1;

// Everything the open sheet owns, in one zero-filled block of the process heap.
struct DocumentSheet {
  COMPROPSHEETUI page;
  OPTITEM items[kDocumentItemCount];
  ItemParts parts[kDocumentItemCount];
  EXTPUSH ribbonInfo;
  WCHAR caption[kItemTextChars];  // caller name and item-tree name
  WCHAR ribbonInfoTitle[kItemTextChars];
  char version[kVersionChars];  // the firmware-version text the model tests read
  HeapBlock printerInfo;        // the printer's PRINTER_INFO_2 (empty when it could not be read)
  FullDevmode own;              // the DEVMODE edited when it is none of the caller's nor the stored one
  FullDevmode backup;           // the DEVMODE as the sheet opened, for undo
  DEVMODEW* edited;             // the DEVMODE being edited (2436 bytes in this driver's layout)
  PrivateDevmode* pd;           // its private part
  bool editsStored;             // the DEVMODE is the printer's stored one (inside printerInfo)
};
static_assert(std::is_standard_layout_v<DocumentSheet>, "the page record starts the sheet");

DocumentSheet* NewSheet() {
  void* memory = HeapAlloc(GetProcessHeap(), HEAP_ZERO_MEMORY, sizeof(DocumentSheet));
  return memory != nullptr ? new (memory) DocumentSheet() : nullptr;
}

void DeleteSheet(DocumentSheet* sheet) {
  sheet->~DocumentSheet();
  HeapFree(GetProcessHeap(), 0, sheet);
}

DocumentSheet* SheetOf(const PROPSHEETUI_INFO* info) {
  return info != nullptr ? reinterpret_cast<DocumentSheet*>(info->UserData) : nullptr;
}

DocumentSheet* SheetOf(const CPSUICBPARAM* param) {
  if (param == nullptr || param->pOptItem == nullptr || param->cOptItem != kDocumentItemCount) return nullptr;
  return reinterpret_cast<DocumentSheet*>(param->pOptItem[0].UserData);
}

std::string_view Version(const DocumentSheet& s) { return {s.version, std::strlen(s.version)}; }

void SetVersion(DocumentSheet& s, std::string_view text) {
  const size_t n = std::min(text.size(), kVersionChars - 1);
  std::memcpy(s.version, text.data(), n);
  s.version[n] = 0;
}

// A DEVMODE of this driver's exact layout (212 public bytes, 2224 private ones) can be edited where it is.
bool EditableInPlace(const DEVMODEW* devmode) {
  return devmode != nullptr && devmode->dmSize == kPublicDevmodeSize && devmode->dmDriverExtra == kPrivateDevmodeSize &&
         LocatePrivatePart(const_cast<DEVMODEW*>(devmode)) != nullptr;
}

void Edit(DocumentSheet& s, DEVMODEW* devmode) {
  s.edited = devmode;
  s.pd = LocatePrivatePart(devmode);
}

void EditOwn(DocumentSheet& s) { Edit(s, reinterpret_cast<DEVMODEW*>(&s.own)); }

// Chooses the DEVMODE to edit: the caller's input (the cache laid over its private part, or its private part
// filling the cache), else the printer's stored one, else the driver's default DEVMODE. A DEVMODE of another
// layout is edited as a whole copy in this driver's layout.
void ChooseDevmode(DocumentSheet& s, const DOCUMENTPROPERTYHEADER& header) {
  PrivateDevmode& cache = State().cache;
  if (header.pdmIn != nullptr) {
    if (EditableInPlace(header.pdmIn)) {
      Edit(s, header.pdmIn);
    } else {
      s.own = FullImage(DeclaredBytes(header.pdmIn));
      EditOwn(s);
    }
    if (CacheValid(cache))
      *s.pd = cache;
    else
      cache = *s.pd;
    return;
  }
  PRINTER_INFO_2W* pi = MutablePrinterInfo2(s.printerInfo);
  if (pi != nullptr && pi->pDevMode != nullptr) {
    s.editsStored = true;
    const std::span<uint8_t> bytes = DevmodeInBlock(s.printerInfo, pi->pDevMode);
    if (bytes.size() == kFullDevmodeSize && EditableInPlace(pi->pDevMode)) {
      Edit(s, pi->pDevMode);
      return;
    }
    s.own = FullImage(bytes);
    EditOwn(s);
    pi->pDevMode = s.edited;  // stored back in this driver's layout
    return;
  }
  // Neither an input nor a readable stored DEVMODE: the driver's default DEVMODE.
  BuildDefaultDevmode(header.pszPrinterName, {reinterpret_cast<uint8_t*>(&s.own), sizeof s.own});
  EditOwn(s);
}

// The message that the printer reported another ribbon.
void ShowRibbonChanged(int ribbonType) {
  WCHAR caption[kCaptionChars] = {};
  LoadStringW(State().module, kStrProductName, caption, kCaptionChars);
  const WString text = WideFromAscii(RibbonChangedText(ribbonType));
  MessageBoxW(GetActiveWindow(), text.c_str(), caption, MB_OK);
}

bool Enabled(const DocumentSheet& s, int item) { return DocumentItemEnabled(item, *s.pd, Version(s)); }

// Starts item `position`; `ruled` items take their enabled state from the rules.
OPTITEM& Begin(DocumentSheet& s, int position, UINT nameId, BYTE level, DWORD flags, bool ruled = false) {
  if (ruled && !Enabled(s, position)) flags |= OPTIF_DISABLED;
  BeginItem(s.items[position], s.parts[position], position, nameId, level, flags, reinterpret_cast<ULONG_PTR>(&s));
  return s.items[position];
}

void PushButton(DocumentSheet& s, int position, UINT nameId, UINT dialogId, ULONG_PTR icon, bool ruled) {
  OPTITEM& item = Begin(s, position, nameId, 0, OPTIF_CALLBACK, ruled);
  SetPushButton(item, s.parts[position], dialogId, SheetDialogProc(dialogId), icon);
}

// "Monochrome Conversion" shows the three conversions offered and "Enhanced", which the list holds uncounted.
LONG MonoSelection(const PrivateDevmode& pd) {
  return pd.monoConversion >= 0 && pd.monoConversion <= 3 ? pd.monoConversion : 0;
}

// "Front and Back": the printing modes of the ribbon and sides, twoSidedMode kept inside them.
void FillFrontAndBack(DocumentSheet& s) {
  PrivateDevmode& pd = *s.pd;
  const auto modes = PrintingModeList(pd.ribbonType, pd.monoRibbonKind, pd.printBothSides != 0);
  OPTITEM& item = s.items[kDocFrontAndBack];
  ItemParts& parts = s.parts[kDocFrontAndBack];
  const WORD count = static_cast<WORD>(std::min(modes.size(), kMaxItemOptions));
  SetOptionType(item, parts, TVOT_LISTBOX, count, 0);
  for (WORD i = 0; i < count; ++i) SetOption(parts, i, WideFromAscii(modes[i]), IDI_CPSUI_DUPLEX_HORZ);
  if (pd.twoSidedMode < 0 || pd.twoSidedMode >= count) pd.twoSidedMode = 0;
  item.Sel = pd.twoSidedMode;
}

// "180º Rotation": four entries with both sides, else two; rotate180 normalised for the sides.
void FillRotation(DocumentSheet& s) {
  PrivateDevmode& pd = *s.pd;
  OPTITEM& item = s.items[kDocRotation];
  const WORD count = static_cast<WORD>(RotationEntryCount(pd));
  pd.rotate180 = static_cast<int16_t>(NormaliseRotation(pd.printBothSides != 0, pd.rotate180));
  s.parts[kDocRotation].type.Count = count;
  pd.rotate180 = static_cast<int16_t>(SelectionWithin(pd.rotate180, count));
  item.Sel = pd.rotate180;
}

// "Ribbon": the fixed list, the monochrome kinds or the installed ribbon, with "Ribbon Info" where it applies.
void BuildRibbon(DocumentSheet& s, WStringView ribbonName) {
  PrivateDevmode& pd = *s.pd;
  OPTITEM& item = Begin(s, kDocRibbon, 2026, 0, OPTIF_CALLBACK);
  ItemParts& parts = s.parts[kDocRibbon];
  switch (RibbonListOf(pd)) {
    case RibbonList::Fixed: {
      const auto list = FixedRibbonList();
      SetOptionType(item, parts, TVOT_LISTBOX, static_cast<WORD>(list.size()), OTS_PUSH_ENABLE_ALWAYS);
      for (size_t i = 0; i < list.size(); ++i) SetOption(parts, i, WideFromAscii(list[i]), IDI_CPSUI_ROLL_PAPER);
      item.Sel = FixedRibbonPosition(pd.fixedRibbon);
      break;
    }
    case RibbonList::MonochromeKinds: {
      // A restricted model offers neither clear varnish nor hologram varnish.
      const bool restricted = IsRestrictedModel(Version(s));
      if (restricted && (pd.monoRibbonKind == 2 || pd.monoRibbonKind == 3)) pd.monoRibbonKind = 0;
      constexpr UINT kKinds[4] = {2056, 2057, 2058, 2046};
      SetOptionType(item, parts, TVOT_LISTBOX, 4, OTS_PUSH_ENABLE_ALWAYS);
      for (size_t i = 0; i < 4; ++i)
        SetOptionFromTable(parts, i, kKinds[i], IDI_CPSUI_ROLL_PAPER, restricted && i >= 2);
      item.Sel = SelectionWithin(pd.monoRibbonKind, 4);
      break;
    }
    case RibbonList::Installed:
      SetOptionType(item, parts, TVOT_LISTBOX, 1, OTS_PUSH_ENABLE_ALWAYS);
      SetOption(parts, 0, ribbonName, IDI_CPSUI_ROLL_PAPER);
      item.Sel = 0;
      break;
  }
  if (HasRibbonInfoButton(pd)) {
    EXTPUSH& push = s.ribbonInfo;
    push = EXTPUSH{};
    push.cbSize = sizeof(EXTPUSH);
    push.Flags = EPF_PUSH_TYPE_DLGPROC;
    LoadItemText(s.ribbonInfoTitle, 2030);
    push.pTitle = s.ribbonInfoTitle;
    push.DlgProc = SheetDialogProc(sheet_dialog::kRibbonInformation);
    push.DlgTemplateID = static_cast<WORD>(sheet_dialog::kRibbonInformation);
    item.pExtPush = &push;
    item.Flags |= OPTIF_EXT_IS_EXTPUSH;
  }
}

// The 16 items in order, each from the fields as they stand when it is built.
void BuildItems(DocumentSheet& s, WStringView ribbonName) {
  PrivateDevmode& pd = *s.pd;
  DEVMODEW& dm = *s.edited;

  OPTITEM& paper = Begin(s, kDocPaperOutput, 2020, 0, 0);
  paper.Sel = IDI_CPSUI_PAPER_OUTPUT;

  OPTITEM& orientation = Begin(s, kDocOrientation, 2005, 1, 0);
  SetOptionType(orientation, s.parts[kDocOrientation], TVOT_2STATES, 2, 0);
  SetOptionFromTable(s.parts[kDocOrientation], 0, 2021, IDI_CPSUI_PORTRAIT);
  SetOptionFromTable(s.parts[kDocOrientation], 1, 2022, IDI_CPSUI_LANDSCAPE);
  orientation.Sel = dm.dmOrientation == DMORIENT_PORTRAIT ? 0 : 1;

  OPTITEM& rotation = Begin(s, kDocRotation, 2006, 1, OPTIF_CALLBACK);
  SetOptionType(rotation, s.parts[kDocRotation], TVOT_LISTBOX, 4, 0);
  SetOptionFromTable(s.parts[kDocRotation], 0, 2023, IDI_CPSUI_LANDSCAPE);
  SetOptionFromTable(s.parts[kDocRotation], 1, 2024, IDI_CPSUI_ROT_LAND);
  SetOptionFromTable(s.parts[kDocRotation], 2, 2090, IDI_CPSUI_ROT_LAND);
  SetOptionFromTable(s.parts[kDocRotation], 3, 2091, IDI_CPSUI_ROT_LAND);
  FillRotation(s);

  PushButton(s, kDocColourAdjustment, 2007, sheet_dialog::kColourCorrection, IDI_CPSUI_COLOR, false);
  BuildRibbon(s, ribbonName);

  // Both sides only for a model that prints them (any model with a fixed ribbon).
  const bool twoSided = Enabled(s, kDocBothSides);
  if (!twoSided) pd.printBothSides = 0;
  OPTITEM& sides = Begin(s, kDocBothSides, 2052, 0, OPTIF_CALLBACK | (twoSided ? 0 : OPTIF_DISABLED));
  SetOptionType(sides, s.parts[kDocBothSides], TVOT_2STATES, 2, 0);
  SetOptionFromTable(s.parts[kDocBothSides], 0, 2028, IDI_CPSUI_OFF);
  SetOptionFromTable(s.parts[kDocBothSides], 1, 2027, IDI_CPSUI_ON);
  sides.Sel = pd.printBothSides != 0 ? 1 : 0;

  Begin(s, kDocFrontAndBack, 2053, 0, OPTIF_CALLBACK);
  FillFrontAndBack(s);

  OPTITEM& mono = Begin(s, kDocMonoConversion, 2036, 0, OPTIF_CALLBACK, true);
  SetOptionType(mono, s.parts[kDocMonoConversion], TVOT_LISTBOX, 3, 0);
  SetOptionFromTable(s.parts[kDocMonoConversion], 0, 2034, IDI_CPSUI_DITHER_LINEART);
  SetOptionFromTable(s.parts[kDocMonoConversion], 1, 2032, IDI_CPSUI_DITHER_LINEART);
  SetOption(s.parts[kDocMonoConversion], 2, TOLMA_WIDE("Barcode"), IDI_CPSUI_DITHER_LINEART);
  SetOption(s.parts[kDocMonoConversion], 3, TOLMA_WIDE("Enhanced"), IDI_CPSUI_DITHER_LINEART);  // built, not offered
  mono.Sel = MonoSelection(pd);

  OPTITEM& black = Begin(s, kDocBlackPanel, 2041, 0, OPTIF_CALLBACK, true);
  SetOptionType(black, s.parts[kDocBlackPanel], TVOT_LISTBOX, 4, OTS_PUSH_ENABLE_ALWAYS);
  for (size_t i = 0; i < 4; ++i) SetOptionFromTable(s.parts[kDocBlackPanel], i, 2037 + UINT(i), IDI_CPSUI_MONO);
  black.Sel = SelectionWithin(pd.blackPanelUse, 4);

  OPTITEM& bitmap = Begin(s, kDocBlackBitmap, 2044, 0, OPTIF_CALLBACK, true);
  SetOptionType(bitmap, s.parts[kDocBlackBitmap], TVOT_2STATES, 2, 0);
  SetOptionFromTable(s.parts[kDocBlackBitmap], 0, 2042, IDI_CPSUI_OFF);
  SetOptionFromTable(s.parts[kDocBlackBitmap], 1, 2043, IDI_CPSUI_ON);
  bitmap.Sel = pd.blackBitmap != 0 ? 1 : 0;

  PushButton(s, kDocFrontOverlay, 2045, sheet_dialog::kFrontOverlay, IDI_CPSUI_TRANSPARENT, true);
  PushButton(s, kDocBackOverlay, 2054, sheet_dialog::kBackOverlay, IDI_CPSUI_TRANSPARENT, true);
  PushButton(s, kDocHologram, 2046, sheet_dialog::kHologramOverlay, IDI_CPSUI_TRANSPARENT, true);
  PushButton(s, kDocHeadSettings, 2047, sheet_dialog::kHeadSettings, IDI_CPSUI_HTCLRADJ, false);

  // "Encode Only" only where encoding is possible; printingMode kept to what may be chosen.
  const bool encoding = EncodingPossible(pd);
  pd.printingMode = static_cast<int16_t>(KeepIfAllowed(encoding ? 1 : 0, pd.printingMode));
  OPTITEM& printing = Begin(s, kDocPrintingMode, 2095, 0, OPTIF_CALLBACK);
  SetOptionType(printing, s.parts[kDocPrintingMode], TVOT_LISTBOX, 2, OTS_PUSH_ENABLE_ALWAYS);
  SetOptionFromTable(s.parts[kDocPrintingMode], 0, 2092, IDI_CPSUI_MONO);
  SetOptionFromTable(s.parts[kDocPrintingMode], 1, 2048, IDI_CPSUI_MONO, !encoding);
  printing.Sel = pd.printingMode;

  OPTITEM& copies = Begin(s, kDocCopies, 2134, 0, OPTIF_CALLBACK);
  SetUpDown(copies, s.parts[kDocCopies], kMinCopies, kMaxCopies);
  copies.DMPubID = DMPUB_COPIES_COLLATE;
  dm.dmCopies = static_cast<short>(std::clamp<int>(dm.dmCopies, kMinCopies, kMaxCopies));
  copies.Sel = dm.dmCopies;
}

void BuildPage(DocumentSheet& s) {
  COMPROPSHEETUI& page = s.page;
  LoadItemText(s.caption, kStrProductName);
  page.cbSize = sizeof(COMPROPSHEETUI);
  page.Flags = CPSUIF_UPDATE_PERMISSION | CPSUIF_ABOUT_CALLBACK;
  page.hInstCaller = State().module;
  page.pCallerName = s.caption;
  page.UserData = 0;
  page.pHelpFile = nullptr;
  page.pfnCallBack = DocumentSheetCallback;
  page.pOptItem = s.items;
  page.pDlgPage = CPSUI_PDLGPAGE_TREEVIEWONLY;
  page.cOptItem = kDocumentItemCount;
  page.IconID = 0;
  page.pOptItemName = s.caption;
  page.CallerVersion = kSheetVersion;
  page.OptItemVersion = kSheetVersion;
}

// Opens the sheet for the printer and DEVMODE of the header.
LONG OpenSheet(PPROPSHEETUI_INFO info, const DOCUMENTPROPERTYHEADER* header) {
  if (header == nullptr || header->cbSize < sizeof(DOCUMENTPROPERTYHEADER)) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  ProcessState& state = State();
  DocumentSheet* sheet = NewSheet();
  if (sheet == nullptr) {
    ShowStringMessage(kStrProductName, kStrSystemError, MB_OK);
    SetLastError(ERROR_NOT_ENOUGH_MEMORY);
    return -1;
  }
  DocumentSheet& s = *sheet;
  info->UserData = reinterpret_cast<ULONG_PTR>(&s.page);
  state.link.sheetPrinter = header->hPrinter;

  s.printerInfo = FetchPrinterInfo2(header->hPrinter);
  if (!s.printerInfo) ShowStringMessage(kStrProductName, kStrSystemError, MB_OK);

  // What the printer has installed (a fixed ribbon asks nothing and always has an encoder).
  PrivateDevmode& cache = state.cache;
  const bool fixed = cache.fixedRibbon != 0;
  PrinterAnswers answers;
  WString ribbonName = TOLMA_WIDE("None");
  if (fixed) {
    answers.hasEncoder = 1;
    if (header->pszPrinterName != nullptr)
      CopyToField(state.link.printerName, kPrinterNameChars, WStringView(header->pszPrinterName));
  } else {
    // (The questions also make the header's printer the current printer.)
    answers = QueryEncoderAndRibbon(state.link, header->pszPrinterName);
    if (answers.ribbonAnswered) ribbonName = RibbonDisplayName(answers.ribbonCode, header->hPrinter);
  }

  ChooseDevmode(s, *header);
  state.editedDevmode = s.edited;
  state.link.currentPrivate = s.pd;
  PrivateDevmode& pd = *s.pd;

  // The DEVMODE and the cache follow the printer's ribbon and encoder.
  bool storedChanged = false;
  if (answers.answered && !fixed && answers.ribbonType != pd.ribbonType) {
    ShowRibbonChanged(answers.ribbonType);
    pd.ribbonType = cache.ribbonType = answers.ribbonType;
    storedChanged = true;
  }
  if (answers.answered && answers.hasEncoder != pd.encoder.hasEncoder) {
    pd.encoder.hasEncoder = cache.encoder.hasEncoder = fixed ? 1 : answers.hasEncoder;
    storedChanged = true;
  } else if (fixed) {
    if (pd.encoder.hasEncoder != 1) storedChanged = true;
    pd.encoder.hasEncoder = cache.encoder.hasEncoder = 1;
  }
  if (s.editsStored && storedChanged) SetPrinterW(header->hPrinter, 2, s.printerInfo.data(), 0);

  // The ribbon of the fixed list, or the model the printer's firmware text names.
  SetVersion(s, kDeviceNameText);
  if (fixed) {
    pd.ribbonType = cache.ribbonType = static_cast<int16_t>(RibbonTypeFromFixedList(pd.fixedRibbon));
  } else {
    const VersionAnswer version = QueryDocumentVersion(state.link, header->pszPrinterName);
    if (version.answered) SetVersion(s, version.text);
    if (version.opened)
      pd.printerModel = cache.printerModel = static_cast<int16_t>(SheetModelCode(version.answered, Version(s)));
  }

  BuildItems(s, ribbonName);
  BuildPage(s);
  // The backup is the DEVMODE as the items show it, so that undo brings back what the sheet opened with.
  std::memcpy(&s.backup, s.edited, sizeof s.backup);

  DWORD added = 0;
  const LONG_PTR handle =
      info->pfnComPropSheet != nullptr
          ? info->pfnComPropSheet(info->hComPropSheet, CPSFUNC_ADD_PCOMPROPSHEETUIW, reinterpret_cast<LPARAM>(&s.page),
                                  reinterpret_cast<LPARAM>(&added))
          : 0;
  if (handle > 0) info->Result = 0;
  return 1;
}

void Reevaluate(DocumentSheet& s, int item) { SetItemEnabled(s.items[item], Enabled(s, item)); }

// The items that follow the ribbon, the sides and the printing mode.
void ReevaluateDependents(DocumentSheet& s) {
  for (int item : {kDocFrontOverlay, kDocBackOverlay, kDocBlackPanel, kDocBlackBitmap, kDocMonoConversion})
    Reevaluate(s, item);
}

void RefillFrontAndBack(DocumentSheet& s) {
  FillFrontAndBack(s);
  s.items[kDocFrontAndBack].Flags |= OPTIF_CHANGED;
}

void SelectionChanged(DocumentSheet& s, OPTITEM& item) {
  PrivateDevmode& pd = *s.pd;
  const LONG sel = item.Sel;
  switch (item.UserItemID) {
    case kDocRibbon:
      if (pd.fixedRibbon != 0) {
        pd.fixedRibbon = static_cast<int16_t>(sel + 1);
        pd.ribbonType = static_cast<int16_t>(RibbonTypeFromFixedList(pd.fixedRibbon));
      } else {
        pd.monoRibbonKind = static_cast<int16_t>(sel);
      }
      Reevaluate(s, kDocHologram);
      RefillFrontAndBack(s);
      ReevaluateDependents(s);
      break;
    case kDocBlackPanel:
      pd.blackPanelUse = static_cast<int16_t>(sel);
      Reevaluate(s, kDocBlackPanel);
      Reevaluate(s, kDocBlackBitmap);
      break;
    case kDocFrontAndBack:
      pd.twoSidedMode = static_cast<int16_t>(sel);
      ReevaluateDependents(s);
      break;
    case kDocBothSides:
      pd.printBothSides = static_cast<int16_t>(sel);
      RefillFrontAndBack(s);
      FillRotation(s);
      s.items[kDocRotation].Flags |= OPTIF_CHANGED;
      ReevaluateDependents(s);
      break;
    case kDocRotation:
      pd.rotate180 = static_cast<int16_t>(sel);
      break;
    case kDocCopies:
      // Typed copies are kept to 1..999 (0 or less becomes 1).
      item.Sel = std::clamp<LONG>(sel, kMinCopies, kMaxCopies);
      s.edited->dmCopies = static_cast<short>(item.Sel);
      break;
    case kDocPrintingMode:
      // Encoding only leaves no overlay to varnish.
      pd.printingMode = static_cast<int16_t>(sel);
      Reevaluate(s, kDocFrontOverlay);
      Reevaluate(s, kDocBackOverlay);
      break;
    default:
      break;
  }
}

// Apply: the selections of the items that are written back at apply.
void ApplySelections(DocumentSheet& s) {
  PrivateDevmode& pd = *s.pd;
  const auto sel = [&](int item) { return static_cast<int16_t>(s.items[item].Sel); };
  s.edited->dmOrientation = static_cast<short>(sel(kDocOrientation) + 1);
  pd.rotate180 = sel(kDocRotation);
  pd.printBothSides = sel(kDocBothSides);
  pd.twoSidedMode = sel(kDocFrontAndBack);
  pd.monoConversion = sel(kDocMonoConversion);
  pd.blackPanelUse = sel(kDocBlackPanel);
  pd.blackBitmap = sel(kDocBlackBitmap);
  pd.printingMode = sel(kDocPrintingMode);
}

// After undo: the DEVMODE is the one the sheet opened with; the items show it again.
void ShowFields(DocumentSheet& s) {
  const PrivateDevmode& pd = *s.pd;
  if (RibbonListOf(pd) == RibbonList::Fixed)
    s.items[kDocRibbon].Sel = FixedRibbonPosition(pd.fixedRibbon);
  else if (RibbonListOf(pd) == RibbonList::MonochromeKinds)
    s.items[kDocRibbon].Sel = SelectionWithin(pd.monoRibbonKind, 4);
  s.items[kDocOrientation].Sel = s.edited->dmOrientation == DMORIENT_PORTRAIT ? 0 : 1;
  s.items[kDocBothSides].Sel = pd.printBothSides != 0 ? 1 : 0;
  s.items[kDocMonoConversion].Sel = MonoSelection(pd);
  s.items[kDocBlackPanel].Sel = SelectionWithin(pd.blackPanelUse, 4);
  s.items[kDocBlackBitmap].Sel = pd.blackBitmap != 0 ? 1 : 0;
  s.items[kDocPrintingMode].Sel = pd.printingMode;
  s.items[kDocCopies].Sel = s.edited->dmCopies;
  FillRotation(s);
  RefillFrontAndBack(s);
  for (OPTITEM& item : s.items) item.Flags |= OPTIF_CHANGED;
  Reevaluate(s, kDocHologram);
  ReevaluateDependents(s);
}

// SET_RESULT: the edited DEVMODE goes to the caller's output and its private part to the cache.
LONG DeliverResult(PPROPSHEETUI_INFO info) {
  DocumentSheet* s = SheetOf(info);
  if (s == nullptr) {
    SetLastError(ERROR_INVALID_PARAMETER);
    return -1;
  }
  info->Result = kDocumentSetResult;
  const auto* header = reinterpret_cast<const DOCUMENTPROPERTYHEADER*>(info->lParamInit);
  // The output holds what the header-only call announced (cbOut 2436), or the caller did not say.
  if (header != nullptr && header->cbSize >= sizeof(DOCUMENTPROPERTYHEADER) && header->pdmOut != nullptr &&
      (header->cbOut == 0 || header->cbOut >= kFullDevmodeSize))
    std::memmove(header->pdmOut, s->edited, kFullDevmodeSize);
  State().cache = *s->pd;
  return 1;
}

LONG CloseSheet(PPROPSHEETUI_INFO info) {
  DocumentSheet* s = SheetOf(info);
  if (s == nullptr) return 1;
  ProcessState& state = State();
  if (state.editedDevmode == s->edited) state.editedDevmode = nullptr;
  if (state.link.currentPrivate == s->pd) state.link.currentPrivate = nullptr;
  DeleteSheet(s);
  info->UserData = 0;
  return 1;
}

}  // namespace

LONG DocumentSheetCall(PPROPSHEETUI_INFO info, LPARAM parameter) {
  switch (info->Reason) {
    case PROPSHEETUI_REASON_INIT:
      return OpenSheet(info, reinterpret_cast<const DOCUMENTPROPERTYHEADER*>(parameter));
    case PROPSHEETUI_REASON_SET_RESULT:
      return DeliverResult(info);
    case PROPSHEETUI_REASON_DESTROY:
      return CloseSheet(info);
    default:
      return 1;
  }
}

LONG APIENTRY DocumentSheetCallback(PCPSUICBPARAM param) {
  DocumentSheet* s = SheetOf(param);
  if (s == nullptr) return CPSUICB_ACTION_NONE;
  switch (param->Reason) {
    case CPSUICB_REASON_SEL_CHANGED:
      if (param->pCurItem != nullptr && param->pCurItem >= s->items && param->pCurItem < s->items + kDocumentItemCount)
        SelectionChanged(*s, *param->pCurItem);
      return CPSUICB_ACTION_OPTIF_CHANGED;
    case CPSUICB_REASON_DLGPROC:
      return CPSUICB_ACTION_OPTIF_CHANGED;
    case CPSUICB_REASON_APPLYNOW:
      ApplySelections(*s);
      return CPSUICB_ACTION_ITEMS_APPLIED;
    case CPSUICB_REASON_UNDO_CHANGES:
    case CPSUICB_REASON_ITEMS_REVERTED:
      std::memcpy(s->edited, &s->backup, sizeof s->backup);
      ShowFields(*s);
      return CPSUICB_ACTION_OPTIF_CHANGED;
    case CPSUICB_REASON_ABOUT:
      RunSheetDialog(nullptr, sheet_dialog::kAbout);
      return CPSUICB_ACTION_ITEMS_APPLIED;
    default:
      return CPSUICB_ACTION_NONE;
  }
}

}  // namespace tolma::ui
