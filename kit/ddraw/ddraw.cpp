// The display layer's objects: a DirectDraw object per display, surfaces in
// ordinary memory, and the gamma control of the primary surface. The back
// end (backend.h) supplies modes, the screen and fault injection; every
// operation asks it first whether it must fail (Backend::Fault).
#include <algorithm>
#include <atomic>
#include <cstdio>
#include <cstring>
#include <memory>
#include <mutex>
#include <new>
#include <vector>

#include "kit/ddraw/backend.h"
#include "kit/ddraw/blend.h"
#include "kit/ddraw/blit.h"
#include "kit/ddraw/dc.h"
#include "kit/ddraw/ddraw.h"
#include "kit/ddraw/MonitorView.h"
#include "kit/ddraw/PageMemory.h"
#include "kit/ddraw/SurfacePixels.h"
#include "kit/ddraw/pixel.h"

const GUID IID_IDirectDrawGammaControl = {0x69C11C3E, 0xB46B, 0x11D1, {0xAD, 0x7A, 0x00, 0xC0, 0x4F, 0xC2, 0x9B, 0x4E}};

namespace sandloop::display {

// The back end's results are the layer's own codes (backend.h).
static_assert(static_cast<HRESULT>(Status::Ok) == DD_OK);
static_assert(static_cast<HRESULT>(Status::Generic) == DDERR_GENERIC);
static_assert(static_cast<HRESULT>(Status::Unsupported) == DDERR_UNSUPPORTED);
static_assert(static_cast<HRESULT>(Status::InvalidParams) == DDERR_INVALIDPARAMS);
static_assert(static_cast<HRESULT>(Status::InvalidMode) == DDERR_INVALIDMODE);
static_assert(static_cast<HRESULT>(Status::NoExclusiveMode) == DDERR_NOEXCLUSIVEMODE);
static_assert(static_cast<HRESULT>(Status::SurfaceLost) == DDERR_SURFACELOST);
static_assert(static_cast<HRESULT>(Status::OutOfMemory) == DDERR_OUTOFMEMORY);
static_assert(sizeof(Ramp) == sizeof(DDGAMMARAMP) && sizeof(Rect) == sizeof(RECT));

namespace {

constexpr HRESULT Code(Status s) { return static_cast<HRESULT>(s); }

DDGAMMARAMP NeutralRamp() {
  DDGAMMARAMP r;
  for (int i = 0; i < 256; ++i) r.red[i] = r.green[i] = r.blue[i] = static_cast<std::uint16_t>(i * 257);
  return r;
}

// What the objects of one display share: the back end, the mode the
// display is in and the gamma ramp that presents apply. Surfaces keep it
// alive, so a surface released after its DirectDraw object stays safe.
struct DisplayState {
  std::shared_ptr<Backend> backend;
  std::mutex lock;  // the ramp may be set from the frame timer's thread
  DisplayMode mode;
  bool exclusive = false;
  bool ramp_set = false;  // the ramp changes the picture (presents apply it)
  std::uint64_t ramp_serial = 0;  // counts the ramps set
  DDGAMMARAMP ramp = NeutralRamp();
};

HRESULT Ask(const DisplayState& s, Op op) { return s.backend ? Code(s.backend->Fault(op)) : E_FAIL; }

// Presents use the high byte of each entry, so any ramp whose high bytes
// are 0..255 (the 256*i and the 257*i identity among them) leaves the
// picture unchanged and needs no conversion.
bool IdentityRamp(const DDGAMMARAMP& r) {
  for (int i = 0; i < 256; ++i) {
    if ((r.red[i] >> 8) != i || (r.green[i] >> 8) != i || (r.blue[i] >> 8) != i) return false;
  }
  return true;
}

class GammaControl final : public IDirectDrawGammaControl {
 public:
  explicit GammaControl(std::shared_ptr<DisplayState> s) : state_(std::move(s)) {}
  std::uint32_t AddRef() override { return ++refs_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --refs_;
    if (left == 0) delete this;
    return left;
  }
  HRESULT GetGammaRamp(DWORD, DDGAMMARAMP* ramp) override {
    if (ramp == nullptr) return DDERR_INVALIDPARAMS;
    if (HRESULT f = Ask(*state_, Op::GetGammaRamp); f != DD_OK) return f;
    std::lock_guard<std::mutex> g(state_->lock);
    *ramp = state_->ramp;  // the ramp last set, entry for entry
    return DD_OK;
  }
  HRESULT SetGammaRamp(DWORD, const DDGAMMARAMP* ramp) override {
    if (ramp == nullptr) return DDERR_INVALIDPARAMS;
    if (HRESULT f = Ask(*state_, Op::SetGammaRamp); f != DD_OK) return f;
    std::lock_guard<std::mutex> g(state_->lock);
    // The same ramp again changes nothing on the screen.
    if (std::memcmp(&state_->ramp, ramp, sizeof(DDGAMMARAMP)) == 0) return DD_OK;
    state_->ramp = *ramp;
    state_->ramp_set = !IdentityRamp(*ramp);
    ++state_->ramp_serial;
    return DD_OK;
  }

