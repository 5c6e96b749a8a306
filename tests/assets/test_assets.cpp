// The embedded pictures and the surf sound: sizes, frame layouts, formats,
// colour keys, the surf loop's joint and the sound's loop joint.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "assets/Resources.h"
#include "kit/Picture.h"

namespace sandloop {
namespace {

using assets::Bytes;

Bytes Resource(const std::string& name) {
  auto r = assets::FindResource(name);
  if (!r) ADD_FAILURE() << "missing resource " << name;
  return r ? *r : Bytes{};
}

std::uint32_t U32(Bytes b, std::size_t at) {
  return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (static_cast<std::uint32_t>(b[at + 3]) << 24);
}
std::uint16_t U16(Bytes b, std::size_t at) { return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8)); }
std::int16_t S16(Bytes b, std::size_t at) { return static_cast<std::int16_t>(U16(b, at)); }

struct BmpInfo {
  int width = 0, height = 0, bits = 0, compression = -1, colours = 0;
};

BmpInfo ParseBmp(Bytes b) {
  BmpInfo i;
  if (b.size() < 54 || b[0] != 'B' || b[1] != 'M') return i;
  i.width = static_cast<std::int32_t>(U32(b, 18));
  i.height = static_cast<std::int32_t>(U32(b, 22));
  i.bits = U16(b, 28);
  i.compression = static_cast<int>(U32(b, 30));
  i.colours = static_cast<int>(U32(b, 46));
  if (i.colours == 0 && i.bits <= 8) i.colours = 1 << i.bits;
  return i;
}

struct Rgb {
  int r, g, b;
};
Rgb Split(std::uint32_t p) { return {static_cast<int>((p >> 16) & 255), static_cast<int>((p >> 8) & 255), static_cast<int>(p & 255)}; }
std::uint16_t To565(std::uint32_t p) {
  const Rgb c = Split(p);
  return static_cast<std::uint16_t>(((c.r >> 3) << 11) | ((c.g >> 2) << 5) | (c.b >> 3));
}
double Distance(std::uint32_t a, std::uint32_t b) {
  const Rgb x = Split(a), y = Split(b);
  return std::sqrt(double((x.r - y.r) * (x.r - y.r) + (x.g - y.g) * (x.g - y.g) + (x.b - y.b) * (x.b - y.b)));
}

// ---- pictures ------------------------------------------------------------

struct PictureSpec {
  const char* name;
  int width, height, frame_height;  // frame_height 0: a single picture
  bool keyed;
};

const PictureSpec kBitmaps[] = {
    {"SECONDPLANE", 520, 283, 0, true}, {"PALMLEFT", 303, 428, 0, true},  {"PALMMIDLE", 384, 158, 0, true},
    {"PALMRIGHT", 339, 392, 0, true},   {"STOUNLEFT", 397, 187, 0, true}, {"PAPRIGHT", 387, 263, 0, true},
    {"EAGLES", 46, 3312, 23, true},     {"BUTTERFLY1", 40, 480, 30, true}, {"BUTTERFLY2", 40, 480, 30, true},
    {"BUTTERFLY3", 40, 480, 30, true},  {"DIALOGHEADER", 154, 116, 0, false},
};

TEST(Assets, BitmapsAreEightBitPalettisedAtTheirSizes) {
  for (const auto& s : kBitmaps) {
    SCOPED_TRACE(s.name);
    const BmpInfo i = ParseBmp(Resource(s.name));
    EXPECT_EQ(i.width, s.width);
    EXPECT_EQ(i.height, s.height);  // positive: stored bottom-up
    EXPECT_EQ(i.bits, 8);
    EXPECT_EQ(i.compression, 0);
    EXPECT_LE(i.colours, 256);
    const Picture p = Picture::FromBmp(Resource(s.name), s.name);
    EXPECT_EQ(p.Width(), s.width);
    EXPECT_EQ(p.Height(), s.height);
    if (s.frame_height) {
      EXPECT_EQ(s.height % s.frame_height, 0);
    }
  }
}

TEST(Assets, PreviewIsRunLengthCompressedEightBit) {
  const BmpInfo i = ParseBmp(Resource("PREV_BITMAP"));
  EXPECT_EQ(i.width, 154);
  EXPECT_EQ(i.height, 116);
  EXPECT_EQ(i.bits, 8);
  EXPECT_EQ(i.compression, 1);  // BI_RLE8
  const Picture p = Picture::FromBmp(Resource("PREV_BITMAP"), "PREV_BITMAP");
  ASSERT_EQ(p.Width(), 154);
  ASSERT_EQ(p.Height(), 116);
  // a picture of the scene, not a blank: sky at the top, sand or leaves at
  // the bottom, and many colours
  std::vector<std::uint32_t> seen;
  for (int y = 0; y < 116; y += 3)
    for (int x = 0; x < 154; x += 3) seen.push_back(p.Pixel(x, y));
  std::sort(seen.begin(), seen.end());
  seen.erase(std::unique(seen.begin(), seen.end()), seen.end());
  EXPECT_GT(seen.size(), 100u);
  const Rgb sky = Split(p.Pixel(77, 20));
  EXPECT_GT(sky.b, sky.r + 40);
}

