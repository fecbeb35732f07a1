// Error codes of the media devices: the published MCI values where one fits,
// and codes of our own above MCIERR_CUSTOM_DRIVER_BASE for what only our
// devices report. MciErrorText gives the text shown to the user for each.
#pragma once

#include <cstdint>
#include <string>

namespace services {

constexpr uint32_t MCIERR_BASE = 256;
constexpr uint32_t MCIERR_INVALID_DEVICE_ID = MCIERR_BASE + 1;
constexpr uint32_t MCIERR_UNRECOGNIZED_COMMAND = MCIERR_BASE + 5;
constexpr uint32_t MCIERR_HARDWARE = MCIERR_BASE + 6;
constexpr uint32_t MCIERR_INVALID_DEVICE_NAME = MCIERR_BASE + 7;
constexpr uint32_t MCIERR_OUT_OF_MEMORY = MCIERR_BASE + 8;
constexpr uint32_t MCIERR_UNSUPPORTED_FUNCTION = MCIERR_BASE + 18;
constexpr uint32_t MCIERR_FILE_NOT_FOUND = MCIERR_BASE + 19;
constexpr uint32_t MCIERR_DEVICE_NOT_READY = MCIERR_BASE + 20;
constexpr uint32_t MCIERR_OUTOFRANGE = MCIERR_BASE + 26;
constexpr uint32_t MCIERR_FLAGS_NOT_COMPATIBLE = MCIERR_BASE + 28;
constexpr uint32_t MCIERR_INVALID_FILE = MCIERR_BASE + 40;
constexpr uint32_t MCIERR_NULL_PARAMETER_BLOCK = MCIERR_BASE + 41;
constexpr uint32_t MCIERR_FILENAME_REQUIRED = MCIERR_BASE + 48;
constexpr uint32_t MCIERR_DEVICE_NOT_INSTALLED = MCIERR_BASE + 50;
constexpr uint32_t MCIERR_WAVE_OUTPUTSINUSE = MCIERR_BASE + 64;
constexpr uint32_t MCIERR_WAVE_OUTPUTSUNSUITABLE = MCIERR_BASE + 70;
constexpr uint32_t MCIERR_NO_WINDOW = MCIERR_BASE + 90;
constexpr uint32_t MCIERR_FILE_READ = MCIERR_BASE + 92;

constexpr uint32_t MCIERR_CUSTOM_DRIVER_BASE = MCIERR_BASE + 256;
// The full path of a media file does not fit the path buffer.
constexpr uint32_t MCIERR_PATH_TOO_LONG = MCIERR_CUSTOM_DRIVER_BASE + 1;
// A video file without a picture stream.
constexpr uint32_t MCIERR_NO_VIDEO_STREAM = MCIERR_CUSTOM_DRIVER_BASE + 2;
// A video whose picture (or sound) is coded in a way we cannot decode.
constexpr uint32_t MCIERR_UNSUPPORTED_CODEC = MCIERR_CUSTOM_DRIVER_BASE + 3;

// The user-visible text of an error code (Japanese, one sentence or two).
std::string MciErrorText(uint32_t code);

// The same in English, for the line on standard error ("file not found").
std::string MciErrorReason(uint32_t code);

}  // namespace services
