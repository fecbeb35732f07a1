// What zelkrender writes: the same moment always gives the same picture,
// scenedemo's screens at chosen cycle moments match the scene timeline's golden
// checksums, frames are the effect loop's pumps in order, and runs that cannot
// give what was asked end with a clear message.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <regex>
#include <sstream>

#include "effects/plasma.h"
#include "image/codecs.h"
#include "tests/unit/zelkrender/render_support.h"

namespace render_tests {
namespace {

uint32_t Xrgb(const image::Rgb& c) {
  return (uint32_t(c.r) << 16) | (uint32_t(c.g) << 8) | c.b;
}

std::vector<image::Rgb> RedPalette() {
  std::string err;
  auto red = image::DecodeMagBytes(ReadBytes(BinDir() + "/red.mag"), &err);
  EXPECT_TRUE(red) << err;
  return red ? red->palette : std::vector<image::Rgb>{};
}

TEST(RenderDeterminism, TheSameMomentRendersTheSameEveryTime) {
  TempDir a, b, c;
  // scenedemo in the plasma scene, counted from the cycle's start; the third
  // run also takes pictures before and after, which must not disturb it.
  ASSERT_EQ(
      RunTool({"scenedemo", "--cycle", "--at", "9000", "--out", a.path(), "--data", BinDir()}), 0);
  ASSERT_EQ(
      RunTool({"scenedemo", "--cycle", "--at", "9000", "--out", b.path(), "--data", BinDir()}), 0);
  ASSERT_EQ(RunTool({"scenedemo", "--cycle", "--at", "4000,9000,8999,9001", "--out", c.path(),
                     "--data", BinDir()}),
            0);
  auto first = ReadPng(a / "scenedemo_009000.png");
  ASSERT_TRUE(first);
  EXPECT_EQ(first->width, 640);
  EXPECT_EQ(first->height, 480);
  EXPECT_EQ(ReadPng(b / "scenedemo_009000.png")->pixels, first->pixels);
  EXPECT_EQ(ReadPng(c / "scenedemo_009000.png")->pixels, first->pixels);
  EXPECT_NE(ReadPng(c / "scenedemo_004000.png")->pixels, first->pixels);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(c.path()), {}), 4);

  // An unpaced effect loop with another clock step: same again.
  TempDir d, e;
  for (const TempDir* dir : {&d, &e}) {
    ASSERT_EQ(RunTool({"spindemo", "--pump-ms", "3", "--at", "1234", "--out", dir->path(), "--data",
                       BinDir()}),
              0);
  }
  auto spin = ReadPng(d / "spindemo_001234.png");
  ASSERT_TRUE(spin);
  EXPECT_EQ(ReadPng(e / "spindemo_001234.png")->pixels, spin->pixels);
}

TEST(RenderGolden, ScreensAtCycleMomentsMatchTheSceneTimeline) {
  const std::string goldenPath = SourceDir() + "/tests/unit/scenes/timeline_golden.txt";
  std::ifstream in(goldenPath);
  if (!in) GTEST_SKIP() << "no golden timeline yet: " << goldenPath;
  std::map<uint64_t, uint64_t> golden;
  std::string line;
  while (std::getline(in, line)) {
    if (line.empty() || line[0] == '#') continue;
    std::istringstream fields(line);
    uint64_t ms = 0, sum = 0;
    fields >> ms >> std::hex >> sum;
    golden[ms] = sum;
  }
  ASSERT_FALSE(golden.empty());

  std::string moments;
  for (auto [ms, sum] : golden) {
    if (!moments.empty()) moments += ',';
    moments += std::to_string(ms);
  }
  TempDir dir;
  std::string err;
  ASSERT_EQ(RunTool({"scenedemo", "--cycle", "--verbose", "--at", moments, "--out", dir.path(),
                     "--data", BinDir()},
                    &err),
            0)
      << err;
  for (auto [ms, sum] : golden) {
    char name[64];
    std::snprintf(name, sizeof name, "scenedemo_%06llu.png", static_cast<unsigned long long>(ms));
    auto png = ReadPng(dir / name);
    ASSERT_TRUE(png) << name;
    EXPECT_EQ(Checksum(png->pixels), sum) << "screen at " << ms << " ms of the cycle";
  }

  // The same moment counted from the program's start, with the offset the
  // tool read from the media log.
  std::smatch m;
  ASSERT_TRUE(std::regex_search(err, m, std::regex("first cycle started (\\d+) ms"))) << err;
  const uint64_t offset = std::stoull(m[1]);
  const uint64_t moment = golden.begin()->first;
  TempDir plain;
  ASSERT_EQ(RunTool({"scenedemo", "--at", std::to_string(offset + moment), "--out", plain.path(),
                     "--data", BinDir()}),
            0);
  char name[64];
  std::snprintf(name, sizeof name, "scenedemo_%06llu.png",
                static_cast<unsigned long long>(offset + moment));
  auto png = ReadPng(plain / name);
  ASSERT_TRUE(png);
  EXPECT_EQ(Checksum(png->pixels), golden.begin()->second);
}

