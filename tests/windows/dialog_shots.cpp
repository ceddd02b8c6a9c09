// Dialog windows shown, captured and closed with the system's window manager and GDI.
#include "tests/windows/dialog_shots.h"

#ifndef WIN32_LEAN_AND_MEAN
#define WIN32_LEAN_AND_MEAN
#endif
#include <windows.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <set>
#include <thread>

namespace tolma::wincheck {
namespace {

uint32_t Crc32(const uint8_t* data, size_t size, uint32_t crc = 0) {
  crc = ~crc;
  for (size_t i = 0; i < size; ++i) {
    crc ^= data[i];
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1)));
  }
  return ~crc;
}

void Put32(std::vector<uint8_t>& out, uint32_t v) {
  for (int shift = 24; shift >= 0; shift -= 8) out.push_back(static_cast<uint8_t>(v >> shift));
}

void Chunk(std::vector<uint8_t>& png, const char* type, const std::vector<uint8_t>& data) {
  Put32(png, static_cast<uint32_t>(data.size()));
  std::vector<uint8_t> body(type, type + 4);
  body.insert(body.end(), data.begin(), data.end());
  png.insert(png.end(), body.begin(), body.end());
  Put32(png, Crc32(body.data(), body.size()));
}

// The visible dialog window of a thread that takes input (a modal dialog disables its owner).
struct Search {
  HWND found = nullptr;
};

BOOL CALLBACK FindDialog(HWND window, LPARAM param) {
  auto* search = reinterpret_cast<Search*>(param);
  char name[16] = {};
  GetClassNameA(window, name, sizeof name);
  if (IsWindowVisible(window) && IsWindowEnabled(window) && std::strcmp(name, "#32770") == 0) {
    search->found = window;
    return FALSE;
  }
  return TRUE;
}

// Draws a picture of `width` x `height` pixels with `draw` (on a memory DC holding a 24-bit DIB section, given with
// the screen's DC) and writes it as a PNG. False when something failed.
bool DrawToPng(int width, int height, const std::string& path, const std::function<bool(HDC, HDC)>& draw) {
  if (width <= 0 || height <= 0) return false;
  BITMAPINFO info{};
  info.bmiHeader.biSize = sizeof info.bmiHeader;
  info.bmiHeader.biWidth = width;
  info.bmiHeader.biHeight = height;
  info.bmiHeader.biPlanes = 1;
  info.bmiHeader.biBitCount = 24;
  info.bmiHeader.biCompression = BI_RGB;
  HDC screen = GetDC(nullptr);
  HDC memory = CreateCompatibleDC(screen);
  void* bits = nullptr;
  HBITMAP bitmap = CreateDIBSection(screen, &info, DIB_RGB_COLORS, &bits, nullptr, 0);
  bool ok = false;
  if (bitmap != nullptr && bits != nullptr) {
    HGDIOBJ old = SelectObject(memory, bitmap);
    ok = draw(memory, screen);
    GdiFlush();
    SelectObject(memory, old);
    if (ok) ok = WritePng(path, static_cast<const uint8_t*>(bits), width, height);
  }
  if (bitmap != nullptr) DeleteObject(bitmap);
  DeleteDC(memory);
  ReleaseDC(nullptr, screen);
  return ok;
}

// Writes the window's picture, copied from the screen, as a PNG.
bool Capture(HWND window, const std::string& path) {
  RECT box{};
  if (!GetWindowRect(window, &box)) return false;
  const int width = box.right - box.left, height = box.bottom - box.top;
  return DrawToPng(width, height, path, [&](HDC memory, HDC screen) {
    // What the screen shows where the window is (Wine's PrintWindow leaves out the child controls).
    return BitBlt(memory, 0, 0, width, height, screen, box.left, box.top, SRCCOPY) != FALSE;
  });
}

[[noreturn]] void GiveUp(const std::string& why) {
  std::fprintf(stderr, "dialog_check: %s\n", why.c_str());
  std::fflush(stderr);
  TerminateProcess(GetCurrentProcess(), 3);
  ExitProcess(3);
}

}  // namespace

std::string CaptureIcon(void* module, unsigned groupId, int size, const std::string& path) {
  auto* icon = static_cast<HICON>(
      LoadImageW(static_cast<HMODULE>(module), MAKEINTRESOURCEW(groupId), IMAGE_ICON, size, size, LR_DEFAULTCOLOR));
  if (icon == nullptr) return "LoadImageW found no icon (error " + std::to_string(GetLastError()) + ")";
  constexpr int kScale = 8;
  const int side = size * kScale;
  const bool drawn = DrawToPng(side, side, path, [&](HDC memory, HDC) {
    RECT all{0, 0, side, side};
    FillRect(memory, &all, GetSysColorBrush(COLOR_BTNFACE));
    // Drawn at its size, then enlarged pixel for pixel so that a person can see it.
    return DrawIconEx(memory, 0, 0, icon, size, size, 0, nullptr, DI_NORMAL) &&
           StretchBlt(memory, 0, 0, side, side, memory, 0, 0, size, size, SRCCOPY);
  });
  DestroyIcon(icon);
  return drawn ? "" : "the icon could not be drawn into " + path;
}

