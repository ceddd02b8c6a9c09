// raster_check.exe: prints the Windows check's documents with the real DomaRaster.dll under Wine. The DLL's
// graphics-engine, GDI and WritePrinter imports are pointed at the host layer compiled into this program (the
// engine and spooler the Linux build runs on), and each job runs exactly as tolma-print runs it: once as the process
// starts and once with the x87 unit set to single precision.
#include "common/devmode.h"
#include "platform/host/host.h"
#include "tests/windows/dll_imports.h"
#include "tests/windows/job_file.h"
#include "tools/lib/print_run.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <iterator>

namespace {

namespace fs = std::filesystem;
using tolma::wincheck::Redirect;

// What the DLL takes from the engine, GDI, the window manager and the spooler, and the host's stand-in for each.
const Redirect kRedirects[] = {
    TOLMA_ROUTE("GDI32.dll", EngCreateBitmap),  TOLMA_ROUTE("GDI32.dll", EngAssociateSurface),
    TOLMA_ROUTE("GDI32.dll", EngDeleteSurface), TOLMA_ROUTE("GDI32.dll", EngLockSurface),
    TOLMA_ROUTE("GDI32.dll", EngUnlockSurface), TOLMA_ROUTE("GDI32.dll", EngCreatePalette),
    TOLMA_ROUTE("GDI32.dll", EngDeletePalette), TOLMA_ROUTE("GDI32.dll", EngBitBlt),
    TOLMA_ROUTE("GDI32.dll", EngCopyBits),      TOLMA_ROUTE("GDI32.dll", EngStretchBlt),
    TOLMA_ROUTE("GDI32.dll", EngPaint),         TOLMA_ROUTE("GDI32.dll", EngFillPath),
    TOLMA_ROUTE("GDI32.dll", EngStrokePath),    TOLMA_ROUTE("GDI32.dll", EngStrokeAndFillPath),
    TOLMA_ROUTE("GDI32.dll", EngLineTo),        TOLMA_ROUTE("GDI32.dll", EngTextOut),
    TOLMA_ROUTE("GDI32.dll", FONTOBJ_pfdg),     TOLMA_ROUTE("GDI32.dll", EngCreateClip),
    TOLMA_ROUTE("GDI32.dll", EngDeleteClip),    TOLMA_ROUTE("GDI32.dll", CreateCompatibleDC),
    TOLMA_ROUTE("GDI32.dll", DeleteDC),         TOLMA_ROUTE("GDI32.dll", SelectObject),
    TOLMA_ROUTE("GDI32.dll", DeleteObject),     TOLMA_ROUTE("GDI32.dll", CreateDIBitmap),
    TOLMA_ROUTE("GDI32.dll", StretchDIBits),    TOLMA_ROUTE("GDI32.dll", GetDIBits),
    TOLMA_ROUTE("USER32.dll", GetTopWindow),    TOLMA_ROUTE("USER32.dll", BeginPaint),
    TOLMA_ROUTE("USER32.dll", EndPaint),        TOLMA_ROUTE("WINSPOOL.DRV", WritePrinter),
};
// Every import from these must be routed: Wine binds the engine's functions to stubs that fault when called.
const char* const kOwned[] = {"GDI32.dll", "USER32.dll", "WINSPOOL.DRV"};

bool ReadFile(const fs::path& path, std::vector<uint8_t>& bytes) {
  std::ifstream in(path, std::ios::binary);
  bytes.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  return static_cast<bool>(in) || in.eof();
}

bool WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream out(path, std::ios::binary);
  out.write(reinterpret_cast<const char*>(bytes.data()), static_cast<std::streamsize>(bytes.size()));
  return static_cast<bool>(out.flush());
}

