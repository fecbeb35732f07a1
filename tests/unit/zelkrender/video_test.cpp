// Videos: the right codecs and length, frames that show the screen at their
// times, and scenedemo's theme in step with the pictures.
#include <gtest/gtest.h>

#include <cmath>
#include <filesystem>
#include <memory>

#include "tests/unit/zelkrender/render_support.h"
#include "tools/zelkrender/soundtrack.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace render_tests {
namespace {

// Everything in a video file, decoded.
struct Decoded {
  std::string videoCodec, audioCodec;
  int width = 0, height = 0;
  double seconds = 0;
  std::vector<std::vector<uint32_t>> frames;  // XRGB
  std::vector<float> sound;                   // interleaved stereo at the track's rate
};

std::optional<Decoded> Decode(const std::string& path) {
  AVFormatContext* input = nullptr;
  if (avformat_open_input(&input, path.c_str(), nullptr, nullptr) < 0) return std::nullopt;
  std::shared_ptr<AVFormatContext*> closeInput(&input, avformat_close_input);
  if (avformat_find_stream_info(input, nullptr) < 0) return std::nullopt;
  Decoded d;
  d.seconds = input->duration / double(AV_TIME_BASE);
  std::vector<AVCodecContext*> decoders(input->nb_streams, nullptr);
  std::shared_ptr<void> freeDecoders(nullptr, [&](void*) {
    for (AVCodecContext*& c : decoders)
      avcodec_free_context(&c);
  });
  for (unsigned i = 0; i < input->nb_streams; ++i) {
    const AVCodecParameters* par = input->streams[i]->codecpar;
    const AVCodec* codec = avcodec_find_decoder(par->codec_id);
    if (codec == nullptr) return std::nullopt;
    decoders[i] = avcodec_alloc_context3(codec);
    avcodec_parameters_to_context(decoders[i], par);
    if (avcodec_open2(decoders[i], codec, nullptr) < 0) return std::nullopt;
    if (par->codec_type == AVMEDIA_TYPE_VIDEO) {
      d.videoCodec = codec->name;
      d.width = par->width;
      d.height = par->height;
    } else {
      d.audioCodec = codec->name;
    }
  }
  AVPacket* packet = av_packet_alloc();
  AVFrame* frame = av_frame_alloc();
  auto take = [&](AVCodecContext* c) {
    while (avcodec_receive_frame(c, frame) == 0) {
      if (c->codec_type == AVMEDIA_TYPE_VIDEO) {
        std::vector<uint32_t> xrgb(size_t(frame->width) * frame->height);
        SwsContext* sws =
            sws_getContext(frame->width, frame->height, AVPixelFormat(frame->format), frame->width,
                           frame->height, AV_PIX_FMT_BGR0, SWS_BICUBIC, nullptr, nullptr, nullptr);
        uint8_t* out[1] = {reinterpret_cast<uint8_t*>(xrgb.data())};
        const int stride[1] = {frame->width * 4};
        sws_scale(sws, frame->data, frame->linesize, 0, frame->height, out, stride);
        sws_freeContext(sws);
        for (uint32_t& p : xrgb)
          p &= 0xFFFFFF;
        d.frames.push_back(std::move(xrgb));
      } else {
        SwrContext* swr = nullptr;
        AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
        swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, frame->sample_rate, &frame->ch_layout,
                            AVSampleFormat(frame->format), frame->sample_rate, 0, nullptr);
        swr_init(swr);
        std::vector<float> pcm(size_t(frame->nb_samples) * 2);
        uint8_t* out = reinterpret_cast<uint8_t*>(pcm.data());
        swr_convert(swr, &out, frame->nb_samples, const_cast<const uint8_t**>(frame->extended_data),
                    frame->nb_samples);
        swr_free(&swr);
        d.sound.insert(d.sound.end(), pcm.begin(), pcm.end());
      }
    }
  };
  while (av_read_frame(input, packet) >= 0) {
    AVCodecContext* c = decoders[packet->stream_index];
    avcodec_send_packet(c, packet);
    take(c);
    av_packet_unref(packet);
  }
  for (AVCodecContext* c : decoders) {
    avcodec_send_packet(c, nullptr);
    take(c);
  }
  av_frame_free(&frame);
  av_packet_free(&packet);
  return d;
}

