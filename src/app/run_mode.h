#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kivotra {

enum class RunMode { selfTest, queueTest, configTest, demoGenerate, markerSelfTest, window };

struct RunChoice {
  RunMode mode = RunMode::window;
  std::string demoFolder;  // only for demoGenerate: the argument as given
  bool operator==(const RunChoice&) const = default;
};

// What the executable does with this command line (element 0 included):
// "selftest", then "queuetest", then "cfgtest" anywhere; then "demogen" as
// element 1 with a folder after it; then the marker file; else the window.
// markerExists is asked only when no word decides.
RunChoice chooseRunMode(const std::vector<std::string>& args, const std::function<bool()>& markerExists);

}  // namespace kivotra