 private:
  ~GammaControl() override = default;
  std::shared_ptr<DisplayState> state_;
  std::atomic<std::uint32_t> refs_{1};
};

class Surface;
Surface* NewSurface(std::shared_ptr<DisplayState> s, int w, int h, int bpp, bool primary, Surface* back = nullptr);

class Surface final : public IDirectDrawSurface {
 public:
  // A primary surface made with a back buffer (`back` not null) has no page
  // of its own: see Flip.
  Surface(std::shared_ptr<DisplayState> s, int w, int h, int bpp, bool primary, Surface* back = nullptr)
      : state_(std::move(s)), width_(w), height_(h), bpp_(bpp), primary_(primary), back_(back) {
    pitch_ = ((w * (bpp / 8)) + 3) & ~3;
    clip_ = RECT{0, 0, w, h};
    // Four spare bytes so that a 32-bit read of any pixel stays inside.
    if (back_ == nullptr) mem_ = PageMemory(static_cast<std::size_t>(pitch_) * h + 4);
  }
  // An offscreen 32-bit surface of pixels made ahead (SurfacePixels).
  Surface(std::shared_ptr<DisplayState> s, SurfacePixels&& pixels)
      : state_(std::move(s)),
        width_(pixels.width),
        height_(pixels.height),
        bpp_(32),
        pitch_(pixels.width * 4),
        primary_(false),
        mem_(std::move(pixels.words)),
        alpha_(std::move(pixels.alpha)) {
    clip_ = RECT{0, 0, width_, height_};
    pixels = SurfacePixels{};
  }

  std::uint32_t AddRef() override { return ++refs_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --refs_;
    if (left == 0) {
      if (back_ != nullptr) back_->Release();
      delete this;
    }
    return left;
  }

  // Every back end keeps the picture it was last given (a window surface, a
  // bitmap, the headless screen), so the frame shown needs no page of its
  // own: Flip shows the back buffer and leaves it as it is. The back buffer
  // therefore still holds the frame on the screen after a flip, and the
  // primary surface's pixels are that same page. At 3840 x 2160 this saves
  // a whole 32 MB page.
  HRESULT Flip(IDirectDrawSurface*, DWORD) override {
    if (!primary_ || back_ == nullptr) return DDERR_NOTFLIPPABLE;
    if (HRESULT f = Ask(*state_, Op::Flip); f != DD_OK) return f;
    if (!state_->exclusive) return DDERR_NOEXCLUSIVEMODE;
    return Present();
  }

  HRESULT GetAttachedSurface(const DDSCAPS* caps, IDirectDrawSurface** out) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (HRESULT f = Ask(*state_, Op::GetAttachedSurface); f != DD_OK) return f;
    if (back_ == nullptr || caps == nullptr || (caps->dwCaps & DDSCAPS_BACKBUFFER) == 0) return DDERR_NOTFOUND;
    back_->AddRef();
    *out = back_;
    return DD_OK;
  }

