#include "tools/datagen/dataset.h"

#include <algorithm>
#include <atomic>
#include <filesystem>
#include <mutex>
#include <set>
#include <string_view>
#include <thread>

#include "tools/datagen/art.h"
#include "tools/datagen/quantize.h"
#include "tools/manifest/manifest.h"

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

Product MagProduct(const std::string& art, const Canvas& canvas, int colors) {
  Product p;
  p.art = art;
  p.kind = Product::Kind::kMag;
  Palette palette = BuildPalette({{&canvas, nullptr, 1.0f}}, colors);
  p.picture =
      Quantize(canvas, palette, colors, colors == 16 ? Dither::kOrdered : Dither::kDiffusion);
  return p;
}

Product BmpProduct(const std::string& art, const Canvas& canvas) {
  Product p;
  p.art = art;
  p.kind = Product::Kind::kBmp;
  p.truecolour = ToRgbImage(canvas);
  return p;
}

bool Encode(const Product& product, const std::string& file, std::vector<uint8_t>* bytes,
            std::string* error) {
  switch (product.kind) {
    case Product::Kind::kMag:
      *bytes = image::EncodeMag(product.picture, error, "Vorna! " + file);
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
    *error = file + ": " + (error->empty() ? "nothing to write" : *error);
    return false;
  }
  return true;
}

namespace {

bool WritePreviews(const Product& p, const std::string& file, const std::string& dir,
                   std::string* error) {
  std::string base = dir + "/" + file;
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

// The manifest's file of a drawing, or null.
const manifest::DataFile* FileOf(std::string_view art) {
  for (const manifest::DataFile& f : manifest::DataSet()) {
    if (f.art == art) return &f;
  }
  return nullptr;
}

// Whether a file name's ending suits what a product is.
bool Suits(const Product& p, std::string_view file) {
  static constexpr std::string_view kEndings[] = {".mag", ".bmp", ".dar", ".wav"};
  const std::string_view ending = kEndings[static_cast<int>(p.kind)];
  return file.size() > ending.size() && file.substr(file.size() - ending.size()) == ending;
}

// The file of each product, checking that drawings and the manifest's files
// match one to one. Empty with `error` set when they do not.
std::vector<std::string> FilesOf(const std::vector<std::vector<Product>>& results,
                                 std::string* error) {
  std::vector<std::string> files;
  std::set<std::string_view> made;
  for (const std::vector<Product>& products : results) {
    for (const Product& p : products) {
      const manifest::DataFile* f = FileOf(p.art);
      if (f == nullptr) {
        *error = "the manifest has no file for the drawing \"" + p.art + "\"";
        return {};
      }
      if (!Suits(p, f->file) || !made.insert(f->file).second) {
        *error = "the drawing \"" + p.art + "\" cannot be " + std::string(f->file);
        return {};
      }
      files.emplace_back(f->file);
    }
  }
  for (const manifest::DataFile& f : manifest::DataSet()) {
    if (made.count(f.file) == 0) {
      *error = "nothing draws " + std::string(f.file) + " (\"" + std::string(f.art) + "\")";
      return {};
    }
  }
  return files;
}

}  // namespace

bool GenerateDataSet(const std::string& programDir, const std::string& previewDir, int threads,
                     std::string* error) {
  std::vector<std::string> folders = {programDir, previewDir};
  for (const manifest::Program& program : manifest::Programs())
    folders.push_back(programDir + "/" + std::string(program.folder));
  std::error_code ec;
  for (const std::string& d : folders) {
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
  }

  const std::vector<std::string> files = FilesOf(results, error);
  if (files.empty()) return false;
  size_t n = 0;
  for (const std::vector<Product>& products : results) {
    for (const Product& p : products) {
      const std::string& file = files[n++];
      std::vector<uint8_t> bytes;
      if (!Encode(p, file, &bytes, error)) return false;
      for (const manifest::Program& program : manifest::Programs()) {
        if (std::find(program.reads.begin(), program.reads.end(), file) == program.reads.end())
          continue;
        if (!WriteBytes(programDir + "/" + program.PathOf(file), bytes, error)) return false;
      }
      if (!previewDir.empty() && !WritePreviews(p, file, previewDir, error)) return false;
    }
  }
  return true;
}

}  // namespace datagen
