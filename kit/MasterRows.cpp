#include "kit/MasterRows.h"

#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include "kit/RgbaPicture.h"
#include "kit/WholeInflate.h"
#include "kit/os/Pages.h"

namespace sandloop {

namespace {

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Deflate turns at most 1032 bytes into one: a stream of n bytes never
// holds more than this.
constexpr std::uint64_t kMostInflated = 1032;

// Room for a stream inflated whole, mapped from the system rather than
// taken from the heap: a block of many megabytes freed to the heap would
// raise the heap's own threshold for mapping, and the heap would keep
// later large blocks after they are freed.
class InflatedRoom {
 public:
  // Whole huge pages: the room is filled from its start, a huge page at a
  // time where the system has them, and the room is given back as soon as
  // the rows are read.
  explicit InflatedRoom(std::size_t size)
      : data_(static_cast<std::uint8_t*>(os::ReservePages(RoundUp(size)))), size_(size) {}
  ~InflatedRoom() { os::FreePages(data_, RoundUp(size_)); }
  InflatedRoom(const InflatedRoom&) = delete;
  InflatedRoom& operator=(const InflatedRoom&) = delete;
  [[nodiscard]] std::uint8_t* data() const { return data_; }
  [[nodiscard]] std::size_t size() const { return size_; }

 private:
  static std::size_t RoundUp(std::size_t size) {
    constexpr std::size_t kHugePage = std::size_t{2} << 20;
    return size > std::size_t(-1) - kHugePage ? size : (size + kHugePage - 1) / kHugePage * kHugePage;
  }
  std::uint8_t* data_;
  std::size_t size_;
};

class MasterReader final : public PictureRows {
 public:
  MasterReader(std::span<const std::uint8_t> bytes, const std::string& name) : name_(name) {
    if (bytes.size() < 12) throw PictureError("master '" + name + "' is too short for its header");
    spans_ = std::memcmp(bytes.data(), "SLMR", 4) == 0;
    rgba_ = spans_ || std::memcmp(bytes.data(), "SLMA", 4) == 0;
    if (!rgba_ && std::memcmp(bytes.data(), "SLMC", 4) != 0)
      throw PictureError("master '" + name + "' has no master header");
    const std::uint32_t w = ReadLe32(bytes.data() + 4), h = ReadLe32(bytes.data() + 8);
    const std::string size = std::to_string(w) + " x " + std::to_string(h);
    if (!MasterSizeOk(w, h)) throw PictureError("master '" + name + "' claims " + size + " pixels, a size no master has");
    // Every row holds at least its span's head, or all its pixels: a
    // header claiming more than the stream could ever inflate to is refused
    // before anything is made for it.
    const std::uint64_t least = spans_ ? std::uint64_t{h} * 4 : std::uint64_t{w} * h * (rgba_ ? 4 : 3);
    if (least > (bytes.size() - 12) * kMostInflated)
      throw PictureError("master '" + name + "' claims " + size + " pixels, more than its " +
                         std::to_string(bytes.size() - 12) + " bytes of rows can hold");
    width_ = static_cast<int>(w);
    height_ = static_cast<int>(h);
    if (!rgba_) rgb_.resize(static_cast<std::size_t>(w) * 3);
    const std::span<const std::uint8_t> stream = bytes.subspan(12);
    // The whole stream at once, into room for the most its rows can hold
    // (only the pages it fills are ever touched). A stream that does not
    // inflate whole into that room (broken, cut short, holding more than
    // its rows) is read through zlib's streaming instead, which tells
    // which row it fails in.
    const std::uint64_t most =
        std::min<std::uint64_t>((spans_ ? std::uint64_t{w} * h * 4 + least : least), stream.size() * kMostInflated);
    whole_ = std::make_unique<InflatedRoom>(static_cast<std::size_t>(most));
    const Inflated got = whole_->data() != nullptr ? InflateWhole(stream, {whole_->data(), whole_->size()}) : Inflated{};
    if (got.ok) {
      whole_size_ = got.written;
      trailing_ = stream.size() - got.consumed;
      return;
    }
    whole_.reset();
    if (inflateInit(&z_) != Z_OK) throw PictureError("master '" + name + "' cannot be read");
    streaming_ = true;
    z_.next_in = const_cast<Bytef*>(stream.data());
    z_.avail_in = static_cast<uInt>(stream.size());
  }
  ~MasterReader() override {
    if (streaming_) inflateEnd(&z_);
  }

  RowSpan Next(std::uint8_t* rgba) override {
    if (row_ >= height_) Damaged("a row was asked for past its " + std::to_string(height_) + " rows");
    const int y = row_++;
    if (spans_) {
      std::uint8_t head[4];
      Inflate(head, 4);
      const int begin = head[0] | (head[1] << 8), n = head[2] | (head[3] << 8);
      if (begin + n > width_)
        Damaged("row " + std::to_string(y) + " has a span of " + std::to_string(n) + " pixels from column " +
                std::to_string(begin) + ", past its width " + std::to_string(width_));
      std::memset(rgba, 0, static_cast<std::size_t>(begin) * 4);
      Inflate(rgba + static_cast<std::size_t>(begin) * 4, static_cast<std::size_t>(n) * 4);
      std::memset(rgba + static_cast<std::size_t>(begin + n) * 4, 0, static_cast<std::size_t>(width_ - begin - n) * 4);
      return RowSpan{begin, begin + n};
    }
    std::uint8_t* target = rgba_ ? rgba : rgb_.data();
    Inflate(target, static_cast<std::size_t>(width_) * (rgba_ ? 4 : 3));
    if (rgba_) return RowSpan{0, width_};
    for (int x = 0; x < width_; ++x) {
      rgba[4 * x] = rgb_[3 * static_cast<std::size_t>(x)];
      rgba[4 * x + 1] = rgb_[3 * static_cast<std::size_t>(x) + 1];
      rgba[4 * x + 2] = rgb_[3 * static_cast<std::size_t>(x) + 2];
      rgba[4 * x + 3] = 255;
    }
    return RowSpan{0, width_};
  }

