// Graphics-engine (DDI) types, constants and engine functions the driver uses, with Windows x64 layouts.
#pragma once

#include <cstddef>

#ifndef TOLMA_SYSTEM_HEADERS
// Types the Windows headers supply and the host must declare.
typedef struct tagLOGFONTW {
  LONG lfHeight;
  LONG lfWidth;
  LONG lfEscapement;
  LONG lfOrientation;
  LONG lfWeight;
  BYTE lfItalic;
  BYTE lfUnderline;
  BYTE lfStrikeOut;
  BYTE lfCharSet;
  BYTE lfOutPrecision;
  BYTE lfClipPrecision;
  BYTE lfQuality;
  BYTE lfPitchAndFamily;
  WCHAR lfFaceName[32];
} LOGFONTW;
typedef struct tagSIZE {
  LONG cx;
  LONG cy;
} SIZE;
typedef struct tagCOLORADJUSTMENT {
  WORD caSize;
  WORD caFlags;
  WORD caIlluminantIndex;
  WORD caRedGamma;
  WORD caGreenGamma;
  WORD caBlueGamma;
  WORD caReferenceBlack;
  WORD caReferenceWhite;
  SHORT caContrast;
  SHORT caBrightness;
  SHORT caColorfulness;
  SHORT caRedGreenTint;
} COLORADJUSTMENT;
#define DT_RASPRINTER 2
#define BLACKONWHITE 1
#define QUERYESCSUPPORT 8
#define PASSTHROUGH 19
#endif

static_assert(sizeof(LOGFONTW) == 92);

#define TOLMA_DDI_HANDLE(name) \
  struct name##__ {            \
    int unused;                \
  };                           \
  typedef struct name##__* name
TOLMA_DDI_HANDLE(HSURF);
TOLMA_DDI_HANDLE(DHSURF);
TOLMA_DDI_HANDLE(DHPDEV);
TOLMA_DDI_HANDLE(HDEV);
#undef TOLMA_DDI_HANDLE

typedef LONG_PTR(APIENTRY* PFN)();
typedef LONG LDECI4;
typedef ULONG HGLYPH;
typedef ULONG MIX;
typedef ULONG ROP4;
typedef ULONG IDENT;
typedef union _FLOAT_LONG {
  float e;
  LONG l;
} FLOAT_LONG, *PFLOAT_LONG;
typedef float FLOATL;

typedef struct _CIECHROMA {
  LDECI4 x;
  LDECI4 y;
  LDECI4 Y;
} CIECHROMA;

typedef struct _COLORINFO {
  CIECHROMA Red;
  CIECHROMA Green;
  CIECHROMA Blue;
  CIECHROMA Cyan;
  CIECHROMA Magenta;
  CIECHROMA Yellow;
  CIECHROMA AlignmentWhite;
  LDECI4 RedGamma;
  LDECI4 GreenGamma;
  LDECI4 BlueGamma;
  LDECI4 MagentaInCyanDye;
  LDECI4 YellowInCyanDye;
  LDECI4 CyanInMagentaDye;
  LDECI4 YellowInMagentaDye;
  LDECI4 CyanInYellowDye;
  LDECI4 MagentaInYellowDye;
} COLORINFO;

typedef struct _GDIINFO {
  ULONG ulVersion;
  ULONG ulTechnology;
  ULONG ulHorzSize;
  ULONG ulVertSize;
  ULONG ulHorzRes;
  ULONG ulVertRes;
  ULONG cBitsPixel;
  ULONG cPlanes;
  ULONG ulNumColors;
  ULONG flRaster;
  ULONG ulLogPixelsX;
  ULONG ulLogPixelsY;
  ULONG flTextCaps;
  ULONG ulDACRed;
  ULONG ulDACGreen;
  ULONG ulDACBlue;
  ULONG ulAspectX;
  ULONG ulAspectY;
  ULONG ulAspectXY;
  LONG xStyleStep;
  LONG yStyleStep;
  LONG denStyleStep;
  POINTL ptlPhysOffset;
  SIZEL szlPhysSize;
  ULONG ulNumPalReg;
  COLORINFO ciDevice;
  ULONG ulDevicePelsDPI;
  ULONG ulPrimaryOrder;
  ULONG ulHTPatternSize;
  ULONG ulHTOutputFormat;
  ULONG flHTFlags;
  ULONG ulVRefresh;
  ULONG ulBltAlignment;
  ULONG ulPanningHorzRes;
  ULONG ulPanningVertRes;
  ULONG xPanningAlignment;
  ULONG yPanningAlignment;
  ULONG cxHTPat;
  ULONG cyHTPat;
  LPBYTE pHTPatA;
  LPBYTE pHTPatB;
  LPBYTE pHTPatC;
  ULONG flShadeBlend;
  ULONG ulPhysicalPixelCharacteristics;
  ULONG ulPhysicalPixelGamma;
} GDIINFO, *PGDIINFO;

