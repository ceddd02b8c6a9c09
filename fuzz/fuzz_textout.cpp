// Fuzzes text given to DrvTextOut: inserted commands, both magnetic forms and glyph-index text, with random
// encoder settings, through the capture and through the hook on an open page.
#include "fuzz/support.h"
#include "raster/context.h"
#include "raster/text_capture.h"

#include <array>
#include <cstring>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  using namespace tolma;
  fuzz::Input in(data, size);
  PrivateDevmode priv = DefaultPrivateDevmode();
  const uint8_t flags = in.Byte();
  priv.encoder.hasEncoder = flags & 1;
  priv.encoder.macroProcessing = (flags >> 1) & 1;
  // Markers of any content, terminated or not.
  const auto start = in.Take(sizeof priv.encoder.startOfData);
  const auto end = in.Take(sizeof priv.encoder.endOfData);
  std::memcpy(priv.encoder.startOfData, start.data(), start.size());
  std::memcpy(priv.encoder.endOfData, end.data(), end.size());
  // Insert buffers partly filled, some without a zero byte.
  std::array<std::array<uint8_t, kInsertBufferSize>, kInsertBufferCount> buffers{};
  std::array<std::span<uint8_t>, kInsertBufferCount> views;
  for (size_t i = 0; i < buffers.size(); ++i) {
    std::memset(buffers[i].data(), 'x', in.U16() % (kInsertBufferSize + 1));
    views[i] = buffers[i];
  }
  // The rest is the text, as 16-bit characters, possibly glyph handles.
  const auto rest = in.Rest();
  std::vector<WCHAR> text(rest.size() / 2);
  for (size_t i = 0; i < text.size(); ++i) text[i] = static_cast<WCHAR>(rest[2 * i] | (rest[2 * i + 1] << 8));
  if (flags & 4) {
    const HGLYPH handles[] = {5, 9, 0x41, 0x7E, 0x31};
    const GlyphRunView run{static_cast<WCHAR>(0x30 + (flags >> 4)), std::size(handles), handles};
    std::vector<WCHAR> translated(kGlyphTextCapacity);
    translated.resize(TranslateGlyphs(text, run, translated));
    text.swap(translated);
  }
  CaptureText(text, priv, views);

  // The same text through the hook on an open page.
  fuzz::Scene& scene = fuzz::TheScene();
  std::vector<uint8_t> devmode(kFullDevmodeSize);
  WriteDefaultPublicDevmode(std::span<uint8_t, kPublicDevmodeSize>(devmode.data(), kPublicDevmodeSize));
  std::memcpy(devmode.data() + kPublicDevmodeSize, &priv, sizeof priv);
  static host::EngineDevice* device = nullptr;
  if (device == nullptr) {
    device = new host::EngineDevice(*scene.driver, devmode, fuzz::FreshPrinter());
    device->StartDoc(u"Fuzz");
    device->StartPage();
  }
  auto* ctx = reinterpret_cast<RenderContext*>(device->pdev());
  std::memcpy(&ctx->priv.encoder, &priv.encoder, sizeof priv.encoder);
  for (size_t i = 0; i < buffers.size(); ++i) std::memcpy(ctx->insertBuffers[i], buffers[i].data(), kInsertBufferSize);
  device->DrawText(std::u16string(text.begin(), text.end()), {10, 40}, flags & 8 ? 0 : 0xFF0000, 4, 6);
  return 0;
}