  HRESULT IsLost() override { return DD_OK; }

  HRESULT Restore() override { return Ask(*state_, Op::Restore); }

  HRESULT Blt(const RECT* dst, IDirectDrawSurface*, const RECT*, DWORD flags, const DDBLTFX* fx) override {
    if (HRESULT f = Ask(*state_, Op::Blt); f != DD_OK) return f;
    if ((flags & DDBLT_COLORFILL) == 0 || fx == nullptr) return DDERR_UNSUPPORTED;
    RECT r{0, 0, width_, height_};
    if (dst != nullptr) r = *dst;
    if (r.left < 0 || r.top < 0 || r.right > width_ || r.bottom > height_ || r.left > r.right || r.top > r.bottom)
      return DDERR_INVALIDRECT;
    r = RECT{std::max(r.left, clip_.left), std::max(r.top, clip_.top), std::min(r.right, clip_.right),
             std::min(r.bottom, clip_.bottom)};
    if (r.left >= r.right || r.top >= r.bottom) return DD_OK;
    FillRect(At(r.left, r.top), pitch_, r.right - r.left, r.bottom - r.top, bpp_,
             fx->dwFillColor & PixelMask(bpp_));
    return DD_OK;
  }

  HRESULT BltFast(DWORD x, DWORD y, IDirectDrawSurface* src_if, const RECT* src_rect, DWORD trans) override {
    if (HRESULT f = Ask(*state_, Op::BltFast); f != DD_OK) return f;
    auto* src = dynamic_cast<Surface*>(src_if);
    if (src == nullptr) return DDERR_INVALIDPARAMS;
    if (src->bpp_ != bpp_) return DDERR_INVALIDPARAMS;
    RECT r{0, 0, src->width_, src->height_};
    if (src_rect != nullptr) r = *src_rect;
    if (r.left < 0 || r.top < 0 || r.right > src->width_ || r.bottom > src->height_ || r.left >= r.right ||
        r.top >= r.bottom)
      return DDERR_INVALIDRECT;
    const std::int64_t w = r.right - r.left, h = r.bottom - r.top;
    // x and y are unsigned: a negative destination arrives as a huge value
    // and is refused here, as the platform's blit refuses it.
    if (static_cast<std::int64_t>(x) + w > width_ || static_cast<std::int64_t>(y) + h > height_)
      return DDERR_INVALIDRECT;
    // The part inside the clip rectangle, if any.
    const std::int64_t cl = std::max<std::int64_t>(x, clip_.left), ct = std::max<std::int64_t>(y, clip_.top);
    const std::int64_t cr = std::min<std::int64_t>(x + w, clip_.right), cb = std::min<std::int64_t>(y + h, clip_.bottom);
    if (cl >= cr || ct >= cb) return DD_OK;
    const std::uint8_t* s = src->At(static_cast<int>(r.left + (cl - x)), static_cast<int>(r.top + (ct - y)));
    std::uint8_t* d = At(static_cast<int>(cl), static_cast<int>(ct));
    const std::int64_t cw = cr - cl, ch = cb - ct;
    if ((trans & DDBLTFAST_SRCALPHA) != 0 && src->alpha_ != nullptr)
      BlitAlpha(d, pitch_, s, src->pitch_, *src->alpha_, static_cast<int>(r.left + (cl - x)),
                static_cast<int>(r.top + (ct - y)), static_cast<int>(cw), static_cast<int>(ch), bpp_);
    else if ((trans & DDBLTFAST_SRCCOLORKEY) != 0 && src->has_key_)
      BlitKeyed(d, pitch_, s, src->pitch_, static_cast<int>(cw), static_cast<int>(ch), bpp_, src->key_);
    else
      BlitOpaque(d, pitch_, s, src->pitch_, static_cast<int>(cw), static_cast<int>(ch), bpp_);
    return DD_OK;
  }

