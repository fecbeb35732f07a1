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

#include "platform/media/device_table.h"
#include "platform/virtual/virtual_backend.h"

namespace platform {

class VirtualMediaService : public DeviceTable {
 public:
  struct LogEntry {
    uint64_t elapsedMs = 0;  // virtual time of the command
    MciDeviceId device = 0;
    uint32_t command = 0;  // MCI_OPEN, MCI_PLAY, … ; 0 for the end of a play
    std::string file;      // the device's file
    uint32_t fromMs = 0;   // for MCI_PLAY: where it started
  };

  VirtualMediaService(System& system, VirtualBackend& backend);
  ~VirtualMediaService() override;

  const std::vector<LogEntry>& log() const { return log_; }
  // Whether the device is open and playing now.
  bool IsPlaying(MciDeviceId id) const;

  // Used by the devices.
  class WaveDevice;
  VirtualBackend& backend() { return backend_; }
  void Log(MciDeviceId device, uint32_t command, const std::string& file, uint32_t fromMs);
  void Register(MciDeviceId id, WaveDevice* device);
  void Unregister(MciDeviceId id);

 protected:
  std::unique_ptr<MediaDevice> Create(const OpenRequest& request, MciDeviceId id,
                                      uint32_t* error) override;

 private:
  VirtualBackend& backend_;
  std::vector<LogEntry> log_;
  std::map<MciDeviceId, WaveDevice*> waves_;
};

}  // namespace platform