TEST(Assets, JpegPicturesHaveTheirSizesAndFrames) {
  struct {
    const char* name;
    int w, h;
  } const jpegs[] = {{"GROUND", 1024, 500}, {"HIGHTWATER", 518, 1680}, {"LOWWATER", 800, 4800}};
  for (const auto& j : jpegs) {
    SCOPED_TRACE(j.name);
    const Bytes b = Resource(j.name);
    ASSERT_GE(b.size(), 3u);
    EXPECT_EQ(b[0], 0xFF);
    EXPECT_EQ(b[1], 0xD8);
    const Picture p = Picture::FromJpeg(b, j.name);
    EXPECT_EQ(p.Width(), j.w);
    EXPECT_EQ(p.Height(), j.h);
  }
}

TEST(Assets, KeyedPicturesKeepTheirSubjectFarFromTheKey) {
  for (const auto& s : kBitmaps) {
    if (!s.keyed) continue;
    SCOPED_TRACE(s.name);
    const Picture p = Picture::FromBmp(Resource(s.name), s.name);
    const std::uint32_t key = p.Pixel(0, 0);
    const std::uint16_t key16 = To565(key);
    long subject = 0, transparent = 0;
    double nearest = 1e9;
    for (int y = 0; y < p.Height(); ++y)
      for (int x = 0; x < p.Width(); ++x) {
        const std::uint32_t c = p.Pixel(x, y);
        if (c == key) {
          ++transparent;
          continue;
        }
        ++subject;
        nearest = std::min(nearest, Distance(c, key));
        // a 16-bit display must not turn any subject colour into the key
        ASSERT_NE(To565(c), key16) << "at " << x << "," << y;
      }
    EXPECT_GT(subject, 0);
    EXPECT_GT(transparent, 0);
    // no edge pixel blends towards the key: every subject colour is far away
    EXPECT_GT(nearest, 120.0);
    // every frame of a strip starts transparent in its corner and shows
    // something
    if (s.frame_height) {
      for (int f = 0; f < p.Height() / s.frame_height; ++f) {
        const int y0 = f * s.frame_height;
        EXPECT_EQ(p.Pixel(0, y0), key) << "frame " << f;
        int shown = 0;
        for (int y = y0; y < y0 + s.frame_height; ++y)
          for (int x = 0; x < p.Width(); ++x) shown += p.Pixel(x, y) != key;
        EXPECT_GT(shown, 20) << "frame " << f;
      }
    }
  }
}

double FrameDifference(const Picture& p, int fh, int a, int b) {
  double sum = 0;
  for (int y = 0; y < fh; ++y)
    for (int x = 0; x < p.Width(); ++x) {
      const Rgb c = Split(p.Pixel(x, a * fh + y)), d = Split(p.Pixel(x, b * fh + y));
      sum += std::abs(c.r - d.r) + std::abs(c.g - d.g) + std::abs(c.b - d.b);
    }
  return sum / (3.0 * fh * p.Width());
}

TEST(Assets, SurfLoopsWithoutAJump) {
  for (auto [name, fh] : {std::pair{"HIGHTWATER", 56}, std::pair{"LOWWATER", 160}}) {
    SCOPED_TRACE(name);
    const Picture p = Picture::FromJpeg(Resource(name), name);
    ASSERT_EQ(p.Height(), 30 * fh);
    double lo = 1e9, hi = 0;
    for (int f = 0; f < 29; ++f) {
      const double d = FrameDifference(p, fh, f, f + 1);
      lo = std::min(lo, d);
      hi = std::max(hi, d);
    }
    const double joint = FrameDifference(p, fh, 29, 0);
    EXPECT_GT(lo, 0.2) << "the surf moves";
    EXPECT_LE(joint, hi * 1.25) << "frame 29 leads into frame 0";
    EXPECT_GE(joint, lo * 0.5);
    // frames two apart differ more than neighbours: the motion is smooth,
    // not a flicker between two pictures
    EXPECT_GT(FrameDifference(p, fh, 0, 2), FrameDifference(p, fh, 0, 1));
  }
  // the far surf is black at its right end, under the second plane
  const Picture far = Picture::FromJpeg(Resource("HIGHTWATER"), "HIGHTWATER");
  for (int y = 20; y <= 50; y += 5) {
    const Rgb c = Split(far.Pixel(far.Width() - 3, y));
    EXPECT_LT(c.r + c.g + c.b, 40) << "row " << y;
  }
}

// ---- the surf sound --------------------------------------------------------