typedef struct _DEVINFO {
  FLONG flGraphicsCaps;
  LOGFONTW lfDefaultFont;
  LOGFONTW lfAnsiVarFont;
  LOGFONTW lfAnsiFixFont;
  ULONG cFonts;
  ULONG iDitherFormat;
  USHORT cxDither;
  USHORT cyDither;
  HPALETTE hpalDefault;
  FLONG flGraphicsCaps2;
} DEVINFO, *PDEVINFO;

typedef struct _DRVFN {
  ULONG iFunc;
  PFN pfn;
} DRVFN, *PDRVFN;

typedef struct _DRVENABLEDATA {
  ULONG iDriverVersion;
  ULONG c;
  DRVFN* pdrvfn;
} DRVENABLEDATA, *PDRVENABLEDATA;

typedef struct _SURFOBJ {
  DHSURF dhsurf;
  HSURF hsurf;
  DHPDEV dhpdev;
  HDEV hdev;
  SIZEL sizlBitmap;
  ULONG cjBits;
  PVOID pvBits;
  PVOID pvScan0;
  LONG lDelta;
  ULONG iUniq;
  ULONG iBitmapFormat;
  USHORT iType;
  USHORT fjBitmap;
} SURFOBJ;

typedef struct _CLIPOBJ {
  ULONG iUniq;
  RECTL rclBounds;
  BYTE iDComplexity;
  BYTE iFComplexity;
  BYTE iMode;
  BYTE fjOptions;
} CLIPOBJ;

typedef struct _BRUSHOBJ {
  ULONG iSolidColor;
  PVOID pvRbrush;
  FLONG flColorType;
} BRUSHOBJ;

typedef struct _XLATEOBJ {
  ULONG iUniq;
  FLONG flXlate;
  USHORT iSrcType;
  USHORT iDstType;
  ULONG cEntries;
  ULONG* pulXlate;
} XLATEOBJ;

typedef struct _PATHOBJ {
  FLONG fl;
  ULONG cCurves;
} PATHOBJ;

typedef struct _XFORMOBJ {
  ULONG ulReserved;
} XFORMOBJ;

typedef struct _LINEATTRS {
  FLONG fl;
  ULONG iJoin;
  ULONG iEndCap;
  FLOAT_LONG elWidth;
  FLOATL eMiterLimit;
  ULONG cstyle;
  PFLOAT_LONG pstyle;
  FLOAT_LONG elStyleState;
} LINEATTRS;

typedef struct _GLYPHDEF GLYPHDEF;
typedef struct _GLYPHPOS {
  HGLYPH hg;
  GLYPHDEF* pgdf;
  POINTL ptl;
} GLYPHPOS;

typedef struct _STROBJ {
  ULONG cGlyphs;
  FLONG flAccel;
  ULONG ulCharInc;
  RECTL rclBkGround;
  GLYPHPOS* pgp;
  LPWSTR pwszOrg;
} STROBJ;

typedef struct _FONTOBJ {
  ULONG iUniq;
  ULONG iFace;
  ULONG cxMax;
  FLONG flFontType;
  ULONG_PTR iTTUniq;
  ULONG_PTR iFile;
  SIZE sizLogResPpi;
  ULONG ulStyleSize;
  PVOID pvConsumer;
  PVOID pvProducer;
} FONTOBJ;

typedef struct _WCRUN {
  WCHAR wcLow;
  USHORT cGlyphs;
  HGLYPH* phg;
} WCRUN;

typedef struct _FD_GLYPHSET {
  ULONG cjThis;
  FLONG flAccel;
  ULONG cGlyphsSupported;
  ULONG cRuns;
  WCRUN awcrun[1];
} FD_GLYPHSET;