double MeanDifference(const std::vector<uint32_t>& a, const std::vector<uint32_t>& b) {
  double sum = 0;
  for (size_t i = 0; i < a.size(); ++i) {
    for (int shift : {0, 8, 16}) {
      sum += std::abs(int((a[i] >> shift) & 0xFF) - int((b[i] >> shift) & 0xFF));
    }
  }
  return sum / (3.0 * a.size());
}

TEST(RenderVideo, Mp4OfScenedemoShowsItsScreensWithTheThemeInStep) {
  TempDir dir;
  const std::string video = dir / "plasma.mp4";
  std::string err;
  ASSERT_EQ(RunTool({"scenedemo", "--cycle", "--video", video, "--from", "28000", "--to", "30000",
                     "--data", BinDir()},
                    &err),
            0)
      << err;
  ASSERT_EQ(RunTool({"scenedemo", "--cycle", "--at", "28000,29000,29966", "--out", dir.path(),
                     "--data", BinDir()}),
            0);
  auto d = Decode(video);
  ASSERT_TRUE(d);
  EXPECT_EQ(d->videoCodec, "h264");
  EXPECT_EQ(d->audioCodec, "aac");
  EXPECT_EQ(d->width, 640);
  EXPECT_EQ(d->height, 480);
  EXPECT_NEAR(d->seconds, 2.0, 0.05);
  ASSERT_EQ(d->frames.size(), 60u);  // 30 a second

  // Frame k shows the screen at 28000 + k × 1000 / 30 ms, give or take the
  // codec's loss: far closer to its own moment's screen than to another's.
  for (auto [k, ms] : {std::pair{0, 28000}, {30, 29000}, {59, 29966}}) {
    auto png = ReadPng(dir / ("scenedemo_0" + std::to_string(ms) + ".png"));
    ASSERT_TRUE(png);
    EXPECT_LT(MeanDifference(d->frames[k], png->pixels), 6.0) << "frame " << k;
  }
  auto other = ReadPng(dir / "scenedemo_029000.png");
  EXPECT_GT(MeanDifference(d->frames[0], other->pixels), 12.0);

  // The sound is the theme from 28 s into it (the cycle starts with it): the
  // best match of the two lies within a millisecond.
  std::vector<float> theme;
  ASSERT_TRUE(zelkrender::DecodeSound(BinDir() + "/data/tobirano.wav", &theme, &err)) << err;
  constexpr int kPerMs = zelkrender::Soundtrack::kSamplesPerMs;
  EXPECT_NEAR(d->sound.size() / 2.0, 2000.0 * kPerMs, 2048);
  const size_t window = 500 * kPerMs, at = 500 * kPerMs;  // compare 0.5 s from 0.5 s in
  ASSERT_GT(d->sound.size() / 2, at + window + 20 * kPerMs);
  int bestLag = 0;
  double best = -1e300;
  for (int lag = -10 * kPerMs; lag <= 10 * kPerMs; ++lag) {
    double c = 0;
    for (size_t n = 0; n < window; ++n) {
      c += d->sound[2 * (at + n)] * theme[2 * (28000 * kPerMs + at + n + lag)];
    }
    if (c > best) best = c, bestLag = lag;
  }
  EXPECT_LE(std::abs(bestLag), kPerMs) << "the sound is " << bestLag << " samples off";
}

TEST(RenderVideo, WebmOfAnEffectProgramHasPicturesOnly) {
  TempDir dir;
  const std::string video = dir / "plasma.webm";
  std::string err;
  ASSERT_EQ(
      RunTool({"plasmademo", "--video", video, "--to", "1000", "--fps", "12", "--data", BinDir()},
              &err),
      0)
      << err;
  auto d = Decode(video);
  ASSERT_TRUE(d);
  EXPECT_NE(d->videoCodec.find("vp9"), std::string::npos) << d->videoCodec;
  EXPECT_EQ(d->audioCodec, "");
  EXPECT_EQ(d->frames.size(), 12u);
  EXPECT_NE(d->frames[0], d->frames[11]);
}

TEST(RenderVideo, AFileThatCannotBeMadeIsReportedAndLeftOut) {
  TempDir dir;
  const std::string video = dir / "missing/v.mp4";
  std::string err;
  EXPECT_EQ(RunTool({"plasmademo", "--video", video, "--to", "100", "--data", BinDir()}, &err), 1);
  EXPECT_NE(err.find(video), std::string::npos) << err;
  EXPECT_FALSE(std::filesystem::exists(video));
}

}  // namespace
}  // namespace render_tests
