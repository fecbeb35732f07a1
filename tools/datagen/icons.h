// Desktop icons of the demo programs, cut from the pictures of a generated
// data set as the manifest says.
#pragma once

#include <string>

namespace datagen {

// The icon sizes written, in pixels (the hicolor theme's usual ones).
inline constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// Writes outDir/hicolor/N×N/apps/<namePrefix><program>.png, RGBA, for every
// program of the manifest at every size, from the picture its icon shows,
// where the program reads it below `programDir`. False and `error` set when a
// picture is missing or a file cannot be written.
[[nodiscard]] bool WriteIcons(const std::string& programDir, const std::string& outDir,
                              const std::string& namePrefix, std::string* error);

}  // namespace datagen
