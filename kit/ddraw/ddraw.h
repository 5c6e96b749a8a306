#pragma once
// The display layer the kit draws through. It offers the DirectDraw-style
// operations the components are written against (objects, surfaces, blits,
// colour keys, device contexts, locks, capabilities, gamma control) with
// their usual result codes, on surfaces kept in ordinary memory. What the
// composed page finally reaches is a display back end (backend.h): SDL on a
// real screen, or memory only for tests and file rendering.
//
// Pixel formats: 16 bits RGB565, 24 bits packed B,G,R bytes, 32 bits XRGB
// (little-endian 0x00RRGGBB). Rows are padded to 4 bytes, and every surface
// has 4 spare bytes after its last row so that a 32-bit read at any pixel
// stays inside the allocation.
#include <cstddef>
#include <cstdint>

namespace sandloop::display {
struct SurfacePixels;
}

using HRESULT = std::int32_t;
using DWORD = std::uint32_t;
using COLORREF = std::uint32_t;  // 0x00BBGGRR, red in the low byte
using HWND = std::uintptr_t;     // a window of the platform layer; 0 = none

constexpr HRESULT DD_OK = 0;
constexpr HRESULT S_OK = 0;
constexpr HRESULT E_FAIL = static_cast<HRESULT>(0x80004005u);
constexpr HRESULT E_NOINTERFACE = static_cast<HRESULT>(0x80004002u);
constexpr HRESULT E_OUTOFMEMORY = static_cast<HRESULT>(0x8007000Eu);
constexpr HRESULT DDERR_GENERIC = E_FAIL;
constexpr HRESULT DDERR_UNSUPPORTED = static_cast<HRESULT>(0x80004001u);
constexpr HRESULT DDERR_INVALIDPARAMS = static_cast<HRESULT>(0x80070057u);
constexpr HRESULT DDERR_OUTOFMEMORY = E_OUTOFMEMORY;
constexpr HRESULT DDERR_INVALIDMODE = static_cast<HRESULT>(0x88760078u);
constexpr HRESULT DDERR_INVALIDPIXELFORMAT = static_cast<HRESULT>(0x88760091u);
constexpr HRESULT DDERR_INVALIDRECT = static_cast<HRESULT>(0x88760096u);
constexpr HRESULT DDERR_INVALIDOBJECT = static_cast<HRESULT>(0x88760082u);
constexpr HRESULT DDERR_NOEXCLUSIVEMODE = static_cast<HRESULT>(0x887600E1u);
constexpr HRESULT DDERR_NOTFOUND = static_cast<HRESULT>(0x887600FFu);
constexpr HRESULT DDERR_SURFACELOST = static_cast<HRESULT>(0x887601C2u);
constexpr HRESULT DDERR_WASSTILLDRAWING = static_cast<HRESULT>(0x8876021Cu);
constexpr HRESULT DDERR_CANTCREATEDC = static_cast<HRESULT>(0x8876024Cu);
constexpr HRESULT DDERR_NOTLOCKED = static_cast<HRESULT>(0x887602ACu);
constexpr HRESULT DDERR_NODC = static_cast<HRESULT>(0x8876023Du);
constexpr HRESULT DDERR_NOTFLIPPABLE = static_cast<HRESULT>(0x8876014Cu);
constexpr HRESULT DDERR_NOGAMMARAMP = static_cast<HRESULT>(0x88760107u);

constexpr inline bool FAILED(HRESULT hr) { return hr < 0; }
constexpr inline bool SUCCEEDED(HRESULT hr) { return hr >= 0; }

constexpr COLORREF CLR_INVALID = 0xFFFFFFFFu;

// Cooperative levels.
constexpr DWORD DDSCL_FULLSCREEN = 0x00000001;
constexpr DWORD DDSCL_ALLOWREBOOT = 0x00000002;
constexpr DWORD DDSCL_NORMAL = 0x00000008;
constexpr DWORD DDSCL_EXCLUSIVE = 0x00000010;

// Surface description flags.
constexpr DWORD DDSD_CAPS = 0x00000001;
constexpr DWORD DDSD_HEIGHT = 0x00000002;
constexpr DWORD DDSD_WIDTH = 0x00000004;
constexpr DWORD DDSD_PITCH = 0x00000008;
constexpr DWORD DDSD_BACKBUFFERCOUNT = 0x00000020;
constexpr DWORD DDSD_PIXELFORMAT = 0x00001000;

// Surface capabilities.
constexpr DWORD DDSCAPS_BACKBUFFER = 0x00000004;
constexpr DWORD DDSCAPS_COMPLEX = 0x00000008;
constexpr DWORD DDSCAPS_FLIP = 0x00000010;
constexpr DWORD DDSCAPS_FRONTBUFFER = 0x00000020;
constexpr DWORD DDSCAPS_OFFSCREENPLAIN = 0x00000040;
constexpr DWORD DDSCAPS_PRIMARYSURFACE = 0x00000200;
constexpr DWORD DDSCAPS_SYSTEMMEMORY = 0x00000800;
constexpr DWORD DDSCAPS_VIDEOMEMORY = 0x00004000;

