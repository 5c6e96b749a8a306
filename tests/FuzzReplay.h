#pragma once
// The inputs a fuzz harness starts from (tools/fuzz/corpus/<name>) and the
// failing inputs fuzzers found and were kept (tests/data/<kept>), for the
// tests that run the harnesses' checks over them.
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace sandloop::test {

// (file name, bytes) of every file in the two folders; a missing folder
// adds nothing.
inline std::vector<std::pair<std::string, std::string>> FuzzInputs(const std::string& corpus,
                                                                   const std::string& kept) {
  const std::filesystem::path data(SANDLOOP_TEST_DATA);
  std::vector<std::pair<std::string, std::string>> inputs;
  for (const std::filesystem::path& dir : {data / ".." / ".." / "tools" / "fuzz" / "corpus" / corpus, data / kept}) {
    std::error_code ec;
    for (const auto& entry : std::filesystem::directory_iterator(dir, ec)) {
      std::ifstream in(entry.path(), std::ios::binary);
      inputs.emplace_back(entry.path().filename().string(),
                          std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()));
    }
  }
  return inputs;
}

}  // namespace sandloop::test
