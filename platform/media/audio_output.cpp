#include "platform/media/audio_output.h"
#include "platform/sdl/sdl_quit.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>

#include "platform/media/resampler.h"
#include "services/media/mci_errors.h"

namespace platform {

using namespace services;

namespace {

void AudioCallback(void* self, Uint8* stream, int length) {
  static_cast<AudioOutput*>(self)->Mix(reinterpret_cast<int16_t*>(stream),
                                       static_cast<size_t>(length) / (2 * AudioOutput::kChannels));
}

}  // namespace

AudioOutput::~AudioOutput() {
  // Closing waits for the audio thread to leave the callback.
  if (device_ != 0) SDL_CloseAudioDevice(device_);
  if (subsystem_) QuitSdlSubSystem(SDL_INIT_AUDIO);
}

uint32_t AudioOutput::Open() {
  if (device_ != 0) return 0;
  if (!subsystem_) {
    if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) return MCIERR_WAVE_OUTPUTSUNSUITABLE;
    subsystem_ = true;
  }
  SDL_AudioSpec want{};
  want.freq = kRate;
  want.format = AUDIO_S16SYS;
  want.channels = kChannels;
  want.samples = 1024;
  want.callback = AudioCallback;
  want.userdata = this;
  SDL_AudioSpec have{};
  // No changes allowed: SDL converts to whatever the hardware wants.
  device_ = SDL_OpenAudioDevice(nullptr, 0, &want, &have, 0);
  if (device_ == 0) return MCIERR_WAVE_OUTPUTSUNSUITABLE;
  SDL_PauseAudioDevice(device_, 0);
  return 0;
}

int AudioOutput::ClaimVoice() {
  std::lock_guard<std::mutex> lock(mutex_);
  for (int i = 0; i < kMaxVoices; ++i) {
    if (!voices_[i].claimed) {
      voices_[i] = Voice{};
      voices_[i].claimed = true;
      return i;
    }
  }
  return -1;
}

void AudioOutput::ReleaseVoice(int voice) {
  std::lock_guard<std::mutex> lock(mutex_);
  voices_[voice] = Voice{};
  changed_.notify_all();
}

void AudioOutput::Start(int voice, Samples samples, size_t from, size_t to,
                        std::function<void()> onEnd) {
  auto reader = std::make_unique<SoundReader>(samples, from);
  std::lock_guard<std::mutex> lock(mutex_);
  Voice& v = voices_[voice];
  v.samples = std::move(samples);
  v.reader = std::move(reader);
  v.streaming = false;
  v.position = from;
  v.end = to;
  v.paused = false;
  v.state = State::kPlaying;
  v.onEnd = std::move(onEnd);
  changed_.notify_all();
}

void AudioOutput::StartStream(int voice, std::function<void()> onEnd) {
  std::lock_guard<std::mutex> lock(mutex_);
  Voice& v = voices_[voice];
  v.samples = nullptr;
  v.stream.clear();
  v.position = 0;
  v.streaming = true;
  v.streamEnded = false;
  v.paused = false;
  v.state = State::kPlaying;
  v.onEnd = std::move(onEnd);
  changed_.notify_all();
}

void AudioOutput::Feed(int voice, const int16_t* samples, size_t frames) {
  std::lock_guard<std::mutex> lock(mutex_);
  Voice& v = voices_[voice];
  if (!v.streaming || v.streamEnded) return;
  // Drop what was played once it makes up most of the buffer.
  const size_t played = v.position * kChannels;
  if (played > 65536 && played * 2 > v.stream.size()) {
    v.stream.erase(v.stream.begin(), v.stream.begin() + static_cast<std::ptrdiff_t>(played));
    v.position = 0;
  }
  v.stream.insert(v.stream.end(), samples, samples + frames * kChannels);
}

void AudioOutput::EndStream(int voice) {
  std::lock_guard<std::mutex> lock(mutex_);
  voices_[voice].streamEnded = true;
}

void AudioOutput::Stop(int voice) {
  std::lock_guard<std::mutex> lock(mutex_);
  Voice& v = voices_[voice];
  v.state = State::kIdle;
  v.streaming = false;
  v.stream.clear();
  v.onEnd = nullptr;
  changed_.notify_all();
}

void AudioOutput::SetPaused(int voice, bool paused) {
  std::lock_guard<std::mutex> lock(mutex_);
  voices_[voice].paused = paused;
}

size_t AudioOutput::Position(int voice) {
  std::lock_guard<std::mutex> lock(mutex_);
  return voices_[voice].position;
}

