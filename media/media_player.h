// The one object through which scenedemo makes sound (and could show video):
// media devices opened by type name on a data file, looped by completion
// notices rather than by the device. Every device failure is shown to the
// user in a message box with the device's error text, and the first one
// turns the music off for the rest of the run.
#pragma once

#include <cstdint>
#include <string>

#include "image/data_path.h"
#include "services/media/media_service.h"
#include "services/types.h"
#include "shell/main_window.h"

namespace media {

class MediaPlayer : public shell::MediaNoticeSink {
 public:
  // `captionPrefix` (not owned) starts every error caption: "<prefix> <word>".
  MediaPlayer(services::WindowHandle owner, const char* captionPrefix);

  // Opens the wave file `name` (relative to the program's folder) and plays
  // it from the start. Mode 0 returns when the sound has ended (the device
  // stays open, silent); any other mode returns at once and replays the sound
  // from 0 at each completion notice. While music is off only the mode is
  // recorded and 1 is returned. 1 = playing; 0 = failure (reported, music
  // off) or quit seen by the one pump between open and play.
  //
  // That pump consumes the quit message. A caller that gets 0 must therefore
  // ask QuitSeen(): when it is true, the caller returns 0 at once as after
  // any pump that reported quit.
  int PlayWave(const char* name, int mode);
  // Closes the playing wave device (only while music is on). Always 1.
  int CloseWave();
  int PauseWave();
  int ResumeWave();

  // Opens the AVI file `name` (relative to the program's folder) in a child
  // area of the owner window, places it at (left, top) with the given size
  // in client coordinates, and plays it with a completion notice. At the end,
  // mode 0 closes it, mode 1 plays it again from 0, any other mode leaves it
  // standing until ReleaseAll. While video is off only the mode is recorded
  // and 1 is returned. 1 = playing; 0 = failure (reported, which also turns
  // the music off) or quit seen by the one pump between open and put (see
  // QuitSeen).
  int PlayVideo(const char* name, int mode, int left, int top, int width, int height);
  // Closes the open video device (only while video is on). Always 1.
  int CloseVideo();

  // A completion notice: replays the wave while looping, then acts on the
  // open video device's mode. Notices for other devices are ignored; any
  // notice code counts as the end of a pass.
  void OnMciNotify(services::WindowHandle window, uint32_t deviceId, uint32_t code) override;

  // Closes every open device, reporting nothing. The player is not used
  // again.
  void ReleaseAll();

  // Shows the device's text for `error` under `caption` on `window` and
  // turns the music off.
  void ReportMciError(services::WindowHandle window, uint32_t error, const char* caption);

  // True once the pump inside PlayWave or PlayVideo has taken the quit
  // message. It never becomes false again.
  bool QuitSeen() const { return quitSeen_; }

  int waveLoop = 0;
  int wavePaused = 0;
  services::MciDeviceId waveDevice = 0;
  int videoMode = 0;
  services::MciDeviceId videoDevice = 0;
  services::WindowHandle ownerWindow = nullptr;
  const char* captionPrefix = nullptr;
  char mediaPath[image::kMaxPath];
  int waveOpen = 0;
  int videoOpen = 0;
  int waveEnabled = 1;
  int videoEnabled = 1;

 private:
  // "<captionPrefix> <word>" as a 256-byte buffer would hold it.
  std::string Caption(const char* word) const;
  // The command through the installed media service.
  uint32_t Send(services::MciDeviceId device, uint32_t command, uint32_t flags, void* params);
  // Tries the open of `params` up to five times, sleeping 250 ms after
  // every failed try. 0 or the last error code.
  uint32_t OpenWithRetries(uint32_t flags, void* params);
  enum class Device { kWave, kVideo };
  // Says on standard error which device and file failed and why, then
  // ReportMciError with the caption of `word`.
  void Report(services::WindowHandle window, uint32_t error, const char* word, Device device);

  bool quitSeen_ = false;
  std::string waveFile_;   // the full path of the wave device's file
  std::string videoFile_;  // and of the video device's
};

}  // namespace media
