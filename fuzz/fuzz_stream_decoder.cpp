// Fuzzes the command stream reader of the inspector, with its listing, summary and panel pictures.
#include "tools/lib/inspect.h"
#include "tools/lib/stream_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolma;
  using namespace tolma::tools;
  const CommandStream stream = ReadCommandStream(std::span<const uint8_t>(data, size));
  (void)FormatListing(stream);
  (void)FormatErrors(stream);
  (void)FormatSummary(SummariseJob(stream));
  PageAssumption pages;
  pages.portrait = size > 0 && (data[0] & 1);
  (void)PanelPictures(stream, pages);
  return 0;
}
