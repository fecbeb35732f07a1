// The media devices of the browser edition: "waveaudio" on Web Audio (the
// WAV file read by our own reader, its samples handed to the page at their own
// rate, which the browser resamples to its output), and no "AVIVideo": the
// page offers no video, so opening one fails as a missing device does.
#pragma once

#include <map>
#include <memory>

#include "platform/web/web_backend.h"
#include "services/media/device_table.h"

namespace platform::web {

class WebMediaService : public services::DeviceTable {
 public:
  WebMediaService(services::System& system, WebBackend& backend);
  ~WebMediaService() override;

  class WaveDevice;
  void Register(int voice, WaveDevice* device) { voices_[voice] = device; }
  void Unregister(int voice) { voices_.erase(voice); }

 protected:
  std::unique_ptr<services::MediaDevice> Create(const services::OpenRequest& request,
                                                services::MciDeviceId id, uint32_t* error) override;

 private:
  void OnSoundEnded(int voice, int play);

  WebBackend& backend_;
  std::map<int, WaveDevice*> voices_;
};

}  // namespace platform::web
