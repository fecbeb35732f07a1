#include "tools/zelkrender/soundtrack.h"

#include <algorithm>
#include <limits>
#include <memory>

#include "platform/media/av_handles.h"

namespace zelkrender {

namespace {

namespace av = platform::av;

// Converts what the decoder gives (or, with a null frame, what the resampler
// still holds) and appends it.
int Convert(SwrContext* swr, const AVFrame* frame, std::vector<float>* samples) {
  const int in = frame != nullptr ? frame->nb_samples : 0;
  const int room = swr_get_out_samples(swr, in);
  if (room <= 0) return 0;
  const size_t at = samples->size();
  samples->resize(at + static_cast<size_t>(room) * Soundtrack::kChannels);
  uint8_t* out = reinterpret_cast<uint8_t*>(samples->data() + at);
  const int got = swr_convert(
      swr, &out, room,
      frame != nullptr ? const_cast<const uint8_t**>(frame->extended_data) : nullptr, in);
  samples->resize(at + static_cast<size_t>(std::max(got, 0)) * Soundtrack::kChannels);
  return got;
}

// One time span of a device playing a file.
struct Play {
  std::string file;
  uint64_t start = 0;  // virtual ms
  uint64_t end = std::numeric_limits<uint64_t>::max();
  uint32_t fromMs = 0;
};

std::vector<Play> Plays(const Soundtrack::Log& log) {
  std::vector<Play> plays;
  std::map<services::MciDeviceId, size_t> open;  // device → its play in `plays`
  auto stop = [&](services::MciDeviceId device, uint64_t at) {
    auto it = open.find(device);
    if (it == open.end()) return;
    plays[it->second].end = at;
    open.erase(it);
  };
  for (const auto& e : log) {
    if (e.command == services::MCI_PLAY) {
      stop(e.device, e.elapsedMs);
      open[e.device] = plays.size();
      plays.push_back(Play{e.file, e.elapsedMs, std::numeric_limits<uint64_t>::max(), e.fromMs});
    } else if (e.command == 0 || e.command == services::MCI_CLOSE) {
      stop(e.device, e.elapsedMs);
    }
  }
  return plays;
}

}  // namespace

bool DecodeSound(const std::string& path, std::vector<float>* samples, std::string* error) {
  samples->clear();
  AVFormatContext* raw = nullptr;
  int rc = avformat_open_input(&raw, path.c_str(), nullptr, nullptr);
  if (rc < 0) {
    *error = path + ": " + av::ErrorText(rc);
    return false;
  }
  av::Input input(raw);
  if ((rc = avformat_find_stream_info(input.get(), nullptr)) < 0) {
    *error = path + ": " + av::ErrorText(rc);
    return false;
  }
  const AVCodec* codec = nullptr;
  const int stream = av_find_best_stream(input.get(), AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (stream < 0 || codec == nullptr) {
    *error = path + ": no sound in the file";
    return false;
  }
  av::Codec decoder(avcodec_alloc_context3(codec));
  avcodec_parameters_to_context(decoder.get(), input->streams[stream]->codecpar);
  if ((rc = avcodec_open2(decoder.get(), codec, nullptr)) < 0) {
    *error = path + ": " + av::ErrorText(rc);
    return false;
  }
  if (decoder->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC) {
    av_channel_layout_default(&decoder->ch_layout, decoder->ch_layout.nb_channels);
  }
  SwrContext* swrRaw = nullptr;
  AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
  rc = swr_alloc_set_opts2(&swrRaw, &stereo, AV_SAMPLE_FMT_FLT, Soundtrack::kRate,
                           &decoder->ch_layout, decoder->sample_fmt, decoder->sample_rate, 0,
                           nullptr);
  av::Swr swr(swrRaw);
  // A mono file sounds at full strength on both sides, as a sound card plays it.
  const double monoToStereo[2] = {1.0, 1.0};
  if (rc >= 0 && decoder->ch_layout.nb_channels == 1)
    rc = swr_set_matrix(swr.get(), monoToStereo, 1);
  if (rc < 0 || (rc = swr_init(swr.get())) < 0) {
    *error = path + ": " + av::ErrorText(rc);
    return false;
  }
  av::Packet packet(av_packet_alloc());
  av::Frame frame(av_frame_alloc());
  auto drain = [&] {
    while (avcodec_receive_frame(decoder.get(), frame.get()) == 0) {
      Convert(swr.get(), frame.get(), samples);
      av_frame_unref(frame.get());
    }
  };
  while (av_read_frame(input.get(), packet.get()) >= 0) {
    if (packet->stream_index == stream) {
      avcodec_send_packet(decoder.get(), packet.get());
      drain();
    }
    av_packet_unref(packet.get());
  }
  avcodec_send_packet(decoder.get(), nullptr);
  drain();
  while (Convert(swr.get(), nullptr, samples) > 0) {
  }
  return true;
}

const std::vector<float>& Soundtrack::Decoded(const std::string& path) {
  auto it = decoded_.find(path);
  if (it != decoded_.end()) return it->second;
  std::vector<float> samples;
  std::string error;
  if (!DecodeSound(path, &samples, &error)) warnings_ += error + " (left silent)\n";
  return decoded_.emplace(path, std::move(samples)).first->second;
}

std::vector<float> Soundtrack::Render(const Log& log, uint64_t startMs, uint64_t first,
                                      size_t count) {
  std::vector<float> out(count * kChannels, 0.0f);
  const int64_t begin = static_cast<int64_t>(first);
  const int64_t end = begin + static_cast<int64_t>(count);
  for (const Play& play : Plays(log)) {
    // Track samples where the play starts and stops, and the file's sample
    // that sounds at the start.
    const int64_t playStart =
        (static_cast<int64_t>(play.start) - static_cast<int64_t>(startMs)) * kSamplesPerMs;
    const int64_t playEnd =
        play.end == std::numeric_limits<uint64_t>::max()
            ? end
            : (static_cast<int64_t>(play.end) - static_cast<int64_t>(startMs)) * kSamplesPerMs;
    const int64_t lo = std::max(begin, playStart), hi = std::min(end, playEnd);
    if (lo >= hi) continue;
    const std::vector<float>& sound = Decoded(play.file);
    const int64_t length = static_cast<int64_t>(sound.size() / kChannels);
    const int64_t offset = static_cast<int64_t>(play.fromMs) * kSamplesPerMs - playStart;
    for (int64_t n = lo; n < hi; ++n) {
      const int64_t source = n + offset;
      if (source < 0 || source >= length) continue;
      for (int c = 0; c < kChannels; ++c) {
        float& sample = out[static_cast<size_t>(n - begin) * kChannels + c];
        sample =
            std::clamp(sample + sound[static_cast<size_t>(source) * kChannels + c], -1.0f, 1.0f);
      }
    }
  }
  return out;
}

}  // namespace zelkrender
