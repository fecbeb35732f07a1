// The real media devices: "waveaudio" on SDL audio (WAV files as SDL reads
// them: PCM of 8 to 32 bits, float, A-law, µ-law, IMA and MS ADPCM, any rate
// and channel count, converted to the output's format when opened) and
// "AVIVideo" on FFmpeg (see video_device.h), both sounding through one
// audio output.
// Installed by the program that plays media with System::SetMediaService.
#pragma once

#include <memory>

#include "platform/media/audio_output.h"
#include "services/media/device_table.h"

namespace platform {

class SdlMediaService : public services::DeviceTable {
 public:
  explicit SdlMediaService(services::System& system);
  ~SdlMediaService() override;

 protected:
  std::unique_ptr<services::MediaDevice> Create(const services::OpenRequest& request,
                                                services::MciDeviceId id, uint32_t* error) override;

 private:
  AudioOutput audio_;
};

// Reads a WAV file and converts it to the output's format (interleaved
// 16-bit stereo at AudioOutput::kRate). Null with the MCI error code in
// *error when the file is missing, unreadable, empty or of a format SDL does
// not read.
AudioOutput::Samples LoadWaveSamples(const std::string& path, uint32_t* error);

}  // namespace platform
