#include "platform/media/opus_encoder.h"

#include <algorithm>
#include <cstdio>
#include <memory>

#include "platform/media/av_handles.h"

extern "C" {
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
}

namespace platform::media {

namespace {

constexpr int kOpusRate = 48000;

struct FifoCloser {
  void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};

std::string Reason(const char* what, int code) {
  return std::string(what) + ": " + av::ErrorText(code);
}

// The encoding of one file, step by step; each step false with the reason.
class Encoding {
 public:
  bool OpenInput(const std::string& in, std::string* why);
  bool OpenOutput(const std::string& out, int bitRate, std::string* why);
  bool Run(std::string* why);

 private:
  bool Resample(const AVFrame* decoded, std::string* why);
  bool EncodeFrom(bool flush, std::string* why);
  bool Send(AVFrame* frame, std::string* why);

  av::Input input_;
  av::Codec decoder_;
  int stream_ = -1;
  av::Output output_;
  av::Codec encoder_;
  av::Swr resampler_;
  std::unique_ptr<AVAudioFifo, FifoCloser> fifo_;
  av::Packet packet_{av_packet_alloc()};
  int64_t next_ = 0;  // the next frame's first sample, at 48 kHz
};

bool Encoding::OpenInput(const std::string& in, std::string* why) {
  AVFormatContext* format = nullptr;
  if (int e = avformat_open_input(&format, in.c_str(), nullptr, nullptr); e < 0) {
    *why = Reason(in.c_str(), e);
    return false;
  }
  input_.reset(format);
  if (int e = avformat_find_stream_info(format, nullptr); e < 0) {
    *why = Reason(in.c_str(), e);
    return false;
  }
  const AVCodec* codec = nullptr;
  stream_ = av_find_best_stream(format, AVMEDIA_TYPE_AUDIO, -1, -1, &codec, 0);
  if (stream_ < 0 || codec == nullptr) {
    *why = in + ": no sound in it";
    return false;
  }
  decoder_.reset(avcodec_alloc_context3(codec));
  avcodec_parameters_to_context(decoder_.get(), format->streams[stream_]->codecpar);
  if (int e = avcodec_open2(decoder_.get(), codec, nullptr); e < 0) {
    *why = Reason("the decoder", e);
    return false;
  }
  if (decoder_->ch_layout.nb_channels < 1 || decoder_->ch_layout.nb_channels > 2) {
    *why = in + ": only mono and stereo sounds are encoded";
    return false;
  }
  return true;
}

bool Encoding::OpenOutput(const std::string& out, int bitRate, std::string* why) {
  const AVCodec* codec = avcodec_find_encoder_by_name("libopus");
  if (codec == nullptr) {
    *why = "this FFmpeg has no libopus encoder";
    return false;
  }
  AVFormatContext* format = nullptr;
  if (int e = avformat_alloc_output_context2(&format, nullptr, "ogg", out.c_str()); e < 0) {
    *why = Reason("the Ogg writer", e);
    return false;
  }
  output_.reset(format);
  // The same input makes the same file: no random stream serial, no
  // library version in the tags.
  format->flags |= AVFMT_FLAG_BITEXACT;

  encoder_.reset(avcodec_alloc_context3(codec));
  AVCodecContext* c = encoder_.get();
  av_channel_layout_default(&c->ch_layout, decoder_->ch_layout.nb_channels);
  c->sample_rate = kOpusRate;
  c->sample_fmt = AV_SAMPLE_FMT_FLT;
  c->bit_rate = bitRate;
  c->time_base = AVRational{1, kOpusRate};
  c->flags |= AV_CODEC_FLAG_BITEXACT;
  if (format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
  if (int e = avcodec_open2(c, codec, nullptr); e < 0) {
    *why = Reason("the Opus encoder", e);
    return false;
  }
  AVStream* stream = avformat_new_stream(format, nullptr);
  if (stream == nullptr) {
    *why = "the Ogg writer: no stream";
    return false;
  }
  avcodec_parameters_from_context(stream->codecpar, c);
  stream->time_base = c->time_base;

  SwrContext* resampler = nullptr;
  if (int e = swr_alloc_set_opts2(&resampler, &c->ch_layout, c->sample_fmt, kOpusRate,
                                  &decoder_->ch_layout, decoder_->sample_fmt, decoder_->sample_rate,
                                  0, nullptr);
      e < 0) {
    *why = Reason("the resampler", e);
    return false;
  }
  resampler_.reset(resampler);
  if (int e = swr_init(resampler); e < 0) {
    *why = Reason("the resampler", e);
    return false;
  }
  fifo_.reset(av_audio_fifo_alloc(c->sample_fmt, c->ch_layout.nb_channels, c->frame_size));

  if (int e = avio_open(&format->pb, out.c_str(), AVIO_FLAG_WRITE); e < 0) {
    *why = Reason(out.c_str(), e);
    return false;
  }
  if (int e = avformat_write_header(format, nullptr); e < 0) {
    *why = Reason(out.c_str(), e);
    return false;
  }
  return true;
}

// Resamples a decoded frame (or, with none, what the resampler still holds)
// into the queue of samples waiting for the encoder.
bool Encoding::Resample(const AVFrame* decoded, std::string* why) {
  const int in = decoded ? decoded->nb_samples : 0;
  const int room = swr_get_out_samples(resampler_.get(), in);
  if (room <= 0) return true;
  av::Frame out(av_frame_alloc());
  out->format = encoder_->sample_fmt;
  out->nb_samples = room;
  av_channel_layout_copy(&out->ch_layout, &encoder_->ch_layout);
  if (av_frame_get_buffer(out.get(), 0) < 0) {
    *why = "out of memory";
    return false;
  }
  const int made =
      swr_convert(resampler_.get(), out->data, room,
                  decoded ? const_cast<const uint8_t**>(decoded->extended_data) : nullptr, in);
  if (made < 0) {
    *why = Reason("the resampler", made);
    return false;
  }
  if (made > 0 &&
      av_audio_fifo_write(fifo_.get(), reinterpret_cast<void**>(out->data), made) < made) {
    *why = "out of memory";
    return false;
  }
  return true;
}

// Hands the queued samples to the encoder a frame at a time; with `flush`,
// also the last, shorter frame.
bool Encoding::EncodeFrom(bool flush, std::string* why) {
  const int size = encoder_->frame_size;
  while (av_audio_fifo_size(fifo_.get()) >= size ||
         (flush && av_audio_fifo_size(fifo_.get()) > 0)) {
    av::Frame frame(av_frame_alloc());
    frame->format = encoder_->sample_fmt;
    frame->nb_samples = std::min(size, av_audio_fifo_size(fifo_.get()));
    av_channel_layout_copy(&frame->ch_layout, &encoder_->ch_layout);
    frame->sample_rate = kOpusRate;
    if (av_frame_get_buffer(frame.get(), 0) < 0) {
      *why = "out of memory";
      return false;
    }
    av_audio_fifo_read(fifo_.get(), reinterpret_cast<void**>(frame->data), frame->nb_samples);
    frame->pts = next_;
    next_ += frame->nb_samples;
    if (!Send(frame.get(), why)) return false;
  }
  return true;
}

// Encodes one frame (none: the end) and writes the packets it gives.
bool Encoding::Send(AVFrame* frame, std::string* why) {
  if (int e = avcodec_send_frame(encoder_.get(), frame); e < 0) {
    *why = Reason("the Opus encoder", e);
    return false;
  }
  for (;;) {
    const int e = avcodec_receive_packet(encoder_.get(), packet_.get());
    if (e == AVERROR(EAGAIN) || e == AVERROR_EOF) return true;
    if (e < 0) {
      *why = Reason("the Opus encoder", e);
      return false;
    }
    packet_->stream_index = 0;
    av_packet_rescale_ts(packet_.get(), encoder_->time_base, output_->streams[0]->time_base);
    if (int w = av_interleaved_write_frame(output_.get(), packet_.get()); w < 0) {
      *why = Reason("writing", w);
      return false;
    }
  }
}

bool Encoding::Run(std::string* why) {
  av::Frame decoded(av_frame_alloc());
  av::Packet in(av_packet_alloc());
  // Decodes everything, then drains the decoder (a null packet).
  for (bool more = true; more;) {
    if (av_read_frame(input_.get(), in.get()) < 0) {
      more = false;
      avcodec_send_packet(decoder_.get(), nullptr);
    } else {
      const bool ours = in->stream_index == stream_;
      if (ours) avcodec_send_packet(decoder_.get(), in.get());
      av_packet_unref(in.get());
      if (!ours) continue;
    }
    while (avcodec_receive_frame(decoder_.get(), decoded.get()) >= 0) {
      if (!Resample(decoded.get(), why) || !EncodeFrom(false, why)) return false;
    }
  }
  if (!Resample(nullptr, why) || !EncodeFrom(true, why) || !Send(nullptr, why)) return false;
  if (next_ == 0) {
    *why = "no samples in it";
    return false;
  }
  if (int e = av_write_trailer(output_.get()); e < 0) {
    *why = Reason("writing", e);
    return false;
  }
  return true;
}

}  // namespace

bool EncodeOpus(const std::string& in, const std::string& out, int bitRate, std::string* why) {
  Encoding encoding;
  if (!encoding.OpenInput(in, why) || !encoding.OpenOutput(out, bitRate, why)) return false;
  if (encoding.Run(why)) return true;
  // No half-written (or empty) theme is left where the build looks for one.
  std::remove(out.c_str());
  if (why->rfind(in, 0) != 0) *why = in + ": " + *why;
  return false;
}

}  // namespace platform::media
