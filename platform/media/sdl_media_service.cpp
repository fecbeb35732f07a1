#include "platform/media/sdl_media_service.h"

#include "platform/media/video_device.h"
#include "services/media/wave_info.h"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <optional>

namespace platform {

using namespace services;

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
    const size_t length = samples_->Frames();
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

namespace {

using Sound = AudioOutput::Sound;

constexpr size_t kPieceBytes = 1 << 16;

// Plain 8- or 16-bit PCM of one or two channels, read from the file piece by
// piece into the sound's own buffer.
AudioOutput::Samples LoadPcm(const std::string& path, const WaveInfo& info, uint32_t* error) {
  std::ifstream in(path, std::ios::binary);
  if (!in.seekg(static_cast<std::streamoff>(info.dataOffset))) {
    *error = MCIERR_FILE_READ;
    return nullptr;
  }
  auto sound = std::make_shared<Sound>();
  sound->channels = info.channels;
  sound->rate = static_cast<int>(info.sampleRate);
  const size_t bytesPerSample = info.bitsPerSample / 8;
  const size_t frameBytes = bytesPerSample * info.channels;
  sound->samples.resize(static_cast<size_t>(info.frames) * info.channels);
  std::vector<uint8_t> piece(kPieceBytes - kPieceBytes % info.blockAlign);
  size_t written = 0;
  uint64_t remaining = info.frames * info.blockAlign;
  while (remaining > 0) {
    const size_t n = static_cast<size_t>(std::min<uint64_t>(remaining, piece.size()));
    if (!in.read(reinterpret_cast<char*>(piece.data()), static_cast<std::streamsize>(n))) {
      *error = MCIERR_FILE_READ;
      return nullptr;
    }
    for (size_t f = 0; f < n / info.blockAlign; ++f) {
      const uint8_t* frame = piece.data() + f * info.blockAlign;
      for (size_t b = 0; b < frameBytes; b += bytesPerSample) {
        sound->samples[written++] = bytesPerSample == 1
                                        ? static_cast<int16_t>((frame[b] - 128) * 256)
                                        : static_cast<int16_t>(frame[b] | (frame[b + 1] << 8));
      }
    }
    remaining -= n;
  }
  *error = 0;
  return sound;
}

// Any other coding SDL can decode (ADPCM, µ-law, float, more channels…):
// decoded, then brought to 16-bit samples of at most two channels at the
// same rate.
AudioOutput::Samples LoadDecoded(const std::string& path, uint32_t* error) {
  SDL_RWops* file = SDL_RWFromFile(path.c_str(), "rb");
  if (file == nullptr) {
    *error = MCIERR_FILE_READ;
    return nullptr;
  }
  // The fact chunk of a compressed file gives its true length.
  SDL_SetHint(SDL_HINT_WAVE_FACT_CHUNK, "truncate");
  SDL_AudioSpec format{};
  Uint8* buffer = nullptr;
  Uint32 bytes = 0;
  if (SDL_LoadWAV_RW(file, 1, &format, &buffer, &bytes) == nullptr) {
    *error = MCIERR_INVALID_FILE;
    return nullptr;
  }
  struct Freer {
    void operator()(Uint8* p) const { SDL_FreeWAV(p); }
  };
  std::unique_ptr<Uint8, Freer> owned(buffer);
  auto sound = std::make_shared<Sound>();
  sound->channels = std::min<int>(format.channels, AudioOutput::kChannels);
  sound->rate = format.freq;
  SDL_AudioCVT cvt;
  if (format.freq <= 0 ||
      SDL_BuildAudioCVT(&cvt, format.format, format.channels, format.freq, AUDIO_S16SYS,
                        static_cast<Uint8>(sound->channels), format.freq) < 0) {
    *error = MCIERR_INVALID_FILE;
    return nullptr;
  }
  // Without resampling the result is never longer than the work buffer's
  // share for it; convert in place in the sound's own buffer.
  std::vector<Uint8> work(static_cast<size_t>(bytes) * static_cast<size_t>(cvt.len_mult));
  if (!work.empty()) std::memcpy(work.data(), buffer, bytes);
  owned.reset();
  cvt.buf = work.data();
  cvt.len = static_cast<int>(bytes);
  if (bytes > 0 && SDL_ConvertAudio(&cvt) != 0) {
    *error = MCIERR_INVALID_FILE;
    return nullptr;
  }
  const size_t count = bytes > 0 ? static_cast<size_t>(cvt.len_cvt) / sizeof(int16_t) : 0;
  sound->samples.resize(count - count % static_cast<size_t>(sound->channels));
  if (!sound->samples.empty()) {
    std::memcpy(sound->samples.data(), work.data(), sound->samples.size() * sizeof(int16_t));
  }
  *error = 0;
  return sound;
}

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
  uint32_t headerError = 0;
  std::optional<WaveInfo> info = ReadWaveInfo(path, &headerError);
  AudioOutput::Samples sound;
  if (info && info->formatTag == 1 && (info->bitsPerSample == 8 || info->bitsPerSample == 16) &&
      info->channels <= AudioOutput::kChannels) {
    sound = LoadPcm(path, *info, error);
  } else {
    sound = LoadDecoded(path, error);
  }
  if (sound && sound->Frames() == 0) {
    *error = MCIERR_INVALID_FILE;  // nothing to play
    return nullptr;
  }
  return sound;
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
