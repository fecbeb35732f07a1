// The "AVIVideo" device on FFmpeg: an AVI file shown in a child area of its
// parent window, its frames at their own times (paced by a thread of the
// device and shown whenever the program presents its window), its sound
// track played through the shared audio output.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "platform/media/audio_output.h"
#include "services/media/device_table.h"

namespace platform {

// Opens `request.elementName` as an AVI file with a picture stream. Null
// with *error set when there is no parent window (MCIERR_NO_WINDOW), the file
// is missing (MCIERR_FILE_NOT_FOUND), is not an AVI file
// (MCIERR_INVALID_FILE), has no picture stream (MCIERR_NO_VIDEO_STREAM) or
// one we cannot decode (MCIERR_UNSUPPORTED_CODEC). A sound track that cannot
// be played (no audio output, unknown coding) leaves the video silent.
// The picture is placed at the parent's top-left corner at its own size
// until a put says otherwise.
std::unique_ptr<services::MediaDevice> OpenVideoDevice(const services::OpenRequest& request,
                                                       services::MciDeviceId id,
                                                       services::System& system, AudioOutput& audio,
                                                       uint32_t* error);

// The length of the AVI file's picture in milliseconds, or nullopt when it is
// no AVI file or does not say.
std::optional<uint32_t> VideoLengthMs(const std::string& path);

}  // namespace platform
