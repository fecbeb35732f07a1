#include "platform/web/web_media_service.h"

#include <algorithm>
#include <cstring>
#include <fstream>
#include <optional>
#include <vector>

#include "platform/web/page.h"
#include "services/media/wave_info.h"

namespace platform::web {

using namespace services;

namespace {

constexpr uint16_t kFormatPcm = 1;
constexpr uint16_t kFormatFloat = 3;
constexpr uint32_t kPieceFrames = 16384;
// How often a play that waits for its end looks whether it has come.
constexpr double kWaitPollMs = 5;

bool Playable(const WaveInfo& info) {
  if (info.formatTag == kFormatPcm) {
    return info.bitsPerSample == 8 || info.bitsPerSample == 16 || info.bitsPerSample == 24 ||
           info.bitsPerSample == 32;
  }
  return info.formatTag == kFormatFloat && (info.bitsPerSample == 32 || info.bitsPerSample == 64);
}

// One sample of a frame, in [-1, 1).
float Sample(const WaveInfo& info, const uint8_t* p) {
  switch (info.formatTag == kFormatFloat ? -info.bitsPerSample : info.bitsPerSample) {
    case 8:
      return static_cast<float>(p[0] - 128) / 128.0f;
    case 16:
      return static_cast<float>(static_cast<int16_t>(p[0] | (p[1] << 8))) / 32768.0f;
    case 24: {
      const int32_t v = static_cast<int32_t>((static_cast<uint32_t>(p[0]) << 8) |
                                             (static_cast<uint32_t>(p[1]) << 16) |
                                             (static_cast<uint32_t>(p[2]) << 24));
      return static_cast<float>(v / 256) / 8388608.0f;
    }
    case 32: {
      int32_t v;
      std::memcpy(&v, p, 4);
      return static_cast<float>(static_cast<double>(v) / 2147483648.0);
    }
    case -32: {
      float v;
      std::memcpy(&v, p, 4);
      return v;
    }
    default: {
      double v;
      std::memcpy(&v, p, 8);
      return static_cast<float>(v);
    }
  }
}

// Hands the data chunk's samples to the voice, one channel plane at a time,
// piece by piece. False when the file cannot be read to its end.
bool FillVoice(const std::string& path, const WaveInfo& info, int voice) {
  std::ifstream in(path, std::ios::binary);
  if (!in.seekg(static_cast<std::streamoff>(info.dataOffset))) return false;
  const size_t bytesPerSample = info.bitsPerSample / 8;
  std::vector<uint8_t> piece(static_cast<size_t>(kPieceFrames) * info.blockAlign);
  std::vector<float> plane(kPieceFrames);
  for (uint64_t done = 0; done < info.frames;) {
    const uint32_t n = static_cast<uint32_t>(std::min<uint64_t>(kPieceFrames, info.frames - done));
    if (!in.read(reinterpret_cast<char*>(piece.data()),
                 static_cast<std::streamsize>(n) * info.blockAlign)) {
      return false;
    }
    for (int c = 0; c < info.channels; ++c) {
      const uint8_t* p = piece.data() + c * bytesPerSample;
      for (uint32_t f = 0; f < n; ++f, p += info.blockAlign)
        plane[f] = Sample(info, p);
      PageSoundFill(voice, c, static_cast<uint32_t>(done), plane.data(), n);
    }
    done += n;
  }
  return true;
}

}  // namespace

// A wave file held by the page as one sound, played on its own voice.
class WebMediaService::WaveDevice : public MediaDevice {
 public:
  WaveDevice(WebMediaService& service, System& system, MciDeviceId id, int voice, double seconds)
      : service_(service), voice_(voice), seconds_(seconds), notice_(system, id) {
    service_.Register(voice_, this);
  }
  ~WaveDevice() override {
    service_.Unregister(voice_);
    PageSoundRelease(voice_);
  }

  uint32_t Play(const PlayRequest& request) override {
    const double length = seconds_ * 1000;
    // Without a start position the sound goes on from where it stopped.
    const double from = request.from ? *request.from : PageSoundPosition(voice_) * 1000;
    const double to = request.to ? *request.to : length;
    if (from > length || to > length || to < from) return MCIERR_OUTOFRANGE;
    PageSoundStop(voice_);
    end_ = to / 1000;
    paused_ = false;
    if (request.wait) {
      notice_.Arm(nullptr);  // a pending notice is superseded
      play_ = PageSoundPlay(voice_, from / 1000, end_);
      while (PageSoundPlaying(voice_))
        PageSleep(kWaitPollMs);
      return 0;
    }
    notice_.Arm(request.notify);
    play_ = PageSoundPlay(voice_, from / 1000, end_);
    return 0;
  }

  uint32_t Pause() override {
    if (!paused_ && PageSoundPlaying(voice_)) {
      PageSoundStop(voice_);
      paused_ = true;
    }
    return 0;
  }

  uint32_t Resume() override {
    if (paused_) {
      paused_ = false;
      play_ = PageSoundPlay(voice_, PageSoundPosition(voice_), end_);
    }
    return 0;
  }

  void Close() override {
    PageSoundStop(voice_);
    notice_.Fire(MCI_NOTIFY_ABORTED);
  }

  // The end of an earlier play, stopped since, is not this play's end.
  void Ended(int play) {
    if (play == play_) notice_.Fire(MCI_NOTIFY_SUCCESSFUL);
  }

 private:
  WebMediaService& service_;
  int voice_;
  double seconds_;
  double end_ = 0;
  int play_ = 0;
  bool paused_ = false;
  PendingNotice notice_;
};

WebMediaService::WebMediaService(System& system, WebBackend& backend)
    : DeviceTable(system), backend_(backend) {
  backend_.SetSoundEndListener([this](int voice, int play) { OnSoundEnded(voice, play); });
}

WebMediaService::~WebMediaService() {
  backend_.SetSoundEndListener(nullptr);
  CloseAll();
}

void WebMediaService::OnSoundEnded(int voice, int play) {
  auto it = voices_.find(voice);
  if (it != voices_.end()) it->second->Ended(play);
}

std::unique_ptr<MediaDevice> WebMediaService::Create(const OpenRequest& request, MciDeviceId id,
                                                     uint32_t* error) {
  if (SameTypeName(request.deviceType, "AVIVideo")) {
    *error = MCIERR_DEVICE_NOT_INSTALLED;  // the page plays no video
    return nullptr;
  }
  if (!SameTypeName(request.deviceType, "waveaudio")) {
    *error = MCIERR_INVALID_DEVICE_NAME;
    return nullptr;
  }
  std::optional<WaveInfo> info = ReadWaveInfo(request.elementName, error);
  if (!info) return nullptr;
  if (!Playable(*info) || info->frames == 0 || info->frames > UINT32_MAX) {
    *error = MCIERR_INVALID_FILE;
    return nullptr;
  }
  const int voice = PageSoundCreate(info->channels, static_cast<uint32_t>(info->frames),
                                    static_cast<int>(info->sampleRate));
  if (voice < 0) {
    *error = MCIERR_WAVE_OUTPUTSUNSUITABLE;
    return nullptr;
  }
  if (!FillVoice(request.elementName, *info, voice)) {
    PageSoundRelease(voice);
    *error = MCIERR_FILE_READ;
    return nullptr;
  }
  *error = 0;
  return std::make_unique<WaveDevice>(*this, system_, id, voice,
                                      static_cast<double>(info->frames) / info->sampleRate);
}

}  // namespace platform::web
