// The one sound output of a media service: an SDL audio device of 16-bit
// stereo at 44.1 kHz, opened on first use, mixing a few voices. Each voice
// plays a stretch of a shared sample buffer, resampled to the output rate as
// it plays, and says when it has been played out. Every media device that
// makes sound plays through it.
#pragma once

#include <array>
#include <condition_variable>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <vector>

struct SwrContext;

namespace platform {

class AudioOutput {
 public:
  static constexpr int kRate = 44100;
  static constexpr int kChannels = 2;
  // More voices at once than this: the output counts as busy.
  static constexpr int kMaxVoices = 8;
  // A sound kept at its own rate (16-bit, one or two channels interleaved),
  // so a long sound takes no more memory than its file; the output resamples
  // it as it plays.
  struct Sound {
    std::vector<int16_t> samples;
    int channels = kChannels;
    int rate = kRate;
    size_t SourceFrames() const { return samples.size() / static_cast<size_t>(channels); }
    // Its length in output frames (at kRate).
    size_t Frames() const {
      return static_cast<size_t>(static_cast<uint64_t>(SourceFrames()) * kRate /
                                 static_cast<uint64_t>(rate));
    }
  };
  using Samples = std::shared_ptr<const Sound>;

  // Reads a sound as output frames (stereo at kRate) from a given output
  // frame on, through libswresample when its rate is not the output's.
  class SoundReader {
   public:
    SoundReader(Samples sound, size_t from);
    ~SoundReader();
    SoundReader(const SoundReader&) = delete;
    SoundReader& operator=(const SoundReader&) = delete;
    // Adds the next `frames` output frames to `into` (stereo); past the
    // sound's end it adds nothing.
    void MixNext(size_t frames, int32_t* into);

   private:
    Samples sound_;
    size_t next_;  // next output frame (same rate) or source frame (resampled)
    // Source frames of silence read after the end: more than the filter holds.
    static constexpr size_t kTailFrames = 4096;
    SwrContext* resampler_ = nullptr;
    std::vector<int32_t> converted_;
    std::vector<int16_t> silence_;
  };

  AudioOutput() = default;
  ~AudioOutput();
  AudioOutput(const AudioOutput&) = delete;
  AudioOutput& operator=(const AudioOutput&) = delete;

  // Opens the audio device the first time: 0, or MCIERR_WAVE_OUTPUTSUNSUITABLE
  // when there is no audio output (asked again on the next call).
  uint32_t Open();

  // A free voice, or -1 when all are taken.
  int ClaimVoice();
  void ReleaseVoice(int voice);
  // Plays output frames [from, to) of `samples` on the voice, replacing whatever it
  // played before (whose end is then never announced). `onEnd` runs once on
  // the audio thread, with the output locked, when the last frame has been
  // handed to the device and the device has asked for more.
  void Start(int voice, Samples samples, size_t from, size_t to, std::function<void()> onEnd);
  // Plays samples on the voice as they are fed (a video's sound track).
  // While it runs dry it is silent and waits; once EndStream has been called
  // and everything fed was played out, `onEnd` runs as for Start.
  void StartStream(int voice, std::function<void()> onEnd);
  void Feed(int voice, const int16_t* samples, size_t frames);
  void EndStream(int voice);
  // Silences the voice at once; its end is not announced.
  void Stop(int voice);
  void SetPaused(int voice, bool paused);
  // The frame the voice will play next (its end once played out).
  size_t Position(int voice);
  // Blocks until the voice has been played out or stopped. False when the
  // device stopped asking for sound for two seconds while the voice still had
  // some to play.
  bool WaitIdle(int voice);

  // Fills `frames` stereo frames (called by the device's audio thread).
  void Mix(int16_t* out, size_t frames);

 private:
  enum class State { kIdle, kPlaying, kDraining };
  struct Voice {
    bool claimed = false;
    State state = State::kIdle;
    bool paused = false;
    Samples samples;
    std::unique_ptr<SoundReader> reader;  // reads `samples` from `position` on
    size_t position = 0;                  // in frames
    size_t end = 0;
    bool streaming = false;
    bool streamEnded = false;
    std::vector<int16_t> stream;  // fed samples; `position` counts frames read from it
    std::function<void()> onEnd;
  };

  std::mutex mutex_;
  std::condition_variable changed_;
  std::array<Voice, kMaxVoices> voices_;
  std::vector<int32_t> accumulator_;
  uint64_t mixes_ = 0;
  uint32_t device_ = 0;  // the SDL audio device, 0 while none is open
  bool subsystem_ = false;
};

}  // namespace platform
