#include "tests/support/media/recording_media_service.h"

namespace testing_support {

using namespace services;

uint32_t RecordingMediaService::SendCommand(MciDeviceId device, uint32_t command, uint32_t flags,
                                            void* params) {
  Command c;
  c.device = device;
  c.command = command;
  c.flags = flags;
  c.hasParams = params != nullptr;
  if (params != nullptr) {
    if (command == MCI_OPEN && (flags & (MCI_DGV_OPEN_WS | MCI_DGV_OPEN_PARENT))) {
      auto* p = static_cast<MciDgvOpenParms*>(params);
      c.callback = p->callback;
      c.deviceType = p->deviceType;
      c.elementName = p->elementName;
      c.style = p->style;
      c.parent = p->parent;
    } else if (command == MCI_OPEN) {
      auto* p = static_cast<MciOpenParms*>(params);
      c.callback = p->callback;
      c.deviceType = p->deviceType;
      c.elementName = p->elementName;
    } else if (command == MCI_PLAY) {
      auto* p = static_cast<MciPlayParms*>(params);
      c.callback = p->callback;
      c.from = p->from;
    } else if (command == MCI_PUT) {
      auto* p = static_cast<MciDgvPutParms*>(params);
      c.callback = p->callback;
      c.rect = p->rect;
    } else {
      c.callback = static_cast<MciGenericParms*>(params)->callback;
    }
  }
  auto& failing = failures_[command];
  if (!failing.empty()) {
    c.result = failing.front();
    failing.pop_front();
  }
  if (c.result == 0 && command == MCI_OPEN && params != nullptr) {
    MciDeviceId id = nextId_++;
    if (!ids_.empty()) {
      id = ids_.front();
      ids_.pop_front();
    }
    if (flags & (MCI_DGV_OPEN_WS | MCI_DGV_OPEN_PARENT)) {
      static_cast<MciDgvOpenParms*>(params)->deviceId = id;
    } else {
      static_cast<MciOpenParms*>(params)->deviceId = id;
    }
  }
  commands_.push_back(c);
  if (onCommand) onCommand(c);
  return c.result;
}

std::string RecordingMediaService::ErrorText(uint32_t code) {
  return "error " + std::to_string(code);
}

void RecordingMediaService::Fail(uint32_t command, uint32_t code, int times) {
  for (int i = 0; i < times; ++i)
    failures_[command].push_back(code);
}

void RecordingMediaService::QueueDeviceIds(std::vector<MciDeviceId> ids) {
  ids_.insert(ids_.end(), ids.begin(), ids.end());
}

std::vector<RecordingMediaService::Command> RecordingMediaService::Of(uint32_t command) const {
  std::vector<Command> out;
  for (const auto& c : commands_) {
    if (c.command == command) out.push_back(c);
  }
  return out;
}

}  // namespace testing_support
