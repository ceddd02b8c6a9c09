// Reading ".res" files and extended dialog templates, with every read checked against the bytes at hand.
#include "platform/host/user/dialog_template.h"

namespace tolma::host::detail {
namespace {

// A little-endian reader that fails (and stays failed) instead of reading past the end.
class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}

  bool ok() const { return ok_; }
  size_t offset() const { return at_; }

  uint16_t U16() {
    if (!Need(2)) return 0;
    const uint16_t v = static_cast<uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
    at_ += 2;
    return v;
  }
  uint32_t U32() {
    const uint32_t lo = U16();
    return lo | (uint32_t(U16()) << 16);
  }
  uint8_t U8() {
    if (!Need(1)) return 0;
    return bytes_[at_++];
  }
  // A NUL-terminated UTF-16 text.
  WideString Text() {
    WideString s;
    for (;;) {
      const uint16_t c = U16();
      if (!ok_ || c == 0) return s;
      s.push_back(static_cast<WCHAR>(c));
    }
  }
  // 0x0000: none; 0xFFFF then a number; else a text.
  ResourceId SzOrOrd() {
    ResourceId id;
    if (!Need(2)) return id;
    const uint16_t first = static_cast<uint16_t>(bytes_[at_] | (bytes_[at_ + 1] << 8));
    if (first == 0xFFFF) {
      at_ += 2;
      id.number = U16();
    } else {
      id.isNumber = false;
      id.text = Text();
    }
    return id;
  }
  void AlignTo4() { Skip((4 - at_ % 4) % 4); }
  void Skip(size_t n) {
    if (Need(n)) at_ += n;
  }
  std::span<const uint8_t> Take(size_t n) {
    if (!Need(n)) return {};
    const auto s = bytes_.subspan(at_, n);
    at_ += n;
    return s;
  }
  bool AtEnd() const { return at_ >= bytes_.size(); }

 private:
  bool Need(size_t n) {
    if (!ok_ || bytes_.size() - at_ < n) {
      ok_ = false;
      return false;
    }
    return true;
  }

  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

WCHAR Upper(WCHAR c) { return c >= u'a' && c <= u'z' ? static_cast<WCHAR>(c - u'a' + u'A') : c; }

}  // namespace

ResourceId ResourceIdOf(LPCWSTR value) {
  ResourceId id;
  if (IS_INTRESOURCE(value)) {
    id.number = static_cast<uint16_t>(reinterpret_cast<ULONG_PTR>(value));
    return id;
  }
  id.isNumber = false;
  for (const WCHAR* p = value; *p != 0; ++p) id.text.push_back(Upper(*p));
  return id;
}

std::optional<std::vector<ResourceEntry>> ParseResFile(std::span<const uint8_t> bytes) {
  std::vector<ResourceEntry> entries;
  Reader in(bytes);
  while (in.ok() && !in.AtEnd()) {
    // RESOURCEHEADER: data size, header size, type, name, (align), data version, flags, language, version,
    // characteristics; then the data, padded to four bytes.
    const size_t start = in.offset();
    const uint32_t dataSize = in.U32();
    const uint32_t headerSize = in.U32();
    ResourceEntry e;
    e.type = in.SzOrOrd();
    e.name = in.SzOrOrd();
    in.AlignTo4();
    in.Skip(6);
    e.language = in.U16();
    if (!in.ok() || headerSize < in.offset() - start + 8) return std::nullopt;
    in.Skip(start + headerSize - in.offset());
    const std::span<const uint8_t> data = in.Take(dataSize);
    if (!in.ok()) return std::nullopt;
    e.data.assign(data.begin(), data.end());
    if (!in.AtEnd()) in.AlignTo4();
    const bool emptyFirst = entries.empty() && dataSize == 0 && e.type.isNumber && e.type.number == 0;
    if (!emptyFirst) entries.push_back(std::move(e));
  }
  if (!in.ok()) return std::nullopt;
  return entries;
}

std::optional<DialogTemplate> ParseDialogTemplate(std::span<const uint8_t> bytes) {
  Reader in(bytes);
  // dlgVer 1 and signature 0xFFFF mark the extended form.
  if (in.U16() != 1 || in.U16() != 0xFFFF) return std::nullopt;
  DialogTemplate t;
  t.helpId = in.U32();
  t.exStyle = in.U32();
  t.style = in.U32();
  const uint16_t count = in.U16();
  t.x = static_cast<short>(in.U16());
  t.y = static_cast<short>(in.U16());
  t.cx = static_cast<short>(in.U16());
  t.cy = static_cast<short>(in.U16());
  t.menu = in.SzOrOrd();
  t.windowClass = in.SzOrOrd();
  t.title = in.Text();
  if (t.style & DS_SETFONT) {
    t.pointSize = in.U16();
    t.weight = in.U16();
    t.italic = in.U8();
    t.charset = in.U8();
    t.typeface = in.Text();
  }
  for (uint16_t i = 0; i < count && in.ok(); ++i) {
    in.AlignTo4();
    ControlTemplate c;
    c.helpId = in.U32();
    c.exStyle = in.U32();
    c.style = in.U32();
    c.x = static_cast<short>(in.U16());
    c.y = static_cast<short>(in.U16());
    c.cx = static_cast<short>(in.U16());
    c.cy = static_cast<short>(in.U16());
    c.id = in.U32();
    c.windowClass = in.SzOrOrd();
    c.title = in.SzOrOrd();
    const uint16_t extra = in.U16();
    const std::span<const uint8_t> data = in.Take(extra);
    c.creationData.assign(data.begin(), data.end());
    t.controls.push_back(std::move(c));
  }
  if (!in.ok()) return std::nullopt;
  return t;
}

}  // namespace tolma::host::detail
