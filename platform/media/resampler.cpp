#include "platform/media/resampler.h"

extern "C" {
#include <libavutil/opt.h>
}

namespace platform {

Resampler MakeResampler(const AVChannelLayout& outLayout, AVSampleFormat outFormat, int outRate,
                        const AVChannelLayout& inLayout, AVSampleFormat inFormat, int inRate) {
  // The library takes the layouts by plain pointer; it only reads them.
  AVChannelLayout out = outLayout;
  AVChannelLayout in = inLayout;
  for (const bool soxr : {true, false}) {
    SwrContext* raw = nullptr;
    if (swr_alloc_set_opts2(&raw, &out, outFormat, outRate, &in, inFormat, inRate, 0, nullptr) <
        0) {
      return nullptr;
    }
    Resampler swr(raw);
    if (soxr) {
      av_opt_set(raw, "resampler", "soxr", 0);
    } else {
      // The library's own: a longer filter than its default, cut off below
      // the lower Nyquist frequency, with a Kaiser window of 90 dB side lobes.
      av_opt_set_int(raw, "filter_size", 64, 0);
      av_opt_set_double(raw, "cutoff", 0.9, 0);
      av_opt_set_int(raw, "filter_type", SWR_FILTER_TYPE_KAISER, 0);
      av_opt_set_double(raw, "kaiser_beta", 9, 0);
    }
    if (swr_init(raw) >= 0) return swr;
  }
  return nullptr;
}

}  // namespace platform
