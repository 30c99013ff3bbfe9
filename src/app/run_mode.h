#pragma once

#include <functional>
#include <string>
#include <vector>

namespace kivotra {

enum class RunMode { selfTest, queueTest, configTest, demoGenerate, help, version, markerSelfTest, window };

struct RunChoice {
  RunMode mode = RunMode::window;
  std::string demoFolder;  // only for demoGenerate: the argument as given
  bool operator==(const RunChoice&) const = default;
};

// What the executable does with this command line (element 0 included):
// "selftest", then "queuetest", then "cfgtest" anywhere; then "demogen" as
// element 1 with a folder after it; then "-h"/"--help" or "--version" as
// element 1; then the marker file; else the window. markerExists is asked
// only when no word decides.
RunChoice chooseRunMode(const std::vector<std::string>& args, const std::function<bool()>& markerExists);

// What --help prints: the start forms, the headless words and the options.
std::string usageText();
// What --version prints: "kivotra " and the project's version, with a line end.
std::string versionText();

// Why the window cannot open, given the environment (getenv's contract: null
// when unset): none of the platforms QT_QPA_PLATFORM names (or, unset, neither
// xcb nor wayland) has its display. Empty when the window has somewhere to go.
std::string missingDisplayMessage(const std::function<const char*(const char*)>& getenv);

}  // namespace kivotra
