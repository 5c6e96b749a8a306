#include "kit/DDani.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <memory>

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

namespace {

// Compares each of the strip's `frames` frames with the one before it (the
// last, for frame 0), row by row, and notes where a frame's colour key (its
// top-left pixel) is not the one before it: keyed, the same colour may then
// be drawn in one and not in the other.
void FindChanges(const Picture& strip, int frame_height, int frames, std::vector<RECT>& changes,
                 std::vector<bool>& key_changes) {
  changes.assign(static_cast<std::size_t>(frames), RECT{});
  key_changes.assign(static_cast<std::size_t>(frames), false);
  const int w = strip.Width();
  for (int k = 0; k < frames; ++k) {
    const int before = (k + frames - 1) % frames;
    key_changes[static_cast<std::size_t>(k)] =
        w > 0 && strip.Pixel(0, before * frame_height) != strip.Pixel(0, k * frame_height);
    RECT box{w, frame_height, 0, 0};
    for (int y = 0; y < frame_height; ++y) {
      const std::uint32_t* a = strip.Row(before * frame_height + y);
      const std::uint32_t* b = strip.Row(k * frame_height + y);
      int left = 0, right = w;
      while (left < w && a[left] == b[left]) ++left;
      if (left == w) continue;
      while (a[right - 1] == b[right - 1]) --right;
      box = RECT{std::min<std::int32_t>(box.left, left), std::min<std::int32_t>(box.top, y), std::max<std::int32_t>(box.right, right),
                 y + 1};
    }
    if (box.left < box.right) changes[static_cast<std::size_t>(k)] = box;
  }
}

}  // namespace

TDDani::Frames TDDani::CutFrames(Picture& strip, int frame_height, FrameMemory memory) {
  Frames out;
  if (frame_height <= 0 || strip.Width() <= 0) return out;
  const int count = strip.Height() / frame_height;
  if (count <= 0 || count > kMaxFrames) return out;
  FindChanges(strip, frame_height, count, out.changes, out.key_changes);
  // Frame k is the band of rows from k * frame_height on, with the 4 bytes
  // after it (the next frame's first pixel, or the picture's spare bytes).
  const int w = strip.Width();
  const std::size_t bytes = static_cast<std::size_t>(w) * static_cast<std::size_t>(frame_height) * 4;
  auto whole = std::make_shared<display::PageMemory>(std::move(strip).ToSurfacePixels().words);
  out.pixels.reserve(static_cast<std::size_t>(count));
  for (int k = 0; k < count; ++k) {
    display::SurfacePixels& frame = out.pixels.emplace_back();
    frame.width = w;
    frame.height = frame_height;
    const std::size_t at = static_cast<std::size_t>(k) * bytes;
    if (memory == FrameMemory::Shared) {
      frame.words = display::PageMemory::Part(whole, at, bytes + 4);
    } else {
      frame.words = display::PageMemory(bytes + 4);
      std::memcpy(frame.words.data(), whole->data() + at, bytes);
    }
  }
  return out;
}

void TDDani::CreateSurface() {
  if (DDmainModule == nullptr) return ReportError("Error connect to DDMAIN", -1);
  FDD = DDmainModule->FpDD;
  if (FDD == nullptr) return ReportError("Error FDD==NULL", -1);
  FDDBACK = DDmainModule->FpDDSBack;
  if (FDDBACK == nullptr) return ReportError("Error FDDBACK==NULL", -1);
  // A negative frame height names no frames either.
  if (FYOffsetFrame <= 0) return ReportError("Not defined FYOffsetFrame", -1);
  if (CreateFramesAhead()) return;
  FFrameCount = FBitmap.Height() / FYOffsetFrame;
  if (FFrameCount > kMaxFrames) return ReportError("TOO match sprites", -1);

  // The frames keep the strip's own size; a stretched strip is stretched
  // as each frame is drawn, which draws the same pixels as frames kept at
  // the stretched size at a fraction of their memory.
  // A second call replaces the frames of the first instead of leaking them.
  CloseSurface();
  for (int i = 0; i < FFrameCount; ++i) Create1Surface(i, FBitmap.Width(), FYOffsetFrame);
  FindChanges(FBitmap, FYOffsetFrame, FFrameCount, changes_, key_changes_);
}

// The frames cut ahead, when they are frames of this strip's height; at
// 16 or 24 bits each is copied into a surface of the display's format. A
// frame that cannot be made is reported and the others are still made.
bool TDDani::CreateFramesAhead() {
  Frames frames = std::move(FFramesAhead);
  FFramesAhead = Frames();
  const auto count = frames.pixels.size();
  if (count == 0 || count > kMaxFrames || frames.changes.size() != count || frames.key_changes.size() != count)
    return false;
  const int width = frames.pixels.front().width;
  for (const display::SurfacePixels& f : frames.pixels)
    if (f.width != width || f.height != FYOffsetFrame) return false;
  CloseSurface();
  FFrameCount = static_cast<int>(count);
  frame_width_ = width;
  frame_height_ = FYOffsetFrame;
  changes_ = std::move(frames.changes);
  key_changes_ = std::move(frames.key_changes);
  for (int i = 0; i < FFrameCount; ++i) {
    display::SurfacePixels& pixels = frames.pixels[static_cast<std::size_t>(i)];
    FLastResult = FDD->CreateSurfaceFrom(pixels, &FpSurface[i]);
    if (FLastResult == DDERR_INVALIDPIXELFORMAT) {
      FLastResult = CreateOffscreenSurface(FDD, width, FYOffsetFrame, &FpSurface[i]);
      if (SUCCEEDED(FLastResult)) FLastResult = CopyPixelsToSurface(FpSurface[i], pixels);
    }
    if (FAILED(FLastResult)) ReportError("Error CreateSurfaceANI", i);
  }
  return true;
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
