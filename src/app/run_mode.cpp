#include "app/run_mode.h"

#include <algorithm>

#include "models/text.h"

namespace kivotra {

RunChoice chooseRunMode(const std::vector<std::string>& args, const std::function<bool()>& markerExists) {
  auto has = [&](const char* word) { return std::find(args.begin(), args.end(), word) != args.end(); };
  if (has("selftest")) return {RunMode::selfTest, {}};
  if (has("queuetest")) return {RunMode::queueTest, {}};
  if (has("cfgtest")) return {RunMode::configTest, {}};
  if (args.size() >= 3 && args[1] == "demogen") return {RunMode::demoGenerate, args[2]};
  if (args.size() >= 2 && (args[1] == "-h" || args[1] == "--help")) return {RunMode::help, {}};
  if (args.size() >= 2 && args[1] == "--version") return {RunMode::version, {}};
  if (markerExists()) return {RunMode::markerSelfTest, {}};
  return {RunMode::window, {}};
}

std::string usageText() {
  return translate("Launcher",
         "用法：\n"
         "  kivotra [文件...]          打开窗口，把这些视频加入列表\n"
         "  kivotra selftest           自检：压缩两个生成的视频并检查结果\n"
         "  kivotra queuetest          队列自检：三个视频排队压缩，中途停止第二个\n"
         "  kivotra cfgtest            单独设置自检：两个视频，第一个用自己的参数\n"
         "  kivotra demogen 文件夹     在文件夹里生成演示视频\n"
         "\n"
         "选项：\n"
         "  -h, --help                 显示本帮助\n"
         "  --version                  显示版本\n"
         "\n"
         "窗口需要图形显示（DISPLAY 或 WAYLAND_DISPLAY）；自检和 demogen 不需要。\n"
         "在终端里压缩视频请用 kivotra-cli。\n");
}

std::string versionText() { return std::string("kivotra ") + KIVOTRA_VERSION + "\n"; }

std::string missingDisplayMessage(const std::function<const char*(const char*)>& getenv) {
  auto value = [&](const char* name) {
    const char* text = getenv(name);
    return std::string(text != nullptr ? text : "");
  };
  const bool x11 = !value("DISPLAY").empty();
  const bool wayland = !value("WAYLAND_DISPLAY").empty();
  // Qt takes a list of platforms separated by ";" and uses the first that loads;
  // any platform other than these two (offscreen, vnc, eglfs...) needs no display.
  const std::string platforms = value("QT_QPA_PLATFORM");
  bool usable = platforms.empty() && (x11 || wayland);
  std::size_t start = 0;
  while (!platforms.empty() && start <= platforms.size()) {
    const std::size_t end = std::min(platforms.find(';', start), platforms.size());
    const std::string platform = platforms.substr(start, end - start);
    const std::string base = platform.substr(0, platform.find(':'));  // "xcb:option=…"
    if (base == "xcb") usable = usable || x11;
    else if (base.rfind("wayland", 0) == 0) usable = usable || wayland;
    else if (!base.empty()) usable = true;
    start = end + 1;
  }
  if (usable) return {};
  return translate("Launcher",
         "kivotra：找不到图形显示（DISPLAY 和 WAYLAND_DISPLAY 都没有设置），无法打开窗口。\n"
         "请在桌面会话中启动；在终端里压缩视频请用 kivotra-cli，查看用法请用 kivotra --help。\n");
}

}  // namespace kivotra