// Blits.
constexpr DWORD DDBLT_COLORFILL = 0x00000400;
constexpr DWORD DDBLT_WAIT = 0x01000000;
constexpr DWORD DDBLTFAST_NOCOLORKEY = 0x00000000;
constexpr DWORD DDBLTFAST_SRCCOLORKEY = 0x00000001;
constexpr DWORD DDBLTFAST_WAIT = 0x00000010;
// Our own flag: draw through the source's alpha plane (SetAlphaPlane).
constexpr DWORD DDBLTFAST_SRCALPHA = 0x00000100;
constexpr DWORD DDCKEY_SRCBLT = 0x00000008;
constexpr DWORD DDFLIP_WAIT = 0x00000001;
constexpr DWORD DDLOCK_WAIT = 0x00000001;

// Capabilities and enumeration.
constexpr DWORD DDCAPS2_PRIMARYGAMMA = 0x00020000;
constexpr DWORD DDENUM_ATTACHEDSECONDARYDEVICES = 0x00000001;
constexpr DWORD DDENUMRET_CANCEL = 0;
constexpr DWORD DDENUMRET_OK = 1;
constexpr DWORD DDPF_RGB = 0x00000040;

struct RECT {
  std::int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct GUID {
  std::uint32_t Data1 = 0;
  std::uint16_t Data2 = 0, Data3 = 0;
  std::uint8_t Data4[8] = {};
};
inline bool operator==(const GUID& a, const GUID& b) {
  if (a.Data1 != b.Data1 || a.Data2 != b.Data2 || a.Data3 != b.Data3) return false;
  for (int i = 0; i < 8; ++i)
    if (a.Data4[i] != b.Data4[i]) return false;
  return true;
}
extern const GUID IID_IDirectDrawGammaControl;

struct DDSCAPS {
  DWORD dwCaps = 0;
};

struct DDPIXELFORMAT {
  DWORD dwSize = sizeof(DDPIXELFORMAT);
  DWORD dwFlags = 0;
  DWORD dwFourCC = 0;
  DWORD dwRGBBitCount = 0;
  DWORD dwRBitMask = 0, dwGBitMask = 0, dwBBitMask = 0, dwRGBAlphaBitMask = 0;
};

struct DDSURFACEDESC {
  DWORD dwSize = 0;
  DWORD dwFlags = 0;
  DWORD dwHeight = 0;
  DWORD dwWidth = 0;
  std::int32_t lPitch = 0;
  DWORD dwBackBufferCount = 0;
  DWORD dwRefreshRate = 0;
  void* lpSurface = nullptr;
  DDPIXELFORMAT ddpfPixelFormat;
  DDSCAPS ddsCaps;
};

struct DDCOLORKEY {
  DWORD dwColorSpaceLowValue = 0;
  DWORD dwColorSpaceHighValue = 0;
};

struct DDBLTFX {
  DWORD dwSize = 0;
  DWORD dwFillColor = 0;
};

// The driver capability record: 380 bytes, the size field first and the
// second capability word (dwCaps2) at byte 8.
struct DDCAPS {
  DWORD dwSize;
  DWORD dwCaps;
  DWORD dwCaps2;
  std::uint8_t rest[380 - 12];
};
static_assert(sizeof(DDCAPS) == 380);

struct DDGAMMARAMP {
  std::uint16_t red[256];
  std::uint16_t green[256];
  std::uint16_t blue[256];
};
static_assert(sizeof(DDGAMMARAMP) == 1536);

class DeviceContext;
using HDC = DeviceContext*;

// Reference counting as the platform's objects have it: Release frees the
// object when the count reaches 0. Holders of borrowed copies never release.
class IUnknownLike {
 public:
  virtual std::uint32_t AddRef() = 0;
  virtual std::uint32_t Release() = 0;

