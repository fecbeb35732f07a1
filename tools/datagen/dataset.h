// The default data set: every picture, pattern archive and the theme of the
// demo programs, made by the generator's own code, byte for byte the same on
// every run.
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
  std::string name;  // file name, e.g. "x.mag"
  Kind kind = Kind::kMag;
  bool besidePrograms = false;    // also written beside the effect programs
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

// The file bytes of a product. False and `error` set when it cannot be encoded.
bool Encode(const Product& product, std::vector<uint8_t>* bytes, std::string* error);

// Runs every job (on `threads` threads; the output does not depend on it) and
// writes the files: scenedemo's into `dataDir`, the effect programs' pictures
// also into `programDir`. With a non-empty `previewDir`, also a PNG of every
// picture and pattern there. False and `error` set on the first failure.
bool GenerateDataSet(const std::string& dataDir, const std::string& programDir,
                     const std::string& previewDir, int threads, std::string* error);

// One PNG with every picture and pattern of a generated data set, each
// labelled with its file name. False and `error` set when a file is missing
// or damaged.
bool WriteContactSheet(const std::string& dataDir, const std::string& outFile, std::string* error);

}  // namespace datagen