  HRESULT StretchBltFast(const RECT& dst, IDirectDrawSurface* src_if, const RECT& part, DWORD trans) override {
    if (HRESULT f = Ask(*state_, Op::BltFast); f != DD_OK) return f;
    auto* src = dynamic_cast<Surface*>(src_if);
    if (src == nullptr || src->bpp_ != bpp_) return DDERR_INVALIDPARAMS;
    const std::int64_t dw = std::int64_t{dst.right} - dst.left, dh = std::int64_t{dst.bottom} - dst.top;
    if (dw <= 0 || dh <= 0) return DDERR_INVALIDRECT;
    const std::int64_t l = std::max<std::int64_t>({dst.left, part.left, clip_.left});
    const std::int64_t t = std::max<std::int64_t>({dst.top, part.top, clip_.top});
    const std::int64_t r = std::min<std::int64_t>({dst.right, part.right, clip_.right});
    const std::int64_t b = std::min<std::int64_t>({dst.bottom, part.bottom, clip_.bottom});
    if (l >= r || t >= b) return DD_OK;
    const bool keyed = (trans & DDBLTFAST_SRCCOLORKEY) != 0 && src->has_key_;
    StretchNearest(At(static_cast<int>(l), static_cast<int>(t)), pitch_, src->Page().data(), src->pitch_,
                   StretchGeometry{src->width_, src->height_, dw, dh, l - dst.left, t - dst.top, r - l, b - t}, bpp_,
                   keyed, src->key_);
    return DD_OK;
  }

  HRESULT SetChangedRects(const RECT* rects, int count) override {
    if (!primary_) return DDERR_NOTFLIPPABLE;
    changed_.clear();
    if (count < 0 || rects == nullptr) {
      whole_page_ = true;
      return DD_OK;
    }
    if (changed_.capacity() < static_cast<std::size_t>(count)) changed_.reserve(static_cast<std::size_t>(count) + 32);
    for (int i = 0; i < count; ++i) {
      const RECT& r = rects[i];
      const Rect c{std::max(r.left, 0), std::max(r.top, 0), std::min(r.right, width_), std::min(r.bottom, height_)};
      if (c.left < c.right && c.top < c.bottom) changed_.push_back(c);
    }
    whole_page_ = false;
    return DD_OK;
  }

  HRESULT SetAlphaPlane(const std::uint8_t* alpha, int pitch) override {
    if (HRESULT f = Ask(*state_, Op::SetAlphaPlane); f != DD_OK) return f;
    if (alpha == nullptr) {
      alpha_.reset();
      return DD_OK;
    }
    if (pitch < width_) return DDERR_INVALIDPARAMS;
    try {
      alpha_ = std::make_unique<AlphaPlane>(alpha, pitch, width_, height_);
    } catch (const std::bad_alloc&) {
      return DDERR_OUTOFMEMORY;
    }
    return DD_OK;
  }

  HRESULT SetClipRect(const RECT* rect) override {
    if (rect == nullptr) {
      clip_ = RECT{0, 0, width_, height_};
      return DD_OK;
    }
    if (rect->left > rect->right || rect->top > rect->bottom) return DDERR_INVALIDRECT;
    clip_ = RECT{std::max(rect->left, 0), std::max(rect->top, 0), std::min(rect->right, width_),
                 std::min(rect->bottom, height_)};
    return DD_OK;
  }

  HRESULT GetDC(HDC* out) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (HRESULT f = Ask(*state_, Op::GetDC); f != DD_OK) return f;
    *out = new (std::nothrow) DeviceContext(Page().data(), width_, height_, pitch_, bpp_);
    if (*out == nullptr) return DDERR_OUTOFMEMORY;
    (*out)->SetClip(clip_);
    ++dcs_;
    return DD_OK;
  }

  HRESULT ReleaseDC(HDC dc) override {
    if (dc == nullptr) return DDERR_INVALIDPARAMS;
    const HRESULT f = Ask(*state_, Op::ReleaseDC);
    // The context is freed even when the release is reported as failed, so
    // that a failing release never leaks.
    delete dc;
    if (dcs_ > 0) --dcs_;
    return f;
  }