TEST(RenderFrames, PlasmaFramesAreTheLoopsPumpsInOrder) {
  TempDir dir;
  std::string err;
  ASSERT_EQ(RunTool({"plasmademo", "--frames", "3", "--out", dir.path(), "--data", BinDir()}, &err),
            0)
      << err;
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 3);
  const std::vector<image::Rgb> palette = RedPalette();
  ASSERT_EQ(palette.size(), 256u);
  const effects::PlasmaWave w = effects::BuildPlasmaWave(3.141592654);
  // Buffer pixel (0, 0), shown 2:1 at the screen's bottom-left, is the sum of
  // four wave entries at the frame's phases: all 0 in frame 0 (4 × W[0] =
  // 128), then advanced by +1, −2, +3, −4 a frame.
  const uint8_t expected[3] = {
      static_cast<uint8_t>(4 * w[0]),
      static_cast<uint8_t>(w[252] + w[3] + w[254] + w[1]),
      static_cast<uint8_t>(w[248] + w[6] + w[252] + w[2]),
  };
  EXPECT_EQ(expected[0], 128);
  for (int k = 0; k < 3; ++k) {
    char name[64];
    std::snprintf(name, sizeof name, "plasmademo_frame%05d.png", k);
    auto png = ReadPng(dir / name);
    ASSERT_TRUE(png) << name;
    for (auto [x, y] : {std::pair{0, 479}, {1, 479}, {0, 478}, {1, 478}}) {
      EXPECT_EQ(png->At(x, y), Xrgb(palette[expected[k]]))
          << "frame " << k << " at " << x << "," << y;
    }
  }
}

TEST(RenderFrames, ScenedemoFramesStartWithTheBody) {
  // The first presented frame of the body is already the opening's picture
  // work, never the entry's black window; and frames are counted exactly.
  TempDir dir;
  ASSERT_EQ(RunTool({"scenedemo", "--frames", "5", "--out", dir.path(), "--data", BinDir()}), 0);
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(dir.path()), {}), 5);
  EXPECT_TRUE(ReadPng(dir / "scenedemo_frame00004.png"));
  EXPECT_FALSE(std::filesystem::exists(dir / "scenedemo_frame00005.png"));
}

TEST(RenderTrace, ZelkTraceTellsEveryStepAndFrameWithItsTick) {
  TempDir dir, out;
  const std::string trace = dir / "trace.jsonl";
  const std::vector<std::string> run = {"scenedemo", "--cycle",  "--at",   "7100",
                                        "--out",     out.path(), "--data", BinDir()};
  unsetenv("ZELK_TRACE");
  ASSERT_EQ(RunTool(run), 0);
  EXPECT_FALSE(std::filesystem::exists(trace));

  setenv("ZELK_TRACE", trace.c_str(), 1);
  ASSERT_EQ(RunTool(run), 0);
  unsetenv("ZELK_TRACE");
  std::ifstream in(trace);
  std::vector<nlohmann::json> lines;
  for (std::string line; std::getline(in, line);)
    lines.push_back(nlohmann::json::parse(line));
  std::vector<std::string> steps;  // "start NAME at", "end NAME at result"
  std::vector<std::string> opens;  // "FILE at" (ms into the cycle; -1 before it)
  int64_t frames = 0;
  uint64_t lastTick = 0;
  std::optional<uint64_t> cycle;
  for (const auto& j : lines) {
    const uint64_t tick = j.at("tick");
    EXPECT_GE(tick, lastTick) << j;  // the virtual clock starts at 0 and never wraps here
    lastTick = tick;
    if (j["event"] == "frame") {
      EXPECT_EQ(j.at("frame"), ++frames) << j;
    } else if (j["event"] == "cycle") {
      cycle = tick;
    } else if (j["event"] == "open") {
      opens.push_back(j.at("file").get<std::string>() + " " +
                      std::to_string(cycle ? static_cast<int64_t>(tick - *cycle) : -1));
    } else {
      ASSERT_TRUE(cycle) << j;
      EXPECT_EQ(j.at("at"), tick - *cycle) << j;
      std::string step = j["event"].get<std::string>() + " " + j["scene"].get<std::string>() + " " +
                         std::to_string(j["at"].get<int64_t>());
      if (j["event"] == "end") step += " " + std::to_string(j["result"].get<int>());
      steps.push_back(step);
    }
  }
  EXPECT_GT(frames, 20);
  // The title is held until 7000 ms into the cycle; the next scene starts
  // then, on the virtual clock's millisecond, and ends by the quit that ends
  // the run.
  ASSERT_EQ(steps.size(), 6u);
  EXPECT_EQ(steps[0], "start OpeningScene 0");
  EXPECT_EQ(steps[1].substr(0, 17), "end OpeningScene ");
  EXPECT_EQ(steps[2].substr(0, 16), "start TitleHold ");
  EXPECT_EQ(steps[3], "end TitleHold 7000 1");
  EXPECT_EQ(steps[4], "start TitleWaveScene 7000");
  EXPECT_EQ(steps[5].substr(0, 19), "end TitleWaveScene ");
  EXPECT_EQ(steps[5].back(), '0');
  // Every data file as the program names it, when it reads it: the theme
  // before the cycle, the title wave's files as it starts.
  ASSERT_GE(opens.size(), 3u);
  EXPECT_EQ(opens.front(), "data\\tobirano.wav -1");
  EXPECT_EQ(opens.end()[-3], "data\\2title.dar 7000");
  EXPECT_EQ(opens.end()[-1], "data\\2tback.mag 7000");
}

