// DomaUI.dll's spooler and registry imports, routed to the host layer.
#include "tests/windows/ui_routes.h"

#include "platform/host/host.h"

namespace tolma::wincheck {
namespace {

const Redirect kRoutes[] = {
    TOLMA_ROUTE("WINSPOOL.DRV", OpenPrinterW),      TOLMA_ROUTE("WINSPOOL.DRV", ClosePrinter),
    TOLMA_ROUTE("WINSPOOL.DRV", GetPrinterW),       TOLMA_ROUTE("WINSPOOL.DRV", SetPrinterW),
    TOLMA_ROUTE("WINSPOOL.DRV", GetPrinterDriverW), TOLMA_ROUTE("WINSPOOL.DRV", GetPrinterDataW),
    TOLMA_ROUTE("WINSPOOL.DRV", StartDocPrinterW),  TOLMA_ROUTE("WINSPOOL.DRV", StartPagePrinter),
    TOLMA_ROUTE("WINSPOOL.DRV", EndPagePrinter),    TOLMA_ROUTE("WINSPOOL.DRV", EndDocPrinter),
    TOLMA_ROUTE("WINSPOOL.DRV", WritePrinter),      TOLMA_ROUTE("ADVAPI32.dll", RegOpenKeyW),
    TOLMA_ROUTE("ADVAPI32.dll", RegOpenKeyA),       TOLMA_ROUTE("ADVAPI32.dll", RegDeleteValueW),
    TOLMA_ROUTE("ADVAPI32.dll", RegCloseKey),
};
const char* const kOwned[] = {"WINSPOOL.DRV", "ADVAPI32.dll"};

}  // namespace

std::span<const Redirect> UiHostRoutes() { return kRoutes; }
std::span<const char* const> UiHostDlls() { return kOwned; }

}  // namespace tolma::wincheck
