#include "kit/DDani.h"

#include <algorithm>
#include <cstdint>

#include "kit/Clip.h"
#include "kit/DDbmp.h"
#include "kit/RgbaPicture.h"
#include "kit/ddraw/gdi.h"

namespace sandloop {

TDDani::TDDani(TComponent* owner) : TComponent(owner) {}

// The frame surfaces are not released here: an owner calls CloseSurface first.
TDDani::~TDDani() = default;

void TDDani::SetBitmap(const Picture* bitmap) {
  if (bitmap != nullptr) FBitmap = *bitmap;
}

void TDDani::ReleaseSlot(int index) {
  if (index < 0 || index >= kMaxFrames) return;
  if (FpSurface[index] != nullptr) {
    FpSurface[index]->Release();
    FpSurface[index] = nullptr;
  }
}

void TDDani::ReportError(const std::string& message, int release_slot) {
  SetErrorResult(message);
  ReleaseSlot(release_slot);
  if (OnError) OnError(this);
}

void TDDani::CloseSurface() {
  for (int i = 0; i < kMaxFrames; ++i) ReleaseSlot(i);
}

void TDDani::CreateSurface() {
  if (DDmainModule == nullptr) return ReportError("Error connect to DDMAIN", -1);
  FDD = DDmainModule->FpDD;
  if (FDD == nullptr) return ReportError("Error FDD==NULL", -1);
  FDDBACK = DDmainModule->FpDDSBack;
  if (FDDBACK == nullptr) return ReportError("Error FDDBACK==NULL", -1);
  // A negative frame height names no frames either.
  if (FYOffsetFrame <= 0) return ReportError("Not defined FYOffsetFrame", -1);
  display::SurfacePixels pixels = std::move(FFramePixels);
  FFramePixels = display::SurfacePixels();
  if (!pixels.Empty() && pixels.height == FYOffsetFrame) return CreateFrameFromPixels(pixels);
  FFrameCount = FBitmap.Height() / FYOffsetFrame;
  if (FFrameCount > kMaxFrames) return ReportError("TOO match sprites", -1);

  // The frames keep the strip's own size; a stretched strip is stretched
  // as each frame is drawn, which draws the same pixels as frames kept at
  // the stretched size at a fraction of their memory.
  // A second call replaces the frames of the first instead of leaking them.
  CloseSurface();
  for (int i = 0; i < FFrameCount; ++i) Create1Surface(i, FBitmap.Width(), FYOffsetFrame);
  FindChanges();
}

// The only frame, from pixels made ahead; at 16 or 24 bits they are copied
// into a surface of the display's format.
void TDDani::CreateFrameFromPixels(display::SurfacePixels& pixels) {
  CloseSurface();
  FFrameCount = 1;
  frame_width_ = pixels.width;
  frame_height_ = pixels.height;
  // A single frame never differs from the one before it.
  changes_.assign(1, RECT{});
  key_changes_.assign(1, false);
  FLastResult = FDD->CreateSurfaceFrom(pixels, &FpSurface[0]);
  if (FLastResult == DDERR_INVALIDPIXELFORMAT) {
    FLastResult = CreateOffscreenSurface(FDD, pixels.width, pixels.height, &FpSurface[0]);
    if (FAILED(FLastResult)) return ReportError("Error CreateSurfaceANI", 0);
    FLastResult = CopyPixelsToSurface(FpSurface[0], pixels);
  }
  if (FAILED(FLastResult)) return ReportError("Error CreateSurfaceANI", 0);
}

// Compares each frame of the picture with the one before it, row by row,
// and notes where a frame's colour key (its top-left pixel) is not the one
// before it: keyed, the same colour may then be drawn in one and not in
// the other.
void TDDani::FindChanges() {
  changes_.assign(static_cast<std::size_t>(FFrameCount), RECT{});
  key_changes_.assign(static_cast<std::size_t>(FFrameCount), false);
  const int w = FBitmap.Width();
  for (int k = 0; k < FFrameCount; ++k) {
    const int before = (k + FFrameCount - 1) % FFrameCount;
    key_changes_[static_cast<std::size_t>(k)] =
        w > 0 && FBitmap.Pixel(0, before * FYOffsetFrame) != FBitmap.Pixel(0, k * FYOffsetFrame);
    RECT box{w, FYOffsetFrame, 0, 0};
    for (int y = 0; y < FYOffsetFrame; ++y) {
      const std::uint32_t* a = FBitmap.Row(before * FYOffsetFrame + y);
      const std::uint32_t* b = FBitmap.Row(k * FYOffsetFrame + y);
      int left = 0, right = w;
      while (left < w && a[left] == b[left]) ++left;
      if (left == w) continue;
      while (a[right - 1] == b[right - 1]) --right;
      box = RECT{std::min<std::int32_t>(box.left, left), std::min<std::int32_t>(box.top, y), std::max<std::int32_t>(box.right, right),
                 y + 1};
    }
    if (box.left < box.right) changes_[static_cast<std::size_t>(k)] = box;
  }
}

RECT TDDani::ChangedRect(int from, int to) const {
  const int drawn_w = FStretching ? FStretchWidth : frame_width_;
  const int drawn_h = FStretching ? FStretchHeight : frame_height_;
  const RECT whole{FShowX, FShowY, FShowX + drawn_w, FShowY + drawn_h};
  const auto frames = static_cast<int>(changes_.size());
  if (from == to) return RECT{};
  if (from < 0 || to < 0 || from >= frames || to >= frames || frames != FFrameCount) return whole;
  RECT box{frame_width_, frame_height_, 0, 0};
  for (int k = from; k != to;) {
    k = (k + 1) % frames;
    if (FTransparency && key_changes_[static_cast<std::size_t>(k)]) return whole;
    const RECT& c = changes_[static_cast<std::size_t>(k)];
    if (c.left >= c.right) continue;
    box = RECT{std::min(box.left, c.left), std::min(box.top, c.top), std::max(box.right, c.right),
               std::max(box.bottom, c.bottom)};
  }
  if (box.left >= box.right || frame_width_ <= 0 || frame_height_ <= 0) return RECT{};
  // Drawn pixel d shows frame pixel d * frame / drawn: the drawn pixels
  // from floor(first * drawn / frame) to ceil(end * drawn / frame) take
  // their colour from the box.
  auto down = [](std::int32_t v, int drawn, int frame) {
    return static_cast<std::int32_t>(static_cast<std::int64_t>(v) * drawn / frame);
  };
  auto up = [](std::int32_t v, int drawn, int frame) {
    return static_cast<std::int32_t>((static_cast<std::int64_t>(v) * drawn + frame - 1) / frame);
  };
  return RECT{FShowX + down(box.left, drawn_w, frame_width_), FShowY + down(box.top, drawn_h, frame_height_),
              FShowX + up(box.right, drawn_w, frame_width_), FShowY + up(box.bottom, drawn_h, frame_height_)};
}

void TDDani::Create1Surface(int index, int width, int height) {
  if (index < 0 || index >= kMaxFrames || FDD == nullptr) return;
  IDirectDrawSurface*& slot = FpSurface[index];
  frame_width_ = width;
  frame_height_ = height;
  FLastResult = CreateOffscreenSurface(FDD, width, height, &slot);
  if (FAILED(FLastResult)) return ReportError("Error CreateSurfaceANI", index);

  HDC dc = nullptr;
  FLastResult = slot->GetDC(&dc);
  if (FAILED(FLastResult)) return ReportError("Error FpSurface->GetDC (ANI)", index);
  // Frame `index` is the band of rows index * YOffsetFrame onwards.
  StretchDrawPictureBand(dc, RECT{0, 0, width, height}, FBitmap, FYOffsetFrame * index, FYOffsetFrame);
  slot->ReleaseDC(dc);
}

void TDDani::DrawAni() {
  if (FDDBACK == nullptr) return ReportError("Error FDDBACK==NULL", -1);
  // A frame outside the strip or one whose surface is gone is reported and
  // not drawn, rather than handed to the blit.
  if (FNumberFrame < 0 || FNumberFrame >= kMaxFrames || FpSurface[FNumberFrame] == nullptr)
    return ReportError("Error FpSurface==NULL", -1);
  FSrc.left = 0;
  FSrc.top = 0;
  // Unstretched, the picture's width; a frame made from pixels made ahead
  // has no picture, and its own width.
  FSrc.right = FStretching ? FStretchWidth : FBitmap.Empty() ? frame_width_ : FBitmap.Width();
  FSrc.bottom = FStretching ? FStretchHeight : FYOffsetFrame;
  DrawImageFunc();
}

RECT TDDani::CoveredRect() const {
  if (FTransparency || DDmainModule == nullptr || FDDBACK == nullptr) return RECT{};
  if (FNumberFrame < 0 || FNumberFrame >= kMaxFrames || FpSurface[FNumberFrame] == nullptr) return RECT{};
  const RECT drawn_size{0, 0, FStretching ? FStretchWidth : frame_width_, FStretching ? FStretchHeight : frame_height_};
  const ClippedBlit blit =
      ClipToScreen(DDmainModule->GetWidth(), DDmainModule->GetHeight(), FShowX, FShowY, drawn_size);
  if (!blit.draw) return RECT{};
  return RECT{blit.dst_x, blit.dst_y, blit.dst_x + (blit.src.right - blit.src.left),
              blit.dst_y + (blit.src.bottom - blit.src.top)};
}

void TDDani::DrawImageFunc() {
  if (FDDBACK == nullptr || DDmainModule == nullptr) return;
  if (FNumberFrame < 0 || FNumberFrame >= kMaxFrames || FpSurface[FNumberFrame] == nullptr) return;
  const ClippedBlit blit = ClipToScreen(DDmainModule->GetWidth(), DDmainModule->GetHeight(), FShowX, FShowY, FSrc);
  if (!blit.draw) return;
  do {
    if (frame_width_ != FSrc.right || frame_height_ != FSrc.bottom) {
      // The frame is smaller than what is drawn: the part of the stretched
      // frame that the clip leaves is drawn in place.
      const RECT whole{FShowX, FShowY, FShowX + FSrc.right, FShowY + FSrc.bottom};
      const RECT part{blit.dst_x, blit.dst_y, blit.dst_x + (blit.src.right - blit.src.left),
                      blit.dst_y + (blit.src.bottom - blit.src.top)};
      FLastResult = FDDBACK->StretchBltFast(whole, FpSurface[FNumberFrame], part, FBlitFlags);
    } else {
      FLastResult = FDDBACK->BltFast(static_cast<DWORD>(blit.dst_x), static_cast<DWORD>(blit.dst_y),
                                     FpSurface[FNumberFrame], &blit.src, FBlitFlags);
    }
  } while (FLastResult == DDERR_WASSTILLDRAWING);
  if (FAILED(FLastResult)) ReportError("Error FDDBACK->BltFast (BMP)", FNumberFrame);
}

void TDDani::SetTransparency(bool value) {
  if (FFrameCount <= 0) return;
  if (value) {
    FBlitFlags = DDBLTFAST_SRCCOLORKEY;
    for (int i = 0; i < FFrameCount && i < kMaxFrames; ++i) DDSetColorKey(FpSurface[i], CLR_INVALID, i);
    FTransparency = true;
  } else {
    FBlitFlags = DDBLTFAST_NOCOLORKEY;
    FTransparency = false;
  }
}

void TDDani::DDSetColorKey(IDirectDrawSurface* surface, COLORREF colour, int index) {
  if (surface == nullptr) return;
  DDCOLORKEY key;
  key.dwColorSpaceLowValue = key.dwColorSpaceHighValue = DDColorMatch(surface, colour);
  FLastResult = surface->SetColorKey(DDCKEY_SRCBLT, &key);
  if (FAILED(FLastResult)) ReportError("Error SetColorKey (ANI)", index);
}

DWORD TDDani::DDColorMatch(IDirectDrawSurface* surface, COLORREF colour) { return ColorMatch(surface, colour); }

}  // namespace sandloop