TEST(RenderFailures, RunsThatCannotDeliverSaySoAndFail) {
  TempDir empty, out;
  std::string err;
  // No pictures: the program reports the missing file in a box and shows
  // nothing more, so no frame ever comes.
  EXPECT_EQ(RunTool({"lensdemo", "--frames", "2", "--to", "3000", "--out", out.path(), "--data",
                     empty.path()},
                    &err),
            1);
  EXPECT_NE(err.find("message box"), std::string::npos) << err;
  EXPECT_NE(err.find("pelia.mag"), std::string::npos) << err;
  EXPECT_NE(err.find("presented only 0 of 2 frames"), std::string::npos) << err;

  // Without its theme scenedemo has no cycle to count from.
  std::filesystem::create_directory(empty / "data");
  EXPECT_EQ(
      RunTool({"scenedemo", "--cycle", "--at", "100", "--out", out.path(), "--data", empty.path()},
              &err),
      1);
  EXPECT_NE(err.find("tobirano.wav"), std::string::npos) << err;
  EXPECT_NE(err.find("never started"), std::string::npos) << err;

  // A folder that cannot take the pictures.
  const std::string blocked = out / "file";
  std::ofstream(blocked) << "x";
  EXPECT_EQ(RunTool({"plasmademo", "--at", "5", "--out", blocked, "--data", BinDir()}, &err), 1);
  EXPECT_NE(err.find(blocked), std::string::npos) << err;
}

TEST(RenderCommandLine, BadRequestsAreRefusedBeforeAnythingRuns) {
  TempDir out;
  const std::string data = BinDir();
  struct Case {
    std::vector<std::string> args;
    std::string says;
  } cases[] = {
      {{"wavedemo", "--at", "1", "--out", out.path()}, "unknown program \"wavedemo\""},
      {{"plasmademo", "--out", out.path()}, "say what to render"},
      {{"plasmademo", "--at", "1", "--frames", "2", "--out", out.path()}, "one thing at a time"},
      {{"plasmademo", "--at", "1"}, "--out DIR"},
      {{"plasmademo", "--sheet", out / "s.png"}, "--sheet needs --every"},
      {{"plasmademo", "--video", out / "v.avi"}, "must end in .mp4 or .webm"},
      {{"plasmademo", "--every", "10", "--from", "500", "--to", "500", "--out", out.path()},
       "--from 500 must come before --to 500"},
      {{"plasmademo", "--cycle", "--at", "1", "--out", out.path()}, "plays no theme"},
      {{"plasmademo", "--at", "1", "--out", out.path(), "--data", out / "none"}, "does not exist"},
      {{"scenedemo", "--at", "1", "--out", out.path(), "--data", data + "/data"}, "no data folder"},
      {{"plasmademo", "--sheet", out / "s.png", "--every", "1", "--to", "100000"}, "at most 5000"},
      {{"plasmademo", "--every", "0", "--out", out.path()}, "--every"},
      {{"plasmademo", "--pump-ms", "0", "--at", "1", "--out", out.path()}, "--pump-ms"},
  };
  for (const Case& c : cases) {
    std::vector<std::string> args = c.args;
    if (std::find(args.begin(), args.end(), "--data") == args.end()) {
      args.push_back("--data");
      args.push_back(data);
    }
    std::string err;
    EXPECT_EQ(RunTool(args, &err), 2) << c.says;
    EXPECT_NE(err.find(c.says), std::string::npos) << "wanted \"" << c.says << "\" in: " << err;
  }
  EXPECT_EQ(std::distance(std::filesystem::directory_iterator(out.path()), {}), 0);

  // A data folder too long for the programs' 260-byte paths is named as such.
  std::string deep = out.path();
  while (deep.size() < 250)
    deep += "/deeper-and-deeper";
  std::filesystem::create_directories(deep);
  std::string err;
  EXPECT_EQ(RunTool({"plasmademo", "--at", "1", "--out", out / "o", "--data", deep}, &err), 2);
  EXPECT_NE(err.find("too long"), std::string::npos) << err;
}

}  // namespace
}  // namespace render_tests
