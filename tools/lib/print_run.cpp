// One print job on the host: printer, cache folder, driver, device context, document.
#include "tools/lib/print_run.h"

#include "platform/host/host.h"

#include <filesystem>
#include <fstream>
#ifdef TOLMA_HOST_ON_WINDOWS
#include <random>
#else
#include <unistd.h>
#endif

namespace tolma::tools {
namespace {

constexpr const char* kPrinterName = "Tolma Q47x Card Printer";

// A fresh folder under the system's temporary folder, removed with the object.
class ScratchFolder {
 public:
  ScratchFolder() {
    std::error_code ec;
#ifdef TOLMA_HOST_ON_WINDOWS
    const std::filesystem::path temp = std::filesystem::temp_directory_path(ec);
    std::random_device random;
    for (int attempt = 0; attempt < 100 && path_.empty() && !ec; ++attempt) {
      const std::filesystem::path name = temp / ("tolma-print-" + std::to_string(random()));
      if (std::filesystem::create_directory(name, ec)) path_ = name.string();
    }
#else
    std::string pattern = (std::filesystem::temp_directory_path(ec) / "tolma-print-XXXXXX").string();
    if (ec) pattern = "/tmp/tolma-print-XXXXXX";
    std::vector<char> name(pattern.begin(), pattern.end());
    name.push_back('\0');
    if (mkdtemp(name.data()) != nullptr) path_ = name.data();
#endif
  }
  ~ScratchFolder() {
    std::error_code ec;
    if (!path_.empty()) std::filesystem::remove_all(path_, ec);
  }
  ScratchFolder(const ScratchFolder&) = delete;
  ScratchFolder& operator=(const ScratchFolder&) = delete;
  const std::string& path() const { return path_; }

 private:
  std::string path_;
};

// Runs the document on an open device; returns the failing step, empty when every call succeeded.
std::string RunDocument(host::EngineDevice& device, const PrintJob& job) {
  if (!device.StartDoc(u"tolma-print")) return "the driver refused to start the document (DrvStartDoc)";
  std::string error;
  for (size_t i = 0; i < job.pages.size() && error.empty(); ++i) {
    const PageDrawing& page = job.pages[i];
    const std::string which = "page " + std::to_string(i + 1);
    if (!device.StartPage()) {
      error = "the driver refused " + which + " (DrvStartPage)";
      break;
    }
    if (page.picture) {
      const PagePicture& p = *page.picture;
      const RECTL target{p.x, p.y, p.x + p.width, p.y + p.height};
      if (!device.DrawImage(p.bgr.data(), p.width, p.height, p.stride, target))
        error = "drawing the image of " + which + " failed (DrvCopyBits)";
    }
    for (const std::u16string& text : page.texts) {
      if (error.empty() && !device.DrawText(text, POINTL{8, 32}, 0x000000))
        error = "giving the driver the track text on " + which + " failed (DrvTextOut)";
    }
    if (error.empty() && !device.SendPage()) error = "the driver failed to send " + which + " (DrvSendPage)";
  }
  const bool ended = device.EndDoc() != FALSE;
  if (error.empty() && !ended) error = "the driver failed to end the document (DrvEndDoc)";
  return error;
}

}  // namespace

PrintRun RunPrintJob(const PrintJob& job, host::DrvEnableDriverFn enable, host::DrvDisableDriverFn disable) {
  PrintRun run;
  ScratchFolder folder;
  if (folder.path().empty()) {
    run.error = "cannot create a temporary folder";
    return run;
  }
  std::string cacheFolder = folder.path();
#ifdef TOLMA_HOST_ON_WINDOWS
  // In a Windows check program the driver asks the system for the local application-data folder, so the cache
  // goes there, where the printer's status component keeps it; it is removed after the run.
  WCHAR localAppData[MAX_PATH] = {};
  if (SHGetFolderPathW(nullptr, CSIDL_LOCAL_APPDATA, nullptr, SHGFP_TYPE_CURRENT, localAppData) < 0) {
    run.error = "cannot find the local application-data folder";
    return run;
  }
  cacheFolder = host::Utf8(localAppData);
  struct CacheRemover {
    std::filesystem::path path;
    ~CacheRemover() {
      std::error_code ec;
      std::filesystem::remove(path, ec);
    }
  } remover{std::filesystem::path(cacheFolder) / "DomaRibmod.ini"};
  std::error_code stale;
  std::filesystem::remove(remover.path, stale);  // a job without a cache must not find one of an earlier job
#endif
  if (job.ribbonCache) {
    std::ofstream cache(std::filesystem::path(cacheFolder) / "DomaRibmod.ini", std::ios::binary);
    cache << *job.ribbonCache;
    if (!cache.flush()) {
      run.error = "cannot write the model and ribbon cache in " + cacheFolder;
      return run;
    }
  }
  host::SetLocalAppDataFolder(folder.path());
  host::AddPrinter({kPrinterName, folder.path(), "DomaRaster.dll", job.dataFile});
  std::basic_string<WCHAR> name = host::Wide(kPrinterName);
  HANDLE printer = nullptr;
  if (!OpenPrinterW(name.data(), &printer, nullptr)) {
    run.error = "cannot open the host printer";
  } else {
    {
      host::EngineDriver driver(enable, disable);
      if (!driver.enabled()) {
        run.error = "the driver did not enable (DrvEnableDriver)";
      } else {
        host::EngineDevice device(driver, job.devmode, printer);
        run.error = device.ok() ? RunDocument(device, job)
                                : "the driver did not create its device (DrvEnablePDEV or DrvEnableSurface)";
      }
    }
    run.stream = host::WrittenBytes(printer);
    ClosePrinter(printer);
  }
  host::SetLocalAppDataFolder("");
  run.ok = run.error.empty();
  return run;
}

}  // namespace tolma::tools
