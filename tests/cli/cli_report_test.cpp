#include "cli/cli_report.h"

#include <gtest/gtest.h>

#include <QJsonArray>

namespace kivotra::cli {
namespace {

ProbeInfo facts() {
  ProbeInfo info;
  info.duration = 90;
  info.width = 1920;
  info.height = 1080;
  info.fps = 29.97;
  info.fileSize = 45'000'000;
  info.hasAudio = true;
  info.audioSampleRate = 48000;
  info.audioChannels = 1;
  return info;
}

TEST(ProbeOutput, JsonCarriesEveryFactAndLinesNameTheFile) {
  ProbeInfo info = facts();
  EXPECT_EQ(
      jsonLine(probeJson("a.mov", info)),
      QStringLiteral(R"({"audioChannels":1,"audioSampleRate":48000,"duration":90,"file":"a.mov","fileSize":45000000,)"
                     R"("fps":29.97,"hasAudio":true,"height":1080,"ok":true,"thumbnail":null,"width":1920})"));
  info.thumbnail = RgbaBitmap{320, 180, std::vector<std::uint8_t>(320 * 180 * 4)};
  EXPECT_EQ(probeJson("a.mov", info).value("thumbnail").toArray(), (QJsonArray{320, 180}));
  EXPECT_EQ(jsonLine(probeFailureJson("bad.mp4", "文件已损坏")),
            QStringLiteral(R"({"error":"文件已损坏","file":"bad.mp4","ok":false})"));
  EXPECT_EQ(probeFailureLine("bad.mp4", "文件已损坏"), QStringLiteral("bad.mp4：读取失败：文件已损坏"));
  EXPECT_EQ(probeLine("a.mov", facts()),
            QStringLiteral("a.mov：01:30\u2009·\u20091920×1080\u2009·\u200942.9 MB\u2009·\u200930 FPS\u2009·\u2009"
                           "4.0 Mbps  16:9 横屏  音频 48000 Hz · 1 声道"));
}

VideoItem itemWith(ItemStatus status) {
  VideoItem item("/videos/a.mov");
  item.fileSize = 10'485'760;
  item.status = std::move(status);
  return item;
}

TEST(CompressOutput, ResultJsonByStatus) {
  VideoItem done = itemWith(ItemStatus::done());
  done.outputURL = "/out/a_压缩_720P.mp4";
  done.actualSize = 1'048'576;
  EXPECT_EQ(jsonLine(resultJson("a.mov", done)),
            QStringLiteral(R"({"file":"a.mov","largerThanSource":false,"message":null,"output":"/out/a_压缩_720P.mp4","size":1048576,"status":"done"})"));

  const VideoItem failed = itemWith(ItemStatus::failed("读取失败：文件已损坏"));
  EXPECT_EQ(jsonLine(resultJson("bad.mp4", failed)),
            QStringLiteral(R"({"file":"bad.mp4","largerThanSource":false,"message":"读取失败：文件已损坏","output":null,"size":0,"status":"failed"})"));

  VideoItem stopped = itemWith(ItemStatus::ready());
  EXPECT_EQ(jsonLine(resultJson("a.mov", stopped)),
            QStringLiteral(R"({"file":"a.mov","largerThanSource":false,"message":null,"output":null,"size":0,"status":"ready"})"));
}

TEST(CompressOutput, SummaryAlignsWideCharactersAndTotalsTheSaving) {
  VideoItem done = itemWith(ItemStatus::done());
  done.actualSize = 2'621'440;  // a quarter of the source
  const VideoItem failed = itemWith(ItemStatus::failed("磁盘已满"));
  const VideoItem stopped = itemWith(ItemStatus::ready());
  const QString table = summaryTable({{"开学典礼.mov", &done, 4.25}, {"b.mov", &failed, 1.0}, {"c.mov", &stopped, {}}});
  const QStringList lines = table.split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), 6) << table.toStdString();
  // The status column starts at the same cell on every row.
  const int column = displayWidth(lines[0].left(lines[0].indexOf(QStringLiteral("状态"))));
  EXPECT_EQ(displayWidth(lines[1].left(lines[1].indexOf(QStringLiteral("完成")))), column);
  EXPECT_EQ(displayWidth(lines[2].left(lines[2].indexOf(QStringLiteral("失败")))), column);
  EXPECT_EQ(displayWidth(lines[3].left(lines[3].indexOf(QStringLiteral("未处理")))), column);
  EXPECT_TRUE(lines[1].contains(QStringLiteral("10.0 MB"))) << lines[1].toStdString();
  EXPECT_TRUE(lines[1].contains(QStringLiteral("2.5 MB")));
  EXPECT_TRUE(lines[1].contains(QStringLiteral("75.0%")));
  EXPECT_TRUE(lines[1].contains(QStringLiteral("4.3s")) || lines[1].contains(QStringLiteral("4.2s")));
  EXPECT_EQ(lines[4], QStringLiteral("✗ b.mov：磁盘已满"));
  EXPECT_EQ(lines[5], QStringLiteral("共 3 个文件：完成 1，失败 1，未处理 1；10.0 MB → 2.5 MB，节省 75.0%"));
}

TEST(CompressOutput, DisplayWidthCountsWideCharactersTwice) {
  EXPECT_EQ(displayWidth("abc"), 3);
  EXPECT_EQ(displayWidth(QStringLiteral("开学")), 4);
  EXPECT_EQ(displayWidth(QStringLiteral("a：b")), 4);
  EXPECT_EQ(displayWidth(QStringLiteral("\u1100\u115F\u2E80\u303E\u3041\u33FF")), 12);  // the edges of wide ranges
}

}  // namespace
}  // namespace kivotra::cli