 protected:
  virtual ~IUnknownLike() = default;
};

class IDirectDrawGammaControl : public IUnknownLike {
 public:
  virtual HRESULT GetGammaRamp(DWORD flags, DDGAMMARAMP* ramp) = 0;
  virtual HRESULT SetGammaRamp(DWORD flags, const DDGAMMARAMP* ramp) = 0;
};

class IDirectDrawSurface : public IUnknownLike {
 public:
  // Shows the attached back buffer (primary surfaces only). The back buffer
  // keeps what it holds: it is the frame on the screen until it is drawn on
  // again, and the primary surface's pixels are the same page.
  virtual HRESULT Flip(IDirectDrawSurface* target_override, DWORD flags) = 0;
  virtual HRESULT GetAttachedSurface(const DDSCAPS* caps, IDirectDrawSurface** out) = 0;
  virtual HRESULT IsLost() = 0;
  virtual HRESULT Restore() = 0;
  // Only colour fill is supported: DDBLT_COLORFILL with fx->dwFillColor over
  // dst (null = the whole surface).
  virtual HRESULT Blt(const RECT* dst, IDirectDrawSurface* src, const RECT* src_rect, DWORD flags,
                      const DDBLTFX* fx) = 0;
  // Copies src_rect of src (null = whole) to (x, y); with
  // DDBLTFAST_SRCCOLORKEY pixels equal to the source key are skipped. A
  // destination that does not fit inside this surface fails with
  // DDERR_INVALIDRECT, as does a source rectangle outside the source.
  virtual HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface* src, const RECT* src_rect,
                          DWORD trans) = 0;
  // Draws the whole of src stretched over `dst`, which may reach past this
  // surface, nearest neighbour: the pixel at (x, y) takes src's pixel
  // ((x - dst.left) * src width / dst width, likewise down), the pixel a
  // copy of src stretched to dst's size would hold there. Only the part
  // inside `part`, this surface and the clip rectangle changes; with
  // DDBLTFAST_SRCCOLORKEY pixels equal to the source key are skipped. Asks
  // the display as BltFast does; an empty dst or a source of another depth
  // is refused.
  virtual HRESULT StretchBltFast(const RECT& dst, IDirectDrawSurface* src, const RECT& part, DWORD trans) = 0;
  virtual HRESULT GetDC(HDC* out) = 0;
  virtual HRESULT ReleaseDC(HDC dc) = 0;
  virtual HRESULT Lock(const RECT* rect, DDSURFACEDESC* desc, DWORD flags, void* event) = 0;
  virtual HRESULT Unlock(const RECT* rect) = 0;
  virtual HRESULT SetColorKey(DWORD flags, const DDCOLORKEY* key) = 0;
  virtual HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) = 0;
  virtual HRESULT QueryInterface(const GUID& iid, void** out) = 0;
  // Limits what later drawing changes to `rect` (null: the whole surface):
  // blits and colour fills leave every pixel outside it as it was, and so
  // do device contexts taken while it is set. A blit's own checks are made
  // as without it. The scene redraws only the parts of a frame that change
  // by drawing every layer through such a rectangle.
  virtual HRESULT SetClipRect(const RECT* rect) = 0;
  // Tells the next Flip of this primary surface that only `rects` of the
  // back buffer differ from the page now shown, so only they need to reach
  // the screen (count < 0: the whole page). Used by that one Flip; a change
  // of the gamma ramp since the last Flip shows the whole page anyway.
  virtual HRESULT SetChangedRects(const RECT* rects, int count) = 0;
  // Gives the surface one coverage byte per pixel (w x h bytes, rows
  // `pitch` apart; null removes it). Its pixels then hold colours already
  // multiplied by their coverage, and a BltFast with DDBLTFAST_SRCALPHA
  // from it blends them over the destination instead of copying them.
  virtual HRESULT SetAlphaPlane(const std::uint8_t* alpha, int pitch) = 0;
};

using LPDDENUMMODESCALLBACK = HRESULT (*)(DDSURFACEDESC* desc, void* context);
using LPDDENUMCALLBACKEXA = int (*)(GUID* guid, const char* description, const char* name,
                                    void* context, void* monitor);

class IDirectDraw : public IUnknownLike {
 public:
  virtual HRESULT SetCooperativeLevel(HWND window, DWORD flags) = 0;
  virtual HRESULT SetDisplayMode(DWORD width, DWORD height, DWORD bpp) = 0;
  virtual HRESULT RestoreDisplayMode() = 0;
  virtual HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, void* outer) = 0;
  // An offscreen surface of the pixels' size whose pixels (and alpha
  // plane) are `pixels`, taken over without a copy; `pixels` is empty
  // afterwards. Only while the display runs at 32 bits: otherwise
  // DDERR_INVALIDPIXELFORMAT, and `pixels` is left as it was.
  virtual HRESULT CreateSurfaceFrom(sandloop::display::SurfacePixels& pixels, IDirectDrawSurface** out) = 0;
  virtual HRESULT GetCaps(DDCAPS* driver, DDCAPS* emulation) = 0;
  virtual HRESULT EnumDisplayModes(DWORD flags, DDSURFACEDESC* filter, void* context,
                                   LPDDENUMMODESCALLBACK callback) = 0;
  virtual HRESULT GetDisplayMode(DDSURFACEDESC* desc) = 0;
};

// Creates the object of the display named by `driver` (null: the primary
// display). Fails with E_FAIL when no display back end is available.
HRESULT DirectDrawCreate(const GUID* driver, IDirectDraw** out, void* outer);

// One callback per display device: the primary display driver (null
// identifier) first, then each monitor. Stops when the callback returns 0.
HRESULT DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, void* context, DWORD flags);
