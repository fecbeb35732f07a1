#include "platform/virtual/virtual_media_service.h"

#include <algorithm>

#include "services/media/wave_info.h"

namespace platform {

using namespace services;

class VirtualMediaService::WaveDevice : public MediaDevice {
 public:
  WaveDevice(VirtualMediaService& service, MciDeviceId id, std::string file, uint32_t lengthMs)
      : service_(service),
        id_(id),
        file_(std::move(file)),
        length_(lengthMs),
        notice_(service.system_, id) {
    service_.Register(id_, this);
  }
  ~WaveDevice() override { service_.Unregister(id_); }

  bool Playing() const { return playing_ && !paused_; }

  uint32_t Play(const PlayRequest& request) override {
    const uint32_t from = request.from.value_or(Position());
    const uint32_t to = request.to.value_or(length_);
    if (from > length_ || to > length_ || to < from) return MCIERR_OUTOFRANGE;
    ++generation_;  // an end scheduled before is void
    service_.Log(id_, MCI_PLAY, file_, from);
    position_ = from;
    end_ = to;
    paused_ = false;
    if (request.wait) {
      notice_.Arm(nullptr);
      playing_ = true;
      service_.backend().Sleep(to - from);
      Finish(generation_);
      return 0;
    }
    notice_.Arm(request.notify);
    StartClock();
    return 0;
  }

  uint32_t Pause() override {
    if (playing_ && !paused_) {
      position_ = Position();
      paused_ = true;
      ++generation_;
    }
    return 0;
  }

  uint32_t Resume() override {
    if (playing_ && paused_) {
      paused_ = false;
      StartClock();
    }
    return 0;
  }

  void Close() override {
    service_.Log(id_, MCI_CLOSE, file_, Position());
    ++generation_;
    playing_ = false;
    notice_.Fire(MCI_NOTIFY_ABORTED);
  }

 private:
  uint64_t Now() const { return service_.backend().Elapsed(); }

  uint32_t Position() const {
    if (!playing_ || paused_) return position_;
    return static_cast<uint32_t>(std::min<uint64_t>(end_, position_ + (Now() - startedAt_)));
  }

  void StartClock() {
    playing_ = true;
    startedAt_ = Now();
    const uint64_t generation = generation_;
    std::weak_ptr<int> alive = alive_;
    service_.backend().At(startedAt_ + (end_ - position_), [this, alive, generation] {
      if (!alive.expired()) Finish(generation);
    });
  }

  void Finish(uint64_t generation) {
    if (generation != generation_ || !playing_) return;
    playing_ = false;
    position_ = end_;
    service_.Log(id_, 0, file_, 0);
    notice_.Fire(MCI_NOTIFY_SUCCESSFUL);
  }

  VirtualMediaService& service_;
  MciDeviceId id_;
  std::string file_;
  uint32_t length_;
  PendingNotice notice_;
  bool playing_ = false;
  bool paused_ = false;
  uint32_t position_ = 0;  // where the clock started, or where it stopped
  uint32_t end_ = 0;
  uint64_t startedAt_ = 0;
  uint64_t generation_ = 0;
  std::shared_ptr<int> alive_ = std::make_shared<int>(0);  // scheduled ends check it
};

VirtualMediaService::VirtualMediaService(System& system, VirtualBackend& backend)
    : DeviceTable(system), backend_(backend) {}

VirtualMediaService::~VirtualMediaService() {
  CloseAll();
}

bool VirtualMediaService::IsPlaying(MciDeviceId id) const {
  auto it = waves_.find(id);
  return it != waves_.end() && it->second->Playing();
}

void VirtualMediaService::Log(MciDeviceId device, uint32_t command, const std::string& file,
                              uint32_t fromMs) {
  log_.push_back(LogEntry{backend_.Elapsed(), device, command, file, fromMs});
}

void VirtualMediaService::Register(MciDeviceId id, WaveDevice* device) {
  waves_[id] = device;
}
void VirtualMediaService::Unregister(MciDeviceId id) {
  waves_.erase(id);
}

std::unique_ptr<MediaDevice> VirtualMediaService::Create(const OpenRequest& request, MciDeviceId id,
                                                         uint32_t* error) {
  if (!SameTypeName(request.deviceType, "waveaudio")) {
    *error = MCIERR_DEVICE_NOT_INSTALLED;
    return nullptr;
  }
  std::optional<WaveInfo> info = ReadWaveInfo(request.elementName, error);
  if (!info) return nullptr;
  if (info->frames == 0) {
    *error = MCIERR_INVALID_FILE;
    return nullptr;
  }
  Log(id, MCI_OPEN, request.elementName, 0);
  return std::make_unique<WaveDevice>(*this, id, request.elementName, info->DurationMs());
}

}  // namespace platform
