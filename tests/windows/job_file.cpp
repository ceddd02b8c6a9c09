// A print job as a file: writing and bounds-checked reading.
#include "tests/windows/job_file.h"

#include <cstring>
#include <iterator>

namespace tolma::wincheck {
namespace {

constexpr char kMagic[8] = {'T', 'O', 'L', 'M', 'A', 'J', 'O', 'B'};
constexpr uint32_t kVersion = 1;
constexpr uint32_t kMaxPages = 16;
constexpr uint32_t kMaxBlock = 64u << 20;

class Writer {
 public:
  void U32(uint32_t v) {
    for (int i = 0; i < 4; ++i) bytes_.push_back(static_cast<uint8_t>(v >> (8 * i)));
  }
  void I32(int v) { U32(static_cast<uint32_t>(v)); }
  void Bytes(std::span<const uint8_t> data) {
    U32(static_cast<uint32_t>(data.size()));
    bytes_.insert(bytes_.end(), data.begin(), data.end());
  }
  void Text(const std::string& s) { Bytes({reinterpret_cast<const uint8_t*>(s.data()), s.size()}); }
  void Wide(const std::u16string& s) {
    U32(static_cast<uint32_t>(s.size()));
    for (char16_t c : s) {
      bytes_.push_back(static_cast<uint8_t>(c));
      bytes_.push_back(static_cast<uint8_t>(c >> 8));
    }
  }
  std::vector<uint8_t> Take() { return std::move(bytes_); }

 private:
  std::vector<uint8_t> bytes_;
};

class Reader {
 public:
  explicit Reader(std::span<const uint8_t> bytes) : bytes_(bytes) {}
  bool ok() const { return ok_; }
  bool AtEnd() const { return at_ == bytes_.size(); }
  uint32_t U32() {
    if (!Has(4)) return 0;
    uint32_t v = 0;
    for (int i = 0; i < 4; ++i) v |= uint32_t{bytes_[at_ + i]} << (8 * i);
    at_ += 4;
    return v;
  }
  int I32() { return static_cast<int>(U32()); }
  std::vector<uint8_t> Bytes() {
    const uint32_t n = U32();
    if (n > kMaxBlock || !Has(n)) return {};
    std::vector<uint8_t> out(bytes_.begin() + static_cast<ptrdiff_t>(at_),
                             bytes_.begin() + static_cast<ptrdiff_t>(at_ + n));
    at_ += n;
    return out;
  }
  std::string Text() {
    const std::vector<uint8_t> b = Bytes();
    return std::string(b.begin(), b.end());
  }
  std::u16string Wide() {
    const uint32_t n = U32();
    if (n > kMaxBlock / 2 || !Has(size_t{n} * 2)) return {};
    std::u16string out;
    for (uint32_t i = 0; i < n; ++i, at_ += 2) out.push_back(static_cast<char16_t>(bytes_[at_] | bytes_[at_ + 1] << 8));
    return out;
  }
  bool Magic() {
    if (!Has(sizeof kMagic) || std::memcmp(bytes_.data(), kMagic, sizeof kMagic) != 0) return ok_ = false;
    at_ += sizeof kMagic;
    return true;
  }

 private:
  bool Has(size_t n) {
    if (ok_ && bytes_.size() - at_ >= n) return true;
    ok_ = false;
    return false;
  }

  std::span<const uint8_t> bytes_;
  size_t at_ = 0;
  bool ok_ = true;
};

}  // namespace

std::vector<uint8_t> EncodeJob(const tools::PrintJob& job) {
  std::vector<uint8_t> bytes(std::begin(kMagic), std::end(kMagic));
  Writer body;
  body.U32(kVersion);
  body.Bytes(job.devmode);
  body.U32(job.ribbonCache ? 1 : 0);
  body.Text(job.ribbonCache.value_or(""));
  body.Text(job.dataFile);
  body.U32(static_cast<uint32_t>(job.pages.size()));
  for (const tools::PageDrawing& page : job.pages) {
    body.U32(page.picture ? 1 : 0);
    const tools::PagePicture picture = page.picture.value_or(tools::PagePicture{});
    body.I32(picture.x);
    body.I32(picture.y);
    body.I32(picture.width);
    body.I32(picture.height);
    body.I32(picture.stride);
    body.Bytes(picture.bgr);
    body.U32(static_cast<uint32_t>(page.texts.size()));
    for (const std::u16string& text : page.texts) body.Wide(text);
  }
  const std::vector<uint8_t> rest = body.Take();
  bytes.insert(bytes.end(), rest.begin(), rest.end());
  return bytes;
}

bool DecodeJob(std::span<const uint8_t> bytes, tools::PrintJob& job, std::string& error) {
  Reader r(bytes);
  if (!r.Magic() || r.U32() != kVersion) {
    error = "not a job file of this version";
    return false;
  }
  tools::PrintJob out;
  out.devmode = r.Bytes();
  const bool hasCache = r.U32() != 0;
  std::string cache = r.Text();
  if (hasCache) out.ribbonCache = std::move(cache);
  out.dataFile = r.Text();
  const uint32_t pages = r.U32();
  if (pages > kMaxPages) {
    error = "too many pages";
    return false;
  }
  for (uint32_t i = 0; i < pages && r.ok(); ++i) {
    tools::PageDrawing page;
    const bool hasPicture = r.U32() != 0;
    tools::PagePicture picture;
    picture.x = r.I32();
    picture.y = r.I32();
    picture.width = r.I32();
    picture.height = r.I32();
    picture.stride = r.I32();
    picture.bgr = r.Bytes();
    if (hasPicture) {
      // The picture must lie inside its pixel block: rows of `stride` bytes holding 3 bytes a pixel.
      const int64_t rowBytes = int64_t{picture.width} * 3;
      if (picture.width <= 0 || picture.height <= 0 || picture.stride < rowBytes ||
          int64_t{picture.stride} * picture.height > static_cast<int64_t>(picture.bgr.size())) {
        error = "page " + std::to_string(i + 1) + ": picture does not fit its pixels";
        return false;
      }
      page.picture = std::move(picture);
    }
    const uint32_t texts = r.U32();
    for (uint32_t t = 0; t < texts && r.ok(); ++t) page.texts.push_back(r.Wide());
    out.pages.push_back(std::move(page));
  }
  if (!r.ok() || !r.AtEnd()) {
    error = "the job file is cut short or has bytes after its end";
    return false;
  }
  job = std::move(out);
  return true;
}

}  // namespace tolma::wincheck