bool AudioOutput::WaitIdle(int voice) {
  std::unique_lock<std::mutex> lock(mutex_);
  const Voice& v = voices_[voice];
  uint64_t seen = mixes_;
  auto lastProgress = std::chrono::steady_clock::now();
  while (v.state != State::kIdle) {
    changed_.wait_for(lock, std::chrono::milliseconds(200));
    auto now = std::chrono::steady_clock::now();
    if (mixes_ != seen) {
      seen = mixes_;
      lastProgress = now;
    } else if (now - lastProgress > std::chrono::seconds(2)) {
      return false;
    }
  }
  return true;
}

AudioOutput::SoundReader::SoundReader(Samples sound, size_t from)
    : sound_(std::move(sound)), next_(from) {
  if (sound_->rate == kRate) return;
  // The source frame under output frame `from`.
  next_ = static_cast<size_t>(static_cast<uint64_t>(from) * static_cast<uint64_t>(sound_->rate) /
                              kRate);
  AVChannelLayout layout{};
  av_channel_layout_default(&layout, sound_->channels);
  // 32-bit results: 16-bit ones would come dithered, different on every run
  // and never quite silent.
  resampler_ =
      MakeResampler(layout, AV_SAMPLE_FMT_S32, kRate, layout, AV_SAMPLE_FMT_S16, sound_->rate)
          .release();
}

AudioOutput::SoundReader::~SoundReader() {
  swr_free(&resampler_);
}

void AudioOutput::SoundReader::MixNext(size_t frames, int32_t* into) {
  const Sound& s = *sound_;
  const size_t ch = static_cast<size_t>(s.channels);
  const size_t total = s.SourceFrames();
  if (s.rate == kRate) {
    const size_t n = next_ < total ? std::min(frames, total - next_) : 0;
    const int16_t* from = s.samples.data() + next_ * ch;
    for (size_t j = 0; j < n; ++j) {
      for (size_t c = 0; c < kChannels; ++c)
        into[j * kChannels + c] += from[j * ch + (ch == 1 ? 0 : c)];
    }
    next_ += n;
    return;
  }
  if (resampler_ == nullptr) return;
  converted_.resize(frames * ch);
  size_t got = 0;
  while (got < frames && next_ < total + kTailFrames) {
    auto* out = reinterpret_cast<uint8_t*>(converted_.data() + got * ch);
    const int room = static_cast<int>(frames - got);
    // A little more than the room needs; the resampler keeps the rest. Past
    // the sound's end silence pushes out what the filter holds (the
    // library's own flush is not safe to call again and again).
    const size_t want = static_cast<size_t>(room) * static_cast<size_t>(s.rate) / kRate + 16;
    const int16_t* source = s.samples.data() + next_ * ch;
    size_t take = std::min(want, total - std::min(next_, total));
    if (take == 0) {
      take = std::min(want, total + kTailFrames - next_);
      silence_.assign(take * ch, 0);
      source = silence_.data();
    }
    const auto* in = reinterpret_cast<const uint8_t*>(source);
    const int n = swr_convert(resampler_, &out, room, &in, static_cast<int>(take));
    next_ += take;
    if (n < 0) break;
    got += static_cast<size_t>(n);
  }
  // Back to 16-bit steps, rounded to the nearest.
  for (size_t j = 0; j < got; ++j) {
    for (size_t c = 0; c < kChannels; ++c) {
      const int64_t v = converted_[j * ch + (ch == 1 ? 0 : c)];
      into[j * kChannels + c] += static_cast<int32_t>((v + 0x8000) >> 16);
    }
  }
}

void AudioOutput::Mix(int16_t* out, size_t frames) {
  std::lock_guard<std::mutex> lock(mutex_);
  const size_t count = frames * kChannels;
  accumulator_.assign(count, 0);
  for (Voice& v : voices_) {
    if (v.state == State::kDraining) {
      // Its last frames went out with the previous buffer.
      v.state = State::kIdle;
      if (auto onEnd = std::move(v.onEnd)) onEnd();
      v.onEnd = nullptr;
      continue;
    }
    if (v.state != State::kPlaying || v.paused) continue;
    const size_t end = v.streaming ? v.stream.size() / kChannels : v.end;
    const size_t n = std::min(frames, end - v.position);
    if (v.streaming) {
      const int16_t* src = v.stream.data() + v.position * kChannels;
      for (size_t i = 0; i < n * kChannels; ++i)
        accumulator_[i] += src[i];
    } else {
      v.reader->MixNext(n, accumulator_.data());
    }
    v.position += n;
    // A stream that runs dry waits, silent, for more.
    if (v.position >= end && (!v.streaming || v.streamEnded)) v.state = State::kDraining;
  }
  for (size_t i = 0; i < count; ++i) {
    out[i] = static_cast<int16_t>(std::clamp<int32_t>(accumulator_[i], -32768, 32767));
  }
  ++mixes_;
  changed_.notify_all();
}

}  // namespace platform
