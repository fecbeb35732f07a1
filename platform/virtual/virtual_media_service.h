// Media devices in virtual time, for the virtual backend: a "waveaudio"
// device makes no sound but plays for the file's length on the virtual clock.
// A play with notify posts its completion notice when the clock passes the
// end; a play with wait advances the clock by the length. Every command is
// logged with the virtual time it came at.
#pragma once

#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/virtual/virtual_backend.h"
#include "services/media/device_table.h"

namespace platform {

class VirtualMediaService : public services::DeviceTable {
 public:
  struct LogEntry {
    uint64_t elapsedMs = 0;  // virtual time of the command
    services::MciDeviceId device = 0;
    uint32_t command = 0;  // MCI_OPEN, MCI_PLAY, … ; 0 for the end of a play
    std::string file;      // the device's file
    uint32_t fromMs = 0;   // for MCI_PLAY: where it started
  };

  VirtualMediaService(services::System& system, VirtualBackend& backend);
  ~VirtualMediaService() override;

  const std::vector<LogEntry>& log() const { return log_; }
  // Whether the device is open and playing now.
  bool IsPlaying(services::MciDeviceId id) const;

  // Used by the devices.
  class WaveDevice;
  VirtualBackend& backend() { return backend_; }
  void Log(services::MciDeviceId device, uint32_t command, const std::string& file,
           uint32_t fromMs);
  void Register(services::MciDeviceId id, WaveDevice* device);
  void Unregister(services::MciDeviceId id);

 protected:
  std::unique_ptr<services::MediaDevice> Create(const services::OpenRequest& request,
                                                services::MciDeviceId id, uint32_t* error) override;

 private:
  VirtualBackend& backend_;
  std::vector<LogEntry> log_;
  std::map<services::MciDeviceId, WaveDevice*> waves_;
};

}  // namespace platform
