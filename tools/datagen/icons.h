// Desktop icons of the five demo programs, cut from the pictures of a
// generated data set.
#pragma once

#include <string>

namespace datagen {

// The icon sizes written, in pixels (the hicolor theme's usual ones).
inline constexpr int kIconSizes[] = {16, 22, 24, 32, 48, 64, 128, 256};

// Writes outDir/hicolor/N×N/apps/<namePrefix><program>.png, RGBA, for
// scenedemo, lensdemo, spindemo, ripdemo and plasmademo at every size, from
// the pictures in dataDir. False and `error` set when a picture is missing or
// a file cannot be written.
bool WriteIcons(const std::string& dataDir, const std::string& outDir,
                const std::string& namePrefix, std::string* error);

}  // namespace datagen