// Windows x64 sizes (structures with pointers are larger than in a 32-bit build).
static_assert(sizeof(COLORINFO) == 120);
static_assert(sizeof(GDIINFO) == 320 && offsetof(GDIINFO, pHTPatA) == 280);
static_assert(sizeof(DEVINFO) == 312 && offsetof(DEVINFO, hpalDefault) == 296);
static_assert(sizeof(DRVFN) == 16 && sizeof(DRVENABLEDATA) == 16);
static_assert(sizeof(SURFOBJ) == 80 && offsetof(SURFOBJ, pvScan0) == 56 && offsetof(SURFOBJ, iBitmapFormat) == 72);
static_assert(sizeof(CLIPOBJ) == 24 && sizeof(BRUSHOBJ) == 24 && sizeof(XLATEOBJ) == 24);
static_assert(sizeof(LINEATTRS) == 40 && sizeof(STROBJ) == 48 && offsetof(STROBJ, pwszOrg) == 40);
static_assert(sizeof(FONTOBJ) == 64 && sizeof(WCRUN) == 16 && sizeof(FD_GLYPHSET) == 32);

// Function-table indices.
#define INDEX_DrvEnablePDEV 0L
#define INDEX_DrvCompletePDEV 1L
#define INDEX_DrvDisablePDEV 2L
#define INDEX_DrvEnableSurface 3L
#define INDEX_DrvDisableSurface 4L
#define INDEX_DrvResetPDEV 7L
#define INDEX_DrvStrokePath 14L
#define INDEX_DrvFillPath 15L
#define INDEX_DrvStrokeAndFillPath 16L
#define INDEX_DrvPaint 17L
#define INDEX_DrvBitBlt 18L
#define INDEX_DrvCopyBits 19L
#define INDEX_DrvStretchBlt 20L
#define INDEX_DrvTextOut 23L
#define INDEX_DrvEscape 24L
#define INDEX_DrvLineTo 31L
#define INDEX_DrvSendPage 32L
#define INDEX_DrvStartPage 33L
#define INDEX_DrvEndDoc 34L
#define INDEX_DrvStartDoc 35L

#define DDI_DRIVER_VERSION_NT4 0x00020000
#define DDI_DRIVER_VERSION_NT5 0x00030000
#define DRVQUERY_USERMODE 0x00000001

#define GCAPS_HALFTONE 0x00000010
#define BMF_1BPP 1L
#define BMF_24BPP 5L
#define BMF_TOPDOWN 0x0001
#define BMF_NOZEROINIT 0x0002
#define STYPE_BITMAP 0L
#define PAL_BGR 0x00000008

#define HOOK_BITBLT 0x00000001
#define HOOK_STRETCHBLT 0x00000002
#define HOOK_TEXTOUT 0x00000008
#define HOOK_PAINT 0x00000010
#define HOOK_STROKEPATH 0x00000020
#define HOOK_FILLPATH 0x00000040
#define HOOK_STROKEANDFILLPATH 0x00000080
#define HOOK_LINETO 0x00000100
#define HOOK_COPYBITS 0x00000400

#define PRIMARY_ORDER_CBA 4
#define HT_PATSIZE_SUPERCELL_M 17
#define HT_FORMAT_24BPP 6
#define HT_FLAG_HAS_BLACK_DYE 0x00000002
#define SO_GLYPHINDEX_TEXTOUT 0x00000100

#define DC_TRIVIAL 0
#define DC_RECT 1
#define DC_COMPLEX 3

#if defined(TOLMA_SYSTEM_HEADERS)
#define TOLMA_ENGAPI extern "C" __declspec(dllimport)
#elif defined(_WIN32)
#define TOLMA_ENGAPI extern "C"
#else
#define TOLMA_ENGAPI extern "C" __attribute__((visibility("default")))
#endif

