#include "kit/DDbmp.h"

#include <cstring>

#include "kit/Clip.h"
#include "kit/ddraw/gdi.h"

namespace sandloop {

DWORD ColorMatch(IDirectDrawSurface* surface, COLORREF colour) {
  DWORD result = CLR_INVALID;
  if (surface == nullptr) return result;
  COLORREF saved = CLR_INVALID;
  HDC dc = nullptr;
  if (colour != CLR_INVALID && SUCCEEDED(surface->GetDC(&dc))) {
    saved = GetPixel(dc, 0, 0);
    SetPixel(dc, 0, 0, colour);
    surface->ReleaseDC(dc);
  }
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof(desc);
  HRESULT hr;
  while ((hr = surface->Lock(nullptr, &desc, 0, nullptr)) == DDERR_WASSTILLDRAWING) {
  }
  if (hr == DD_OK) {
    // Only the bytes of one pixel are read: the low bits-per-pixel bits of
    // the word at the first pixel.
    const DWORD bpp = desc.ddpfPixelFormat.dwRGBBitCount;
    const std::size_t bytes = bpp >= 32 ? 4 : bpp / 8;
    DWORD word = 0;
    if (desc.lpSurface != nullptr && bytes > 0) {
      std::uint8_t raw[4] = {};
      std::memcpy(raw, desc.lpSurface, bytes);
      word = static_cast<DWORD>(raw[0]) | (static_cast<DWORD>(raw[1]) << 8) | (static_cast<DWORD>(raw[2]) << 16) |
             (static_cast<DWORD>(raw[3]) << 24);
    }
    result = word;
    surface->Unlock(nullptr);
  }
  if (colour != CLR_INVALID && saved != CLR_INVALID && SUCCEEDED(surface->GetDC(&dc))) {
    SetPixel(dc, 0, 0, saved);
    surface->ReleaseDC(dc);
  }
  return result;
}

HRESULT CreateOffscreenSurface(IDirectDraw* dd, int width, int height, IDirectDrawSurface** out) {
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof(desc);
  desc.dwFlags = DDSD_CAPS | DDSD_HEIGHT | DDSD_WIDTH;
  desc.ddsCaps.dwCaps = DDSCAPS_OFFSCREENPLAIN;
  desc.dwWidth = static_cast<DWORD>(width);
  desc.dwHeight = static_cast<DWORD>(height);
  return dd->CreateSurface(&desc, out, nullptr);
}

TDDbmp::TDDbmp(TComponent* owner) : TComponent(owner) {}

// The surface is not released here: an owner calls CloseSurface first.
TDDbmp::~TDDbmp() = default;

void TDDbmp::SetBitmap(const Picture* bitmap) {
  if (bitmap != nullptr) FBitmap = *bitmap;
}

void TDDbmp::ReleaseSurface() {
  if (FpSurface != nullptr) {
    FpSurface->Release();
    FpSurface = nullptr;
  }
}

void TDDbmp::ReportError(const std::string& message, bool release) {
  SetErrorResult(message);
  if (release) ReleaseSurface();
  if (OnError) OnError(this);
}

void TDDbmp::CloseSurface() { ReleaseSurface(); }

// The device surfaces are made on, and its back buffer; false once a
// missing one is reported.
bool TDDbmp::ConnectDevice() {
  if (DDmainModule == nullptr) {
    ReportError("Error connect to DDMAIN", false);
    return false;
  }
  FDD = DDmainModule->FpDD;
  if (FDD == nullptr) {
    ReportError("FDD==NULL", false);
    return false;
  }
  FDDBACK = DDmainModule->FpDDSBack;
  if (FDDBACK == nullptr) {
    ReportError("FDDBACK==NULL", false);
    return false;
  }
  return true;
}

void TDDbmp::ShareSurface(const TDDbmp& other) {
  if (!ConnectDevice()) return;
  ReleaseSurface();
  if (other.FpSurface == nullptr) return ReportError("eFpSurface==NULL", false);
  FpSurface = other.FpSurface;
  FpSurface->AddRef();
  FHasAlpha = other.FHasAlpha;
  FTransparency = other.FTransparency;
  FBlitFlags = other.FBlitFlags;
  // Drawn at the surface's own size, which is the picture's as made.
  DDSURFACEDESC desc{};
  desc.dwSize = sizeof desc;
  FLastResult = FpSurface->GetSurfaceDesc(&desc);
  if (FAILED(FLastResult)) return ReportError("eFpSurface->GetSurfaceDesc (BMP)", true);
  FStretching = true;
  FStretchWidth = static_cast<int>(desc.dwWidth);
  FStretchHeight = static_cast<int>(desc.dwHeight);
  FShowX = other.FShowX;
  FShowY = other.FShowY;
}

void TDDbmp::CreateSurface() {
  if (!ConnectDevice()) return;
  // A second call replaces the surface of the first instead of leaking it.
  ReleaseSurface();
  FHasAlpha = false;
  if (FStretching && !FSmooth.Empty()) {
    RgbaPicture smooth = std::move(FSmooth);
    FSmooth = RgbaPicture();
    if (smooth.Width() != FStretchWidth || smooth.Height() != FStretchHeight)
      smooth = smooth.ScaledTo(FStretchWidth, FStretchHeight);
    FSmoothPixels = std::move(smooth).ToSurfacePixels();
  }
  display::SurfacePixels pixels = std::move(FSmoothPixels);
  FSmoothPixels = display::SurfacePixels();
  if (FStretching && pixels.width == FStretchWidth && pixels.height == FStretchHeight)
    return CreateSmoothSurface(pixels);

  FLastResult = CreateOffscreenSurface(FDD, FStretching ? FStretchWidth : FBitmap.Width(),
                                       FStretching ? FStretchHeight : FBitmap.Height(), &FpSurface);
  if (FAILED(FLastResult)) return ReportError("eCreateSurfaceBMP", true);
  HDC dc = nullptr;
  FLastResult = FpSurface->GetDC(&dc);
  if (FAILED(FLastResult)) return ReportError("eFpSurface->GetDC (BMP)", true);
  if (FStretching)
    StretchDrawPicture(dc, RECT{0, 0, FStretchWidth, FStretchHeight}, FBitmap);
  else
    DrawPicture(dc, 0, 0, FBitmap);
  FpSurface->ReleaseDC(dc);
}

// The surface takes the pixels over as they are; at 16 or 24 bits they are
// copied into a surface of the display's format instead.
void TDDbmp::CreateSmoothSurface(display::SurfacePixels& pixels) {
  const bool alpha = pixels.alpha != nullptr;
  FLastResult = FDD->CreateSurfaceFrom(pixels, &FpSurface);
  if (FLastResult == DDERR_INVALIDPIXELFORMAT) {
    FLastResult = CreateOffscreenSurface(FDD, pixels.width, pixels.height, &FpSurface);
    if (FAILED(FLastResult)) return ReportError("eCreateSurfaceBMP", true);
    FLastResult = CopyPixelsToSurface(FpSurface, pixels);
    if (FAILED(FLastResult)) return ReportError("eFpSurface->Lock (BMP)", true);
    FLastResult = alpha ? FpSurface->SetAlphaPlane(pixels.alpha->Row(0), pixels.width) : DD_OK;
    if (FAILED(FLastResult)) return ReportError("eFpSurface->SetAlphaPlane (BMP)", true);
  } else if (FAILED(FLastResult)) {
    return ReportError("eCreateSurfaceBMP", true);
  }
  FHasAlpha = alpha;
}

void TDDbmp::DrawImage() {
  if (FpSurface == nullptr) return ReportError("eFpSurface==NULL", false);
  if (FDDBACK == nullptr) return ReportError("eFDDBACK==NULL", false);
  FSrc.left = 0;
  FSrc.top = 0;
  FSrc.right = FStretching ? FStretchWidth : FBitmap.Width();
  FSrc.bottom = FStretching ? FStretchHeight : FBitmap.Height();
  DrawImageFunc();
}

void TDDbmp::DrawAni() {
  if (FpSurface == nullptr) return ReportError("eFpSurface==NULL", false);
  if (FDDBACK == nullptr) return ReportError("eFDDBACK==NULL", false);
  // Products are formed in 64 bits so that no frame number can overflow
  // them; a frame height of 0 or less, a negative frame or a stretched
  // empty picture names no band of the picture and is reported as a frame
  // beyond it.
  const std::int64_t frame = FNumberFrame, offset = FYOffsetFrame;
  FSrc.left = 0;
  if (FStretching) {
    const int bitmap_height = FBitmap.Height();
    if (bitmap_height <= 0 || offset <= 0 || frame < 0) return ReportError("eFNumberFrame (Ani Stretch)", false);
    const std::int64_t fh = offset * FStretchHeight / bitmap_height;
    const std::int64_t top = frame * fh, bottom = top + fh;
    if (bottom > FStretchHeight) return ReportError("eFNumberFrame (Ani Stretch)", false);
    FSrc.top = static_cast<std::int32_t>(top);
    FSrc.right = FStretchWidth;
    FSrc.bottom = static_cast<std::int32_t>(bottom);
  } else {
    const std::int64_t top = frame * offset, bottom = top + offset;
    if (offset <= 0 || frame < 0 || FBitmap.Height() < bottom) return ReportError("eFNumberFrame (Ani)", false);
    FSrc.top = static_cast<std::int32_t>(top);
    FSrc.right = FBitmap.Width();
    FSrc.bottom = static_cast<std::int32_t>(bottom);
  }
  DrawImageFunc();
}

void TDDbmp::DrawImageFunc() {
  if (FpSurface == nullptr) return ReportError("eFpSurface==NULL", false);
  if (FDDBACK == nullptr) return ReportError("eFDDBACK==NULL", false);
  if (DDmainModule == nullptr) return;
  const ClippedBlit blit = ClipToScreen(DDmainModule->GetWidth(), DDmainModule->GetHeight(), FShowX, FShowY, FSrc);
  if (!blit.draw) return;
  do {
    FLastResult = FDDBACK->BltFast(static_cast<DWORD>(blit.dst_x), static_cast<DWORD>(blit.dst_y), FpSurface,
                                   &blit.src, FBlitFlags);
  } while (FLastResult == DDERR_WASSTILLDRAWING);
  if (FAILED(FLastResult)) ReportError("eFDDBACK->BltFast (BMP)", true);
}

RECT TDDbmp::CoveredRect() const {
  if (FTransparency || FpSurface == nullptr || FDDBACK == nullptr || DDmainModule == nullptr) return RECT{};
  const ClippedBlit blit = ClipToScreen(DDmainModule->GetWidth(), DDmainModule->GetHeight(), FShowX, FShowY, FSrc);
  if (!blit.draw) return RECT{};
  return RECT{blit.dst_x, blit.dst_y, blit.dst_x + (blit.src.right - blit.src.left),
              blit.dst_y + (blit.src.bottom - blit.src.top)};
}

void TDDbmp::SetTransparency(bool value) {
  if (FpSurface == nullptr) return ReportError("eFpSurface==NULL", false);
  if (FDDBACK == nullptr) return ReportError("eFDDBACK==NULL", false);
  if (value && FHasAlpha) {
    FBlitFlags = DDBLTFAST_SRCALPHA;
    FTransparency = true;
  } else if (value) {
    FBlitFlags = DDBLTFAST_SRCCOLORKEY;
    DDSetColorKey(FpSurface, CLR_INVALID);
    FTransparency = true;
  } else {
    FBlitFlags = DDBLTFAST_NOCOLORKEY;
    FTransparency = false;
  }
}

void TDDbmp::DDSetColorKey(IDirectDrawSurface* surface, COLORREF colour) {
  if (surface == nullptr) return;
  DDCOLORKEY key;
  key.dwColorSpaceLowValue = key.dwColorSpaceHighValue = DDColorMatch(surface, colour);
  FLastResult = surface->SetColorKey(DDCKEY_SRCBLT, &key);
  if (FAILED(FLastResult)) ReportError("eSetColorKey (BMP)", true);
}

}  // namespace sandloop
