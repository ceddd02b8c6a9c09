// The one-bit panel encoders: escaping, the plain form and the run-length form.
#include "common/mono_rle.h"

#include <algorithm>
#include <cstring>

namespace tolma {

namespace {

// Appends bytes as they are, as many as fit; marks the output when some do not.
void PutBytes(const uint8_t* bytes, size_t count, PanelOutput& out) {
  const size_t room = out.capacity > out.length ? out.capacity - out.length : 0;
  const size_t n = std::min(count, room);
  if (n != 0) std::memcpy(out.data + out.length, bytes, n);
  out.length += static_cast<uint32_t>(n);
  if (n < count) out.overflow = true;
}

// The work buffer of the run-length encoder with checked access: writes outside it are dropped and
// reported, reads outside it give 0.
class WorkBuffer {
 public:
  explicit WorkBuffer(std::span<uint8_t> work) : data_(work.data()), size_(work.size()) {}
  void Set(uint32_t at, uint8_t value) {
    if (at < size_) {
      data_[at] = value;
    } else {
      dropped_ = true;
    }
  }
  uint8_t Get(uint32_t at) const { return at < size_ ? data_[at] : 0; }
  // Moves the first `length` bytes to the output, escaped.
  void MoveTo(uint32_t length, PanelOutput& out) const {
    AppendEscaped(std::span<const uint8_t>(data_, std::min<size_t>(length, size_)), out);
  }
  bool dropped() const { return dropped_; }

 private:
  uint8_t* data_;
  size_t size_;
  bool dropped_ = false;
};

constexpr uint8_t kMaxLiteral = 31;
constexpr uint8_t kMaxRun = 127;

}  // namespace

void AppendEscaped(std::span<const uint8_t> bytes, PanelOutput& out) {
  // Copy the stretches between escape bytes whole; each escape byte goes out twice.
  const uint8_t* p = bytes.data();
  size_t left = bytes.size();
  while (left != 0) {
    const auto* escape = static_cast<const uint8_t*>(std::memchr(p, kPanelEscapeByte, left));
    if (escape == nullptr) {
      PutBytes(p, left, out);
      return;
    }
    const size_t stretch = static_cast<size_t>(escape - p) + 1;
    PutBytes(p, stretch, out);
    out.Put(kPanelEscapeByte);
    p += stretch;
    left -= stretch;
  }
}

void PutMonoRle(RunLengthState& rle, std::span<uint8_t> workBytes, std::span<const uint8_t> bytes, PanelOutput& out) {
  WorkBuffer work(workBytes);
  // The state is worked on in locals and stored back at the end.
  uint8_t state = rle.state;
  uint8_t value = rle.value;
  uint8_t count = rle.count;
  uint32_t w = rle.workLength;
  uint32_t b = rle.blockIndex;

  // Moves the work buffer once a run has left it at the threshold or beyond.
  auto moveAfterRun = [&] {
    if (w >= kMonoWorkMoveThreshold) {
      work.MoveTo(w, out);
      w = 0;
    }
  };

  const uint8_t* p = bytes.data();
  const uint8_t* const end = p + bytes.size();
  while (p != end) {
    const uint8_t v = *p;
    switch (state) {
      case 1:
        if (v == value) {
          count = 2;
          state = 2;
        } else {
          // Open a literal block: its count byte at b, the pending value first; the count already
          // includes the new pending value, which is written later.
          b = w;
          work.Set(w + 1, value);
          w += 2;
          work.Set(b, 2);
          value = v;
          state = 3;
        }
        ++p;
        break;

      case 2:
        if (v == value) {
          // Take every equal byte that the run can still hold in one go.
          const size_t room = count < kMaxRun ? size_t{kMaxRun} - count : 1;
          const uint8_t* q = p + 1;
          const uint8_t* const limit = p + std::min(room, static_cast<size_t>(end - p));
          while (q != limit && *q == value) ++q;
          const size_t taken = static_cast<size_t>(q - p);
          p = q;
          if (count + taken >= kMaxRun) {
            work.Set(w, 0x80 + kMaxRun);
            work.Set(w + 1, value);
            w += 2;
            moveAfterRun();
            state = 0;
          } else {
            count = static_cast<uint8_t>(count + taken);
          }
        } else {
          work.Set(w, static_cast<uint8_t>(0x80 + count));
          work.Set(w + 1, value);
          w += 2;
          moveAfterRun();
          value = v;
          state = 1;
          ++p;
        }
        break;

      case 3:
        if (v != value) {
          work.Set(w, value);
          ++w;
          const auto blockCount = static_cast<uint8_t>(work.Get(b) + 1);
          work.Set(b, blockCount);
          value = v;
          if (blockCount >= kMaxLiteral) {
            // v goes out as the 31st literal and the block, full, leaves with everything before it.
            work.Set(w, v);
            ++w;
            work.MoveTo(w, out);
            w = 0;
            b = 0;
            count = 0;
            state = 0;
          }
        } else {
          // The pending value leaves the block and starts a run with v.
          work.Set(b, static_cast<uint8_t>(work.Get(b) - 1));
          count = 2;
          state = 2;
        }
        ++p;
        break;

      default:  // 0: nothing pending
        value = v;
        count = 0;
        b = w;
        state = 1;
        ++p;
        break;
    }
  }

  rle.state = state;
  rle.value = value;
  rle.count = count;
  rle.workLength = static_cast<uint16_t>(std::min<uint32_t>(w, 0xFFFF));
  rle.blockIndex = static_cast<uint16_t>(std::min<uint32_t>(b, 0xFFFF));
  if (work.dropped()) out.overflow = true;
}

void FlushMonoRle(RunLengthState& rle, std::span<uint8_t> workBytes, PanelOutput& out) {
  WorkBuffer work(workBytes);
  uint32_t w = rle.workLength;
  switch (rle.state) {
    case 1:
      work.Set(w, 1);
      work.Set(w + 1, rle.value);
      w += 2;
      break;
    case 2:
      work.Set(w, static_cast<uint8_t>(0x80 + rle.count));
      work.Set(w + 1, rle.value);
      w += 2;
      break;
    case 3:
      // The pending value is already counted in its block.
      work.Set(w, rle.value);
      w += 1;
      break;
    default:
      break;
  }
  work.MoveTo(w, out);
  if (work.dropped()) out.overflow = true;
  rle.state = 0;
  rle.count = 0;
  rle.workLength = 0;
  rle.blockIndex = 0;
}

void PutMonoByte(bool packedPanels, RunLengthState& rle, std::span<uint8_t> work, uint8_t byte, bool flush,
                 PanelOutput& out) {
  if (packedPanels) {
    if (!flush) PutMonoPlain(byte, out);
  } else if (flush) {
    FlushMonoRle(rle, work, out);
  } else {
    PutMonoRle(rle, work, byte, out);
  }
}

}  // namespace tolma
