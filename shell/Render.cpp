#include "shell/Render.h"

#include <memory>

#include "kit/Forms.h"
#include "kit/ddraw/headless/HeadlessBackend.h"
#include "scene/Unit1.h"
#include "shell/CommandLine.h"

namespace sandloop {

namespace {

// Puts a back end in place for the life of the render and removes it after.
class BackendScope {
 public:
  explicit BackendScope(std::shared_ptr<display::Backend> b) { display::SetBackend(std::move(b)); }
  ~BackendScope() { display::SetBackend(nullptr); }
};

}  // namespace

int RunRender(const std::vector<std::string>& args, std::ostream& out, std::ostream& err) {
  RenderOptions o;
  std::string error;
  if (!ParseRenderOptions(args, &o, &error)) {
    err << "sandloop: " << error << "\n";
    return 2;
  }
  auto headless = display::CreateHeadlessBackend();
  const display::DisplayMode mode{o.width, o.height, o.depth};
  headless->SetModes({mode});
  headless->SetDesktopMode(mode);
  headless->SetEchoMessages(true);
  BackendScope scope(headless);

  FixedClock fixed(o.at.value_or(LocalTime{}));
  const LocalClock& clock = o.at ? static_cast<const LocalClock&>(fixed) : SystemClock();

  SceneOptions scene;
  scene.offline = true;
  scene.seed = o.seed;
  scene.exact_pixels = o.exact_pixels;
  scene.overrides = o.overrides;
  // The picture's size and depth win over the stored mode.
  for (const auto& [name, value] : {std::pair{"ResHor", o.width}, {"ResVert", o.height}, {"ColorDepth", o.depth}}) {
    std::string ignored;
    if (auto ov = ParseSettingOverride(std::string(name) + "=" + std::to_string(value), &ignored))
      scene.overrides.push_back(*ov);
  }

  TApplication app;
  TForm1* form = app.CreateForm<TForm1>(clock, scene);
  try {
    form->FormCreate();
  } catch (const std::exception& e) {
    app.HandleException(e);
  }
  if (form->Finished() || !form->DDmain1.Enabled()) {
    err << "sandloop: the scene could not be built\n";
    return 1;
  }
  for (int frame = 0; frame < o.frames; ++frame) {
    const int ticks = frame == 0 ? o.ticks : 1;
    for (int t = 0; t < ticks; ++t) form->DDtimer1Timer(nullptr);
    form->RenderFrame();
    const std::string name = RenderFileName(o, frame);
    if (!headless->WritePng(name)) {
      err << "sandloop: cannot write '" << name << "'\n";
      return 2;
    }
    out << name << "\n";
  }
  return 0;
}

}  // namespace sandloop
