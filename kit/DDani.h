#pragma once
// TDDani: an animation strip. Its picture (`Bitmap`) is a vertical strip
// of frames YOffsetFrame pixels high; CreateSurface cuts it once into one
// off-screen surface per frame (at most 200), each optionally scaled to
// StretchWidth x StretchHeight, and DrawAni blits frame NumberFrame into the
// display device's back buffer at (ShowX, ShowY), clipped to the screen by
// the sprite's rule, optionally through a colour key taken from that
// frame's own top-left pixel. Failures are reported by ErrorResult and
// OnError, never by exceptions. The component draws no preview of its own.
#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "kit/Component.h"
#include "kit/DDmain.h"
#include "kit/Picture.h"
#include "kit/ddraw/SurfacePixels.h"
#include "kit/ddraw/ddraw.h"

namespace sandloop {

class TDDani : public TComponent {
 public:
  static constexpr int kMaxFrames = 200;

  explicit TDDani(TComponent* owner);
  ~TDDani() override;

  TDDmain* DDmainModule = nullptr;
  IDirectDraw* FDD = nullptr;
  // Slot i holds the surface of frame i; owned, released by CloseSurface
  // and the error paths.
  std::array<IDirectDrawSurface*, kMaxFrames> FpSurface{};
  IDirectDrawSurface* FDDBACK = nullptr;
  TNotifyEvent OnError;

  [[nodiscard]] const Picture& Bitmap() const { return FBitmap; }
  // Copies the picture; a null argument changes nothing.
  void SetBitmap(const Picture* bitmap);
  // Takes the picture over without copying it.
  void SetBitmap(Picture&& bitmap) { FBitmap = std::move(bitmap); }

  // A strip's frames cut ahead of CreateSurface, on any thread: each
  // frame's pixels at its own size, and where each frame differs from the
  // one before it.
  struct Frames {
    std::vector<display::SurfacePixels> pixels;
    std::vector<RECT> changes;
    std::vector<bool> key_changes;
    [[nodiscard]] bool Empty() const { return pixels.empty(); }
  };
  // How cut frames hold their pixels: sharing the strip's memory, or each
  // in memory of its own (a long strip's memory, mapped in whole huge
  // pages, can be more than its frames need; copied, it goes back at once).
  enum class FrameMemory { Shared, Copied };
  // Cuts `strip` into frames `frame_height` pixels high; the picture is
  // left empty. A picture of no whole frame, or of more than kMaxFrames,
  // gives no frames and is left as it is.
  [[nodiscard]] static Frames CutFrames(Picture& strip, int frame_height, FrameMemory memory = FrameMemory::Shared);
  // CreateSurface makes the frames' surfaces from frames cut ahead, at 32
  // bits taking their pixels over as they are, and the picture is not
  // needed. Frames of another height than YOffsetFrame are not used.
  void SetFramesAhead(Frames&& frames) { FFramesAhead = std::move(frames); }

  void CreateSurface();
  void Create1Surface(int index, int width, int height);
  void CloseSurface();
  void DrawAni();
  // The rectangle on which DrawAni puts an opaque pixel everywhere: the
  // drawn area, as the screen's edges cut it, of a strip without a colour
  // key whose current frame exists; empty otherwise.
  [[nodiscard]] RECT CoveredRect() const;
  // The part of the screen in which the strip drawn at frame `to` differs
  // from it drawn at frame `from`, through every frame in between (frames
  // count on, and wrap to 0 after the last): nothing when they are the
  // same frame, the whole drawn area when a frame is not there.
  [[nodiscard]] RECT ChangedRect(int from, int to) const;
  void DrawImageFunc();
  void SetTransparency(bool value);
  void DDSetColorKey(IDirectDrawSurface* surface, COLORREF colour, int index);
  DWORD DDColorMatch(IDirectDrawSurface* surface, COLORREF colour);

  // Bitmap height / YOffsetFrame, set by CreateSurface.
  [[nodiscard]] int FrameCount() const { return FFrameCount; }

  void SetShowX(int value) { FShowX = value; }
  void SetShowY(int value) { FShowY = value; }
  [[nodiscard]] int GetShowX() const { return FShowX; }
  [[nodiscard]] int GetShowY() const { return FShowY; }
  void SetErrorResult(const std::string& text) { FErrorResult = text; }
  [[nodiscard]] const std::string& GetErrorResult() const { return FErrorResult; }
  void SetNumberFrame(int value) { FNumberFrame = value; }
  void SetYOffsetFrame(int value) { FYOffsetFrame = value; }
  [[nodiscard]] int GetNumberFrame() const { return FNumberFrame; }
  [[nodiscard]] int GetYOffsetFrame() const { return FYOffsetFrame; }
  void SetStretching(bool value) { FStretching = value; }
  void SetStretchWidth(int value) { FStretchWidth = value; }
  void SetStretchHeight(int value) { FStretchHeight = value; }
  [[nodiscard]] bool Transparency() const { return FTransparency; }
  [[nodiscard]] bool Stretching() const { return FStretching; }
  [[nodiscard]] int StretchWidth() const { return FStretchWidth; }
  [[nodiscard]] int StretchHeight() const { return FStretchHeight; }

  [[nodiscard]] HRESULT LastResult() const { return FLastResult; }
  [[nodiscard]] RECT SourceRect() const { return FSrc; }
  [[nodiscard]] DWORD BlitFlags() const { return FBlitFlags; }

 private:
  void ReportError(const std::string& message, int release_slot);
  void ReleaseSlot(int index);
  bool CreateFramesAhead();

  int FFrameCount = 0;
  Picture FBitmap;
  Frames FFramesAhead;
  HRESULT FLastResult = 0;
  std::string FErrorResult;
  int FShowX = 0;
  int FShowY = 0;
  RECT FSrc;
  // The size of the frame surfaces; a drawn size other than this is
  // stretched as it is drawn.
  int frame_width_ = 0, frame_height_ = 0;

  // changes_[k]: the box, in frame pixels, of the pixels in which frame k
  // differs from the one before it (frame k - 1, or the last for frame 0).
  std::vector<RECT> changes_;
  // key_changes_[k]: frame k's colour key is not the one of the frame before.
  std::vector<bool> key_changes_;
  int FNumberFrame = 0;
  int FYOffsetFrame = 0;
  DWORD FBlitFlags = 0;
  bool FTransparency = false;
  int FStretchWidth = 0;
  int FStretchHeight = 0;
  bool FStretching = false;
};

}  // namespace sandloop
