// Sample-rate conversion by libswresample, set for sound that must not mirror
// its upper partials into the band above the source's Nyquist frequency: the
// SoX resampler where the library has it (passband to 91 % of Nyquist, about
// 120 dB stop band), else the library's own with a long Kaiser filter.
#pragma once

#include "platform/media/av_handles.h"

namespace platform {

using Resampler = av::Swr;

// A ready resampler from (layout, format, rate) to (layout, format, rate);
// null when the library refuses the formats.
Resampler MakeResampler(const AVChannelLayout& outLayout, AVSampleFormat outFormat, int outRate,
                        const AVChannelLayout& inLayout, AVSampleFormat inFormat, int inRate);

}  // namespace platform
