#include "platform/media/video_device.h"
#include "platform/media/resampler.h"
#include "services/calls.h"
#include "services/child_area.h"

extern "C" {
#include <libavutil/imgutils.h>
#include <libswscale/swscale.h>
}

#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <filesystem>
#include <thread>
#include <vector>

namespace platform {

using namespace services;

namespace {

using Clock = std::chrono::steady_clock;

// Frames decoded ahead of their time, at most.
constexpr size_t kFramesAhead = 12;
// The largest picture a put may ask for.
constexpr int kMaxPictureSide = 4096;

struct SwsFreer {
  void operator()(SwsContext* s) const { sws_freeContext(s); }
};

int64_t ToMs(int64_t ts, AVRational timeBase) {
  return av_rescale_q(ts, timeBase, AVRational{1, 1000});
}

class VideoDevice : public MediaDevice {
 public:
  VideoDevice(System& system, MciDeviceId id, WindowHandle parent, AudioOutput& audio)
      : notice_(system, id), system_(system), parent_(parent), audio_(audio) {}

  ~VideoDevice() override { Close(); }

  // Opens the file; 0 or an error code.
  uint32_t Load(const std::string& path) {
    std::error_code ec;
    if (!std::filesystem::exists(path, ec)) return MCIERR_FILE_NOT_FOUND;
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, path.c_str(), av_find_input_format("avi"), nullptr) != 0) {
      return MCIERR_INVALID_FILE;
    }
    format_.reset(raw);
    if (avformat_find_stream_info(format_.get(), nullptr) < 0) return MCIERR_INVALID_FILE;

    const AVCodec* codec = nullptr;
    videoStream_ = av_find_best_stream(format_.get(), AVMEDIA_TYPE_VIDEO, -1, -1, &codec, 0);
    if (videoStream_ == AVERROR_STREAM_NOT_FOUND) return MCIERR_NO_VIDEO_STREAM;
    if (videoStream_ < 0 || codec == nullptr) return MCIERR_UNSUPPORTED_CODEC;
    video_ = OpenDecoder(codec, format_->streams[videoStream_]);
    if (video_ == nullptr) return MCIERR_UNSUPPORTED_CODEC;
    if (video_->width <= 0 || video_->height <= 0) return MCIERR_INVALID_FILE;

    AVStream* vs = format_->streams[videoStream_];
    const AVRational rate = vs->avg_frame_rate.num > 0 ? vs->avg_frame_rate : vs->r_frame_rate;
    frameMs_ = rate.num > 0 ? std::max<int64_t>(1, av_rescale(1000, rate.den, rate.num)) : 40;
    if (vs->duration != AV_NOPTS_VALUE) {
      lengthMs_ = ToMs(vs->duration, vs->time_base);
    } else if (format_->duration != AV_NOPTS_VALUE) {
      lengthMs_ = av_rescale(format_->duration, 1000, AV_TIME_BASE);
    }
    OpenSound();

    rect_ = Rect{0, 0, video_->width, video_->height};
    child_ = std::make_shared<ChildArea>();
    child_->Place(rect_);
    parent_->children.push_back(child_);
    return 0;
  }

