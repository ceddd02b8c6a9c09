// Fuzzes the command stream reader of the inspector.
#include "tools/lib/stream_reader.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const tolma::CommandStream stream = tolma::ReadCommandStream(std::span<const uint8_t>(data, size));
  for (const tolma::StreamItem& item : stream.items) (void)tolma::Printable(item.bytes);
  return 0;
}
