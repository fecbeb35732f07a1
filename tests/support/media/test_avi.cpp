#include "tests/support/media/test_avi.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <cmath>
#include <memory>
#include <vector>

namespace testing_support {

namespace {

constexpr uint32_t kColours[] = {0xFF0000, 0x00FF00, 0xFFFF00, 0xFF00FF, 0x00FFFF,
                                 0xFFFFFF, 0xFF8000, 0x8000FF, 0x80FF80, 0xFF80C0};
constexpr int kSoundRate = 22050;

struct Writer {
  AVFormatContext* format = nullptr;
  AVCodecContext* video = nullptr;
  AVCodecContext* sound = nullptr;
  AVStream* videoStream = nullptr;
  AVStream* soundStream = nullptr;
  ~Writer() {
    avcodec_free_context(&video);
    avcodec_free_context(&sound);
    if (format != nullptr) {
      if (format->pb != nullptr) avio_closep(&format->pb);
      avformat_free_context(format);
    }
  }
};

bool Fail(std::string* error, const std::string& why) {
  if (error != nullptr) *error = why;
  return false;
}

// Encodes `frame` (or flushes with null) and writes what comes out.
bool Encode(AVFormatContext* format, AVCodecContext* codec, AVStream* stream, AVFrame* frame) {
  if (avcodec_send_frame(codec, frame) < 0) return false;
  AVPacket* packet = av_packet_alloc();
  int r;
  while ((r = avcodec_receive_packet(codec, packet)) == 0) {
    av_packet_rescale_ts(packet, codec->time_base, stream->time_base);
    packet->stream_index = stream->index;
    if (av_interleaved_write_frame(format, packet) < 0) {
      av_packet_free(&packet);
      return false;
    }
  }
  av_packet_free(&packet);
  return r == AVERROR(EAGAIN) || r == AVERROR_EOF;
}

// Frame i as BGR24 rows, top first.
std::vector<uint8_t> Picture(int i, int w, int h) {
  std::vector<uint8_t> bgr(static_cast<size_t>(w) * h * 3);
  const int left = TestAviSquareLeft(i, w);
  const int top = h / 2 - 16;
  for (int y = 0; y < h; ++y) {
    for (int x = 0; x < w; ++x) {
      const bool inSquare = x >= left && x < left + 32 && y >= top && y < top + 32;
      const uint32_t c = inSquare ? TestAviSquareColour(i) : kTestAviBackground;
      uint8_t* p = &bgr[(static_cast<size_t>(y) * w + x) * 3];
      p[0] = c & 0xFF;
      p[1] = (c >> 8) & 0xFF;
      p[2] = (c >> 16) & 0xFF;
    }
  }
  return bgr;
}

}  // namespace

uint32_t TestAviSquareColour(int frame) {
  return kColours[frame % 10];
}

int TestAviSquareLeft(int frame, int width) {
  return (8 + frame * 12) % (width - 32);
}

bool WriteTestAvi(const std::string& path, const TestAviOptions& o, std::string* error) {
  av_log_set_level(AV_LOG_ERROR);
  Writer w;
  if (avformat_alloc_output_context2(&w.format, nullptr, "avi", path.c_str()) < 0) {
    return Fail(error, "no AVI muxer");
  }
  if (o.picture) {
    const AVCodecID id = o.mjpeg ? AV_CODEC_ID_MJPEG : AV_CODEC_ID_RAWVIDEO;
    const AVCodec* codec = avcodec_find_encoder(id);
    if (codec == nullptr) return Fail(error, "no picture encoder");
    w.videoStream = avformat_new_stream(w.format, nullptr);
    w.video = avcodec_alloc_context3(codec);
    w.video->width = o.width;
    w.video->height = o.height;
    w.video->time_base = AVRational{1, o.fps};
    w.video->framerate = AVRational{o.fps, 1};
    w.video->pix_fmt = o.mjpeg ? AV_PIX_FMT_YUVJ420P : AV_PIX_FMT_BGR24;
    if (o.mjpeg) {
      w.video->flags |= AV_CODEC_FLAG_QSCALE;
      w.video->global_quality = FF_QP2LAMBDA * 2;
    }
    if (avcodec_open2(w.video, codec, nullptr) < 0) return Fail(error, "picture encoder refused");
    avcodec_parameters_from_context(w.videoStream->codecpar, w.video);
    w.videoStream->time_base = w.video->time_base;
  }
  if (o.sound) {
    const AVCodec* codec = avcodec_find_encoder(AV_CODEC_ID_PCM_S16LE);
    w.soundStream = avformat_new_stream(w.format, nullptr);
    w.sound = avcodec_alloc_context3(codec);
    w.sound->sample_fmt = AV_SAMPLE_FMT_S16;
    w.sound->sample_rate = kSoundRate;
    av_channel_layout_default(&w.sound->ch_layout, 1);
    w.sound->time_base = AVRational{1, kSoundRate};
    if (avcodec_open2(w.sound, codec, nullptr) < 0) return Fail(error, "sound encoder refused");
    avcodec_parameters_from_context(w.soundStream->codecpar, w.sound);
    w.soundStream->time_base = w.sound->time_base;
  }
  if (avio_open(&w.format->pb, path.c_str(), AVIO_FLAG_WRITE) < 0) {
    return Fail(error, "cannot write " + path);
  }
  if (avformat_write_header(w.format, nullptr) < 0) return Fail(error, "header refused");

  std::unique_ptr<AVFrame, void (*)(AVFrame*)> frame(av_frame_alloc(),
                                                     [](AVFrame* f) { av_frame_free(&f); });
  SwsContext* toYuv = nullptr;
  const int soundPerFrame = kSoundRate / o.fps;
  for (int i = 0; i < o.frames; ++i) {
    if (o.picture) {
      av_frame_unref(frame.get());
      frame->format = w.video->pix_fmt;
      frame->width = o.width;
      frame->height = o.height;
      av_frame_get_buffer(frame.get(), 0);
      const auto bgr = Picture(i, o.width, o.height);
      const uint8_t* src[4] = {bgr.data(), nullptr, nullptr, nullptr};
      const int srcStride[4] = {o.width * 3, 0, 0, 0};
      toYuv = sws_getCachedContext(toYuv, o.width, o.height, AV_PIX_FMT_BGR24, o.width, o.height,
                                   w.video->pix_fmt, SWS_POINT, nullptr, nullptr, nullptr);
      sws_scale(toYuv, src, srcStride, 0, o.height, frame->data, frame->linesize);
      frame->pts = i;
      if (!Encode(w.format, w.video, w.videoStream, frame.get())) {
        sws_freeContext(toYuv);
        return Fail(error, "picture not written");
      }
    }
    if (o.sound) {
      av_frame_unref(frame.get());
      frame->format = AV_SAMPLE_FMT_S16;
      frame->nb_samples = soundPerFrame;
      frame->sample_rate = kSoundRate;
      av_channel_layout_default(&frame->ch_layout, 1);
      av_frame_get_buffer(frame.get(), 0);
      auto* s = reinterpret_cast<int16_t*>(frame->data[0]);
      for (int k = 0; k < soundPerFrame; ++k) {
        const double t = static_cast<double>(i * soundPerFrame + k) / kSoundRate;
        s[k] = static_cast<int16_t>(12000 * std::sin(2 * M_PI * 440 * t));
      }
      frame->pts = static_cast<int64_t>(i) * soundPerFrame;
      if (!Encode(w.format, w.sound, w.soundStream, frame.get())) {
        sws_freeContext(toYuv);
        return Fail(error, "sound not written");
      }
    }
  }
  sws_freeContext(toYuv);
  if (o.picture) Encode(w.format, w.video, w.videoStream, nullptr);
  if (o.sound) Encode(w.format, w.sound, w.soundStream, nullptr);
  if (av_write_trailer(w.format) < 0) return Fail(error, "trailer refused");
  return true;
}

}  // namespace testing_support