  uint32_t Play(const PlayRequest& request) override {
    StopWorker();
    const int64_t from = request.from ? int64_t{*request.from} : position_.load();
    const int64_t to = request.to ? int64_t{*request.to} : lengthMs_;
    if (from > lengthMs_ || to > lengthMs_ || to < from) return MCIERR_OUTOFRANGE;
    notice_.Arm(request.wait ? nullptr : request.notify);
    if (!Seek(from)) return MCIERR_FILE_READ;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = false;
      paused_ = false;
      finished_ = false;
      soundDone_ = voice_ < 0;
      clockBaseMs_ = from;
      clockStart_ = Clock::now();
    }
    worker_ = std::thread([this, from, to] { Run(from, to); });
    if (request.wait) worker_.join();
    return 0;
  }

  uint32_t Pause() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (!paused_) {
      clockBaseMs_ = MediaNowLocked();
      paused_ = true;
      if (voice_ >= 0) audio_.SetPaused(voice_, true);
    }
    return 0;
  }

  uint32_t Resume() override {
    std::lock_guard<std::mutex> lock(mutex_);
    if (paused_) {
      clockStart_ = Clock::now();
      paused_ = false;
      if (voice_ >= 0) audio_.SetPaused(voice_, false);
      wake_.notify_all();
    }
    return 0;
  }

  uint32_t Put(const Rect& rect) override {
    if (rect.w < 0 || rect.h < 0 || rect.w > kMaxPictureSide || rect.h > kMaxPictureSide) {
      return MCIERR_OUTOFRANGE;
    }
    {
      std::lock_guard<std::mutex> lock(mutex_);
      rect_ = rect;
    }
    child_->Place(rect);
    // A picture standing still after its play is drawn again at the new size.
    if (finished_) StopWorker();
    if (!worker_.joinable() && lastFrame_ != nullptr) Show(lastFrame_.get());
    return 0;
  }

  void Close() override {
    if (child_ == nullptr) return;
    StopWorker();
    if (voice_ >= 0) {
      audio_.Stop(voice_);
      audio_.ReleaseVoice(voice_);
      voice_ = -1;
    }
    auto& children = parent_->children;
    children.erase(std::remove(children.begin(), children.end(), child_), children.end());
    child_ = nullptr;
    // What the area covered is painted again, as under a closed child window.
    InvalidateRect(parent_);
    notice_.Fire(MCI_NOTIFY_ABORTED);
  }

 private:
  static av::Codec OpenDecoder(const AVCodec* codec, AVStream* stream) {
    av::Codec ctx(avcodec_alloc_context3(codec));
    if (ctx == nullptr || avcodec_parameters_to_context(ctx.get(), stream->codecpar) < 0) {
      return nullptr;
    }
    ctx->thread_count = 1;
    if (avcodec_open2(ctx.get(), codec, nullptr) < 0) return nullptr;
    return ctx;
  }

  // The sound track, when there is one we can decode and somewhere to play it.
  void OpenSound() {
    const AVCodec* codec = nullptr;
    audioStream_ =
        av_find_best_stream(format_.get(), AVMEDIA_TYPE_AUDIO, -1, videoStream_, &codec, 0);
    if (audioStream_ < 0 || codec == nullptr) return;
    sound_ = OpenDecoder(codec, format_->streams[audioStream_]);
    if (sound_ == nullptr || audio_.Open() != 0) return;
    const AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
    resampler_ = MakeResampler(stereo, AV_SAMPLE_FMT_S16, AudioOutput::kRate, sound_->ch_layout,
                               sound_->sample_fmt, sound_->sample_rate);
    if (resampler_ == nullptr) return;
    voice_ = audio_.ClaimVoice();  // none free: silent
  }

  bool Seek(int64_t fromMs) {
    if (av_seek_frame(format_.get(), -1, av_rescale(fromMs, AV_TIME_BASE, 1000),
                      AVSEEK_FLAG_BACKWARD) < 0 &&
        av_seek_frame(format_.get(), -1, 0, AVSEEK_FLAG_BACKWARD | AVSEEK_FLAG_ANY) < 0) {
      return false;
    }
    avcodec_flush_buffers(video_.get());
    if (sound_) avcodec_flush_buffers(sound_.get());
    if (resampler_) swr_init(resampler_.get());
    return true;
  }

  void StopWorker() {
    if (!worker_.joinable()) return;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      stop_ = true;
      wake_.notify_all();
    }
    worker_.join();
  }

  int64_t MediaNowLocked() const {
    if (paused_) return clockBaseMs_;
    return clockBaseMs_ +
           std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - clockStart_)
               .count();
  }

  // Waits for the media clock to reach `ms`; false when told to stop.
  bool WaitFor(int64_t ms) {
    std::unique_lock<std::mutex> lock(mutex_);
    for (;;) {
      if (stop_) return false;
      const int64_t now = MediaNowLocked();
      if (!paused_ && now >= ms) return true;
      // Short slices: the sound's end is signalled without this lock.
      wake_.wait_for(
          lock, std::chrono::milliseconds(paused_ ? 10 : std::clamp<int64_t>(ms - now, 1, 10)));
    }
  }

  bool Stopping() {
    std::lock_guard<std::mutex> lock(mutex_);
    return stop_;
  }

  // Scales a decoded frame to the placement and shows it.
  void Show(const AVFrame* frame) {
    Rect rect;
    {
      std::lock_guard<std::mutex> lock(mutex_);
      rect = rect_;
    }
    if (rect.w <= 0 || rect.h <= 0) {
      child_->Show(false);
      return;
    }
    scaler_.reset(sws_getCachedContext(scaler_.release(), frame->width, frame->height,
                                       static_cast<AVPixelFormat>(frame->format), rect.w, rect.h,
                                       AV_PIX_FMT_0RGB32, SWS_POINT, nullptr, nullptr, nullptr));
    if (scaler_ == nullptr) return;
    picture_.resize(static_cast<size_t>(rect.w) * rect.h);
    uint8_t* dst[4] = {reinterpret_cast<uint8_t*>(picture_.data()), nullptr, nullptr, nullptr};
    int dstStride[4] = {rect.w * 4, 0, 0, 0};
    sws_scale(scaler_.get(), frame->data, frame->linesize, 0, frame->height, dst, dstStride);
    for (uint32_t& p : picture_)
      p &= 0x00FFFFFF;
    child_->SetPicture(picture_.data(), rect.w, rect.h);
    child_->Show(true);
    system_.Wake();  // a program waiting for a deadline shows the picture now
  }

  // Converts a decoded sound frame and feeds the part inside [from, to).
  void FeedSound(const AVFrame* frame, int64_t from, int64_t to) {
    const int capacity = swr_get_out_samples(resampler_.get(), frame->nb_samples);
    if (capacity <= 0) return;
    sound_buffer_.resize(static_cast<size_t>(capacity) * AudioOutput::kChannels);
    uint8_t* out = reinterpret_cast<uint8_t*>(sound_buffer_.data());
    const int got =
        swr_convert(resampler_.get(), &out, capacity,
                    const_cast<const uint8_t**>(frame->extended_data), frame->nb_samples);
    if (got <= 0) return;
    const AVStream* as = format_->streams[audioStream_];
    int64_t startMs = frame->best_effort_timestamp != AV_NOPTS_VALUE
                          ? ToMs(frame->best_effort_timestamp, as->time_base)
                          : from;
    int64_t first = std::max<int64_t>(0, (from - startMs) * AudioOutput::kRate / 1000);
    int64_t last = std::min<int64_t>(got, (to - startMs) * AudioOutput::kRate / 1000);
    if (last > first) {
      audio_.Feed(voice_, sound_buffer_.data() + first * AudioOutput::kChannels,
                  static_cast<size_t>(last - first));
    }
  }

  // The thread of one play: decodes ahead, shows each frame at its time,
  // feeds the sound, and tells the owner at the end.
  void Run(int64_t from, int64_t to) {
    const AVStream* vs = format_->streams[videoStream_];
    const int64_t videoStart = vs->start_time != AV_NOPTS_VALUE ? vs->start_time : 0;
    const bool withSound = voice_ >= 0;
    if (withSound) audio_.StartStream(voice_, [this] { soundDone_ = true; });

    av::Packet packet(av_packet_alloc());
    av::Frame decoded(av_frame_alloc());
    std::deque<std::pair<int64_t, av::Frame>> ahead;  // (time in ms, frame)
    int64_t shownEnd = from;
    int64_t counted = 0;
    bool input = true;
    bool pastEnd = false;  // a picture at or after `to` was decoded

    auto drain = [&](AVCodecContext* ctx, bool isVideo) {
      while (avcodec_receive_frame(ctx, decoded.get()) == 0) {
        if (isVideo) {
          const int64_t ts = decoded->best_effort_timestamp;
          const int64_t ms =
              ts != AV_NOPTS_VALUE ? ToMs(ts - videoStart, vs->time_base) : counted * frameMs_;
          ++counted;
          if (ms >= to) {
            pastEnd = true;
          } else if (ms + frameMs_ > from) {
            ahead.emplace_back(ms, av::Frame(av_frame_clone(decoded.get())));
          }
        } else if (withSound) {
          FeedSound(decoded.get(), from, to);
        }
        av_frame_unref(decoded.get());
      }
    };

    while (!Stopping()) {
      // Read until enough pictures are waiting, or the file ends.
      while (input && ahead.size() < kFramesAhead) {
        if (av_read_frame(format_.get(), packet.get()) < 0) {
          input = false;
          avcodec_send_packet(video_.get(), nullptr);
          drain(video_.get(), true);
          if (sound_) {
            avcodec_send_packet(sound_.get(), nullptr);
            drain(sound_.get(), false);
          }
          break;
        }
        if (packet->stream_index == videoStream_) {
          if (avcodec_send_packet(video_.get(), packet.get()) == 0) drain(video_.get(), true);
        } else if (packet->stream_index == audioStream_ && withSound) {
          if (avcodec_send_packet(sound_.get(), packet.get()) == 0) drain(sound_.get(), false);
        }
        av_packet_unref(packet.get());
        if (pastEnd) input = false;
      }
      if (ahead.empty()) break;
      auto [ms, frame] = std::move(ahead.front());
      ahead.pop_front();
      if (!WaitFor(std::max(ms, from))) break;
      Show(frame.get());
      lastFrame_ = std::move(frame);
      position_ = std::clamp(ms, from, to);
      shownEnd = std::min(ms + frameMs_, to);
    }

    if (withSound) audio_.EndStream(voice_);
    if (WaitFor(std::max(shownEnd, from))) {
      position_ = to;
      while (!soundDone_ && !Stopping())
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    if (withSound) audio_.Stop(voice_);
    if (!Stopping()) notice_.Fire(MCI_NOTIFY_SUCCESSFUL);
    finished_ = true;
  }

  PendingNotice notice_;
  System& system_;
  WindowHandle parent_;
  AudioOutput& audio_;
  std::shared_ptr<ChildArea> child_;

  av::Input format_;
  av::Codec video_;
  av::Codec sound_;
  std::unique_ptr<SwsContext, SwsFreer> scaler_;
  Resampler resampler_;
  int videoStream_ = -1;
  int audioStream_ = -1;
  int voice_ = -1;
  int64_t frameMs_ = 40;
  int64_t lengthMs_ = 0;
  std::atomic<int64_t> position_{0};
  std::atomic<bool> soundDone_{true};
  std::atomic<bool> finished_{false};
  av::Frame lastFrame_;
  std::vector<uint32_t> picture_;
  std::vector<int16_t> sound_buffer_;

  std::thread worker_;
  std::mutex mutex_;  // guards what follows
  std::condition_variable wake_;
  bool stop_ = false;
  bool paused_ = false;
  Rect rect_;
  int64_t clockBaseMs_ = 0;  // media time at clockStart_ (or where it stands while paused)
  Clock::time_point clockStart_;
};

}  // namespace

