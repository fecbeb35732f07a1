// A media service for tests: records every command with a copy of its
// parameter block, answers from a script (default success), hands out device
// ids from a script (default 1, 2, 3, …) and can run a hook inside a command,
// e.g. to post a notice or a quit while the device is being opened. It plays
// nothing and posts no notices of its own.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "services/media/media_service.h"

namespace testing_support {

class RecordingMediaService : public services::MediaService {
 public:
  struct Command {
    services::MciDeviceId device = 0;
    uint32_t command = 0;
    uint32_t flags = 0;
    bool hasParams = false;
    services::WindowHandle callback = nullptr;
    // MCI_OPEN
    std::string deviceType;
    std::string elementName;
    uint32_t style = 0;
    services::WindowHandle parent = nullptr;
    // MCI_PLAY
    uint32_t from = 0;
    // MCI_PUT
    services::Rect rect;
    uint32_t result = 0;  // what the command returned
  };

  uint32_t SendCommand(services::MciDeviceId device, uint32_t command, uint32_t flags,
                       void* params) override;
  // "error <code>".
  std::string ErrorText(uint32_t code) override;

  // The next `times` commands of this kind fail with `code`.
  void Fail(uint32_t command, uint32_t code, int times = 1);
  // The next successful opens return these ids, in order.
  void QueueDeviceIds(std::vector<services::MciDeviceId> ids);
  // Runs inside every command, after it has been recorded and before it
  // returns.
  std::function<void(const Command&)> onCommand;

  const std::vector<Command>& commands() const { return commands_; }
  // The recorded commands of one kind.
  std::vector<Command> Of(uint32_t command) const;
  void Clear() { commands_.clear(); }

 private:
  std::vector<Command> commands_;
  std::map<uint32_t, std::deque<uint32_t>> failures_;
  std::deque<services::MciDeviceId> ids_;
  services::MciDeviceId nextId_ = 1;
};

}  // namespace testing_support
