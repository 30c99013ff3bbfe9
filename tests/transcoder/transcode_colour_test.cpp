#include <gtest/gtest.h>

#include "transcode_fixture.h"

using namespace kivotra;
using namespace kivotra::testing;
namespace fx = kivotra::fixtures;

class Colour : public TranscodeTest {};

TEST_F(Colour, HdrSourcesAreToneMappedToEightBitBt709) {
  // The pattern's code values mean light levels here: in PQ the grey (code
  // 0.5) is about 92 cd/m², nearly SDR white, the white marker 10000 cd/m²,
  // the dark cells about 5 cd/m². Re-tagging without tone mapping would show
  // that grey at 126 and the white above the legal range.
  struct Case {
    const char* name;
    fx::Hdr hdr;
    double greyMin, greyMax;
  } const cases[] = {{"PQ", fx::Hdr::pq, 170, 225}, {"HLG", fx::Hdr::hlg, 110, 200}};
  for (const Case& c : cases) {
    fx::MediaOptions o;
    o.width = 320;
    o.height = 180;
    o.seconds = 0.3;
    o.hdr = c.hdr;
    const auto src = source(std::string(c.name) + ".mp4", o);
    const auto dst = dir_ / (std::string(c.name) + "-out.mp4");
    Transcoder::transcodeSync(src, dst, config(180), infoFor(o), {}, {});

    const fx::MediaFacts facts = fx::readFacts(dst);
    ASSERT_TRUE(facts.video) << c.name;
    EXPECT_EQ(facts.video->pixelFormat, "yuv420p") << c.name;
    EXPECT_EQ(facts.video->colorPrimaries, "bt709") << c.name;
    EXPECT_EQ(facts.video->colorTransfer, "bt709") << c.name;
    EXPECT_EQ(facts.video->colorSpace, "bt709") << c.name;

    const fx::Image luma = fx::decodeVideoFrame(dst, 0, fx::PixelKind::luma);
    const double grey = luma.mean({160, 60, 80, 60});
    const double white = luma.mean({10, 10, 60, 25});
    const double dark = luma.mean(fx::pattern::counterCell(320, 180, 7));
    EXPECT_GT(grey, c.greyMin) << c.name;
    EXPECT_LT(grey, c.greyMax) << c.name;
    EXPECT_GE(white, 228) << c.name;  // highlights roll off to white...
    EXPECT_LE(white, 236) << c.name;  // ...and stay inside the video range
    EXPECT_LT(dark, grey - 40) << c.name;
  }
}
