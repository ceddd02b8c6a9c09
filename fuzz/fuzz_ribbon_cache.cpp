// Fuzzes the contents of the model and ribbon cache file.
#include "raster/model_cache.h"

#include "common/ribbon.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  tolma::RibbonCache cache;
  tolma::ParseRibbonCache(std::span<const uint8_t>(data, size), cache);
  const int type = tolma::RibbonTypeFromPrinterCode(cache.ribbonCode);
  const std::string_view model = cache.ModelText();
  return (type >= 0 && type <= 15 && model.size() <= 32 && !tolma::IsTwoSidedModel(model)) ? 0 : 0;
}
