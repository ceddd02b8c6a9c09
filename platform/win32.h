// The one include for Windows interfaces: system headers on Windows, our own declarations elsewhere.
#pragma once

// TOLMA_HOST_ON_WINDOWS: the host layer compiled into a Windows check program, where it plays the engine and the
// spooler for the real DLL. Such code sees our own declarations too; the Windows functions it declares but does
// not define (kernel, files, shell folders) resolve to the system's.
#if defined(_WIN32) && !defined(TOLMA_HOST_ON_WINDOWS)
#define TOLMA_SYSTEM_HEADERS 1
#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#ifndef NOMINMAX
#define NOMINMAX
#endif
#include <windows.h>
#include <winspool.h>
#include <shlobj.h>
#include <shfolder.h>
#include <commctrl.h>
#include <commdlg.h>
#include <cderr.h>
#define TOLMA_WIDE(s) L##s
#define TOLMA_EXPORT extern "C"
#else
#include "platform/win32_host.h"
#define TOLMA_WIDE(s) u##s
#ifdef _WIN32
#define TOLMA_EXPORT extern "C"
#else
#define TOLMA_EXPORT extern "C" __attribute__((visibility("default")))
#endif
#endif

#include "platform/ddi.h"

#include <cstddef>

// Layouts the driver's records and the engine rely on, in both builds.
static_assert(sizeof(WCHAR) == 2, "WCHAR is a UTF-16 code unit");
static_assert(sizeof(LONG) == 4 && sizeof(ULONG) == 4 && sizeof(DWORD) == 4);
static_assert(sizeof(DEVMODEW) == 220, "DEVMODEW with the panning fields");
static_assert(offsetof(DEVMODEW, dmSize) == 68);
static_assert(offsetof(DEVMODEW, dmDriverExtra) == 70);
static_assert(offsetof(DEVMODEW, dmFields) == 72);
static_assert(offsetof(DEVMODEW, dmOrientation) == 76);
static_assert(offsetof(DEVMODEW, dmCopies) == 86);
static_assert(offsetof(DEVMODEW, dmColor) == 92);
static_assert(offsetof(DEVMODEW, dmFormName) == 102);
static_assert(offsetof(DEVMODEW, dmLogPixels) == 166);
static_assert(offsetof(DEVMODEW, dmBitsPerPel) == 168);
static_assert(offsetof(DEVMODEW, dmICMMethod) == 188);
static_assert(offsetof(DEVMODEW, dmMediaType) == 196);
static_assert(offsetof(DEVMODEW, dmReserved2) == 208);
static_assert(offsetof(DEVMODEW, dmPanningWidth) == 212, "dmSize 212 ends before the panning fields");

// Records the dialogs and their controls exchange with the system.
static_assert(sizeof(PAINTSTRUCT) == 72 && offsetof(PAINTSTRUCT, rcPaint) == 12);
static_assert(sizeof(BITMAP) == 32 && offsetof(BITMAP, bmBits) == 24);
static_assert(sizeof(NMHDR) == 24 && offsetof(NMHDR, code) == 16);
static_assert(sizeof(NMUPDOWN) == 32 && offsetof(NMUPDOWN, iPos) == 24);
static_assert(sizeof(INITCOMMONCONTROLSEX) == 8);
static_assert(sizeof(OPENFILENAMEW) == 152);
static_assert(offsetof(OPENFILENAMEW, lpstrFile) == 48 && offsetof(OPENFILENAMEW, nMaxFile) == 56);
static_assert(offsetof(OPENFILENAMEW, Flags) == 96 && offsetof(OPENFILENAMEW, nFileOffset) == 100);
static_assert(offsetof(OPENFILENAMEW, lpstrDefExt) == 104 && offsetof(OPENFILENAMEW, FlagsEx) == 148);
static_assert(sizeof(DLGPROC) == 8 && sizeof(INT_PTR) == 8 && sizeof(LPARAM) == 8 && sizeof(WPARAM) == 8);