std::unique_ptr<MediaDevice> OpenVideoDevice(const OpenRequest& request, MciDeviceId id,
                                             System& system, AudioOutput& audio, uint32_t* error) {
  av_log_set_level(AV_LOG_ERROR);  // failures are reported as error codes
  if (request.parent == nullptr) {
    *error = MCIERR_NO_WINDOW;
    return nullptr;
  }
  auto device = std::make_unique<VideoDevice>(system, id, request.parent, audio);
  *error = device->Load(request.elementName);
  if (*error != 0) return nullptr;
  return device;
}

std::optional<uint32_t> VideoLengthMs(const std::string& path) {
  AVFormatContext* raw = nullptr;
  if (avformat_open_input(&raw, path.c_str(), av_find_input_format("avi"), nullptr) != 0)
    return std::nullopt;
  av::Input format(raw);
  if (avformat_find_stream_info(format.get(), nullptr) < 0) return std::nullopt;
  const int stream = av_find_best_stream(format.get(), AVMEDIA_TYPE_VIDEO, -1, -1, nullptr, 0);
  if (stream >= 0 && format->streams[stream]->duration != AV_NOPTS_VALUE)
    return static_cast<uint32_t>(
        ToMs(format->streams[stream]->duration, format->streams[stream]->time_base));
  if (format->duration != AV_NOPTS_VALUE)
    return static_cast<uint32_t>(av_rescale(format->duration, 1000, AV_TIME_BASE));
  return std::nullopt;
}

}  // namespace platform
