#include "scene/Unit1.h"

#include <stdlib.h>
#if defined(__GLIBC__)
#include <malloc.h>
#endif

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <future>
#include <memory>
#include <new>
#include <numeric>
#include <system_error>
#include <thread>
#include <type_traits>

#include "assets/Resources.h"
#include "kit/Picture.h"
#include "kit/ddraw/MonitorView.h"
#include "kit/ddraw/backend.h"
#include "kit/os/Folders.h"
#include "scene/Worker.h"
#include "sun/SunTime.h"

namespace sandloop {

FaultPoint FaultPointFromName(const std::string& name) {
  if (name == "tick") return FaultPoint::Tick;
  if (name == "finish") return FaultPoint::Finish;
  if (name == "picture") return FaultPoint::Picture;
  if (name == "smooth") return FaultPoint::SmoothMemory;
  if (name == "thread") return FaultPoint::NoThread;
  return FaultPoint::None;
}

namespace {

// A test's damaged copy of an embedded picture: the file cut off inside its
// header, so that decoding it fails.
std::span<const std::uint8_t> Damaged(const std::string& name) {
  const auto bytes = assets::FindResource(name);
  return bytes ? bytes->first(std::min<std::size_t>(bytes->size(), 64)) : std::span<const std::uint8_t>{};
}

// A picture whose placement spreads its columns to the screen's shape, so
// spread; any other as it is.
Picture SpreadColumns(Picture picture, const Placement& p) {
  if (p.column_spans > 0) return RemapColumns(picture, p);
  return picture;  // moved, not copied
}

}  // namespace

TForm1::TForm1(TApplication& app, const LocalClock& clock, SceneOptions options)
    : TForm(app, "Sandloop"), DXClock1(this, clock), clock_(clock), options_(std::move(options)) {
  // A further monitor's scene draws on that monitor, named as the display
  // layer names it.
  if (Further()) {
    SetDisplay(std::make_shared<display::MonitorView>(display::CurrentBackendShared(), options_.monitor));
    DDmain1.SetMonitor(options_.monitor);
  }
  DDmain1.OnError = [this](TComponent* sender) { DDmain1Error(sender); };
  DDtimer1.OnTimer = [this](TComponent* sender) { DDtimer1Timer(sender); };
  DXClock1.DDmainModule = &DDmain1;
  DDgamma1.DDmainModule = &DDmain1;
  for (int i = 0; i < kPieceCount; ++i) {
    const Piece piece = PieceAt(i);
    if (piece.bmp != nullptr) piece.bmp->DDmainModule = &DDmain1;
    if (piece.ani != nullptr) piece.ani->DDmainModule = &DDmain1;
  }
  ConfigureSettingsStore(SetReg1);
  SetReg1.OnStoreDamaged = [this](TSetReg*, const std::string& message) { Log("SettingsStore", message); };
}

// A scene destroyed while it still runs (an exception out of the message
// loop) stops its timer and releases its surfaces first.
TForm1::~TForm1() { CloseScene(); }

TForm1::Piece TForm1::PieceAt(int index) {
  switch (index) {
    case kGround: return {&DDbmp1ground, nullptr};
    case kLowWater: return {nullptr, &DDani1lowwater};
    case kHighWater: return {nullptr, &DDani1hightwater};
    case kSecondPlane: return {&DDbmp1secondplane, nullptr};
    case kPalmLeft: return {&DDbmp1palmleft, nullptr};
    case kPalmMiddle: return {&DDbmp1palmmidle, nullptr};
    case kPalmRight: return {&DDbmp1palmright, nullptr};
    case kStonesLeft: return {&DDbmp1stounleft, nullptr};
    case kPlantRight: return {&DDbmp1papright, nullptr};
    case kEagles: return {nullptr, &DDani1Eagles};
    case kButterfly1: return {nullptr, &DDani1Butterflys};
    case kButterfly2: return {nullptr, &DDani2Butterflys};
    case kButterfly3: return {nullptr, &DDani3Butterflys};
    default: return {};
  }
}

std::string TForm1::Now() const { return TDDErrorLog::TimeText(clock_.Now()); }

void TForm1::Log(const std::string& text) {
  if (!options_.offline && !Further()) DDErrorLog1.WriteToLog(text);
}

void TForm1::Log(const std::string& label, const std::string& value) {
  if (!options_.offline && !Further()) DDErrorLog1.WriteToLog(label, value);
}

void TForm1::FormCreate() {
  // 1-2: from here on an unhandled exception ends the saver.
  if (!Further())
    Application().OnException = [this](TComponent* sender, const std::exception& e) { AppException(sender, e); };
  Log(TDDErrorLog::kRunStart);
  Log("START AT========>", Now());

  // 3-4
  MouseExitPending = false;
  FlipParity = false;
  WaterFrame.store(0, std::memory_order_relaxed);
  Settings = SettingsRecord{};
  if (Further())
    TakeFurtherSettings();
  else if (options_.offline)
    LoadSettingsReadOnly();
  else
    SceneLoadSettings(SetReg1, Settings, Handle());
  for (const SettingOverride& o : options_.overrides) ApplySettingOverride(Settings, o);
  // Values a hand edit may have put out of range: the start table holds
  // seven eagles, and the gamma level runs from 0 to 256.
  Settings.NumEagles = std::clamp(Settings.NumEagles, 0, 7);
  // Drawn into a host's window or a window of its own, the scene takes that
  // window's size: there is no display mode to choose. The clock goes where
  // the full-screen clock is, fitted to the window, and none of it is
  // stored: the stored place belongs to the full-screen runs.
  if (display::Backend* b = display::CurrentBackend();
      !Further() && b != nullptr && b->Target().kind != display::DisplayTarget::Kind::FullScreen) {
    const display::DisplayMode m = b->DesktopMode();
    FitClockToWindow(m.width, m.height);
    store_clock_ = false;
    Settings.ResHor = m.width;
    Settings.ResVert = m.height;
    Settings.ColorDepth = m.bpp;
  }
  Settings.Gamma = std::clamp(Settings.Gamma, 0, 256);

  // 5-7: the sun's times for the stored place, today.
  Latitude = Settings.RegLat;
  Longitude = Settings.RegLng;
  UtcOffset = Settings.RegOfUTC;
  float rise = SunEventTime(SunEvent::Sunrise, Latitude, Longitude, UtcOffset, false, clock_);
  float set = SunEventTime(SunEvent::Sunset, Latitude, Longitude, UtcOffset, false, clock_);
  if (Settings.FlagDaylightSavingTime) {
    rise += 1.0f;
    set += 1.0f;
  }
  SetSunTimes(rise, set);

  // 8: the display. A display that cannot be opened has ended the saver
  // through DDmain1Error; nothing after this may start again.
  DDmain1.SetWidth(Settings.ResHor);
  DDmain1.SetHeight(Settings.ResVert);
  DDmain1.SetColorDepth(Settings.ColorDepth);
  // The display opens in the size asked for or not at all, so the pieces'
  // pictures can be decoded for that size while it opens.
  shape_ = ShapeFor(DDmain1.GetWidth(), DDmain1.GetHeight(), options_.exact_pixels);
  layout_ = SceneLayout(shape_);
  StartPictures();
  DDmain1.SetEnabled(true);
  if (finished_ || !DDmain1.Enabled()) {
    worker_.reset();
    return;
  }
  DDmain1.ClearBackSurface();
  DDmain1.FlipSurfaces();
  if (finished_) {
    worker_.reset();
    return;
  }
  DDmain1.SetshowFPS(Settings.flag_fps);

  // 9
  if (Settings.ShowRisSet) {
    DDmain1.SetShowTestString2(true);
    DDmain1.SetTestString2("Sunrise at: " + FormatSunTime(rise));
    DDmain1.SetShowTestString3(true);
    DDmain1.SetTestString3("Sunset at: " + FormatSunTime(set));
  }

  // 10-11
  DDtimer1.SetInterval(TimerInterval(Settings.SetSpeed));
  DXClock1.SetXcenter(Settings.clockX);
  DXClock1.SetYcenter(Settings.clockY);
  DXClock1.SetRadius(Settings.clockRad);

  // 12-15: the pictures, with the creatures after their strips.
  SeedRandom();
  // On the smooth path the clock's lines and the overlay's text grow with
  // the screen, as heavy against it as on a 768-line screen.
  DXClock1.SetSmoothWeight(shape_.proportional ? TDXClock::WeightForHeight(shape_.height) : 0);
  DDmain1.SetTextPixels(shape_.proportional ? kFontPixels * shape_.height / 768 : kFontPixels);
  BuildPieces();
  if (worker_ == nullptr) ReturnFreeMemory();
  SeedRandom();
  if (Further()) SetCreaturesApart();

  // 16
  DDgamma1.SetEnabled(true);
  if (DDgamma1.Enabled()) {
    DDgamma1.SetRGB(Settings.Gamma);
    DDgamma1.SetEnabled(false);
  }
  // 17
  DXClock1.SetColor(Settings.ColorClock);
  UpdateClockShown();

  if (!options_.offline && !Further()) {
    monitors_pending_ = true;  // covered once the first frame is shown
    SystemSaverRunning(true);  // 18
    DDtimer1.SetEnabled(true);  // 19
    StartSound();               // 20
    Cursor(false);              // 21
  }
  // 22-23
  StartTimeOfDay();
  // 24: frames are drawn from now on.
  if (!Further()) Application().OnIdle = [this](bool& done) { DrawFrame(done); };
}

// A scene drawn to files writes nothing of the user's: it reads a private
// copy of the store (so that even a damaged file is mended only in the
// copy), and without a store it takes the values a first run would store.
void TForm1::LoadSettingsReadOnly() {
  const std::string real = SetReg1.GetStorePath();
  std::error_code ec;
  if (real.empty() || !std::filesystem::is_regular_file(real, ec)) {
    Settings = FirstRunSettings();
    return;
  }
  const std::string temp = os::MakeTempFolder("sandloop-settings-");
  if (temp.empty()) {
    Settings = FirstRunSettings();
    return;
  }
  const std::filesystem::path folder = temp, copy = folder / "registry.reg";
  if (std::filesystem::copy_file(real, copy, ec)) {
    SetReg1.SetStorePath(copy.string());
    try {
      SceneLoadSettings(SetReg1, Settings, Handle());
    } catch (...) {
      std::filesystem::remove_all(folder, ec);
      throw;
    }
  } else {
    Settings = FirstRunSettings();
  }
  std::filesystem::remove_all(folder, ec);
}

// What set-up decoded and dropped (the pictures the surfaces were made
// from, the scaler's rows) is given back to the system. Called once the
// worker has ended: its heap holds nothing that is still in use then.
void TForm1::ReturnFreeMemory() {
#if defined(__GLIBC__)
  malloc_trim(0);
#endif
}

int TForm1::TimerInterval(int speed) {
  if (speed == 0) return 60;
  if (speed == 2) return 40;
  return 50;
}

// The clock's place and radius are stored for the full-screen mode
// (ResHor x ResVert); in a window of another size they scale with the
// picture, so that a small preview shows the clock where the full screen
// shows it, in small.
void TForm1::FitClockToWindow(int width, int height) {
  const long long full_w = Settings.ResHor, full_h = Settings.ResVert;
  if (full_w <= 0 || full_h <= 0 || (full_w == width && full_h == height)) return;
  Settings.clockX = static_cast<int>(Settings.clockX * width / full_w);
  Settings.clockY = static_cast<int>(Settings.clockY * height / full_h);
  Settings.clockRad = std::max(1, static_cast<int>(Settings.clockRad * height / full_h));
}

// A clock that does not fit the screen in any sensible way is not drawn;
// its stored settings stay as they are. Moved back onto the screen with the
// arrow keys, it shows again.
void TForm1::UpdateClockShown() { clock_visible_ = Settings.flag_clock && ClockMakesSense(); }

bool TForm1::ClockMakesSense() const {
  const int w = DDmain1.GetWidth(), h = DDmain1.GetHeight();
  const int r = Settings.clockRad, x = Settings.clockX, y = Settings.clockY;
  return r > 0 && r <= std::max(w, h) && x >= 0 && x < w && y >= 0 && y < h;
}

void TForm1::StartPictures() {
  // Every piece's picture (on a large display its master, scaled to the
  // piece's size) is decoded by one worker on the other core, from before
  // the display opens, in about the order the pieces need them;
  // BuildPieces then builds the pieces in their order and takes the
  // worker's next jobs itself whenever it would wait. Decoding and scaling touch nothing but
  // their own pictures.
  // The first frame needs only the first frame of each surf strip: their
  // other frames are decoded last, once the first frame is shown, and
  // taken in when the surf first moves on (CompleteStrips).
  const bool masters = UsesMasters(DDmain1.GetWidth(), DDmain1.GetHeight(), options_.exact_pixels);
  // At 32 bits a surface holds a picture's own words, so a sprite drawn at
  // its picture's size takes the decoded picture's memory as its pixels,
  // and a strip's frames (kept at their own size) are cut here, instead of
  // copies made on the main thread; a strip of one frame takes its
  // picture's memory too.
  const bool as_pixels = DDmain1.GetColorDepth() == 32;
  const FaultPoint fault = options_.fault;
  auto scale = [fault](const std::string& name, const PicturePart& part, int w, int h) {
    if (fault == FaultPoint::SmoothMemory) throw std::bad_alloc();
    // Made ready here to become the piece's surface as it is.
    return MasterPartPixels(name, part, w, h);
  };
  struct Job {
    std::string name;
    int width = 0, height = 0;  // 0: decode the picture itself
    PicturePart part;
    int rows = Picture::kAllRows;
    Placement place;            // a surf band's columns, spread to the screen's shape as decoded
    bool as_pixels = false;     // a sprite's picture handed on as its surface's pixels when it is
    int fit_width = 0;          // this wide
    int fit_height = 0;         // and this high
    int cut = 0;                // a strip's frames cut ahead, this high (0: not cut),
    TDDani::FrameMemory frame_memory = TDDani::FrameMemory::Shared;  // sharing its memory or not
    bool damaged = false;       // a test's damaged copy: cut off inside its header
    std::promise<Picture> picture;
    std::promise<display::SurfacePixels> smooth;
    std::promise<TDDani::Frames> frames;
  };
  std::vector<std::shared_ptr<Job>> jobs;
  // A piece's picture (decoded_, and a strip's frames_), its master
  // (smooth_), or a whole surf strip after its first frame (rest_ and
  // rest_frames_).
  enum class What { Picture, Master, WholeStrip };
  auto add = [&](int i, What what) -> Job& {
    const Placement& p = layout_[static_cast<std::size_t>(i)];
    auto job = std::make_shared<Job>();
    job->name = what == What::Master ? MasterFor(i, p) : p.resource;
    if (what == What::Master) {
      job->width = p.width;
      job->height = p.height;
      job->part = p.part;
      smooth_[static_cast<std::size_t>(i)] = job->smooth.get_future();
    } else {
      const auto at = static_cast<std::size_t>(i);
      (what == What::Picture ? decoded_ : rest_)[at] = job->picture.get_future();
      job->place = p;
      if (PieceAt(i).ani != nullptr) {
        job->cut = as_pixels ? p.frame_height : 0;
        // A whole surf strip's frames are copied: kept for the whole run,
        // its memory would hold more than they need.
        if (what == What::WholeStrip) job->frame_memory = TDDani::FrameMemory::Copied;
        if (job->cut > 0) (what == What::Picture ? frames_ : rest_frames_)[at] = job->frames.get_future();
      } else {
        job->as_pixels = as_pixels;
        job->fit_width = p.width;
        job->fit_height = p.height;
        if (job->as_pixels) smooth_[at] = job->smooth.get_future();
      }
    }
    job->damaged = fault == FaultPoint::Picture && i == kHighWater;
    jobs.push_back(std::move(job));
    return *jobs.back();
  };
  // The backdrop, then the eagles' 144 frames, then the pieces in their
  // order: long jobs first, so that the two threads end their last jobs
  // close together. The pieces are still built in their own order.
  std::array<int, kPieceCount> order{};
  std::iota(order.begin(), order.end(), 0);
  std::rotate(order.begin() + 1, order.begin() + kEagles, order.begin() + kEagles + 1);
  for (int i : order) {
    const Placement& p = layout_[static_cast<std::size_t>(i)];
    if (SharesSprite(i)) continue;
    if (masters && p.master != nullptr)
      add(i, What::Master);
    else if (p.frame_height > 0 && (i == kLowWater || i == kHighWater))
      add(i, What::Picture).rows = p.frame_height;
    else
      add(i, What::Picture);
  }
  first_frame_jobs_ = jobs.size();
  add(kLowWater, What::WholeStrip);
  add(kHighWater, What::WholeStrip);
  std::vector<Worker::Job> work;
  for (std::shared_ptr<Job>& job : jobs) {
    work.emplace_back([job = std::move(job), scale] {
      try {
        if (job->width > 0) {
          job->smooth.set_value(scale(job->name, job->part, job->width, job->height));
          return;
        }
        Picture picture = SpreadColumns(job->damaged ? Picture::FromFile(Damaged(job->name), job->name, job->rows)
                                                     : Picture::FromResource(job->name, job->rows),
                                        job->place);
        if (job->as_pixels) {
          const bool fits = picture.Width() == job->fit_width && picture.Height() == job->fit_height;
          job->smooth.set_value(fits ? std::move(picture).ToSurfacePixels() : display::SurfacePixels());
        }
        // The frames are told before the picture: whoever has the picture
        // has them too. A strip that could be cut is left without picture.
        if (job->cut > 0) job->frames.set_value(TDDani::CutFrames(picture, job->cut, job->frame_memory));
        job->picture.set_value(std::move(picture));
      } catch (...) {
        if (job->width > 0) {
          job->smooth.set_exception(std::current_exception());
          return;
        }
        // A picture that cannot be read is the picture's failure, reported
        // as such; its pixels are simply not there.
        if (job->as_pixels) job->smooth.set_value(display::SurfacePixels());
        if (job->cut > 0) job->frames.set_value(TDDani::Frames());
        job->picture.set_exception(std::current_exception());
      }
    });
  }
  Worker::ThreadStart start;
  if (fault == FaultPoint::NoThread)
    start = [](std::function<void()>) -> std::thread {
      throw std::system_error(std::make_error_code(std::errc::resource_unavailable_try_again), "no thread");
    };
  // The strips' other frames wait until the first frame is shown
  // (FirstFrameShown), so that they take no processor time from set-up.
  worker_ = std::make_unique<Worker>(std::move(work), start, first_frame_jobs_);
  if (!worker_->OnOwnThread()) Log("PictureWorker", "no thread could be started: the pictures are decoded here");
}

void TForm1::BuildPieces() {
  auto help = [this] { return worker_->Help(first_frame_jobs_); };
  for (int i = 0; i < kPieceCount; ++i) {
    BuildPiece(i, layout_[static_cast<std::size_t>(i)], help);
    // However set-up ends early, the worker starts no further job and has
    // ended here; once every piece is built it is kept for the strips'
    // other frames.
    if (finished_) {
      worker_.reset();
      return;
    }
    if (i == kEagles) InitEagles();
    if (i == kButterfly3) InitButterflies();
  }
}

void TForm1::FirstFrameShown() {
  if (worker_ != nullptr) worker_->Release();
}

// The surf strips' other frames, decoded while their first frames were
// shown, replace those first frames. Called before a frame that needs
// more than the first; a strip that cannot be had ends the saver as a
// picture that cannot be read at set-up does.
void TForm1::CompleteStrips() {
  for (int i : {kLowWater, kHighWater}) {
    std::future<Picture>& rest = rest_[static_cast<std::size_t>(i)];
    if (!rest.valid()) continue;
    while (rest.wait_for(std::chrono::seconds(0)) != std::future_status::ready && worker_ != nullptr &&
           worker_->Help()) {
    }
    Picture whole = rest.get();
    TDDani& strip = *PieceAt(i).ani;
    strip.SetBitmap(std::move(whole));
    if (std::future<TDDani::Frames>& frames = rest_frames_[static_cast<std::size_t>(i)]; frames.valid())
      strip.SetFramesAhead(frames.get());
    strip.CreateSurface();
    if (finished_) return;
    if (layout_[static_cast<std::size_t>(i)].transparent) strip.SetTransparency(true);
    strip.SetBitmap(Picture());
  }
  if (worker_ != nullptr) {
    worker_.reset();
    ReturnFreeMemory();
  }
}

namespace {

// The same steps for a sprite and a strip; a strip first learns its frame
// height.
template <class Piece, class Ahead>
void FillPiece(Piece& s, Picture picture, Ahead ahead, const Placement& p) {
  s.SetBitmap(std::move(picture));
  if constexpr (std::is_same_v<Piece, TDDbmp>) {
    if (!ahead.Empty()) s.SetSmoothPixels(std::move(ahead));
  }
  if constexpr (std::is_same_v<Piece, TDDani>) {
    s.SetYOffsetFrame(p.frame_height);
    if (!ahead.Empty()) s.SetFramesAhead(std::move(ahead));
  }
  s.SetStretching(true);
  s.SetStretchWidth(p.width);
  s.SetStretchHeight(p.height);
  s.CreateSurface();
  if (p.transparent) s.SetTransparency(true);
  s.SetShowX(p.x);
  s.SetShowY(p.y);
  s.SetBitmap(Picture());
}

}  // namespace

// Fills one sprite or strip from its picture, sizes it, makes its surfaces
// and places it. The decoded picture is dropped once the surfaces hold it.
// Until the piece's own picture is ready, this thread takes the worker's
// next jobs itself rather than wait.
void TForm1::BuildPiece(int index, const Placement& p, const std::function<bool()>& help) {
  const Piece piece = PieceAt(index);
  if (SharesSprite(index)) return piece.bmp->ShareSurface(*options_.share->PieceAt(index).bmp);
  std::future<Picture>& ahead = decoded_[static_cast<std::size_t>(index)];
  std::future<display::SurfacePixels>& scaled = smooth_[static_cast<std::size_t>(index)];
  std::future<TDDani::Frames>& cut = frames_[static_cast<std::size_t>(index)];
  auto ready = [](const auto& f) {
    return !f.valid() || f.wait_for(std::chrono::seconds(0)) == std::future_status::ready;
  };
  while (!(ready(ahead) && ready(scaled) && ready(cut)) && help()) {
  }
  display::SurfacePixels smooth;
  // A smooth picture that cannot be had, for whatever reason (a damaged
  // master, too little memory), leaves the piece to its designed stretch,
  // which needs far less.
  try {
    if (scaled.valid()) smooth = scaled.get();
  } catch (const std::exception& e) {
    smooth = display::SurfacePixels();
    Log("SmoothPicture", MasterFor(index, p) + ": " + e.what() + "; drawn from the designed picture");
  }
  // A sprite made from its master, or whose picture became its pixels, has
  // no picture left to draw from.
  Picture picture = ahead.valid()    ? ahead.get()
                    : smooth.Empty() ? SpreadColumns(Picture::FromResource(p.resource), p)
                                     : Picture();
  if (piece.bmp != nullptr)
    FillPiece(*piece.bmp, std::move(picture), std::move(smooth), p);
  else
    FillPiece(*piece.ani, std::move(picture), cut.valid() ? cut.get() : TDDani::Frames(), p);
}

}  // namespace sandloop
