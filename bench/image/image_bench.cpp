// MAG decoding and pattern drawing, each beside a plain memcpy of the same
// number of output bytes measured in the same run.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <vector>

#include "image/codecs.h"
#include "image/dar_archive.h"
#include "image/mag_image.h"
#include "platform/virtual/virtual_backend.h"
#include "services/calls.h"

namespace {

// A picture like the demo's backgrounds: smooth bands, flat areas and a
// dithered part.
image::IndexedPicture Scene(int width, int height, int colors) {
  image::IndexedPicture p;
  p.width = width;
  p.height = height;
  p.colors = colors;
  for (int i = 0; i < colors; ++i)
    p.palette.push_back(image::Rgb{uint8_t(i), uint8_t(255 - i), uint8_t(i * 3)});
  p.pixels.resize(static_cast<size_t>(width) * height);
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      int v;
      if (y < height / 3) {
        v = y * colors / height;  // sky: horizontal bands
      } else if (x < width / 2) {
        v = ((x ^ y) & 1) ? 5 : 9;  // dithered ground
      } else {
        v = (x / 40 + y / 30) * 7;  // blocks
      }
      p.pixels[static_cast<size_t>(y) * width + x] = static_cast<uint8_t>(v % colors);
    }
  }
  return p;
}

void DecodeMag(benchmark::State& state, int width, int height, int colors) {
  const std::vector<uint8_t> file = image::EncodeMag(Scene(width, height, colors), nullptr);
  size_t output = 0;
  for (auto _ : state) {
    image::MagDecodeResult r = image::DecodeMagToDib(file);
    output = r.block->View().bitsSize;
    benchmark::DoNotOptimize(r.block->data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * output));
  state.counters["file_bytes"] = static_cast<double>(file.size());
  state.counters["ratio"] = static_cast<double>(file.size()) / static_cast<double>(output);
}

void Memcpy(benchmark::State& state, size_t bytes) {
  std::vector<uint8_t> from(bytes, 1), to(bytes);
  for (auto _ : state) {
    std::memcpy(to.data(), from.data(), bytes);
    benchmark::DoNotOptimize(to.data());
    benchmark::ClobberMemory();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * bytes));
}

BENCHMARK_CAPTURE(DecodeMag, 840x840_256colours, 840, 840, 256);
BENCHMARK_CAPTURE(Memcpy, 840x840_bytes, size_t{840} * 840);
BENCHMARK_CAPTURE(DecodeMag, 640x400_16colours, 640, 400, 16);
BENCHMARK_CAPTURE(Memcpy, 640x400_4bit_bytes, size_t{640} * 400 / 2);

// A 640×256 pattern: a message window with rounded-off corners and a
// transparent hole, as the demo's patterns have.
image::DarContents Window(size_t* opaque) {
  image::DarPattern p{640, 256, {}};
  *opaque = 0;
  for (int y = 0; y < 256; ++y) {
    for (int x = 0; x < 640; ++x) {
      const int corner = std::max(0, 24 - std::min(y, 255 - y));
      const bool clear = x < corner || x >= 640 - corner ||
                         (x > 200 && x < 440 && y > 80 && y < 176) || ((x / 8 + y / 8) % 9 == 0);
      p.pixels.push_back(clear ? int16_t{-1} : static_cast<int16_t>((x + y) & 0xFF));
      *opaque += !clear;
    }
  }
  image::DarContents c;
  c.patterns.push_back(std::move(p));
  return c;
}

void DrawPattern(benchmark::State& state) {
  size_t opaque = 0;
  const std::vector<uint8_t> file = image::EncodeDar(Window(&opaque), nullptr);
  const auto dir =
      std::filesystem::temp_directory_path() / ("zelk-bench-" + std::to_string(getpid()));
  std::filesystem::create_directories(dir);
  std::ofstream(dir / "w.dar", std::ios::binary)
      .write(reinterpret_cast<const char*>(file.data()), static_cast<std::streamsize>(file.size()));
  platform::VirtualBackend::Options options;
  options.moduleFileName = (dir / "prog").string();
  services::System system(
      [&](services::System& s) { return std::make_unique<platform::VirtualBackend>(s, options); });
  services::ScopedSystem installed(system);

  image::DarArchive archive(nullptr);
  archive.Load("w.dar");
  std::vector<uint8_t> display(640 * 480, 0);
  archive.SetDisplay(640, 480, display.data(), display.size());
  for (auto _ : state) {
    archive.DrawPattern(0, 200, 0);
    benchmark::DoNotOptimize(display.data());
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations() * opaque));
  state.counters["drawn_bytes"] = static_cast<double>(opaque);
  std::filesystem::remove_all(dir);
}
size_t OpaqueCount() {
  size_t opaque = 0;
  Window(&opaque);
  return opaque;
}
BENCHMARK(DrawPattern);
BENCHMARK_CAPTURE(Memcpy, pattern_drawn_bytes, OpaqueCount());

void DrawMag(benchmark::State& state, int width, int height, int dw, int dh) {
  image::MagDecodeResult r =
      image::DecodeMagToDib(image::EncodeMag(Scene(width, height, 256), nullptr));
  services::Surface screen;
  if (!screen.Allocate()) {
    state.SkipWithError("no memory for the screen");
    return;
  }
  for (auto _ : state) {
    screen.StretchDIBits(0, 0, dw, dh, 0, 0, width, height, r.block->View());
    benchmark::DoNotOptimize(screen.Pixels());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()) * dw * dh);
}
BENCHMARK_CAPTURE(DrawMag, 640x480_one_to_one, 640, 480, 640, 480);
BENCHMARK_CAPTURE(DrawMag, 320x240_doubled, 320, 240, 640, 480);

}  // namespace
