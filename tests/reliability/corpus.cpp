#include "reliability/corpus.h"

#include <algorithm>
#include <cstdint>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "support/media_fixtures.h"

namespace kivotra::reliability {
namespace {

namespace fs = std::filesystem;
using fixtures::MediaOptions;

std::vector<char> readAll(const fs::path& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}

void writeAll(const fs::path& path, const std::vector<char>& bytes) {
  std::ofstream out(path, std::ios::binary | std::ios::trunc);
  out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  if (!out) throw std::runtime_error("cannot write " + path.string());
}

// Offset of the first box of this type (its size field), searched as raw bytes.
std::size_t findBox(const std::vector<char>& bytes, const std::string& type, std::size_t from = 0) {
  for (std::size_t i = from + 4; i + 4 <= bytes.size(); ++i) {
    if (std::equal(type.begin(), type.end(), bytes.begin() + static_cast<std::ptrdiff_t>(i))) return i - 4;
  }
  throw std::runtime_error("no " + type + " box");
}

std::uint32_t be32(const std::vector<char>& b, std::size_t at) {
  std::uint32_t v = 0;
  for (int k = 0; k < 4; ++k) v = (v << 8) | static_cast<std::uint8_t>(b[at + k]);
  return v;
}

void putBe(std::vector<char>& b, std::size_t at, std::uint32_t v, int bytes) {
  for (int k = bytes - 1; k >= 0; --k, v >>= 8) b[at + k] = static_cast<char>(v & 0xff);
}

// Sets every sample duration of the first track's time-to-sample table (the
// video's, as the fixture writes it first) to zero.
void zeroFirstTrackDurations(std::vector<char>& b) {
  const std::size_t stts = findBox(b, "stts");
  const std::uint32_t entries = be32(b, stts + 12);
  for (std::uint32_t e = 0; e < entries; ++e) putBe(b, stts + 16 + e * 8 + 4, 0, 4);
}

MediaOptions base(double seconds = 1.0) {
  MediaOptions o;
  o.width = 160;
  o.height = 120;
  o.seconds = seconds;
  return o;
}

}  // namespace

std::vector<CorpusFile> writeCorpus(const fs::path& dir) {
  fs::create_directories(dir);
  std::vector<CorpusFile> files;
  auto media = [&](const std::string& name, const MediaOptions& o) {
    fixtures::writeMedia(dir / name, o);
    files.push_back({name, dir / name, true});
  };
  auto broken = [&](const std::string& name) { files.push_back({name, dir / name, false}); };

  // Bytes that are no movie at all.
  fixtures::writeBytes(dir / "zero-bytes.mp4", 0);
  broken("zero-bytes.mp4");
  fixtures::writeBytes(dir / "random-bytes.mp4", 200000);
  broken("random-bytes.mp4");
  fixtures::writeBytes(dir / "random-bytes.mov", 4096);
  broken("random-bytes.mov");

  // A healthy MP4 with sound, damaged in the ways downloads and disks damage files.
  MediaOptions healthy = base(2.0);
  healthy.audioChannels = 2;
  const fs::path whole = dir / "healthy.mp4";
  media("healthy.mp4", healthy);
  const std::vector<char> bytes = readAll(whole);
  for (int percent : {10, 50, 90}) {
    const std::string name = "truncated-" + std::to_string(percent) + ".mp4";
    fs::copy_file(whole, dir / name, fs::copy_options::overwrite_existing);
    fixtures::truncateFile(dir / name, bytes.size() * static_cast<std::size_t>(percent) / 100);
    broken(name);
  }
  {
    // The index up front, so the file opens and probes; the samples end at 60 %.
    MediaOptions first = healthy;
    first.indexFirst = true;
    const fs::path cut = dir / "index-first-cut.mp4";
    fixtures::writeMedia(cut, first);
    fixtures::truncateFile(cut, fs::file_size(cut) * 6 / 10);
    files.push_back({"index-first-cut.mp4", cut, false, 0, true});
  }
  {
    std::vector<char> b = bytes;  // the index renamed away: samples without a table
    const std::size_t moov = findBox(b, "moov");
    // Blanked too: the demuxer finds an index hidden inside a "free" box.
    const auto at = b.begin() + static_cast<std::ptrdiff_t>(moov);
    std::fill(at + 8, at + be32(b, moov), 0);
    std::copy_n("free", 4, b.begin() + static_cast<std::ptrdiff_t>(moov + 4));
    writeAll(dir / "no-index.mp4", b);
    broken("no-index.mp4");
  }
  {
    std::vector<char> b = bytes;  // flipped bytes in the middle of the samples
    const std::size_t mdat = findBox(b, "mdat");
    const std::size_t size = be32(b, mdat);
    for (std::size_t i = mdat + size / 2; i < mdat + size / 2 + 64 && i < b.size(); ++i)
      b[i] = static_cast<char>(~b[i]);
    writeAll(dir / "flipped-bytes.mp4", b);
    broken("flipped-bytes.mp4");
  }
  {
    std::vector<char> b = bytes;  // a header claiming 16384 x 16384
    const std::size_t tkhd = findBox(b, "tkhd");
    const int version = static_cast<std::uint8_t>(b[tkhd + 8]);
    const std::size_t dims = tkhd + 8 + (version == 1 ? 88 : 76);
    putBe(b, dims, 16384u << 16, 4);
    putBe(b, dims + 4, 16384u << 16, 4);
    const std::size_t avc1 = findBox(b, "avc1", findBox(b, "stsd"));  // not the brand in ftyp
    putBe(b, avc1 + 32, 16384, 2);
    putBe(b, avc1 + 34, 16384, 2);
    writeAll(dir / "header-16384.mp4", b);
    broken("header-16384.mp4");
  }
  {
    std::vector<char> b = bytes;  // every video sample lasting zero ticks
    zeroFirstTrackDurations(b);
    writeAll(dir / "zero-frame-rate.mp4", b);
    broken("zero-frame-rate.mp4");
  }
  {
    // One sample lasting zero ticks: neither the durations nor the spacing of
    // samples give a rate (ffprobe: avg_frame_rate 0/0, r_frame_rate 1/0).
    MediaOptions o = base(1.5 / 30);
    fixtures::writeMedia(dir / "missing-frame-rate.mp4", o);
    std::vector<char> b = readAll(dir / "missing-frame-rate.mp4");
    zeroFirstTrackDurations(b);
    writeAll(dir / "missing-frame-rate.mp4", b);
    files.push_back({"missing-frame-rate.mp4", dir / "missing-frame-rate.mp4", true, 1.0 / 30});
  }
  {
    // Ten seconds whose only key frame is the first.
    MediaOptions o = base(10);
    o.audioChannels = 2;
    o.keyframeInterval = 600;
    media("long-gop-10s.mp4", o);
    files.back().seconds = 10;
  }

  // Legal media that is awkward. (Cover art, turned pictures, variable rates,
  // HDR and unusual sound are the engine tests' own; here only what the
  // tools meet at their edges.)
  struct Awkward {
    const char* name;
    void (*set)(MediaOptions&);
  };
  const Awkward awkward[] = {
      {"odd-854x480.mp4", [](MediaOptions& o) { o.width = 854, o.height = 480; }},
      // The smallest picture the fixture's encoder takes, to be scaled up.
      {"tiny-2x8.mov", [](MediaOptions& o) { o.width = 2, o.height = 8; }},
      {"one-frame.mp4", [](MediaOptions& o) { o.seconds = 1.5 / 30; }},
      {"mono-8khz.mov", [](MediaOptions& o) { o.audioChannels = 1, o.audioSampleRate = 8000; }},
      {"audio-only.m4v", [](MediaOptions& o) { o.video = false, o.audioChannels = 2; }},
  };
  for (const Awkward& a : awkward) {
    MediaOptions o = base();
    a.set(o);
    media(a.name, o);
  }
  files.back().mustCompress = false;  // audio only: a clear refusal is right
  return files;
}

}  // namespace kivotra::reliability
