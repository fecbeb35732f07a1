// Video files through FFmpeg's libraries: ".mp4" holds H.264 and AAC, ".webm"
// VP9 and Opus. Frames are 640×480 screens; sound is interleaved stereo at
// Soundtrack::kRate.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

namespace zelkrender {

class VideoEncoder {
 public:
  // Creates `path` for `fps` frames a second, with a sound track when
  // `withSound`. Null with the reason in *error when it cannot.
  static std::unique_ptr<VideoEncoder> Open(const std::string& path, int fps, bool withSound,
                                            std::string* error);
  ~VideoEncoder();  // a file not finished is removed
  VideoEncoder(const VideoEncoder&) = delete;
  VideoEncoder& operator=(const VideoEncoder&) = delete;

  [[nodiscard]] bool AddFrame(const uint32_t* pixels, std::string* error);
  // Appends sound; the track is cut into the encoder's frames as it fills.
  [[nodiscard]] bool AddSound(const std::vector<float>& samples, std::string* error);
  // Encodes what is held back and completes the file.
  [[nodiscard]] bool Finish(std::string* error);

  // Names of the codecs chosen, e.g. "libx264/aac".
  std::string Codecs() const;

  struct State;  // FFmpeg's objects
  explicit VideoEncoder(std::unique_ptr<State> state);

 private:
  std::unique_ptr<State> state_;
};

// True when `path` ends in a video extension we write.
bool IsVideoName(const std::string& path);

}  // namespace zelkrender
