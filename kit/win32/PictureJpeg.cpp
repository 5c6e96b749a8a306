// JPEG decoding from memory with the Windows Imaging Component: the
// system's own decoder, reached through COM. Any failure becomes a
// PictureError naming the picture.
#include <windows.h>
#include <wincodec.h>

#include <algorithm>
#include <cstdint>
#include <cstdio>

#include "kit/Picture.h"
#include "kit/win32/Com.h"

namespace sandloop {

using win32::Com;
using win32::ComScope;

Picture Picture::FromJpeg(std::span<const std::uint8_t> bytes, const std::string& name, int max_rows) {
  const std::string prefix = "picture \"" + name + "\" cannot be read: ";
  if (bytes.size() < 4) throw PictureError(prefix + "the JPEG data is too short");
  if (bytes.size() > 0xFFFFFFFFu) throw PictureError(prefix + "the picture is too large");
  ComScope com;
  if (!com.Usable()) throw PictureError(prefix + "the system's picture decoders cannot be started");
  Com<IWICImagingFactory> factory;
  HRESULT hr = win32::CreateWicFactory(&factory);
  if (FAILED(hr)) throw PictureError(prefix + "the system's picture decoders cannot be started");
  Com<IWICStream> stream;
  hr = factory->CreateStream(stream.Out());
  if (SUCCEEDED(hr))
    hr = stream->InitializeFromMemory(const_cast<BYTE*>(bytes.data()), static_cast<DWORD>(bytes.size()));
  Com<IWICBitmapDecoder> decoder;
  if (SUCCEEDED(hr)) {
    // Only the JPEG decoder: other formats are not JPEG data.
    hr = factory->CreateDecoder(GUID_ContainerFormatJpeg, nullptr, decoder.Out());
  }
  if (SUCCEEDED(hr)) hr = decoder->Initialize(stream.Get(), WICDecodeMetadataCacheOnDemand);
  Com<IWICBitmapFrameDecode> frame;
  if (SUCCEEDED(hr)) hr = decoder->GetFrame(0, frame.Out());
  if (FAILED(hr)) throw PictureError(prefix + win32::DescribeFailure(hr));
  UINT width = 0, height = 0;
  hr = frame->GetSize(&width, &height);
  if (FAILED(hr)) throw PictureError(prefix + win32::DescribeFailure(hr));
  // Refused before any pixel memory is taken (the BMP reader's bound).
  if (width == 0 || height == 0 || width > 32768 || height > 32768 ||
      static_cast<std::uint64_t>(width) * height > (std::uint64_t{1} << 25))
    throw PictureError(prefix + "the picture is too large");
  Com<IWICFormatConverter> converter;
  hr = factory->CreateFormatConverter(converter.Out());
  // 32-bit BGRX in memory is 0x00RRGGBB read as a little-endian word.
  if (SUCCEEDED(hr))
    hr = converter->Initialize(frame.Get(), GUID_WICPixelFormat32bppBGR, WICBitmapDitherTypeNone, nullptr, 0.0,
                               WICBitmapPaletteTypeCustom);
  if (FAILED(hr)) throw PictureError(prefix + win32::DescribeFailure(hr));
  // Only the rows asked for are decoded.
  const UINT rows = std::min<UINT>(height, static_cast<UINT>(std::max(max_rows, 0)));
  Picture out(static_cast<int>(width), static_cast<int>(rows), Unfilled{});
  if (rows == 0) return out;
  const UINT stride = width * 4;
  const WICRect top{0, 0, static_cast<INT>(width), static_cast<INT>(rows)};
  hr = converter->CopyPixels(&top, stride, stride * rows, reinterpret_cast<BYTE*>(out.Row(0)));
  // A truncated or damaged file fails here, when the data runs out.
  if (FAILED(hr)) throw PictureError(prefix + win32::DescribeFailure(hr));
  for (int y = 0; y < out.Height(); ++y) {
    std::uint32_t* row = out.Row(y);
    for (int x = 0; x < out.Width(); ++x) row[x] &= 0x00FFFFFFu;
  }
  return out;
}

}  // namespace sandloop
