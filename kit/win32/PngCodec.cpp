// PNG through the Windows Imaging Component, the system's own codecs:
// frames written as 24-bit RGB, and any PNG read back as 0x00RRGGBB.
// Any failure of a read becomes a PictureError naming the picture.
#include "kit/PicturePng.h"
#include "kit/os/win32/Text.h"
#include "kit/win32/Com.h"

#include <zlib.h>

#include <algorithm>
#include <cstdint>
#include <vector>

namespace sandloop {

using win32::Com;
using win32::ComScope;

namespace {

std::uint32_t ReadBe32(const std::uint8_t* p) {
  return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// The system's decoder does not check every chunk's checksum: a file whose
// chunks do not add up is refused here, before it is decoded. Returns the
// reason, or an empty text for a sound file.
std::string CheckChunks(std::span<const std::uint8_t> bytes) {
  std::size_t at = 8;
  while (at + 12 <= bytes.size()) {
    const std::uint32_t length = ReadBe32(bytes.data() + at);
    if (length > bytes.size() - at - 12) return "a chunk runs past the end of the file";
    const std::uint8_t* type = bytes.data() + at + 4;
    const uLong sum = crc32(crc32(0L, Z_NULL, 0), type, static_cast<uInt>(length + 4));
    if (sum != ReadBe32(type + 4 + length)) return "chunk " + std::string(type, type + 4) + " has a wrong checksum";
    if (std::equal(type, type + 4, "IEND")) return "";
    at += 12 + length;
  }
  return "the file ends early";
}

}  // namespace

bool WritePng(const Picture& picture, const std::string& path) {
  const int w = picture.Width(), h = picture.Height();
  if (w <= 0 || h <= 0) return false;
  // 24-bit BGR rows, each padded to whole words as the codec expects.
  const UINT stride = (static_cast<UINT>(w) * 3 + 3) & ~3u;
  std::vector<BYTE> bgr(static_cast<std::size_t>(stride) * h);
  for (int y = 0; y < h; ++y) {
    BYTE* out = bgr.data() + static_cast<std::size_t>(y) * stride;
    const std::uint32_t* row = picture.Row(y);
    for (int x = 0; x < w; ++x) {
      *out++ = static_cast<BYTE>(row[x]);
      *out++ = static_cast<BYTE>(row[x] >> 8);
      *out++ = static_cast<BYTE>(row[x] >> 16);
    }
  }
  ComScope com;
  if (!com.Usable()) return false;
  Com<IWICImagingFactory> factory;
  HRESULT hr = win32::CreateWicFactory(&factory);
  Com<IWICStream> stream;
  if (SUCCEEDED(hr)) hr = factory->CreateStream(stream.Out());
  if (SUCCEEDED(hr)) hr = stream->InitializeFromFilename(os::Widen(path).c_str(), GENERIC_WRITE);
  Com<IWICBitmapEncoder> encoder;
  if (SUCCEEDED(hr)) hr = factory->CreateEncoder(GUID_ContainerFormatPng, nullptr, encoder.Out());
  if (SUCCEEDED(hr)) hr = encoder->Initialize(stream.Get(), WICBitmapEncoderNoCache);
  Com<IWICBitmapFrameEncode> frame;
  Com<IPropertyBag2> options;
  if (SUCCEEDED(hr)) hr = encoder->CreateNewFrame(frame.Out(), options.Out());
  if (SUCCEEDED(hr)) hr = frame->Initialize(options.Get());
  if (SUCCEEDED(hr)) hr = frame->SetSize(static_cast<UINT>(w), static_cast<UINT>(h));
  WICPixelFormatGUID format = GUID_WICPixelFormat24bppBGR;
  if (SUCCEEDED(hr)) hr = frame->SetPixelFormat(&format);
  // The codec may only offer another layout; ours is the one it must take.
  if (SUCCEEDED(hr) && !IsEqualGUID(format, GUID_WICPixelFormat24bppBGR)) hr = E_FAIL;
  if (SUCCEEDED(hr)) hr = frame->WritePixels(static_cast<UINT>(h), stride, static_cast<UINT>(bgr.size()), bgr.data());
  if (SUCCEEDED(hr)) hr = frame->Commit();
  if (SUCCEEDED(hr)) hr = encoder->Commit();
  return SUCCEEDED(hr);
}

Picture ReadPng(std::span<const std::uint8_t> bytes, const std::string& name) {
  static constexpr std::uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
  if (bytes.size() < 8 || !std::equal(kSignature, kSignature + 8, bytes.begin()))
    throw PictureError("picture \"" + name + "\" is not a PNG file");
  const std::string prefix = "picture \"" + name + "\" is a damaged PNG file: ";
  if (bytes.size() > 0xFFFFFFFFu) throw PictureError(prefix + "the file is too large");
  if (const std::string reason = CheckChunks(bytes); !reason.empty()) throw PictureError(prefix + reason);
  ComScope com;
  if (!com.Usable()) throw PictureError(prefix + "the system's picture decoders cannot be started");
  Com<IWICImagingFactory> factory;
  HRESULT hr = win32::CreateWicFactory(&factory);
  Com<IWICStream> stream;
  if (SUCCEEDED(hr)) hr = factory->CreateStream(stream.Out());
  if (SUCCEEDED(hr))
    hr = stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
  Com<IWICBitmapDecoder> decoder;
  if (SUCCEEDED(hr)) hr = factory->CreateDecoder(GUID_ContainerFormatPng, nullptr, decoder.Out());
  if (SUCCEEDED(hr)) hr = decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand);
  Com<IWICBitmapFrameDecode> frame;
  if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, frame.Out());
  UINT width = 0, height = 0;
  if (SUCCEEDED(hr)) hr = frame->GetSize(&width, &height);
  if (FAILED(hr)) throw PictureError(prefix + win32::DescribeFailure(hr));
  // A picture larger than any screen is a damaged or hostile file.
  if (width == 0 || height == 0 || width > 16384 || height > 16384)
    throw PictureError(prefix + "the picture is too large");
  Com<IWICFormatConverter> converter;
  hr = factory->CreateFormatConverter(converter.Out());
  // 32-bit BGRX in memory is 0x00RRGGBB read as a little-endian word.
  if (SUCCEEDED(hr))
    hr = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                               WICBitmapPaletteTypeCustom);
  Picture out(static_cast<int>(width), static_cast<int>(height));
  const UINT stride = width * 4;
  if (SUCCEEDED(hr)) hr = converter->CopyPixels(nullptr, stride, stride * height, reinterpret_cast<BYTE*>(out.Row(0)));
  if (FAILED(hr)) throw PictureError(prefix + win32::DescribeFailure(hr));
  for (int y = 0; y < out.Height(); ++y) {
    std::uint32_t* row = out.Row(y);
    for (int x = 0; x < out.Width(); ++x) row[x] &= 0x00FFFFFFu;
  }
  return out;
}

}  // namespace sandloop
