#include <iostream>

#include "models/format.h"
#include "selftest/media/test_video.h"

namespace kivotra::SelfTest {

namespace {

constexpr DemoRow rows[] = {
    {"开学典礼宣传片.mov", 1920, 1080, 6.0},
    {"校庆竖屏短视频.mov", 1080, 1920, 5.0},
    {"校史纪录片片段.mov", 1920, 816, 8.0},
    {"老资料访谈.mov", 1440, 1080, 6.0},
};

std::int64_t sizeOnDisk(const std::filesystem::path& file) {
  std::error_code error;
  const std::uintmax_t size = std::filesystem::file_size(file, error);
  return error ? 0 : static_cast<std::int64_t>(size);
}

}  // namespace

std::span<const DemoRow> demoRows() { return rows; }

void generateRows(const std::filesystem::path& to, std::span<const DemoRow> list, std::ostream& out) {
  std::error_code ignored;
  std::filesystem::create_directories(to, ignored);
  for (const DemoRow& row : list) {
    const std::filesystem::path file = to / row.fileName;  // paths are UTF-8 bytes here
    bool ok = false;
    std::string failure;
    try {
      makeTestVideo(file, row.width, row.height, row.seconds, 30, true);
      ok = true;
    } catch (const Error& e) {
      failure = e.description();
    } catch (const std::exception& e) {
      failure = e.what();
    }
    if (ok) {
      out << "✓ " << row.fileName << "  " << row.width << "×" << row.height << "  "
          << static_cast<long long>(row.seconds) << "s  " << fmtBytes(sizeOnDisk(file)) << '\n';
    } else {
      out << "✗ " << row.fileName << " 失败：" << failure << '\n';
    }
  }
  out.flush();
}

void demoGenerate(const std::filesystem::path& to, std::ostream& out) { generateRows(to, rows, out); }

void demoGenerate(const std::filesystem::path& to) { demoGenerate(to, std::cout); }

}  // namespace kivotra::SelfTest
