// zelkrender's speed on whole runs: one 171 s cycle of scenedemo to PNGs every
// 100 ms (the target: under a minute), the same cycle with a single picture
// (the run alone), the cycle as an mp4 and half a minute as webm, and the
// cost of one PNG at the series' and the sheet's compression.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <vector>

#include "tools/zelkrender/png_out.h"
#include "tools/zelkrender/stage.h"
#include "tools/zelkrender/zelkrender.h"

namespace {

namespace fs = std::filesystem;

std::string DataDir() {
  if (const char* bin = std::getenv("ZELK_BIN_DIR")) return bin;
  std::error_code ec;
  return (fs::read_symlink("/proc/self/exe", ec).parent_path().parent_path() / "bin").string();
}

fs::path Scratch() {
  fs::path dir = fs::temp_directory_path() / "zelkrender-bench";
  fs::remove_all(dir);
  fs::create_directories(dir);
  return dir;
}

void RunTool(benchmark::State& state, std::vector<std::string> args) {
  args.insert(args.begin(), "zelkrender");
  args.push_back("--data");
  args.push_back(DataDir());
  std::vector<const char*> argv;
  for (const std::string& a : args)
    argv.push_back(a.c_str());
  if (zelkrender::Main(static_cast<int>(argv.size()), argv.data()) != 0) {
    state.SkipWithError("zelkrender failed");
  }
}

void BM_CycleToPngsEvery100ms(benchmark::State& state) {
  for (auto _ : state) {
    const fs::path dir = Scratch();
    RunTool(state, {"scenedemo", "--cycle", "--every", "100", "--to", "171000", "--out", dir});
    state.counters["pictures"] =
        static_cast<double>(std::distance(fs::directory_iterator(dir), fs::directory_iterator()));
  }
}
BENCHMARK(BM_CycleToPngsEvery100ms)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

void BM_CycleRunOnly(benchmark::State& state) {
  for (auto _ : state) {
    RunTool(state, {"scenedemo", "--cycle", "--at", "171000", "--out", Scratch()});
  }
}
BENCHMARK(BM_CycleRunOnly)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

void BM_CycleToMp4(benchmark::State& state) {
  for (auto _ : state) {
    RunTool(state, {"scenedemo", "--cycle", "--video", Scratch() / "cycle.mp4", "--to", "171000"});
  }
}
BENCHMARK(BM_CycleToMp4)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

void BM_HalfMinuteToWebm(benchmark::State& state) {
  for (auto _ : state) {
    RunTool(state, {"scenedemo", "--cycle", "--video", Scratch() / "part.webm", "--from", "13000",
                    "--to", "43000"});
  }
}
BENCHMARK(BM_HalfMinuteToWebm)->Iterations(1)->UseRealTime()->Unit(benchmark::kSecond);

// One screen of the plasma scene as PNG at zlib level `range(0)`.
void BM_PngOfAScreen(benchmark::State& state) {
  zelkrender::Picture screen;
  {
    zelkrender::Stage stage(*zelkrender::FindProgram("scenedemo"), DataDir(), 1);
    stage.CountFromTheme();
    stage.At(30000, [&] {
      screen = stage.Shot();
      stage.Stop();
    });
    stage.Run();
  }
  const std::string path = (Scratch() / "one.png").string();
  std::string error;
  for (auto _ : state) {
    if (!zelkrender::WritePng(path, screen.data(), 640, 480, static_cast<int>(state.range(0)),
                              &error)) {
      state.SkipWithError(error.c_str());
    }
  }
  state.counters["bytes"] = static_cast<double>(fs::file_size(path));
}
BENCHMARK(BM_PngOfAScreen)->Arg(1)->Arg(6)->Unit(benchmark::kMillisecond);

}  // namespace
