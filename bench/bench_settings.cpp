// Loading the settings as the scene does at start, from a store that the
// first run wrote (26 values in a small file), and parsing such a file on
// its own. A load reads the file from disk and parses it once.
#include <benchmark/benchmark.h>

#include <stdlib.h>

#include <filesystem>
#include <string>

#include "kit/ddraw/headless/HeadlessBackend.h"
#include "settings/RegFile.h"
#include "settings/Settings.h"

namespace {

using namespace sandloop;

// A private folder holding a store written by a first run.
class NormalStore {
 public:
  NormalStore() {
    std::string pattern = (std::filesystem::temp_directory_path() / "sandloop-bench-XXXXXX").string();
    if (mkdtemp(pattern.data()) != nullptr) dir_ = pattern;
    store.SetCompanyName(kCompanyName);
    store.SetProductName(kProductName);
    store.SetStorePath(dir_ + "/registry.reg");
    SettingsRecord s;
    SceneLoadSettings(store, s, 0);  // the first run writes all 26 values
  }
  ~NormalStore() {
    std::error_code ec;
    std::filesystem::remove_all(dir_, ec);
  }
  std::string Path() const { return dir_ + "/registry.reg"; }
  TSetReg store{nullptr};

 private:
  std::string dir_;
};

void BM_SceneLoadNormalStore(benchmark::State& state) {
  display::SetBackend(display::CreateHeadlessBackend());
  NormalStore normal;
  for (auto _ : state) {
    SettingsRecord s;
    const SceneLoadResult r = SceneLoadSettings(normal.store, s, 0);
    benchmark::DoNotOptimize(r);
    benchmark::DoNotOptimize(s);
  }
  display::SetBackend(nullptr);
}
BENCHMARK(BM_SceneLoadNormalStore)->Unit(benchmark::kMicrosecond);

void BM_ParseNormalStore(benchmark::State& state) {
  display::SetBackend(display::CreateHeadlessBackend());
  NormalStore normal;
  std::string bytes;
  {
    FILE* f = std::fopen(normal.Path().c_str(), "rb");
    char buf[4096];
    for (std::size_t n; f && (n = std::fread(buf, 1, sizeof buf, f)) > 0;) bytes.append(buf, n);
    if (f) std::fclose(f);
  }
  for (auto _ : state) {
    auto doc = RegDocument::Parse(bytes, nullptr);
    benchmark::DoNotOptimize(doc);
  }
  state.SetBytesProcessed(state.iterations() * static_cast<std::int64_t>(bytes.size()));
  display::SetBackend(nullptr);
}
BENCHMARK(BM_ParseNormalStore)->Unit(benchmark::kMicrosecond);

}  // namespace
