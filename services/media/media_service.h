// Media devices in the form of the Media Control Interface: a device is opened
// on a file by type name ("waveaudio", "AVIVideo"), gets an id, and takes
// commands with flags and a parameter block. Completion of a command sent with
// MCI_NOTIFY is posted to the callback window as MM_MCINOTIFY (wParam = notice
// code, lParam = device id). Every command returns 0 or an error code whose
// text ErrorText gives.
#pragma once

#include <cstdint>
#include <string>

#include "services/types.h"

namespace services {

// Commands.
constexpr uint32_t MCI_OPEN = 0x0803;
constexpr uint32_t MCI_CLOSE = 0x0804;
constexpr uint32_t MCI_PLAY = 0x0806;
constexpr uint32_t MCI_PAUSE = 0x0809;
constexpr uint32_t MCI_PUT = 0x0842;
constexpr uint32_t MCI_RESUME = 0x0855;

// Flags.
constexpr uint32_t MCI_NOTIFY = 0x00000001;
constexpr uint32_t MCI_WAIT = 0x00000002;
constexpr uint32_t MCI_FROM = 0x00000004;
constexpr uint32_t MCI_TO = 0x00000008;
constexpr uint32_t MCI_OPEN_ELEMENT = 0x00000200;
constexpr uint32_t MCI_OPEN_TYPE = 0x00002000;
constexpr uint32_t MCI_DGV_OPEN_WS = 0x00010000;
constexpr uint32_t MCI_DGV_OPEN_PARENT = 0x00020000;
constexpr uint32_t MCI_DGV_RECT = 0x00010000;
constexpr uint32_t MCI_DGV_PUT_WINDOW = 0x00200000;
constexpr uint32_t MCI_DGV_PUT_CLIENT = 0x00400000;

using MciDeviceId = uint32_t;

struct MciOpenParms {
  WindowHandle callback = nullptr;
  MciDeviceId deviceId = 0;  // out
  std::string deviceType;
  std::string elementName;
};

struct MciDgvOpenParms {
  WindowHandle callback = nullptr;
  MciDeviceId deviceId = 0;  // out
  std::string deviceType;
  std::string elementName;
  uint32_t style = 0;
  WindowHandle parent = nullptr;
};

struct MciPlayParms {
  WindowHandle callback = nullptr;
  uint32_t from = 0;
  uint32_t to = 0;
};

// rect carries left, top, width and height.
struct MciDgvPutParms {
  WindowHandle callback = nullptr;
  Rect rect;
};

struct MciGenericParms {
  WindowHandle callback = nullptr;
};

class MediaService {
 public:
  virtual ~MediaService() = default;
  // params points to the block the command takes (MciOpenParms or
  // MciDgvOpenParms for MCI_OPEN, MciPlayParms, MciDgvPutParms,
  // MciGenericParms), or is null where the command takes none.
  virtual uint32_t SendCommand(MciDeviceId device, uint32_t command, uint32_t flags,
                               void* params) = 0;
  virtual std::string ErrorText(uint32_t code) = 0;
};

}  // namespace services