  HRESULT Lock(const RECT* rect, DDSURFACEDESC* desc, DWORD, void*) override {
    if (desc == nullptr) return DDERR_INVALIDPARAMS;
    if (HRESULT f = Ask(*state_, Op::Lock); f != DD_OK) return f;
    int x = 0, y = 0;
    if (rect != nullptr) {
      if (rect->left < 0 || rect->top < 0 || rect->right > width_ || rect->bottom > height_) return DDERR_INVALIDRECT;
      x = rect->left;
      y = rect->top;
    }
    FillDesc(desc);
    desc->lpSurface = At(x, y);
    ++locks_;
    return DD_OK;
  }

  HRESULT Unlock(const RECT*) override {
    if (HRESULT f = Ask(*state_, Op::Unlock); f != DD_OK) return f;
    if (locks_ == 0) return DDERR_NOTLOCKED;
    --locks_;
    return DD_OK;
  }

  HRESULT SetColorKey(DWORD flags, const DDCOLORKEY* key) override {
    if (HRESULT f = Ask(*state_, Op::SetColorKey); f != DD_OK) return f;
    if ((flags & DDCKEY_SRCBLT) == 0) return DDERR_UNSUPPORTED;
    if (key == nullptr) {
      has_key_ = false;
      return DD_OK;
    }
    has_key_ = true;
    key_ = key->dwColorSpaceLowValue & PixelMask(bpp_);
    return DD_OK;
  }

  HRESULT GetSurfaceDesc(DDSURFACEDESC* desc) override {
    if (desc == nullptr) return DDERR_INVALIDPARAMS;
    FillDesc(desc);
    desc->lpSurface = nullptr;
    return DD_OK;
  }

  HRESULT QueryInterface(const GUID& iid, void** out) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (HRESULT f = Ask(*state_, Op::QueryInterface); f != DD_OK) return f;
    if (!(iid == IID_IDirectDrawGammaControl) || !primary_ || !state_->backend->GammaSupported())
      return E_NOINTERFACE;
    *out = static_cast<IDirectDrawGammaControl*>(new GammaControl(state_));
    return DD_OK;
  }

 private:
  ~Surface() override = default;

  // The pixels: the back buffer's page for a primary surface that has one.
  PageMemory& Page() { return back_ != nullptr ? back_->mem_ : mem_; }

  std::uint8_t* At(int x, int y) {
    return Page().data() + static_cast<std::ptrdiff_t>(y) * pitch_ + static_cast<std::ptrdiff_t>(x) * (bpp_ / 8);
  }

  void FillDesc(DDSURFACEDESC* desc) const {
    desc->dwSize = sizeof(DDSURFACEDESC);
    desc->dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(width_);
    desc->dwHeight = static_cast<DWORD>(height_);
    desc->lPitch = pitch_;
    desc->ddsCaps.dwCaps = primary_ ? (DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP | DDSCAPS_COMPLEX | DDSCAPS_FRONTBUFFER)
                                    : DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY;
    DDPIXELFORMAT& pf = desc->ddpfPixelFormat;
    pf.dwSize = sizeof(DDPIXELFORMAT);
    pf.dwFlags = DDPF_RGB;
    pf.dwRGBBitCount = static_cast<DWORD>(bpp_);
    if (bpp_ == 16) {
      pf.dwRBitMask = 0xF800;
      pf.dwGBitMask = 0x07E0;
      pf.dwBBitMask = 0x001F;
    } else {
      pf.dwRBitMask = 0xFF0000;
      pf.dwGBitMask = 0x00FF00;
      pf.dwBBitMask = 0x0000FF;
    }
  }

  HRESULT Present() {
    PageView page{Page().data(), width_, height_, pitch_, bpp_};
    Ramp ramp;
    bool use_ramp;
    std::uint64_t serial;
    {
      std::lock_guard<std::mutex> g(state_->lock);
      use_ramp = state_->ramp_set;
      if (use_ramp) {
        std::memcpy(ramp.red, state_->ramp.red, sizeof ramp.red);
        std::memcpy(ramp.green, state_->ramp.green, sizeof ramp.green);
        std::memcpy(ramp.blue, state_->ramp.blue, sizeof ramp.blue);
      }
      serial = state_->ramp_serial;
    }
    const bool parts = !whole_page_ && presented_once_ && serial == presented_serial_;
    whole_page_ = true;  // the changed parts count for one flip only
    presented_once_ = true;
    presented_serial_ = serial;
    if (parts)
      return Code(state_->backend->PresentRects(page, use_ramp ? &ramp : nullptr, changed_.data(),
                                                static_cast<int>(changed_.size())));
    return Code(state_->backend->Present(page, use_ramp ? &ramp : nullptr));
  }

  std::shared_ptr<DisplayState> state_;
  int width_, height_, bpp_, pitch_ = 0;
  bool primary_;
  PageMemory mem_;
  RECT clip_{};  // drawing changes only pixels inside
  // Parts of the back buffer that the next flip must show (primary only).
  std::vector<Rect> changed_;
  bool whole_page_ = true;
  bool presented_once_ = false;
  std::uint64_t presented_serial_ = 0;
  Surface* back_ = nullptr;  // the attached back buffer of a primary surface
  bool has_key_ = false;
  std::uint32_t key_ = 0;
  std::unique_ptr<AlphaPlane> alpha_;  // coverage of a surface drawn with its alpha
  int dcs_ = 0;
  int locks_ = 0;
  std::atomic<std::uint32_t> refs_{1};
};

