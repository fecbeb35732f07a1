// The command routing shared by our media services: opening by type name,
// device ids (the lowest free one, so a closed device's id comes back),
// parameter checks, and the completion notices of one device.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <optional>
#include <string>

#include "services/media/mci_errors.h"
#include "services/media/media_service.h"
#include "services/system.h"

namespace services {

// What an open command asks for.
struct OpenRequest {
  std::string deviceType;
  std::string elementName;
  uint32_t style = 0;
  WindowHandle parent = nullptr;
};

// What a play command asks for: positions in milliseconds; `notify` is the
// window to tell at the end, or null.
struct PlayRequest {
  std::optional<uint32_t> from;
  std::optional<uint32_t> to;
  bool wait = false;
  WindowHandle notify = nullptr;
};

// The one pending completion notice of a device. A new one supersedes the
// old (which is then told MCI_NOTIFY_SUPERSEDED); Fire tells the pending
// window the outcome and forgets it. Safe from any thread.
class PendingNotice {
 public:
  PendingNotice(System& system, MciDeviceId id) : system_(system), id_(id) {}
  void Arm(WindowHandle window);
  void Fire(uint32_t code);

 private:
  System& system_;
  MciDeviceId id_;
  std::mutex mutex_;
  WindowHandle window_ = nullptr;
};

// One open device. Every command returns 0 or an MCI error code.
class MediaDevice {
 public:
  virtual ~MediaDevice() = default;
  virtual uint32_t Play(const PlayRequest& request) = 0;
  virtual uint32_t Pause() = 0;
  virtual uint32_t Resume() = 0;
  // Places the picture: rect is left, top, width, height in the parent's
  // client coordinates.
  virtual uint32_t Put(const Rect& /*rect*/) { return MCIERR_UNSUPPORTED_FUNCTION; }
  // Stops at once; a pending notice is told MCI_NOTIFY_ABORTED.
  virtual void Close() = 0;
};

class DeviceTable : public MediaService {
 public:
  explicit DeviceTable(System& system) : system_(system) {}
  ~DeviceTable() override;

  uint32_t SendCommand(MciDeviceId device, uint32_t command, uint32_t flags, void* params) override;
  std::string ErrorText(uint32_t code) override { return MciErrorText(code); }

  size_t OpenCount() const { return devices_.size(); }

 protected:
  // Makes a device of the requested type on the requested file, or returns
  // null with the error code in *error.
  virtual std::unique_ptr<MediaDevice> Create(const OpenRequest& request, MciDeviceId id,
                                              uint32_t* error) = 0;
  // Closes every device; a derived service calls it before the things its
  // devices use go away.
  void CloseAll();

  System& system_;

 private:
  uint32_t Open(uint32_t flags, void* params);
  std::map<MciDeviceId, std::unique_ptr<MediaDevice>> devices_;
};

// Case-insensitive comparison of device type names.
bool SameTypeName(const std::string& a, const std::string& b);

}  // namespace services
