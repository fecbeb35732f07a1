#include "services/media/device_table.h"

namespace services {

void PendingNotice::Arm(WindowHandle window) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (window_ != nullptr) {
    system_.Post(Message{window_, MM_MCINOTIFY, MCI_NOTIFY_SUPERSEDED, static_cast<intptr_t>(id_)});
  }
  window_ = window;
}

void PendingNotice::Fire(uint32_t code) {
  std::lock_guard<std::mutex> lock(mutex_);
  if (window_ == nullptr) return;
  system_.Post(Message{window_, MM_MCINOTIFY, code, static_cast<intptr_t>(id_)});
  window_ = nullptr;
}

bool SameTypeName(const std::string& a, const std::string& b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i) {
    auto lower = [](char c) {
      return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
    };
    if (lower(a[i]) != lower(b[i])) return false;
  }
  return true;
}

DeviceTable::~DeviceTable() {
  CloseAll();
}

void DeviceTable::CloseAll() {
  for (auto& [id, device] : devices_)
    device->Close();
  devices_.clear();
}

uint32_t DeviceTable::Open(uint32_t flags, void* params) {
  if (params == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;
  OpenRequest request;
  WindowHandle callback = nullptr;
  MciDeviceId* idOut = nullptr;
  // The digital-video flags say the block is the longer digital-video one.
  if ((flags & (MCI_DGV_OPEN_WS | MCI_DGV_OPEN_PARENT)) != 0) {
    auto* p = static_cast<MciDgvOpenParms*>(params);
    request = OpenRequest{p->deviceType, p->elementName, 0, nullptr};
    if (flags & MCI_DGV_OPEN_WS) request.style = p->style;
    if (flags & MCI_DGV_OPEN_PARENT) request.parent = p->parent;
    callback = p->callback;
    idOut = &p->deviceId;
  } else {
    auto* p = static_cast<MciOpenParms*>(params);
    request = OpenRequest{p->deviceType, p->elementName, 0, nullptr};
    callback = p->callback;
    idOut = &p->deviceId;
  }
  if ((flags & MCI_OPEN_TYPE) == 0) return MCIERR_INVALID_DEVICE_NAME;
  if ((flags & MCI_OPEN_ELEMENT) == 0 || request.elementName.empty()) {
    return MCIERR_FILENAME_REQUIRED;
  }
  MciDeviceId id = 1;
  while (devices_.count(id) != 0)
    ++id;
  uint32_t error = 0;
  std::unique_ptr<MediaDevice> device = Create(request, id, &error);
  if (device == nullptr) return error != 0 ? error : MCIERR_HARDWARE;
  devices_.emplace(id, std::move(device));
  *idOut = id;
  if ((flags & MCI_NOTIFY) && callback != nullptr) {
    system_.Post(Message{callback, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, static_cast<intptr_t>(id)});
  }
  return 0;
}

uint32_t DeviceTable::SendCommand(MciDeviceId id, uint32_t command, uint32_t flags, void* params) {
  if (command == MCI_OPEN) return Open(flags, params);
  auto it = devices_.find(id);
  if (it == devices_.end()) return MCIERR_INVALID_DEVICE_ID;
  MediaDevice& device = *it->second;
  if ((flags & MCI_WAIT) && (flags & MCI_NOTIFY)) return MCIERR_FLAGS_NOT_COMPATIBLE;
  const bool needsBlock = (flags & (MCI_NOTIFY | MCI_FROM | MCI_TO)) != 0 ||
                          (command == MCI_PUT && (flags & MCI_DGV_RECT));
  if (needsBlock && params == nullptr) return MCIERR_NULL_PARAMETER_BLOCK;

  // Every parameter block starts with the callback window.
  WindowHandle callback = nullptr;
  if (flags & MCI_NOTIFY) {
    callback = command == MCI_PLAY  ? static_cast<MciPlayParms*>(params)->callback
               : command == MCI_PUT ? static_cast<MciDgvPutParms*>(params)->callback
                                    : static_cast<MciGenericParms*>(params)->callback;
  }
  uint32_t result = 0;
  switch (command) {
    case MCI_PLAY: {
      PlayRequest request;
      auto* p = static_cast<MciPlayParms*>(params);
      if (flags & MCI_FROM) request.from = p->from;
      if (flags & MCI_TO) request.to = p->to;
      request.notify = callback;
      request.wait = (flags & MCI_WAIT) != 0;
      // The device posts the notice itself, at the end of the play.
      return device.Play(request);
    }
    case MCI_PAUSE:
      result = device.Pause();
      break;
    case MCI_RESUME:
      result = device.Resume();
      break;
    case MCI_PUT:
      if (flags & MCI_DGV_RECT) result = device.Put(static_cast<MciDgvPutParms*>(params)->rect);
      break;
    case MCI_CLOSE:
      device.Close();
      devices_.erase(it);
      break;
    default:
      return MCIERR_UNRECOGNIZED_COMMAND;
  }
  if (result == 0 && callback != nullptr) {
    system_.Post(Message{callback, MM_MCINOTIFY, MCI_NOTIFY_SUCCESSFUL, static_cast<intptr_t>(id)});
  }
  return result;
}

}  // namespace services