  void Finish() override {
    if (!streaming_) {
      if (read_ < whole_size_) Damaged("it holds more than its " + std::to_string(height_) + " rows");
      if (trailing_ != 0) Damaged(std::to_string(trailing_) + " bytes of trailing data follow its rows");
      return;
    }
    if (!ended_) {
      std::uint8_t spare;
      z_.next_out = &spare;
      z_.avail_out = 1;
      const int rc = inflate(&z_, Z_NO_FLUSH);
      if (z_.avail_out != 1) Damaged("it holds more than its " + std::to_string(height_) + " rows");
      if (rc != Z_STREAM_END) Failed(rc);
      ended_ = true;
    }
    if (z_.avail_in != 0) Damaged(std::to_string(z_.avail_in) + " bytes of trailing data follow its rows");
  }

 private:
  void Inflate(std::uint8_t* out, std::size_t n) {
    if (n == 0) return;
    if (!streaming_) {
      const std::size_t here = std::min(n, whole_size_ - read_);
      std::memcpy(out, whole_->data() + read_, here);
      read_ += here;
      if (here < n) Truncated();
      return;
    }
    z_.next_out = out;
    z_.avail_out = static_cast<uInt>(n);
    while (z_.avail_out > 0) {
      if (ended_) Truncated();
      const int rc = inflate(&z_, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) {
        ended_ = true;
      } else if (rc != Z_OK) {
        Failed(rc);
      }
    }
  }
  // What zlib's result `rc` says went wrong, in the row being read.
  [[noreturn]] void Failed(int rc) {
    const std::string where = "in row " + std::to_string(std::max(row_ - 1, 0)) + " of " + std::to_string(height_);
    if (rc == Z_BUF_ERROR && z_.avail_in == 0) Damaged("it is cut short " + where + " (truncated)");
    Damaged("its compressed rows are broken " + where + (z_.msg != nullptr ? std::string(": ") + z_.msg : ""));
  }
  [[noreturn]] void Truncated() {
    Damaged("its rows end in row " + std::to_string(row_ - 1) + " of " + std::to_string(height_) + " (truncated)");
  }
  [[noreturn]] void Damaged(const std::string& why) {
    throw PictureError("master '" + name_ + "' is damaged: " + why);
  }

  std::string name_;
  bool spans_ = false;
  bool rgba_ = true;
  bool ended_ = false;
  int row_ = 0;
  // The stream inflated whole, and how much of it the rows have read, or
  // (streaming_) zlib's state for reading it a row at a time.
  std::unique_ptr<InflatedRoom> whole_;
  std::size_t whole_size_ = 0, read_ = 0, trailing_ = 0;
  bool streaming_ = false;
  z_stream z_{};
  std::vector<std::uint8_t> rgb_;
};

class MemoryRows final : public PictureRows {
 public:
  explicit MemoryRows(const RgbaPicture& p) : picture_(p) {
    width_ = p.Width();
    height_ = p.Height();
  }
  RowSpan Next(std::uint8_t* rgba) override {
    std::memcpy(rgba, picture_.Row(next_++), picture_.Pitch());
    return RowSpan{0, width_};
  }

 private:
  const RgbaPicture& picture_;
  int next_ = 0;
};

}  // namespace

// Larger pictures are taken for damage. The largest master, the 4x
// backdrop, is 3840 x 1875 (7.2 million pixels); this leaves room for a
// larger one, not for a hundred times larger.
bool MasterSizeOk(std::uint64_t w, std::uint64_t h) {
  constexpr std::uint64_t kMaxSide = 8192, kMaxPixels = 16ull << 20;
  return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}

std::unique_ptr<PictureRows> OpenPicture(std::span<const std::uint8_t> bytes, const std::string& name) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return OpenJpegRows(bytes, name);
  return std::make_unique<MasterReader>(bytes, name);
}

std::unique_ptr<PictureRows> RowsOf(const RgbaPicture& picture) { return std::make_unique<MemoryRows>(picture); }

// The covered part of each row is gathered as the rows come, and the
// picture is made once all of them are read: a damaged picture costs the
// memory of what it holds, not of the size its header claims.
RgbaPicture ReadAll(PictureRows& rows) {
  const int w = rows.Width(), h = rows.Height();
  std::vector<std::uint8_t> row(static_cast<std::size_t>(w) * 4), covered;
  std::vector<RowSpan> spans;
  spans.reserve(static_cast<std::size_t>(std::min(h, 1 << 16)));
  for (int y = 0; y < h; ++y) {
    const RowSpan span = rows.Next(row.data());
    spans.push_back(span);
    covered.insert(covered.end(), row.begin() + span.begin * 4, row.begin() + span.end * 4);
  }
  rows.Finish();
  RgbaPicture out(w, h);  // zero-filled: transparent
  const std::uint8_t* from = covered.data();
  for (int y = 0; y < h; ++y) {
    const RowSpan span = spans[static_cast<std::size_t>(y)];
    const std::size_t n = static_cast<std::size_t>(span.end - span.begin) * 4;
    if (n > 0) std::memcpy(out.Row(y) + static_cast<std::size_t>(span.begin) * 4, from, n);
    from += n;
  }
  return out;
}

}  // namespace sandloop
