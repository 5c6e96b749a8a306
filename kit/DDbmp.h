#pragma once
// TDDbmp: a sprite. Its picture (`Bitmap`) is copied once, optionally
// scaled, into an off-screen surface of its own by CreateSurface; DrawImage
// then blits the whole picture, and DrawAni one horizontal band of it, into
// the back buffer of the display device at (ShowX, ShowY), clipped to the
// screen, optionally skipping the pixels that have the value of the
// surface's top-left pixel. Failures are reported by ErrorResult and
// OnError, never by exceptions. The component draws no preview of its own.
#include <cstdint>
#include <string>

#include "kit/Component.h"
#include "kit/DDmain.h"
#include "kit/Picture.h"
#include "kit/RgbaPicture.h"
#include "kit/ddraw/ddraw.h"

namespace sandloop {

// The stored pixel value that `colour` has in the surface's format, read
// back through the surface; CLR_INVALID leaves the surface as it is and
// reads its top-left pixel. 0xFFFFFFFF when the surface cannot be locked.
DWORD ColorMatch(IDirectDrawSurface* surface, COLORREF colour);
// An off-screen surface of width x height in the display's format, made by
// `dd` into *out.
HRESULT CreateOffscreenSurface(IDirectDraw* dd, int width, int height, IDirectDrawSurface** out);

class TDDbmp : public TComponent {
 public:
  explicit TDDbmp(TComponent* owner);
  ~TDDbmp() override;

  // The display device to draw through; the device's objects are borrowed.
  TDDmain* DDmainModule = nullptr;
  IDirectDraw* FDD = nullptr;
  IDirectDrawSurface* FDDBACK = nullptr;
  // The sprite's own surface, released by CloseSurface and the error paths.
  IDirectDrawSurface* FpSurface = nullptr;
  TNotifyEvent OnError;

  [[nodiscard]] const Picture& Bitmap() const { return FBitmap; }
  // Copies the picture; a null argument changes nothing.
  void SetBitmap(const Picture* bitmap);
  // Takes the picture over without copying it.
  void SetBitmap(Picture&& bitmap) { FBitmap = std::move(bitmap); }
  // A picture with an alpha channel to make the stretched surface from
  // instead of stretching Bitmap: CreateSurface scales it to the stretch
  // size (when it is not that size already) and SetTransparency(true) then
  // blends its soft edges instead of keying a colour. Used only when
  // Stretching; CreateSurface drops it once the surface holds it.
  void SetSmoothPicture(RgbaPicture&& picture) { FSmooth = std::move(picture); }
  // The same, already made into a 32-bit surface's pixels of the stretch
  // size (RgbaPicture::ToSurfacePixels): the surface takes them over
  // without a copy. Pixels of another size are dropped, and Bitmap is
  // stretched instead.
  void SetSmoothPixels(display::SurfacePixels&& pixels) { FSmoothPixels = std::move(pixels); }
  // The surface is drawn through its alpha plane.
  [[nodiscard]] bool HasAlpha() const { return FHasAlpha; }

  void CreateSurface();
  // Draws the surface of `other`, a sprite made on another device of the
  // same depth, instead of making one: the same picture, size, keying or
  // blending and place, without a copy. Both hold the surface; either may
  // go first.
  void ShareSurface(const TDDbmp& other);
  void CloseSurface();
  void DrawImage();
  // The rectangle on which DrawImage puts an opaque pixel everywhere: the
  // drawn area, as the screen's edges cut it, of a picture drawn without a
  // colour key or alpha; empty otherwise.
  [[nodiscard]] RECT CoveredRect() const;
  void DrawAni();
  void DrawImageFunc();
  void SetTransparency(bool value);
  void DDSetColorKey(IDirectDrawSurface* surface, COLORREF colour);
  DWORD DDColorMatch(IDirectDrawSurface* surface, COLORREF colour) { return ColorMatch(surface, colour); }

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

  // The result code of the latest platform call, the source rectangle of
  // the latest draw and the blit flags (0 plain, 1 colour key).
  [[nodiscard]] HRESULT LastResult() const { return FLastResult; }
  [[nodiscard]] RECT SourceRect() const { return FSrc; }
  [[nodiscard]] DWORD BlitFlags() const { return FBlitFlags; }

 private:
  void ReportError(const std::string& message, bool release);
  void ReleaseSurface();
  bool ConnectDevice();
  void CreateSmoothSurface(display::SurfacePixels& pixels);

  Picture FBitmap;
  RgbaPicture FSmooth;
  display::SurfacePixels FSmoothPixels;
  bool FHasAlpha = false;
  HRESULT FLastResult = 0;
  std::string FErrorResult;
  int FShowX = 0;
  int FShowY = 0;
  RECT FSrc;  // source left, top, right, bottom of the next blit
  int FNumberFrame = 0;
  int FYOffsetFrame = 0;
  DWORD FBlitFlags = 0;
  bool FTransparency = false;
  int FStretchWidth = 0;
  int FStretchHeight = 0;
  bool FStretching = false;
};

}  // namespace sandloop