// Microsoft ADPCM decoding of the whole data chunk, interleaved stereo.
std::vector<int> DecodeMsAdpcm(Bytes d, int block_align, int samples_per_block, int channels) {
  static const int kAdapt[16] = {230, 230, 230, 230, 307, 409, 512, 614, 768, 614, 512, 409, 307, 230, 230, 230};
  static const int kCoef[7][2] = {{256, 0}, {512, -256}, {0, 0}, {192, 64}, {240, 0}, {460, -208}, {392, -232}};
  std::vector<int> out;
  for (std::size_t at = 0; at + block_align <= d.size(); at += block_align) {
    const Bytes blk = d.subspan(at, block_align);
    int pred[2], delta[2], s1[2], s2[2];
    for (int c = 0; c < channels; ++c) {
      pred[c] = std::min<int>(blk[c], 6);
      delta[c] = S16(blk, channels + 2 * c);
      s1[c] = S16(blk, 3 * channels + 2 * c);
      s2[c] = S16(blk, 5 * channels + 2 * c);
    }
    for (int c = 0; c < channels; ++c) out.push_back(s2[c]);
    for (int c = 0; c < channels; ++c) out.push_back(s1[c]);
    int ch = 0;
    for (std::size_t i = 7 * channels; i < blk.size(); ++i) {
      for (int nib : {blk[i] >> 4, blk[i] & 15}) {
        const int signed_nib = nib >= 8 ? nib - 16 : nib;
        const int p = (s1[ch] * kCoef[pred[ch]][0] + s2[ch] * kCoef[pred[ch]][1]) >> 8;
        const int v = std::clamp(p + signed_nib * delta[ch], -32768, 32767);
        delta[ch] = std::max(16, kAdapt[nib] * delta[ch] / 256);
        s2[ch] = s1[ch];
        s1[ch] = v;
        out.push_back(v);
        ch = (ch + 1) % channels;
      }
    }
    EXPECT_EQ(out.size() % channels, 0u);
    EXPECT_EQ(out.size() / channels % samples_per_block, 0u);
  }
  return out;
}

TEST(Assets, SurfSoundIsALoopingStereoMsAdpcmWave) {
  const Bytes b = Resource("SOUNDNAME");
  ASSERT_GE(b.size(), 100u);
  EXPECT_EQ(std::string(b.begin(), b.begin() + 4), "RIFF");
  EXPECT_EQ(std::string(b.begin() + 8, b.begin() + 12), "WAVE");
  EXPECT_EQ(U32(b, 4) + 8, b.size());
  EXPECT_NEAR(static_cast<double>(b.size()), 198746.0, 198746.0 * 0.01);

  // walk the chunks
  std::size_t fmt = 0, data = 0, data_size = 0;
  for (std::size_t at = 12; at + 8 <= b.size();) {
    const std::string id(b.begin() + at, b.begin() + at + 4);
    const std::size_t size = U32(b, at + 4);
    if (id == "fmt ") fmt = at + 8;
    if (id == "data") data = at + 8, data_size = size;
    at += 8 + size + (size & 1);
  }
  ASSERT_NE(fmt, 0u);
  ASSERT_NE(data, 0u);
  EXPECT_EQ(U16(b, fmt), 2);  // WAVE_FORMAT_ADPCM
  EXPECT_EQ(U16(b, fmt + 2), 2);
  EXPECT_EQ(U32(b, fmt + 4), 11000u);
  const int block_align = U16(b, fmt + 12);
  EXPECT_EQ(U16(b, fmt + 14), 4);
  const int samples_per_block = U16(b, fmt + 18);
  EXPECT_EQ(samples_per_block, (block_align - 7 * 2) * 8 / (4 * 2) + 2);
  EXPECT_EQ(U16(b, fmt + 20), 7);
  EXPECT_EQ(data_size % block_align, 0u);
  const double seconds = double(data_size / block_align * samples_per_block) / 11000.0;
  EXPECT_NEAR(seconds, 18.0, 0.5);

  const std::vector<int> pcm = DecodeMsAdpcm(b.subspan(data, data_size), block_align, samples_per_block, 2);
  ASSERT_GT(pcm.size(), 1000u);
  const std::size_t frames = pcm.size() / 2;
  for (int c = 0; c < 2; ++c) {
    double mean_step = 0;
    int peak = 0;
    for (std::size_t i = 1; i < frames; ++i) {
      mean_step += std::abs(pcm[2 * i + c] - pcm[2 * (i - 1) + c]);
      peak = std::max(peak, std::abs(pcm[2 * i + c]));
    }
    mean_step /= double(frames - 1);
    EXPECT_GT(peak, 8000) << "audible";
    EXPECT_LT(peak, 32767) << "not clipped";
    // the loop's joint: last sample to first is an ordinary step
    const int joint = std::abs(pcm[c] - pcm[2 * (frames - 1) + c]);
    EXPECT_LT(joint, 3.0 * mean_step) << "channel " << c;
    // and the loudness on both sides of the joint matches
    double head = 0, tail = 0;
    for (std::size_t i = 0; i < 1100; ++i) {
      head += std::abs(pcm[2 * i + c]);
      tail += std::abs(pcm[2 * (frames - 1 - i) + c]);
    }
    EXPECT_NEAR(head / tail, 1.0, 0.35);
  }
}

}  // namespace
}  // namespace sandloop
