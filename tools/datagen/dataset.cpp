#include "tools/datagen/dataset.h"

#include <atomic>
#include <filesystem>
#include <mutex>
#include <thread>

#include "tools/datagen/art.h"
#include "tools/datagen/quantize.h"

namespace datagen {

std::vector<Job> AllJobs() {
  // The slowest jobs first, so that two threads finish together.
  return {
      {"theme", MakeTheme},
      {"gallery", MakeGallery},
      {"story portraits", MakeStoryPortraits},
      {"kaiten", MakeKaiten},
      {"night group", MakeNightGroup},
      {"flicker frames", MakeFlickerFrames},
      {"tame", MakeTame},
      {"nolu", MakeNolu},
      {"finale cards", MakeFinaleCards},
      {"pelia", MakePelia},
      {"water", MakeWater},
      {"plasma group", MakePlasmaGroup},
      {"letters", MakeLetters},
      {"title", MakeTitle},
  };
}

Product MagProduct(const std::string& name, const Canvas& canvas, int colors, bool besidePrograms) {
  Product p;
  p.name = name;
  p.kind = Product::Kind::kMag;
  p.besidePrograms = besidePrograms;
  Palette palette = BuildPalette({{&canvas, nullptr, 1.0f}}, colors);
  p.picture =
      Quantize(canvas, palette, colors, colors == 16 ? Dither::kOrdered : Dither::kDiffusion);
  return p;
}

Product BmpProduct(const std::string& name, const Canvas& canvas) {
  Product p;
  p.name = name;
  p.kind = Product::Kind::kBmp;
  p.truecolour = ToRgbImage(canvas);
  return p;
}

bool Encode(const Product& product, std::vector<uint8_t>* bytes, std::string* error) {
  switch (product.kind) {
    case Product::Kind::kMag:
      *bytes = image::EncodeMag(product.picture, error, "Vorna! " + product.name);
      break;
    case Product::Kind::kDar:
      *bytes = image::EncodeDar(product.archive, error);
      break;
    case Product::Kind::kBmp:
      *bytes = EncodeBmp24(product.truecolour);
      break;
    case Product::Kind::kWave:
      *bytes = product.bytes;
      break;
  }
  if (bytes->empty()) {
    *error = product.name + ": " + (error->empty() ? "nothing to write" : *error);
    return false;
  }
  return true;
}

namespace {

bool WritePreviews(const Product& p, const std::string& dir, std::string* error) {
  std::string base = dir + "/" + p.name;
  switch (p.kind) {
    case Product::Kind::kMag:
      return WritePng(base + ".png", ToRgbImage(p.picture), error);
    case Product::Kind::kBmp:
      return WritePng(base + ".png", p.truecolour, error);
    case Product::Kind::kDar:
      for (size_t i = 0; i < p.archive.patterns.size(); ++i)
        if (!WritePng(base + "." + std::to_string(i) + ".png",
                      ToRgbImage(p.archive.patterns[i], p.archive.colorTable), error))
          return false;
      return true;
    case Product::Kind::kWave:
      return true;
  }
  return true;
}

}  // namespace

bool GenerateDataSet(const std::string& dataDir, const std::string& programDir,
                     const std::string& previewDir, int threads, std::string* error) {
  std::error_code ec;
  for (const std::string& d : {dataDir, programDir, previewDir}) {
    if (d.empty()) continue;
    std::filesystem::create_directories(d, ec);
    if (ec) {
      *error = "cannot create " + d + ": " + ec.message();
      return false;
    }
  }
  std::vector<Job> jobs = AllJobs();
  std::vector<std::vector<Product>> results(jobs.size());
  std::vector<std::string> failures(jobs.size());
  std::atomic<size_t> next{0};
  auto worker = [&] {
    Fonts fonts;  // FreeType faces are not shared between threads
    std::string fontError;
    bool fontsOk = fonts.Open(&fontError);
    for (size_t i; (i = next++) < jobs.size();) {
      if (!fontsOk) {
        failures[i] = fontError;
        continue;
      }
      results[i] = jobs[i].make(fonts);
    }
  };
  std::vector<std::thread> pool;
  for (int t = 1; t < std::max(1, threads); ++t)
    pool.emplace_back(worker);
  worker();
  for (std::thread& t : pool)
    t.join();

  for (size_t i = 0; i < jobs.size(); ++i) {
    if (!failures[i].empty()) {
      *error = jobs[i].name + ": " + failures[i];
      return false;
    }
    for (const Product& p : results[i]) {
      std::vector<uint8_t> bytes;
      if (!Encode(p, &bytes, error)) return false;
      if (!WriteBytes(dataDir + "/" + p.name, bytes, error)) return false;
      if (p.besidePrograms && !WriteBytes(programDir + "/" + p.name, bytes, error)) return false;
      if (!previewDir.empty() && !WritePreviews(p, previewDir, error)) return false;
    }
  }
  return true;
}

}  // namespace datagen
