// The module-definition file lists exactly the documented entry points that DomaUI implements.
#include "tests/support/fixtures.h"
#include "ui/driver_ui.h"

#include <gtest/gtest.h>

#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>

namespace tolma {
namespace {

// The names under EXPORTS in ui/DomaUI.def.
std::set<std::string> DefExports() {
  std::ifstream in(test::SourcePath("ui/DomaUI.def"));
  std::set<std::string> names;
  std::string line;
  bool exports = false;
  while (std::getline(in, line)) {
    std::istringstream words(line);
    std::string word;
    if (!(words >> word)) continue;
    if (word == "EXPORTS") {
      exports = true;
    } else if (exports) {
      names.insert(word);
    }
  }
  return names;
}

TEST(Exports, DefinitionFileListsTheImplementedDocumentedEntryPoints) {
  // The documented exports of DomaUI, with the functions that implement them.
  const std::map<std::string, const void*> implemented = {
      {"DevQueryPrint", reinterpret_cast<const void*>(&DevQueryPrint)},
      {"DevQueryPrintEx", reinterpret_cast<const void*>(&DevQueryPrintEx)},
      {"DrvAdvancedDocumentProperties", reinterpret_cast<const void*>(&DrvAdvancedDocumentProperties)},
      {"DrvConvertDevMode", reinterpret_cast<const void*>(&DrvConvertDevMode)},
      {"DrvDeviceCapabilities", reinterpret_cast<const void*>(&DrvDeviceCapabilities)},
      {"DrvDevicePropertySheets", reinterpret_cast<const void*>(&DrvDevicePropertySheets)},
      {"DrvDocumentProperties", reinterpret_cast<const void*>(&DrvDocumentProperties)},
      {"DrvDocumentPropertySheets", reinterpret_cast<const void*>(&DrvDocumentPropertySheets)},
      {"DrvPrinterEvent", reinterpret_cast<const void*>(&DrvPrinterEvent)},
      {"DrvUpgradePrinter", reinterpret_cast<const void*>(&DrvUpgradePrinter)},
      {"PrinterProperties", reinterpret_cast<const void*>(&PrinterProperties)},
  };
  std::set<std::string> names;
  for (const auto& entry : implemented) names.insert(entry.first);
  EXPECT_EQ(DefExports(), names);
}

}  // namespace
}  // namespace tolma
