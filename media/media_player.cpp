#include "media/media_player.h"

#include <filesystem>

#include "services/calls.h"
#include "services/media/mci_errors.h"
#include "services/system.h"
#include "shell/pump.h"
#include "shell/text.h"

namespace media {

using namespace services;

namespace {

constexpr int kOpenAttempts = 5;
constexpr uint32_t kOpenRetrySleepMs = 250;
constexpr size_t kCaptionBuffer = 256;
constexpr size_t kErrorTextBuffer = 256;

}  // namespace

MediaPlayer::MediaPlayer(WindowHandle owner, const char* prefix)
    : ownerWindow(owner), captionPrefix(prefix) {
  mediaPath[0] = '\0';
}

std::string MediaPlayer::Caption(const char* word) const {
  return shell::FitText(std::string(captionPrefix ? captionPrefix : "") + " " + word,
                        kCaptionBuffer);
}

uint32_t MediaPlayer::Send(MciDeviceId device, uint32_t command, uint32_t flags, void* params) {
  MediaService* service = Sys().media();
  if (service == nullptr) return MCIERR_DEVICE_NOT_INSTALLED;
  return service->SendCommand(device, command, flags, params);
}

uint32_t MediaPlayer::OpenWithRetries(uint32_t flags, void* params) {
  uint32_t error = 0;
  for (int attempt = 0; attempt < kOpenAttempts; ++attempt) {
    error = Send(0, MCI_OPEN, flags, params);
    if (error == 0) break;
    Sleep(kOpenRetrySleepMs);
  }
  return error;
}

int MediaPlayer::PlayWave(const char* name, int mode) {
  const bool pathFits = image::BuildDataPath(mediaPath, name);
  waveLoop = mode;
  if (waveEnabled == 0) return 1;
  CloseWave();
  waveFile_ = mediaPath;

  MciOpenParms open;
  open.deviceType = "waveaudio";
  open.elementName = mediaPath;
  // A path cut short could name another file: refuse it without trying.
  const uint32_t openError =
      pathFits ? OpenWithRetries(MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT, &open)
               : MCIERR_PATH_TOO_LONG;
  if (openError != 0) {
    Report(ownerWindow, openError, "音楽確保", Device::kWave);
    waveEnabled = 0;
    waveOpen = 0;
    return 0;
  }

  // A notice for the device closed above may be handled here; it finds
  // waveOpen 0 and is ignored, even when the new device got the same id.
  if (shell::PumpPending() == 0) {
    quitSeen_ = true;
    // The new device was never recorded: close it now rather than leave it
    // to the end of the process.
    Send(open.deviceId, MCI_CLOSE, MCI_WAIT, nullptr);
    return 0;
  }
  waveDevice = open.deviceId;

  MciPlayParms play;
  play.callback = ownerWindow;
  const uint32_t playError = Send(waveDevice, MCI_PLAY, mode == 0 ? MCI_WAIT : MCI_NOTIFY, &play);
  if (playError != 0) {
    Report(ownerWindow, playError, "音楽演奏", Device::kWave);
    waveOpen = 0;
    Send(waveDevice, MCI_CLOSE, MCI_WAIT, nullptr);
    return 0;
  }
  waveOpen = 1;
  return 1;
}

int MediaPlayer::CloseWave() {
  if (waveOpen == 1 && waveEnabled == 1) {
    const uint32_t error = Send(waveDevice, MCI_CLOSE, MCI_WAIT, nullptr);
    if (error != 0) Report(ownerWindow, error, "音楽開放", Device::kWave);
    waveDevice = 0;
    waveOpen = 0;
  }
  return 1;
}

int MediaPlayer::PauseWave() {
  if (waveOpen == 1 && wavePaused == 0) {
    Send(waveDevice, MCI_PAUSE, 0, nullptr);
    wavePaused = 1;
  }
  return 1;
}

int MediaPlayer::ResumeWave() {
  if (waveOpen == 1 && wavePaused == 1) {
    Send(waveDevice, MCI_RESUME, 0, nullptr);
    wavePaused = 0;
  }
  return 1;
}

int MediaPlayer::PlayVideo(const char* name, int mode, int left, int top, int width, int height) {
  const bool pathFits = image::BuildDataPath(mediaPath, name);
  videoMode = mode;
  if (videoEnabled == 0) return 1;
  CloseVideo();
  videoFile_ = mediaPath;

  MciDgvOpenParms open;
  open.deviceType = "AVIVideo";
  open.elementName = mediaPath;
  open.style = WS_CHILD;
  open.parent = ownerWindow;
  const uint32_t openFlags =
      MCI_OPEN_TYPE | MCI_OPEN_ELEMENT | MCI_WAIT | MCI_DGV_OPEN_WS | MCI_DGV_OPEN_PARENT;
  const uint32_t openError = pathFits ? OpenWithRetries(openFlags, &open) : MCIERR_PATH_TOO_LONG;
  if (openError != 0) {
    Report(ownerWindow, openError, "ＡＶＩ確保", Device::kVideo);
    videoEnabled = 0;
    videoOpen = 0;
    return 0;
  }

  if (shell::PumpPending() == 0) {
    quitSeen_ = true;
    Send(open.deviceId, MCI_CLOSE, MCI_WAIT, nullptr);  // as in PlayWave
    return 0;
  }
  videoDevice = open.deviceId;

  MciDgvPutParms put;
  put.rect = Rect{left, top, width, height};
  const uint32_t putFlags = MCI_WAIT | MCI_DGV_RECT | MCI_DGV_PUT_WINDOW | MCI_DGV_PUT_CLIENT;
  if (const uint32_t error = Send(videoDevice, MCI_PUT, putFlags, &put); error != 0) {
    Report(ownerWindow, error, "ＡＶＩレクト設定", Device::kVideo);
    videoOpen = 0;
    Send(videoDevice, MCI_CLOSE, MCI_WAIT, nullptr);
    return 0;
  }

  MciPlayParms play;
  play.callback = ownerWindow;
  if (const uint32_t error = Send(videoDevice, MCI_PLAY, MCI_NOTIFY, &play); error != 0) {
    Report(ownerWindow, error, "ＡＶＩ演奏", Device::kVideo);
    videoOpen = 0;
    Send(videoDevice, MCI_CLOSE, MCI_WAIT, nullptr);
    return 0;
  }
  videoOpen = 1;
  return 1;
}

int MediaPlayer::CloseVideo() {
  if (videoOpen == 1 && videoEnabled == 1) {
    const uint32_t error = Send(videoDevice, MCI_CLOSE, MCI_WAIT, nullptr);
    if (error != 0) Report(ownerWindow, error, "ＡＶＩ開放", Device::kVideo);
    videoDevice = 0;
    videoOpen = 0;
  }
  return 1;
}

void MediaPlayer::OnMciNotify(WindowHandle window, uint32_t deviceId, uint32_t /*code*/) {
  if (deviceId == waveDevice && waveOpen == 1 && waveLoop != 0 && waveEnabled == 1) {
    MciPlayParms play;
    play.callback = window;
    play.from = 0;
    const uint32_t error = Send(waveDevice, MCI_PLAY, MCI_NOTIFY | MCI_FROM, &play);
    if (error != 0) Report(window, error, "音楽再演奏", Device::kWave);
  }
  // The video is looked at whatever the wave step did; videoEnabled is not.
  if (deviceId == videoDevice && videoOpen == 1) {
    if (videoMode == 0) {
      CloseVideo();
    } else if (videoMode == 1) {
      MciPlayParms play;
      play.callback = window;
      play.from = 0;
      const uint32_t error = Send(videoDevice, MCI_PLAY, MCI_NOTIFY | MCI_FROM, &play);
      if (error != 0) Report(window, error, "ＡＶＩ再演奏", Device::kVideo);
    }
  }
}

void MediaPlayer::ReleaseAll() {
  if (waveOpen == 1) Send(waveDevice, MCI_CLOSE, MCI_WAIT, nullptr);
  if (videoOpen == 1) Send(videoDevice, MCI_CLOSE, MCI_WAIT, nullptr);
}

void MediaPlayer::Report(WindowHandle window, uint32_t error, const char* word, Device device) {
  const std::string caption = Caption(word);
  // The path as the player built it may climb out of the program's folder
  // and back ("bin/../../tmp/x.avi"): told the short way.
  const std::string file =
      std::filesystem::path(device == Device::kWave ? waveFile_ : videoFile_).lexically_normal();
  ReportToStderr((device == Device::kWave ? "waveaudio " : "AVIVideo ") + file + ": " +
                 MciErrorReason(error) + " (" + caption + ")");
  ReportMciError(window, error, caption.c_str());
}

void MediaPlayer::ReportMciError(WindowHandle window, uint32_t error, const char* caption) {
  MediaService* service = Sys().media();
  const std::string text = shell::FitText(
      service != nullptr ? service->ErrorText(error) : MciErrorText(error), kErrorTextBuffer);
  MessageBox(window, text, caption, MB_OK | MB_ICONEXCLAMATION);
  // The music menu would be set to "OFF" here; the window has no menu.
  waveEnabled = 0;
}

}  // namespace media