// Engine services.
TOLMA_ENGAPI HBITMAP APIENTRY EngCreateBitmap(SIZEL size, LONG width, ULONG format, FLONG flags, PVOID bits);
TOLMA_ENGAPI BOOL APIENTRY EngAssociateSurface(HSURF surface, HDEV device, FLONG hooks);
TOLMA_ENGAPI BOOL APIENTRY EngDeleteSurface(HSURF surface);
TOLMA_ENGAPI SURFOBJ* APIENTRY EngLockSurface(HSURF surface);
TOLMA_ENGAPI VOID APIENTRY EngUnlockSurface(SURFOBJ* surface);
TOLMA_ENGAPI HPALETTE APIENTRY EngCreatePalette(ULONG mode, ULONG count, ULONG* colors, FLONG red, FLONG green,
                                                FLONG blue);
TOLMA_ENGAPI BOOL APIENTRY EngDeletePalette(HPALETTE palette);

// Colour translation, path fill modes and stretch modes of the drawing routines.
#define XO_TRIVIAL 0x00000001
#define XO_TABLE 0x00000002
#define FP_ALTERNATEMODE 1
#define FP_WINDINGMODE 2
#ifndef TOLMA_SYSTEM_HEADERS
#define WHITEONBLACK 2
#define COLORONCOLOR 3
#define HALFTONE 4
#endif

// Engine drawing routines (the hooks draw through them) and the font's glyph set.
TOLMA_ENGAPI BOOL APIENTRY EngBitBlt(SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip, XLATEOBJ* xlate,
                                     RECTL* targetRect, POINTL* sourcePoint, POINTL* maskPoint, BRUSHOBJ* brush,
                                     POINTL* brushOrigin, ROP4 rop4);
TOLMA_ENGAPI BOOL APIENTRY EngCopyBits(SURFOBJ* target, SURFOBJ* source, CLIPOBJ* clip, XLATEOBJ* xlate,
                                       RECTL* targetRect, POINTL* sourcePoint);
TOLMA_ENGAPI BOOL APIENTRY EngStretchBlt(SURFOBJ* target, SURFOBJ* source, SURFOBJ* mask, CLIPOBJ* clip,
                                         XLATEOBJ* xlate, COLORADJUSTMENT* colorAdjustment, POINTL* halftoneOrigin,
                                         RECTL* targetRect, RECTL* sourceRect, POINTL* maskPoint, ULONG mode);
TOLMA_ENGAPI BOOL APIENTRY EngPaint(SURFOBJ* target, CLIPOBJ* clip, BRUSHOBJ* brush, POINTL* brushOrigin, MIX mix);
TOLMA_ENGAPI BOOL APIENTRY EngFillPath(SURFOBJ* target, PATHOBJ* path, CLIPOBJ* clip, BRUSHOBJ* brush,
                                       POINTL* brushOrigin, MIX mix, FLONG options);
TOLMA_ENGAPI BOOL APIENTRY EngStrokePath(SURFOBJ* target, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform,
                                         BRUSHOBJ* brush, POINTL* brushOrigin, LINEATTRS* lineAttrs, MIX mix);
TOLMA_ENGAPI BOOL APIENTRY EngStrokeAndFillPath(SURFOBJ* target, PATHOBJ* path, CLIPOBJ* clip, XFORMOBJ* xform,
                                                BRUSHOBJ* strokeBrush, LINEATTRS* lineAttrs, BRUSHOBJ* fillBrush,
                                                POINTL* brushOrigin, MIX fillMix, FLONG options);
TOLMA_ENGAPI BOOL APIENTRY EngLineTo(SURFOBJ* target, CLIPOBJ* clip, BRUSHOBJ* brush, LONG x1, LONG y1, LONG x2,
                                     LONG y2, RECTL* bounds, MIX mix);
TOLMA_ENGAPI BOOL APIENTRY EngTextOut(SURFOBJ* target, STROBJ* text, FONTOBJ* font, CLIPOBJ* clip, RECTL* extraRects,
                                      RECTL* opaqueRect, BRUSHOBJ* foreBrush, BRUSHOBJ* opaqueBrush, POINTL* origin,
                                      MIX mix);
TOLMA_ENGAPI FD_GLYPHSET* APIENTRY FONTOBJ_pfdg(FONTOBJ* font);

// Clip objects a driver makes for its own calls to the drawing routines (set iDComplexity and rclBounds).
#define FC_RECT 1
#define TC_RECTANGLES 4
TOLMA_ENGAPI CLIPOBJ* APIENTRY EngCreateClip();
TOLMA_ENGAPI VOID APIENTRY EngDeleteClip(CLIPOBJ* clip);