// Null when the surface's memory cannot be had, as the platform reports
// DDERR_OUTOFMEMORY rather than failing the program.
Surface* NewSurface(std::shared_ptr<DisplayState> s, int w, int h, int bpp, bool primary, Surface* back) {
  try {
    return new Surface(std::move(s), w, h, bpp, primary, back);
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

class DirectDraw final : public IDirectDraw {
 public:
  explicit DirectDraw(std::shared_ptr<Backend> backend) : state_(std::make_shared<DisplayState>()) {
    state_->backend = std::move(backend);
    state_->mode = state_->backend->DesktopMode();
  }

  std::uint32_t AddRef() override { return ++refs_; }
  std::uint32_t Release() override {
    const std::uint32_t left = --refs_;
    if (left == 0) {
      // Giving up the exclusive object gives the display back to the desktop.
      if (state_->exclusive) {
        state_->backend->EndExclusive();
        state_->exclusive = false;
      }
      delete this;
    }
    return left;
  }

  HRESULT SetCooperativeLevel(HWND window, DWORD flags) override {
    if (HRESULT f = Ask(*state_, Op::SetCooperativeLevel); f != DD_OK) return f;
    if ((flags & (DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN)) == (DDSCL_EXCLUSIVE | DDSCL_FULLSCREEN)) {
      if (window == 0) return DDERR_INVALIDPARAMS;
      if (state_->exclusive) return DD_OK;
      const HRESULT hr = Code(state_->backend->BeginExclusive(window));
      if (FAILED(hr)) return hr;
      state_->exclusive = true;
      return DD_OK;
    }
    if ((flags & DDSCL_NORMAL) != 0) return DD_OK;
    return DDERR_INVALIDPARAMS;
  }

  HRESULT SetDisplayMode(DWORD w, DWORD h, DWORD bpp) override {
    if (HRESULT f = Ask(*state_, Op::SetDisplayMode); f != DD_OK) return f;
    if (!state_->exclusive) return DDERR_NOEXCLUSIVEMODE;
    const DisplayMode m{static_cast<int>(w), static_cast<int>(h), static_cast<int>(bpp)};
    if (m.bpp != 16 && m.bpp != 24 && m.bpp != 32) return DDERR_INVALIDMODE;
    const HRESULT hr = Code(state_->backend->SetMode(m));
    if (FAILED(hr)) return hr;
    state_->mode = m;
    return DD_OK;
  }

  HRESULT RestoreDisplayMode() override {
    state_->mode = state_->backend->DesktopMode();
    return DD_OK;
  }

  HRESULT CreateSurface(DDSURFACEDESC* desc, IDirectDrawSurface** out, void*) override {
    if (desc == nullptr || out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (HRESULT f = Ask(*state_, Op::CreateSurface); f != DD_OK) return f;
    const int bpp = state_->mode.bpp;
    if ((desc->dwFlags & DDSD_CAPS) != 0 && (desc->ddsCaps.dwCaps & DDSCAPS_PRIMARYSURFACE) != 0) {
      if (!state_->exclusive) return DDERR_NOEXCLUSIVEMODE;
      const int w = state_->mode.width, h = state_->mode.height;
      Surface* back = nullptr;
      if ((desc->dwFlags & DDSD_BACKBUFFERCOUNT) != 0 && desc->dwBackBufferCount >= 1 &&
          (desc->ddsCaps.dwCaps & DDSCAPS_FLIP) != 0) {
        back = NewSurface(state_, w, h, bpp, false);
        if (back == nullptr) return DDERR_OUTOFMEMORY;
      }
      auto* primary = NewSurface(state_, w, h, bpp, true, back);
      if (primary == nullptr) {
        if (back != nullptr) back->Release();
        return DDERR_OUTOFMEMORY;
      }
      *out = primary;
      return DD_OK;
    }
    if ((desc->dwFlags & (DDSD_WIDTH | DDSD_HEIGHT)) != (DDSD_WIDTH | DDSD_HEIGHT)) return DDERR_INVALIDPARAMS;
    // A generous bound on one surface keeps a bad size from exhausting memory.
    if (desc->dwWidth == 0 || desc->dwHeight == 0 || desc->dwWidth > 16384 || desc->dwHeight > 16384)
      return DDERR_INVALIDPARAMS;
    auto* s = NewSurface(state_, static_cast<int>(desc->dwWidth), static_cast<int>(desc->dwHeight), bpp, false);
    if (s == nullptr) return DDERR_OUTOFMEMORY;
    *out = s;
    return DD_OK;
  }

  HRESULT CreateSurfaceFrom(SurfacePixels& pixels, IDirectDrawSurface** out) override {
    if (out == nullptr) return DDERR_INVALIDPARAMS;
    *out = nullptr;
    if (HRESULT f = Ask(*state_, Op::CreateSurface); f != DD_OK) return f;
    if (state_->mode.bpp != 32) return DDERR_INVALIDPIXELFORMAT;
    const int w = pixels.width, h = pixels.height;
    if (w <= 0 || h <= 0 || w > 16384 || h > 16384 || pixels.words.data() == nullptr ||
        pixels.words.size() < static_cast<std::size_t>(w) * 4 * static_cast<std::size_t>(h) + 4 ||
        (pixels.alpha != nullptr && (pixels.alpha->Width() != w || pixels.alpha->Height() != h)))
      return DDERR_INVALIDPARAMS;
    auto* s = new (std::nothrow) Surface(state_, std::move(pixels));
    if (s == nullptr) return DDERR_OUTOFMEMORY;
    *out = s;
    return DD_OK;
  }

  HRESULT GetCaps(DDCAPS* driver, DDCAPS* emulation) override {
    if (HRESULT f = Ask(*state_, Op::GetCaps); f != DD_OK) return f;
    for (DDCAPS* c : {driver, emulation}) {
      if (c == nullptr) continue;
      if (c->dwSize != sizeof(DDCAPS)) return DDERR_INVALIDPARAMS;
      c->dwCaps = 0;
      c->dwCaps2 = state_->backend->GammaSupported() ? DDCAPS2_PRIMARYGAMMA : 0;
    }
    return DD_OK;
  }

  HRESULT EnumDisplayModes(DWORD, DDSURFACEDESC*, void* context, LPDDENUMMODESCALLBACK callback) override {
    if (callback == nullptr) return DDERR_INVALIDPARAMS;
    if (HRESULT f = Ask(*state_, Op::EnumDisplayModes); f != DD_OK) return f;
    for (const DisplayMode& m : state_->backend->Modes()) {
      DDSURFACEDESC d;
      d.dwSize = sizeof(DDSURFACEDESC);
      d.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT;
      d.dwWidth = static_cast<DWORD>(m.width);
      d.dwHeight = static_cast<DWORD>(m.height);
      d.lPitch = ((m.width * (m.bpp / 8)) + 3) & ~3;
      d.ddpfPixelFormat.dwFlags = DDPF_RGB;
      d.ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(m.bpp);
      if (callback(&d, context) == static_cast<HRESULT>(DDENUMRET_CANCEL)) break;
    }
    return DD_OK;
  }

  HRESULT GetDisplayMode(DDSURFACEDESC* desc) override {
    if (desc == nullptr) return DDERR_INVALIDPARAMS;
    desc->dwSize = sizeof(DDSURFACEDESC);
    desc->dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
    desc->dwWidth = static_cast<DWORD>(state_->mode.width);
    desc->dwHeight = static_cast<DWORD>(state_->mode.height);
    desc->ddpfPixelFormat.dwFlags = DDPF_RGB;
    desc->ddpfPixelFormat.dwRGBBitCount = static_cast<DWORD>(state_->mode.bpp);
    return DD_OK;
  }

 private:
  ~DirectDraw() override = default;
  std::shared_ptr<DisplayState> state_;
  std::atomic<std::uint32_t> refs_{1};
};

}  // namespace

}  // namespace sandloop::display

using sandloop::display::CurrentBackendShared;
using sandloop::display::Op;

HRESULT DirectDrawCreate(const GUID* driver, IDirectDraw** out, void*) {
  if (out == nullptr) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  auto backend = CurrentBackendShared();
  if (!backend) return E_FAIL;
  if (const auto f = backend->Fault(Op::DirectDrawCreate); f != sandloop::display::Status::Ok)
    return static_cast<HRESULT>(f);
  // Monitors past the first are told by their identifier (Data1 = index);
  // the object of one of them shows its pages on that monitor.
  if (driver != nullptr) {
    const int index = static_cast<int>(driver->Data1);
    if (index >= backend->MonitorCount()) return DDERR_INVALIDPARAMS;
    if (index > 0) backend = std::make_shared<sandloop::display::MonitorView>(std::move(backend), index);
  }
  *out = new (std::nothrow) sandloop::display::DirectDraw(std::move(backend));
  return *out != nullptr ? DD_OK : DDERR_OUTOFMEMORY;
}

HRESULT DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, void* context, DWORD flags) {
  if (callback == nullptr) return DDERR_INVALIDPARAMS;
  auto backend = CurrentBackendShared();
  if (!backend) return E_FAIL;
  if (const auto f = backend->Fault(Op::EnumerateDevices); f != sandloop::display::Status::Ok)
    return static_cast<HRESULT>(f);
  if (callback(nullptr, "Primary Display Driver", "display", context, nullptr) == 0) return DD_OK;
  if ((flags & DDENUM_ATTACHEDSECONDARYDEVICES) == 0) return DD_OK;
  // The identifiers live as long as the process: callers may keep them.
  static GUID monitor_ids[16];
  const int count = std::min(backend->MonitorCount(), 16);
  for (int i = 0; i < count; ++i) {
    monitor_ids[i] = GUID{};
    monitor_ids[i].Data1 = static_cast<std::uint32_t>(i);
    monitor_ids[i].Data2 = 0x5D1;  // marks the layer's own identifiers
    char name[32];
    std::snprintf(name, sizeof name, "\\\\.\\DISPLAY%d", i + 1);
    if (callback(&monitor_ids[i], "Monitor", name, context, nullptr) == 0) break;
  }
  return DD_OK;
}