// The overlay bitmap files were named on Linux: the DLL opens them with the system's file calls, on Wine's Z: drive.
void MapOverlayPaths(std::vector<uint8_t>& devmode) {
  if (devmode.size() < sizeof(DEVMODEW) - 8 + sizeof(tolma::PrivateDevmode)) return;
  tolma::PrivateDevmode priv;
  const size_t at = devmode.size() - sizeof priv;
  std::memcpy(&priv, devmode.data() + at, sizeof priv);
  for (tolma::OverlayArea* area : {&priv.frontOverlay, &priv.backOverlay}) {
    const size_t length =
        std::find(std::begin(area->bitmapPath), std::end(area->bitmapPath), WCHAR{0}) - std::begin(area->bitmapPath);
    if (length == 0 || length == std::size(area->bitmapPath)) continue;
    const std::string path =
        tolma::wincheck::WindowsPath(tolma::host::Utf8(std::basic_string<WCHAR>(area->bitmapPath, length).c_str()));
    const std::basic_string<WCHAR> wide = tolma::host::Wide(path);
    if (wide.size() >= std::size(area->bitmapPath)) continue;
    std::fill(std::begin(area->bitmapPath), std::end(area->bitmapPath), WCHAR{0});
    std::copy(wide.begin(), wide.end(), area->bitmapPath);
  }
  std::memcpy(devmode.data() + at, &priv, sizeof priv);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 4) {
    std::fprintf(stderr, "usage: raster_check.exe DomaRaster.dll JOBS_DIR OUT_DIR\n");
    return 2;
  }
  const fs::path jobsDir = argv[2], outDir = argv[3];
  tolma::wincheck::LoadedDll dll = tolma::wincheck::LoadWithRedirects(argv[1], kRedirects, kOwned);
  if (dll.module == nullptr || !dll.error.empty()) {
    std::fprintf(stderr, "raster_check: %s\n", dll.error.c_str());
    return 1;
  }
  std::fprintf(stderr, "raster_check: %s loaded; %zu imports routed to the host engine, GDI and spooler\n", argv[1],
               dll.routed.size());
  for (const std::string& name : dll.notImported)
    std::fprintf(stderr, "raster_check: note: not imported: %s\n", name.c_str());
  auto enable = tolma::wincheck::Export<tolma::host::DrvEnableDriverFn>(dll.module, "DrvEnableDriver");
  auto disable = tolma::wincheck::Export<tolma::host::DrvDisableDriverFn>(dll.module, "DrvDisableDriver");
  if (enable == nullptr || disable == nullptr) {
    std::fprintf(stderr, "raster_check: the DLL lacks DrvEnableDriver or DrvDisableDriver\n");
    return 1;
  }

  std::vector<fs::path> jobs;
  for (const auto& entry : fs::directory_iterator(jobsDir))
    if (entry.path().extension() == ".job") jobs.push_back(entry.path());
  std::sort(jobs.begin(), jobs.end());

  // Every job twice: as the process starts, and with the x87 unit at single precision, where an application may
  // have left it; the driver's streams must not depend on it.
  int failed = 0;
  for (const int precision : {0, 24}) {
    const fs::path dir = precision == 0 ? outDir : outDir / ("x87-" + std::to_string(precision) + "bit");
    fs::create_directories(dir);
    const int previous = precision == 0 ? 0 : tolma::wincheck::SetX87Precision(precision);
    for (const fs::path& path : jobs) {
      const std::string name = path.stem().string();
      std::vector<uint8_t> bytes;
      tolma::tools::PrintJob job;
      std::string error;
      if (!ReadFile(path, bytes) || !tolma::wincheck::DecodeJob(bytes, job, error)) {
        std::fprintf(stderr, "raster_check: %s: cannot read the job: %s\n", name.c_str(), error.c_str());
        ++failed;
        continue;
      }
      MapOverlayPaths(job.devmode);
      const tolma::tools::PrintRun run = tolma::tools::RunPrintJob(job, enable, disable);
      if (!run.ok || !WriteFile(dir / (name + ".prn"), run.stream)) {
        std::fprintf(stderr, "raster_check: %s: %s\n", name.c_str(),
                     run.ok ? "cannot write the stream" : run.error.c_str());
        ++failed;
        continue;
      }
      std::fprintf(stderr, "raster_check: %s%s: %zu bytes\n",
                   precision ? ("x87 " + std::to_string(precision) + "-bit, ").c_str() : "", name.c_str(),
                   run.stream.size());
    }
    if (precision != 0) tolma::wincheck::SetX87Precision(previous);
  }
  tolma::wincheck::UnloadDll(dll.module);
  std::fprintf(stderr, "raster_check: %d of %zu runs printed\n", static_cast<int>(jobs.size() * 2) - failed,
               jobs.size() * 2);
  return failed == 0 && !jobs.empty() ? 0 : 1;
}
