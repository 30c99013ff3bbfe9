#include "app/run_mode.h"

#include <algorithm>

namespace kivotra {

RunChoice chooseRunMode(const std::vector<std::string>& args, const std::function<bool()>& markerExists) {
  auto has = [&](const char* word) { return std::find(args.begin(), args.end(), word) != args.end(); };
  if (has("selftest")) return {RunMode::selfTest, {}};
  if (has("queuetest")) return {RunMode::queueTest, {}};
  if (has("cfgtest")) return {RunMode::configTest, {}};
  if (args.size() >= 3 && args[1] == "demogen") return {RunMode::demoGenerate, args[2]};
  if (markerExists()) return {RunMode::markerSelfTest, {}};
  return {RunMode::window, {}};
}

}  // namespace kivotra
