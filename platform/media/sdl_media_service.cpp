#include "platform/media/sdl_media_service.h"

#include "platform/media/video_device.h"

#include <SDL.h>

#include <climits>
#include <cstring>
#include <filesystem>

namespace platform {

namespace {

uint32_t MsToFrames(uint32_t ms) {
  return static_cast<uint32_t>(static_cast<uint64_t>(ms) * AudioOutput::kRate / 1000);
}

// A wave file loaded whole, played on one voice of the output.
class SdlWaveDevice : public MediaDevice {
 public:
  SdlWaveDevice(AudioOutput& audio, int voice, AudioOutput::Samples samples, System& system,
                MciDeviceId id)
      : audio_(audio), voice_(voice), samples_(std::move(samples)), notice_(system, id) {}
  ~SdlWaveDevice() override { audio_.ReleaseVoice(voice_); }

  uint32_t Play(const PlayRequest& request) override {
    const size_t length = samples_->size() / AudioOutput::kChannels;
    // Without a start position the sound goes on from where it stopped.
    const size_t from = request.from ? MsToFrames(*request.from) : audio_.Position(voice_);
    const size_t to = request.to ? MsToFrames(*request.to) : length;
    if (from > length || to > length || to < from) return MCIERR_OUTOFRANGE;
    audio_.Stop(voice_);
    if (request.wait) {
      notice_.Arm(nullptr);  // a pending notice is superseded
      audio_.Start(voice_, samples_, from, to, nullptr);
      return audio_.WaitIdle(voice_) ? 0 : MCIERR_DEVICE_NOT_READY;
    }
    notice_.Arm(request.notify);
    audio_.Start(voice_, samples_, from, to, [this] { notice_.Fire(MCI_NOTIFY_SUCCESSFUL); });
    return 0;
  }

  uint32_t Pause() override {
    audio_.SetPaused(voice_, true);
    return 0;
  }

  uint32_t Resume() override {
    audio_.SetPaused(voice_, false);
    return 0;
  }

  void Close() override {
    audio_.Stop(voice_);
    notice_.Fire(MCI_NOTIFY_ABORTED);
  }

 private:
  AudioOutput& audio_;
  int voice_;
  AudioOutput::Samples samples_;
  PendingNotice notice_;
};

}  // namespace

AudioOutput::Samples LoadWaveSamples(const std::string& path, uint32_t* error) {
  std::error_code ec;
  if (!std::filesystem::exists(path, ec)) {
    *error = MCIERR_FILE_NOT_FOUND;
    return nullptr;
  }
  if (!std::filesystem::is_regular_file(path, ec)) {
    *error = MCIERR_INVALID_FILE;
    return nullptr;
  }
  SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
  if (file == nullptr) {
    *error = MCIERR_FILE_READ;
    return nullptr;
  }
  // The fact chunk of a compressed file gives its true length.
  SDL_SetHint(SDL_HINT_WAVE_FACT_CHUNK, "truncate");
  SDL_AudioSpec spec{};
  Uint8* buffer = nullptr;
  Uint32 bytes = 0;
  if (SDL_LoadWAV_RW(file, 1, &spec, &buffer, &bytes) == nullptr) {
    *error = MCIERR_INVALID_FILE;
    return nullptr;
  }
  struct Freer {
    void operator()(Uint8* p) const { SDL_FreeWAV(p); }
  };
  std::unique_ptr<Uint8, Freer> owned(buffer);

  // The whole buffer is converted at once (SDL's streaming converter drops
  // the last few milliseconds when it resamples).
  SDL_AudioCVT cvt;
  if (SDL_BuildAudioCVT(&cvt, spec.format, spec.channels, spec.freq, AUDIO_S16SYS,
                        AudioOutput::kChannels, AudioOutput::kRate) < 0) {
    *error = MCIERR_INVALID_FILE;
    return nullptr;
  }
  if (static_cast<uint64_t>(bytes) * cvt.len_mult > INT_MAX) {
    *error = MCIERR_OUT_OF_MEMORY;
    return nullptr;
  }
  std::vector<Uint8> work(static_cast<size_t>(bytes) * cvt.len_mult);
  std::memcpy(work.data(), buffer, bytes);
  cvt.buf = work.data();
  cvt.len = static_cast<int>(bytes);
  if (SDL_ConvertAudio(&cvt) != 0) {
    *error = MCIERR_INVALID_FILE;
    return nullptr;
  }
  auto samples =
      std::make_shared<std::vector<int16_t>>(static_cast<size_t>(cvt.len_cvt) / sizeof(int16_t));
  std::memcpy(samples->data(), work.data(), samples->size() * sizeof(int16_t));
  samples->resize(samples->size() - samples->size() % AudioOutput::kChannels);
  if (samples->empty()) {
    *error = MCIERR_INVALID_FILE;  // nothing to play
    return nullptr;
  }
  *error = 0;
  return samples;
}

SdlMediaService::SdlMediaService(System& system) : DeviceTable(system) {}

// The devices use the audio output: they go first.
SdlMediaService::~SdlMediaService() {
  CloseAll();
}

std::unique_ptr<MediaDevice> SdlMediaService::Create(const OpenRequest& request, MciDeviceId id,
                                                     uint32_t* error) {
  if (SameTypeName(request.deviceType, "AVIVideo")) {
    return OpenVideoDevice(request, id, system_, audio_, error);
  }
  if (!SameTypeName(request.deviceType, "waveaudio")) {
    *error = MCIERR_INVALID_DEVICE_NAME;
    return nullptr;
  }
  AudioOutput::Samples samples = LoadWaveSamples(request.elementName, error);
  if (samples == nullptr) return nullptr;
  if ((*error = audio_.Open()) != 0) return nullptr;
  const int voice = audio_.ClaimVoice();
  if (voice < 0) {
    *error = MCIERR_WAVE_OUTPUTSINUSE;
    return nullptr;
  }
  return std::make_unique<SdlWaveDevice>(audio_, voice, std::move(samples), system_, id);
}

}  // namespace platform
