#include "kit/MasterRows.h"

#include <zlib.h>

#include <cstdio>
#include <cstring>
#include <vector>

#include "kit/RgbaPicture.h"

namespace sandloop {

namespace {

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Larger pictures are taken for damage: the largest master is far below.
bool SizeOk(std::uint64_t w, std::uint64_t h) { return MasterSizeOk(w, h); }

class MasterReader final : public PictureRows {
 public:
  MasterReader(std::span<const std::uint8_t> bytes, const std::string& name) : name_(name) {
    if (bytes.size() < 12) throw PictureError("master '" + name + "' is too short");
    spans_ = std::memcmp(bytes.data(), "SLMR", 4) == 0;
    rgba_ = spans_ || std::memcmp(bytes.data(), "SLMA", 4) == 0;
    if (!rgba_ && std::memcmp(bytes.data(), "SLMC", 4) != 0)
      throw PictureError("master '" + name + "' has no master header");
    const std::uint32_t w = ReadLe32(bytes.data() + 4), h = ReadLe32(bytes.data() + 8);
    if (!SizeOk(w, h)) throw PictureError("master '" + name + "' has a bad size");
    width_ = static_cast<int>(w);
    height_ = static_cast<int>(h);
    if (inflateInit(&z_) != Z_OK) throw PictureError("master '" + name + "' cannot be read");
    z_.next_in = const_cast<Bytef*>(bytes.data() + 12);
    z_.avail_in = static_cast<uInt>(bytes.size() - 12);
    if (!rgba_) rgb_.resize(static_cast<std::size_t>(w) * 3);
  }
  ~MasterReader() override { inflateEnd(&z_); }

  RowSpan Next(std::uint8_t* rgba) override {
    if (spans_) {
      std::uint8_t head[4];
      Inflate(head, 4);
      const int begin = head[0] | (head[1] << 8), n = head[2] | (head[3] << 8);
      if (begin + n > width_) Damaged();
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
    std::uint8_t spare;
    z_.next_out = &spare;
    z_.avail_out = 1;
    if (!ended_ && (inflate(&z_, Z_NO_FLUSH) != Z_STREAM_END || z_.avail_out != 1)) Damaged();
  }

 private:
  void Inflate(std::uint8_t* out, std::size_t n) {
    if (n == 0) return;
    z_.next_out = out;
    z_.avail_out = static_cast<uInt>(n);
    while (z_.avail_out > 0) {
      if (ended_) Damaged();  // fewer rows than the header says
      const int rc = inflate(&z_, Z_NO_FLUSH);
      if (rc == Z_STREAM_END) {
        ended_ = true;
      } else if (rc != Z_OK) {
        Damaged();
      }
    }
  }
  [[noreturn]] void Damaged() { throw PictureError("master '" + name_ + "' is damaged"); }

  std::string name_;
  bool spans_ = false;
  bool rgba_ = true;
  bool ended_ = false;
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

// Larger pictures are taken for damage: the largest master is far below.
bool MasterSizeOk(std::uint64_t w, std::uint64_t h) {
  constexpr std::uint64_t kMaxSide = 16384, kMaxPixels = 64ull << 20;
  return w > 0 && h > 0 && w <= kMaxSide && h <= kMaxSide && w * h <= kMaxPixels;
}

std::unique_ptr<PictureRows> OpenPicture(std::span<const std::uint8_t> bytes, const std::string& name) {
  if (bytes.size() >= 2 && bytes[0] == 0xFF && bytes[1] == 0xD8) return OpenJpegRows(bytes, name);
  return std::make_unique<MasterReader>(bytes, name);
}

std::unique_ptr<PictureRows> RowsOf(const RgbaPicture& picture) { return std::make_unique<MemoryRows>(picture); }

RgbaPicture ReadAll(PictureRows& rows) {
  RgbaPicture out(rows.Width(), rows.Height());
  for (int y = 0; y < rows.Height(); ++y) rows.Next(out.Row(y));
  rows.Finish();
  return out;
}

}  // namespace sandloop