bool WritePng(const std::string& path, const uint8_t* bottomUpBgr, int width, int height) {
  const size_t stride = (static_cast<size_t>(width) * 3 + 3) & ~size_t{3};
  std::vector<uint8_t> raw;  // filter byte 0, then RGB, top row first
  raw.reserve((static_cast<size_t>(width) * 3 + 1) * height);
  for (int y = 0; y < height; ++y) {
    const uint8_t* row = bottomUpBgr + stride * static_cast<size_t>(height - 1 - y);
    raw.push_back(0);
    for (int x = 0; x < width; ++x) {
      raw.push_back(row[x * 3 + 2]);
      raw.push_back(row[x * 3 + 1]);
      raw.push_back(row[x * 3]);
    }
  }
  std::vector<uint8_t> z = {0x78, 0x01};
  for (size_t at = 0; at < raw.size() || at == 0;) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    const bool last = at + n == raw.size();
    z.push_back(last ? 1 : 0);
    z.push_back(static_cast<uint8_t>(n));
    z.push_back(static_cast<uint8_t>(n >> 8));
    z.push_back(static_cast<uint8_t>(~n));
    z.push_back(static_cast<uint8_t>(~n >> 8));
    z.insert(z.end(), raw.begin() + at, raw.begin() + at + n);
    at += n;
    if (last) break;
  }
  uint32_t a = 1, b = 0;
  for (uint8_t c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  Put32(z, (b << 16) | a);
  std::vector<uint8_t> png = {0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A};
  std::vector<uint8_t> header;
  Put32(header, static_cast<uint32_t>(width));
  Put32(header, static_cast<uint32_t>(height));
  header.insert(header.end(), {8, 2, 0, 0, 0});  // 8 bits, RGB, deflate, no filter choice, not interlaced
  Chunk(png, "IHDR", header);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", {});
  std::ofstream file(path, std::ios::binary);
  file.write(reinterpret_cast<const char*>(png.data()), static_cast<std::streamsize>(png.size()));
  return static_cast<bool>(file);
}

intptr_t OpenDialog(void* module, unsigned templateId, void* procedure, intptr_t param) {
  return DialogBoxParamW(static_cast<HINSTANCE>(module), MAKEINTRESOURCEW(templateId), nullptr,
                         reinterpret_cast<DLGPROC>(reinterpret_cast<void (*)()>(procedure)), param);
}

DialogShot ShowAndCapture(const std::function<intptr_t()>& open, const std::string& pngBase, int timeoutMs,
                          const std::vector<Press>& presses) {
  DialogShot shot;
  const DWORD owner = GetCurrentThreadId();
  std::atomic<bool> done{false};
  std::thread watcher([&] {
    std::set<HWND> captured;
    HWND first = nullptr;
    size_t pressed = 0;
    std::string nextName;
    DWORD waitStart = GetTickCount();
    while (!done) {
      Search search;
      EnumThreadWindows(owner, FindDialog, reinterpret_cast<LPARAM>(&search));
      HWND window = search.found;
      if (window == nullptr) {
        if (GetTickCount() - waitStart > static_cast<DWORD>(timeoutMs))
          GiveUp(pngBase + ": no dialog window shown within " + std::to_string(timeoutMs) + " ms");
        Sleep(50);
        continue;
      }
      if (captured.count(window) == 0) {
        Sleep(700);  // let it paint
        std::string path = nextName.empty() ? pngBase : nextName;
        if (nextName.empty() && !shot.images.empty()) path.append("-").append(std::to_string(shot.images.size() + 1));
        path += ".png";
        nextName.clear();
        if (Capture(window, path))
          shot.images.push_back(path);
        else
          shot.error += "could not capture " + path + "; ";
        captured.insert(window);
        if (first == nullptr) first = window;
      }
      if (window == first && pressed < presses.size()) {
        // Click the next control, and wait for the dialog it opens to take over.
        const Press& press = presses[pressed++];
        HWND control = GetDlgItem(window, press.control);
        if (control == nullptr || !IsWindowEnabled(control)) {
          shot.error +=
              "control " + std::to_string(press.control) + (control == nullptr ? " missing" : " disabled") + "; ";
          continue;
        }
        PostMessageW(control, BM_CLICK, 0, 0);
        if (press.name.empty()) {
          Sleep(300);
          continue;
        }
        nextName = press.name;
        const DWORD pressStart = GetTickCount();
        while (IsWindowEnabled(window) && GetTickCount() - pressStart < static_cast<DWORD>(timeoutMs)) Sleep(50);
        if (IsWindowEnabled(window)) {
          shot.error += "control " + std::to_string(press.control) + " opened no dialog; ";
          nextName.clear();
        }
        waitStart = GetTickCount();
        continue;
      }
      // Close it: the system menu's Close, then its Cancel button, then its OK button.
      const std::string what = window == first ? pngBase : "a dialog opened from " + pngBase;
      const DWORD closeStart = GetTickCount();
      int attempt = 0;
      while (IsWindow(window) && IsWindowVisible(window)) {
        const DWORD waited = GetTickCount() - closeStart;
        if (attempt == 0) {
          PostMessageW(window, WM_SYSCOMMAND, SC_CLOSE, 0);
          attempt = 1;
        } else if (attempt == 1 && waited > 2000) {
          PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED), 0);
          attempt = 2;
        } else if (attempt == 2 && waited > 4000) {
          PostMessageW(window, WM_COMMAND, MAKEWPARAM(IDOK, BN_CLICKED), 0);
          attempt = 3;
        } else if (waited > static_cast<DWORD>(timeoutMs)) {
          GiveUp(what + ": the dialog did not close within " + std::to_string(timeoutMs) + " ms");
        }
        Sleep(50);
      }
      if (attempt > 1) shot.error += what + " did not close on SC_CLOSE; ";
      waitStart = GetTickCount();
    }
  });
  shot.result = open();
  done = true;
  watcher.join();
  if (shot.images.empty() && shot.error.empty()) shot.error = "no dialog window was shown";
  return shot;
}

}  // namespace tolma::wincheck
