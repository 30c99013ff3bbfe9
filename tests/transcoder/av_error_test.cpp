#include <gtest/gtest.h>

#include <cerrno>

#include "transcoder/av_error.h"

extern "C" {
#include <libavutil/error.h>
}

using kivotra::PlatformError;
using Cause = PlatformError::Cause;
using kivotra::av::platformErrorFromAv;

TEST(AvError, NamesTheCommonCausesInChinese) {
  const struct {
    int code;
    Cause cause;
    const char* start;
  } rows[] = {
      {AVERROR(ENOENT), Cause::fileMissing, "文件不存在（"},
      {AVERROR(EACCES), Cause::noPermission, "没有访问权限（"},
      {AVERROR(ENOSPC), Cause::diskFull, "磁盘空间已满（"},
      {AVERROR(EROFS), Cause::readOnly, "目标位置只读"},
      {AVERROR_INVALIDDATA, Cause::damaged, "文件已损坏或无法识别（"},
      {AVERROR_EOF, Cause::damaged, "文件已损坏或无法识别（"},
      {AVERROR_DECODER_NOT_FOUND, Cause::unsupported, "不支持的文件格式（"},
      {AVERROR(EIO), Cause::io, "读写文件时出错（"},
      {AVERROR_EXTERNAL, Cause::other, "操作失败（"},
  };
  for (const auto& row : rows) {
    const PlatformError e = platformErrorFromAv(row.code);
    EXPECT_EQ(e.cause(), row.cause) << row.code;
    EXPECT_EQ(e.description().rfind(row.start, 0), 0u) << e.description();
  }
}

TEST(AvError, KeepsFfmpegsOwnTextInBrackets) {
  EXPECT_EQ(platformErrorFromAv(AVERROR_INVALIDDATA).description(),
            "文件已损坏或无法识别（Invalid data found when processing input）");
  EXPECT_EQ(platformErrorFromAv(AVERROR(ENOSPC)).description(), "磁盘空间已满（No space left on device）");
}

TEST(AvError, CheckPassesResultsAndThrowsFailures) {
  EXPECT_EQ(kivotra::av::check(7), 7);
  EXPECT_EQ(kivotra::av::check(0), 0);
  try {
    kivotra::av::check(AVERROR(ENOENT));
    FAIL() << "no throw";
  } catch (const PlatformError& e) {
    EXPECT_EQ(e.cause(), Cause::fileMissing);
  }
}
