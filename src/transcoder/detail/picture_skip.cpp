#include "transcoder/detail/picture_skip.h"

extern "C" {
#include <libavutil/mathematics.h>
}

namespace kivotra::detail {

bool rateDropsFrame(std::int64_t pts, std::int64_t duration, AVRational timeBase, AVRational rate) {
  if (pts == AV_NOPTS_VALUE || duration <= 0 || rate.num <= 0 || rate.den <= 0) return false;
  const AVRational tick = av_inv_q(rate);
  const auto at = [&](std::int64_t t) { return av_rescale_q_rnd(t, timeBase, tick, AV_ROUND_NEAR_INF); };
  return at(pts) == at(pts + duration);
}

DisposablePictures::DisposablePictures(const AVCodecParameters& stream) {
  const std::uint8_t* extra = stream.extradata;
  const int size = stream.extradata_size;
  // avcC and hvcC records start with version 1; Annex B streams start with a
  // start code and are left alone.
  if (extra == nullptr || extra[0] != 1) return;
  if (stream.codec_id == AV_CODEC_ID_H264 && size >= 7) {
    syntax_ = Syntax::h264;
    lengthSize_ = (extra[4] & 3) + 1;
  } else if (stream.codec_id == AV_CODEC_ID_HEVC && size >= 23) {
    syntax_ = Syntax::hevc;
    lengthSize_ = (extra[21] & 3) + 1;
    const int layers = (extra[21] >> 3) & 7;
    topLayer_ = layers > 0 ? layers - 1 : -1;
  }
  if (lengthSize_ == 3) syntax_ = Syntax::none;  // not a length size the formats allow
}

bool DisposablePictures::disposable(const AVPacket& packet) const {
  if (syntax_ == Syntax::none || packet.data == nullptr || (packet.flags & AV_PKT_FLAG_KEY)) return false;
  bool sawPicture = false;
  // Every coded slice of the picture must say it is not a reference.
  for (int at = 0; at + lengthSize_ < packet.size;) {
    std::int64_t length = 0;
    for (int i = 0; i < lengthSize_; ++i) length = (length << 8) | packet.data[at + i];
    at += lengthSize_;
    if (length <= 0 || length > packet.size - at) return false;  // damaged: decode it as it is
    const std::uint8_t* nal = packet.data + at;
    at += static_cast<int>(length);
    if (syntax_ == Syntax::h264) {
      const int type = nal[0] & 0x1f;
      if (type < 1 || type > 5) continue;
      if (type == 5 || (nal[0] & 0x60) != 0) return false;  // IDR or nal_ref_idc > 0
      sawPicture = true;
    } else {
      if (length < 2) return false;
      const int type = (nal[0] >> 1) & 0x3f;
      if (type > 31) continue;  // not a coded slice
      // TRAIL_N, TSA_N, STSA_N, RADL_N, RASL_N and the reserved _N types:
      // no picture of the same sub-layer refers to them; in the highest
      // sub-layer, none at all.
      const int layer = (nal[1] & 7) - 1;
      if (type > 14 || type % 2 != 0 || topLayer_ < 0 || layer != topLayer_) return false;
      sawPicture = true;
    }
  }
  return sawPicture;
}

}  // namespace kivotra::detail
