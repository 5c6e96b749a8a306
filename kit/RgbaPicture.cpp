#include "kit/RgbaPicture.h"

#include <jerror.h>
#include <jpeglib.h>
#include <zlib.h>

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <vector>

#include "assets/Resources.h"
#include "kit/ddraw/pixel.h"

namespace sandloop {

namespace {

std::uint32_t ReadLe32(const std::uint8_t* p) {
  return static_cast<std::uint32_t>(p[0]) | (static_cast<std::uint32_t>(p[1]) << 8) |
         (static_cast<std::uint32_t>(p[2]) << 16) | (static_cast<std::uint32_t>(p[3]) << 24);
}

// Larger masters are taken for damage: the largest we paint is far below.
constexpr std::uint32_t kMaxSide = 16384;
constexpr std::uint64_t kMaxPixels = 64ull << 20;

struct JpegErrors {
  jpeg_error_mgr base;
  std::jmp_buf jump;
  char message[JMSG_LENGTH_MAX];
};

void OnJpegError(j_common_ptr info) {
  auto* err = reinterpret_cast<JpegErrors*>(info->err);
  (*info->err->format_message)(info, err->message);
  std::longjmp(err->jump, 1);
}

// Every warning ends the decoding: a master is never shown damaged.
void OnJpegMessage(j_common_ptr info, int level) {
  if (level < 0) OnJpegError(info);
}

}  // namespace

// Straight into the picture's rows as RGBA (the JPEG library writes the
// opaque alpha itself), without a picture of another layout in between.
RgbaPicture RgbaPicture::FromJpeg(std::span<const std::uint8_t> bytes, const std::string& name) {
  jpeg_decompress_struct info{};
  JpegErrors err{};
  info.err = jpeg_std_error(&err.base);
  err.base.error_exit = OnJpegError;
  err.base.emit_message = OnJpegMessage;
  RgbaPicture* volatile result = nullptr;
  if (setjmp(err.jump) != 0) {
    jpeg_destroy_decompress(&info);
    delete result;
    throw PictureError("master '" + name + "' is damaged: " + err.message);
  }
  jpeg_create_decompress(&info);
  jpeg_mem_src(&info, bytes.data(), static_cast<unsigned long>(bytes.size()));
  jpeg_read_header(&info, TRUE);
  if (info.image_width == 0 || info.image_height == 0 || info.image_width > kMaxSide ||
      info.image_height > kMaxSide || std::uint64_t{info.image_width} * info.image_height > kMaxPixels) {
    jpeg_destroy_decompress(&info);
    throw PictureError("master '" + name + "' has a bad size");
  }
  info.out_color_space = JCS_EXT_RGBA;
  jpeg_start_decompress(&info);
  result = new RgbaPicture(static_cast<int>(info.output_width), static_cast<int>(info.output_height));
  while (info.output_scanline < info.output_height) {
    JSAMPROW rows[1] = {result->Row(static_cast<int>(info.output_scanline))};
    jpeg_read_scanlines(&info, rows, 1);
  }
  jpeg_finish_decompress(&info);
  jpeg_destroy_decompress(&info);
  RgbaPicture out = std::move(*result);
  delete result;
  return out;
}

RgbaPicture::RgbaPicture(int width, int height)
    : width_(width),
      height_(height),
      pixels_(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 4) {}

RgbaPicture RgbaPicture::FromMaster(std::span<const std::uint8_t> bytes, const std::string& name) {
  if (bytes.size() < 12) throw PictureError("master '" + name + "' is too short");
  const bool rgba = std::memcmp(bytes.data(), "SLMA", 4) == 0;
  if (!rgba && std::memcmp(bytes.data(), "SLMC", 4) != 0) throw PictureError("master '" + name + "' has no master header");
  const std::uint32_t w = ReadLe32(bytes.data() + 4), h = ReadLe32(bytes.data() + 8);
  if (w == 0 || h == 0 || w > kMaxSide || h > kMaxSide || std::uint64_t{w} * h > kMaxPixels)
    throw PictureError("master '" + name + "' has a bad size");
  const std::size_t channels = rgba ? 4 : 3;
  const std::size_t expect = std::size_t{w} * h * channels;
  RgbaPicture out(static_cast<int>(w), static_cast<int>(h));
  // RGB is inflated into the back of the buffer and spread out in place.
  std::uint8_t* target = out.pixels_.data() + (std::size_t{w} * h * 4 - expect);
  uLongf got = static_cast<uLongf>(expect);
  const int rc = uncompress(target, &got, bytes.data() + 12, static_cast<uLong>(bytes.size() - 12));
  if (rc != Z_OK || got != expect) throw PictureError("master '" + name + "' is damaged");
  if (!rgba) {
    std::uint8_t* p = out.pixels_.data();
    for (std::size_t i = 0, n = std::size_t{w} * h; i < n; ++i) {
      const std::uint8_t* s = target + 3 * i;
      const std::uint8_t r = s[0], g = s[1], b = s[2];
      p[4 * i] = r;
      p[4 * i + 1] = g;
      p[4 * i + 2] = b;
      p[4 * i + 3] = 255;
    }
  }
  return out;
}

RgbaPicture RgbaPicture::FromResource(const std::string& name) {
  const auto bytes = assets::FindResource(name);
  if (!bytes) throw PictureError("no master '" + name + "' in the program");
  // Opaque masters of photographic content are JPEG pictures.
  if (bytes->size() >= 2 && (*bytes)[0] == 0xFF && (*bytes)[1] == 0xD8)
    return FromJpeg(*bytes, name);
  return FromMaster(*bytes, name);
}

bool RgbaPicture::Opaque() const {
  for (int y = 0; y < height_; ++y) {
    const std::uint8_t* p = Row(y);
    for (int x = 0; x < width_; ++x)
      if (p[4 * x + 3] != 255) return false;
  }
  return true;
}

HRESULT CopyToSurface(IDirectDrawSurface* surface, const RgbaPicture& picture) {
  if (surface == nullptr) return DDERR_INVALIDPARAMS;
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof(desc);
  HRESULT hr;
  while ((hr = surface->Lock(nullptr, &desc, 0, nullptr)) == DDERR_WASSTILLDRAWING) {
  }
  if (FAILED(hr)) return hr;
  const int w = std::min(picture.Width(), static_cast<int>(desc.dwWidth));
  const int h = std::min(picture.Height(), static_cast<int>(desc.dwHeight));
  const int bpp = static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount), bytes = bpp / 8;
  auto* base = static_cast<std::uint8_t*>(desc.lpSurface);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* s = picture.Row(y);
    std::uint8_t* d = base + static_cast<std::ptrdiff_t>(y) * desc.lPitch;
    if (bpp == 32) {
      for (int x = 0; x < w; ++x, s += 4, d += 4) {
        const std::uint32_t v = (std::uint32_t{s[0]} << 16) | (std::uint32_t{s[1]} << 8) | s[2];
        std::memcpy(d, &v, 4);
      }
    } else {
      for (int x = 0; x < w; ++x, s += 4, d += bytes) {
        const std::uint32_t v = (std::uint32_t{s[0]} << 16) | (std::uint32_t{s[1]} << 8) | s[2];
        display::StorePixel(d, bpp, display::EncodePixel(v, bpp));
      }
    }
  }
  surface->Unlock(nullptr);
  if (picture.Opaque() || w <= 0 || h <= 0) return surface->SetAlphaPlane(nullptr, 0);
  std::vector<std::uint8_t> alpha(static_cast<std::size_t>(desc.dwWidth) * desc.dwHeight, 0);
  for (int y = 0; y < h; ++y) {
    const std::uint8_t* s = picture.Row(y);
    std::uint8_t* a = alpha.data() + static_cast<std::size_t>(y) * desc.dwWidth;
    for (int x = 0; x < w; ++x) a[x] = s[4 * x + 3];
  }
  return surface->SetAlphaPlane(alpha.data(), static_cast<int>(desc.dwWidth));
}

}  // namespace sandloop
