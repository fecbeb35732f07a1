#include "tools/zelkrender/video.h"

#include <algorithm>
#include <cctype>
#include <cstdio>

#include "platform/media/av_handles.h"
#include "tools/zelkrender/soundtrack.h"
#include "tools/zelkrender/stage.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
#include <libswscale/swscale.h>
}

namespace zelkrender {

namespace {

struct Container {
  const char* extension;
  const char* format;
  std::vector<const char*> video;  // encoders in order of preference
  std::vector<const char*> audio;
};

const Container kContainers[] = {
    {".mp4", "mp4", {"libx264", "mpeg4"}, {"aac"}},
    {".webm", "webm", {"libvpx-vp9", "libvpx"}, {"libopus", "libvorbis"}},
};

const Container* ContainerFor(const std::string& path) {
  std::string lower = path;
  std::transform(lower.begin(), lower.end(), lower.begin(),
                 [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
  for (const Container& c : kContainers) {
    const std::string ext = c.extension;
    if (lower.size() > ext.size() && lower.compare(lower.size() - ext.size(), ext.size(), ext) == 0)
      return &c;
  }
  return nullptr;
}

const AVCodec* FirstEncoder(const std::vector<const char*>& names) {
  for (const char* name : names) {
    if (const AVCodec* codec = avcodec_find_encoder_by_name(name)) return codec;
  }
  return nullptr;
}

struct Encoding {
  AVCodecContext* codec = nullptr;
  AVStream* stream = nullptr;
  AVFrame* frame = nullptr;
  int64_t nextPts = 0;
};

}  // namespace

struct VideoEncoder::State {
  std::string path;
  AVFormatContext* output = nullptr;
  Encoding video;
  Encoding audio;
  SwsContext* scaler = nullptr;
  SwrContext* resampler = nullptr;
  AVPacket* packet = nullptr;
  std::vector<float> heldSound;  // less than one audio frame
  bool finished = false;

  ~State() {
    for (Encoding* e : {&video, &audio}) {
      avcodec_free_context(&e->codec);
      av_frame_free(&e->frame);
    }
    sws_freeContext(scaler);
    swr_free(&resampler);
    av_packet_free(&packet);
    if (output != nullptr) {
      if (output->pb != nullptr) avio_closep(&output->pb);
      avformat_free_context(output);
      if (!finished) std::remove(path.c_str());
    }
  }

  bool Fail(const std::string& what, int code, std::string* error) {
    *error = path + ": " + what + (code < 0 ? ": " + platform::av::ErrorText(code) : "");
    return false;
  }

  // Sends a frame (or, when null, the end) and writes every packet that comes out.
  bool Encode(Encoding& e, AVFrame* frame, std::string* error) {
    int rc = avcodec_send_frame(e.codec, frame);
    if (rc < 0) return Fail("cannot encode", rc, error);
    for (;;) {
      rc = avcodec_receive_packet(e.codec, packet);
      if (rc == AVERROR(EAGAIN) || rc == AVERROR_EOF) return true;
      if (rc < 0) return Fail("cannot encode", rc, error);
      av_packet_rescale_ts(packet, e.codec->time_base, e.stream->time_base);
      packet->stream_index = e.stream->index;
      rc = av_interleaved_write_frame(output, packet);
      if (rc < 0) return Fail("cannot write", rc, error);
    }
  }

  bool AddStream(Encoding& e, const AVCodec* codec, std::string* error) {
    if (output->oformat->flags & AVFMT_GLOBALHEADER) e.codec->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    int rc = avcodec_open2(e.codec, codec, nullptr);
    if (rc < 0) return Fail(std::string("cannot open the encoder ") + codec->name, rc, error);
    e.stream = avformat_new_stream(output, nullptr);
    if (e.stream == nullptr) return Fail("cannot add a stream", 0, error);
    e.stream->time_base = e.codec->time_base;
    avcodec_parameters_from_context(e.stream->codecpar, e.codec);
    e.frame = av_frame_alloc();
    return e.frame != nullptr;
  }

  bool OpenVideo(const AVCodec* codec, int fps, std::string* error) {
    AVCodecContext* c = video.codec = avcodec_alloc_context3(codec);
    c->width = kScreenWidth;
    c->height = kScreenHeight;
    c->pix_fmt = AV_PIX_FMT_YUV420P;
    c->time_base = AVRational{1, fps};
    c->framerate = AVRational{fps, 1};
    c->gop_size = 2 * fps;
    c->color_range = AVCOL_RANGE_MPEG;
    c->colorspace = AVCOL_SPC_SMPTE170M;
    c->color_primaries = AVCOL_PRI_SMPTE170M;
    c->color_trc = AVCOL_TRC_SMPTE170M;
    if (std::string(codec->name) == "libx264") {
      av_opt_set(c->priv_data, "preset", "veryfast", 0);
      av_opt_set(c->priv_data, "crf", "20", 0);
    } else if (std::string(codec->name).rfind("libvpx", 0) == 0) {
      // Constant quality at the encoder's real-time speed.
      c->bit_rate = 0;
      av_opt_set(c->priv_data, "crf", "30", 0);
      av_opt_set(c->priv_data, "deadline", "realtime", 0);
      av_opt_set(c->priv_data, "cpu-used", "8", 0);
      av_opt_set(c->priv_data, "row-mt", "1", 0);
    } else {
      c->bit_rate = 4000000;
    }
    if (!AddStream(video, codec, error)) return false;
    video.frame->format = c->pix_fmt;
    video.frame->width = c->width;
    video.frame->height = c->height;
    int rc = av_frame_get_buffer(video.frame, 0);
    if (rc < 0) return Fail("cannot allocate a frame", rc, error);
    // Memory holds each screen pixel as blue, green, red, unused.
    scaler =
        sws_getContext(kScreenWidth, kScreenHeight, AV_PIX_FMT_BGR0, kScreenWidth, kScreenHeight,
                       AV_PIX_FMT_YUV420P, SWS_BICUBIC, nullptr, nullptr, nullptr);
    return scaler != nullptr || Fail("cannot convert the pictures", 0, error);
  }

  bool OpenAudio(const AVCodec* codec, std::string* error) {
    AVCodecContext* c = audio.codec = avcodec_alloc_context3(codec);
    c->sample_fmt = codec->sample_fmts != nullptr ? codec->sample_fmts[0] : AV_SAMPLE_FMT_FLTP;
    c->sample_rate = Soundtrack::kRate;
    c->ch_layout = AV_CHANNEL_LAYOUT_STEREO;
    c->bit_rate = 128000;
    c->time_base = AVRational{1, Soundtrack::kRate};
    if (!AddStream(audio, codec, error)) return false;
    if (c->frame_size <= 0) c->frame_size = 1024;
    AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    int rc = swr_alloc_set_opts2(&resampler, &c->ch_layout, c->sample_fmt, c->sample_rate, &stereo,
                                 AV_SAMPLE_FMT_FLT, Soundtrack::kRate, 0, nullptr);
    if (rc >= 0) rc = swr_init(resampler);
    if (rc < 0) return Fail("cannot convert the sound", rc, error);
    return true;
  }

  // Encodes `frames` stereo frames from the held sound (zeros past its end).
  bool EncodeSound(int frames, std::string* error) {
    AVFrame* f = audio.frame;
    av_frame_unref(f);
    f->format = audio.codec->sample_fmt;
    f->sample_rate = audio.codec->sample_rate;
    av_channel_layout_copy(&f->ch_layout, &audio.codec->ch_layout);
    f->nb_samples = frames;
    int rc = av_frame_get_buffer(f, 0);
    if (rc < 0) return Fail("cannot allocate a frame", rc, error);
    const size_t have = std::min(heldSound.size(), static_cast<size_t>(frames) * 2);
    std::vector<float> in(heldSound.begin(), heldSound.begin() + static_cast<ptrdiff_t>(have));
    in.resize(static_cast<size_t>(frames) * 2, 0.0f);
    heldSound.erase(heldSound.begin(), heldSound.begin() + static_cast<ptrdiff_t>(have));
    const uint8_t* source = reinterpret_cast<const uint8_t*>(in.data());
    rc = swr_convert(resampler, f->data, frames, &source, frames);
    if (rc < 0) return Fail("cannot convert the sound", rc, error);
    f->pts = audio.nextPts;
    audio.nextPts += frames;
    return Encode(audio, f, error);
  }
};

bool IsVideoName(const std::string& path) {
  return ContainerFor(path) != nullptr;
}

VideoEncoder::VideoEncoder(std::unique_ptr<State> state) : state_(std::move(state)) {}
VideoEncoder::~VideoEncoder() = default;

std::unique_ptr<VideoEncoder> VideoEncoder::Open(const std::string& path, int fps, bool withSound,
                                                 std::string* error) {
  av_log_set_level(AV_LOG_ERROR);  // the encoders' statistics are not for our users
  const Container* container = ContainerFor(path);
  if (container == nullptr) {
    *error = path + ": the name must end in .mp4 or .webm";
    return nullptr;
  }
  const AVCodec* videoCodec = FirstEncoder(container->video);
  const AVCodec* audioCodec = withSound ? FirstEncoder(container->audio) : nullptr;
  if (videoCodec == nullptr || (withSound && audioCodec == nullptr)) {
    *error = path + ": this FFmpeg has no encoder for " + container->format;
    return nullptr;
  }
  auto s = std::make_unique<State>();
  s->path = path;
  int rc = avformat_alloc_output_context2(&s->output, nullptr, container->format, path.c_str());
  if (rc < 0 || s->output == nullptr) {
    s->Fail("cannot make the container", rc, error);
    return nullptr;
  }
  s->packet = av_packet_alloc();
  if (!s->OpenVideo(videoCodec, fps, error)) return nullptr;
  if (withSound && !s->OpenAudio(audioCodec, error)) return nullptr;
  rc = avio_open(&s->output->pb, path.c_str(), AVIO_FLAG_WRITE);
  if (rc < 0) {
    s->Fail("cannot create the file", rc, error);
    return nullptr;
  }
  rc = avformat_write_header(s->output, nullptr);
  if (rc < 0) {
    s->Fail("cannot write the header", rc, error);
    return nullptr;
  }
  return std::make_unique<VideoEncoder>(std::move(s));
}

std::string VideoEncoder::Codecs() const {
  std::string names = state_->video.codec->codec->name;
  if (state_->audio.codec != nullptr) names += std::string("/") + state_->audio.codec->codec->name;
  return names;
}

bool VideoEncoder::AddFrame(const uint32_t* pixels, std::string* error) {
  State& s = *state_;
  int rc = av_frame_make_writable(s.video.frame);
  if (rc < 0) return s.Fail("cannot allocate a frame", rc, error);
  const uint8_t* source[1] = {reinterpret_cast<const uint8_t*>(pixels)};
  const int stride[1] = {kScreenWidth * 4};
  sws_scale(s.scaler, source, stride, 0, kScreenHeight, s.video.frame->data,
            s.video.frame->linesize);
  s.video.frame->pts = s.video.nextPts++;
  return s.Encode(s.video, s.video.frame, error);
}

bool VideoEncoder::AddSound(const std::vector<float>& samples, std::string* error) {
  State& s = *state_;
  if (s.audio.codec == nullptr) return true;
  s.heldSound.insert(s.heldSound.end(), samples.begin(), samples.end());
  const size_t frameSize = static_cast<size_t>(s.audio.codec->frame_size);
  while (s.heldSound.size() >= frameSize * 2) {
    if (!s.EncodeSound(static_cast<int>(frameSize), error)) return false;
  }
  return true;
}

bool VideoEncoder::Finish(std::string* error) {
  State& s = *state_;
  if (s.audio.codec != nullptr && !s.heldSound.empty()) {
    // The last frame may be short where the encoder allows it; else it is
    // filled with silence.
    const bool shortLast = s.audio.codec->codec->capabilities & AV_CODEC_CAP_SMALL_LAST_FRAME;
    const int frames =
        shortLast ? static_cast<int>(s.heldSound.size() / 2) : s.audio.codec->frame_size;
    if (!s.EncodeSound(frames, error)) return false;
  }
  if (!s.Encode(s.video, nullptr, error)) return false;
  if (s.audio.codec != nullptr && !s.Encode(s.audio, nullptr, error)) return false;
  int rc = av_write_trailer(s.output);
  if (rc < 0) return s.Fail("cannot complete the file", rc, error);
  rc = avio_closep(&s.output->pb);
  if (rc < 0) return s.Fail("cannot complete the file", rc, error);
  s.finished = true;
  return true;
}

}  // namespace zelkrender
