// The default data set: every picture, pattern archive and the theme of the
// demo programs, made by the generator's own code, byte for byte the same on
// every run, into the files and folders the manifest names.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "image/codecs.h"
#include "tools/datagen/files.h"
#include "tools/datagen/font.h"

namespace datagen {

// One generated file, before encoding.
struct Product {
  enum class Kind { kMag, kBmp, kDar, kWave };
  std::string art;  // what it shows, as the manifest names it: "map room"
  Kind kind = Kind::kMag;
  image::IndexedPicture picture;  // kMag
  RgbImage truecolour;            // kBmp
  image::DarContents archive;     // kDar
  std::vector<uint8_t> bytes;     // kWave: the finished file
};

// A piece of work that makes one or more products (pictures that share a
// palette are made together).
struct Job {
  std::string name;
  std::function<std::vector<Product>(const Fonts&)> make;
};

// Every job of the data set, in a fixed order.
std::vector<Job> AllJobs();

// The bytes of a product as the file `file`. False and `error` set when it
// cannot be encoded.
[[nodiscard]] bool Encode(const Product& product, const std::string& file,
                          std::vector<uint8_t>* bytes, std::string* error);

// Runs every job (on `threads` threads; the output does not depend on it) and
// writes each file of the manifest's data set wherever a program reads it,
// below `programDir` (the programs' folder). With a non-empty `previewDir`,
// also a PNG of every picture and pattern there. False and `error` set on the
// first failure, and when the drawings and the manifest's files do not match
// one to one.
[[nodiscard]] bool GenerateDataSet(const std::string& programDir, const std::string& previewDir,
                                   int threads, std::string* error);

// One PNG with every picture and pattern of a data set generated below
// `programDir`, in the manifest's order, each labelled with its file name.
// False and `error` set when a file is missing or damaged.
[[nodiscard]] bool WriteContactSheet(const std::string& programDir, const std::string& outFile,
                                     std::string* error);

}  // namespace datagen
