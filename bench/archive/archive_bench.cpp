// Expanding a 100 MB LHA archive with the archive library's core, beside
// Debian's lhasa command expanding the same archive in the same run. The
// archive (text, patterned and random data, -lh5- and stored members) is made
// once with jlha and kept in the temporary folder for later runs.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

#include "archive/expander.h"
#include "archive/lzh_listing.h"

namespace fs = std::filesystem;

namespace {

constexpr uint64_t kMegabyte = 1024 * 1024;

const fs::path& WorkFolder() {
  static const fs::path folder = fs::temp_directory_path() / "zelk-archive-bench";
  return folder;
}

// Where the expansions go: memory when the machine has a memory file system,
// so the decoders are measured rather than the disk.
fs::path OutputFolder(const char* name) {
  std::error_code ec;
  const fs::path shm = "/dev/shm";
  if (fs::is_directory(shm, ec) && fs::space(shm, ec).available > 300 * kMegabyte) {
    return shm / (std::string("zelk-archive-bench-") + name);
  }
  return WorkFolder() / name;
}

// Pseudo-random words, a low-entropy pattern and noise, all reproducible.
void WriteContent(const fs::path& folder) {
  fs::create_directories(folder);
  uint64_t x = 88172645463325252ull;
  auto next = [&x] {
    x ^= x << 13;
    x ^= x >> 7;
    x ^= x << 17;
    return x;
  };
  std::vector<std::string> words;
  for (int i = 0; i < 3000; ++i) {
    std::string w;
    for (uint64_t n = 2 + next() % 8; n > 0; --n)
      w += static_cast<char>('a' + next() % 26);
    words.push_back(w);
  }
  auto write = [&](const char* name, uint64_t size, int kind) {
    std::string data;
    data.reserve(size);
    while (data.size() < size) {
      if (kind == 0) {
        data += words[next() % words.size()];
        data += (next() % 12 == 0) ? '\n' : ' ';
      } else if (kind == 1) {
        uint64_t v = next();
        for (int k = 0; k < 8; ++k)
          data += static_cast<char>((v >> (k * 8)) & 0x3F);
      } else {
        uint64_t v = next();
        data.append(reinterpret_cast<const char*>(&v), 8);
      }
    }
    data.resize(size);
    std::ofstream(folder / name, std::ios::binary) << data;
  };
  write("text1.txt", 40 * kMegabyte, 0);
  write("text2.txt", 30 * kMegabyte, 0);
  write("pattern.bin", 20 * kMegabyte, 1);
  write("noise.bin", 10 * kMegabyte, 2);
}

// The 100 MB archive, made on first use.
fs::path Archive() {
  static const fs::path archive = [] {
    fs::path a = WorkFolder() / "bench100.lzh";
    if (!fs::exists(a)) {
      fs::path content = WorkFolder() / "content";
      WriteContent(content);
      std::string command = "cd '" + content.string() +
                            "' && jlha a2 ../bench100.lzh text1.txt text2.txt pattern.bin "
                            "noise.bin >/dev/null 2>&1";
      if (std::system(command.c_str()) != 0) std::fprintf(stderr, "jlha failed\n");
      fs::remove_all(content);
    }
    return a;
  }();
  return archive;
}

uint64_t Expanded(const fs::path& folder) {
  uint64_t total = 0;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (e.is_regular_file()) total += e.file_size();
  }
  return total;
}

void BM_ExpandWithLibrary(benchmark::State& state) {
  const fs::path archive = Archive();
  const fs::path out = OutputFolder("library");
  uint64_t bytes = 0;
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(out);
    state.ResumeTiming();
    auto source = qarch::FileSource::Open(archive.string());
    qarch::Listing listing = qarch::ListArchive(*source);
    qarch::Expander expander(*source, [](uint64_t) { return true; });
    std::string problem;
    expander.SetDestination(out.string(), &problem);
    for (const auto& m : listing.members) {
      if (expander.Expand(m, &problem) != qarch::Expander::Outcome::kDone) {
        state.SkipWithError(problem.c_str());
      }
    }
    if (!expander.Finish().empty()) state.SkipWithError("files not placed");
    bytes = listing.totalLength;
  }
  if (Expanded(out) != bytes) state.SkipWithError("incomplete expansion");
  state.SetBytesProcessed(static_cast<int64_t>(bytes * state.iterations()));
  fs::remove_all(out);
}

void BM_ExpandWithLhasaCommand(benchmark::State& state) {
  const fs::path archive = Archive();
  const fs::path out = OutputFolder("lhasa");
  const std::string command = "lhasa xfqw='" + out.string() + "' '" + archive.string() + "'";
  for (auto _ : state) {
    state.PauseTiming();
    fs::remove_all(out);
    fs::create_directories(out);
    state.ResumeTiming();
    if (std::system(command.c_str()) != 0) state.SkipWithError("lhasa failed");
  }
  const uint64_t bytes = Expanded(out);
  if (bytes < 100 * kMegabyte) state.SkipWithError("incomplete expansion");
  state.SetBytesProcessed(static_cast<int64_t>(bytes * state.iterations()));
  fs::remove_all(out);
}

}  // namespace

// Alternating, so both see the same state of the machine.
BENCHMARK(BM_ExpandWithLhasaCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ExpandWithLibrary)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ExpandWithLhasaCommand)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
BENCHMARK(BM_ExpandWithLibrary)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);
