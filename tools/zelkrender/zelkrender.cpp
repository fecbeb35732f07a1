#include "tools/zelkrender/zelkrender.h"

#include <CLI/CLI.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include "tools/cli/command_line.h"
#include "tools/zelkrender/png_out.h"
#include "tools/zelkrender/progress.h"
#include "tools/zelkrender/sheet.h"
#include "tools/zelkrender/soundtrack.h"
#include "tools/zelkrender/stage.h"
#include "tools/zelkrender/task_queue.h"
#include "tools/zelkrender/video.h"

namespace zelkrender {

namespace {

namespace fs = std::filesystem;

constexpr uint64_t kThemeWaitMs = 30000;   // a theme that has not played by then never will
constexpr uint64_t kFrameWaitMs = 600000;  // --frames gives up after this without enough frames
constexpr size_t kMaxThumbnails = 5000;
constexpr uint64_t kLatestMs = uint64_t{1} << 40;  // times beyond are surely typing errors
constexpr int kWriters = 2;
constexpr int kSeriesLevel = 1;  // zlib level of picture series: speed first
constexpr int kSheetLevel = 6;
// The longest path the programs can build to a data file (their buffers hold
// 260 bytes) minus the longest name they ask for below their folder.
constexpr size_t kMaxProgramDirBytes = 259 - sizeof("/data/tobirano.wav");

struct Request {
  std::string program;
  std::vector<uint64_t> at;
  std::optional<uint64_t> every;
  int frames = 0;
  std::string video;
  std::string sheet;
  std::string out;
  std::string data;
  std::optional<uint64_t> from;
  std::optional<uint64_t> to;
  int fps = 30;
  uint32_t pumpMs = 1;
  bool cycle = false;
  bool verbose = false;
  int columns = 8;
};

void Say(const std::string& text) {
  std::fprintf(stderr, "zelkrender: %s\n", text.c_str());
}

// "1 picture", "2 pictures".
std::string Count(uint64_t n, const std::string& thing) {
  return std::to_string(n) + " " + thing + (n == 1 ? "" : "s");
}

// Times are whole virtual milliseconds from `lowest` up to kLatestMs.
CLI::Validator TimeMs(uint64_t lowest) {
  return CLI::Validator(
      [lowest](std::string& text) -> std::string {
        const bool digits = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
          return c >= '0' && c <= '9';
        });
        if (!digits) return "not a time in ms: " + text;
        // More digits than 2^40 has, past leading zeros, are past it.
        const size_t lead = std::min(text.find_first_not_of('0'), text.size() - 1);
        const uint64_t ms = text.size() - lead <= 15 ? std::stoull(text) : kLatestMs + 1;
        if (ms > kLatestMs)
          return "time " + text + " ms is past the latest, " + std::to_string(kLatestMs) + " ms";
        if (ms < lowest) return "time " + text + " ms is below " + std::to_string(lowest) + " ms";
        return "";
      },
      "MS");
}

// The folder beside this tool, where the build puts the programs' data.
std::string ToolFolder(const char* argv0) {
  std::error_code ec;
  fs::path self = fs::read_symlink("/proc/self/exe", ec);
  if (ec) self = fs::absolute(argv0, ec);
  return self.parent_path().string();
}

bool HasFolderNoCase(const fs::path& dir, const std::string& name) {
  std::error_code ec;
  for (const auto& entry : fs::directory_iterator(dir, ec)) {
    std::string n = entry.path().filename().string();
    std::transform(n.begin(), n.end(), n.begin(), [](unsigned char c) { return std::tolower(c); });
    if (n == name && entry.is_directory(ec)) return true;
  }
  return false;
}

// A problem with the command line that parsing alone does not catch, or "".
std::string CheckRequest(const Request& r, const ProgramInfo& p, const std::string& programDir) {
  const int modes = !r.at.empty() + (r.every && r.sheet.empty()) + (r.frames > 0) +
                    !r.video.empty() + !r.sheet.empty();
  if (modes == 0) return "say what to render: --at, --every, --frames, --video or --sheet";
  if (modes > 1) return "render one thing at a time: --at, --every, --frames, --video or --sheet";
  if (!r.sheet.empty() && !r.every) return "--sheet needs --every MS (the time between thumbnails)";
  if ((!r.at.empty() || r.every || r.frames > 0) && r.sheet.empty() && r.out.empty())
    return "pictures need a folder: --out DIR";
  if (!r.video.empty() && !IsVideoName(r.video))
    return "--video " + r.video + ": the name must end in .mp4 or .webm";
  if (r.cycle && p.theme.empty())
    return std::string(p.name) + " plays no theme, so it has no cycle to count from (--cycle)";
  const uint64_t from = r.from.value_or(0), to = r.to.value_or(from + p.defaultSpanMs);
  if (from >= to)
    return "--from " + std::to_string(from) + " must come before --to " + std::to_string(to);
  if (!r.sheet.empty() && (to - from + *r.every - 1) / *r.every > kMaxThumbnails)
    return "a sheet holds at most " + std::to_string(kMaxThumbnails) + " thumbnails: raise --every";
  std::error_code ec;
  if (!fs::is_directory(programDir, ec)) return "data folder " + programDir + " does not exist";
  if (programDir.size() > kMaxProgramDirBytes) {
    return "data folder " + programDir + " is too long for the programs (" +
           std::to_string(programDir.size()) + " bytes, at most " +
           std::to_string(kMaxProgramDirBytes) + ")";
  }
  if (!p.folder.empty() && !HasFolderNoCase(programDir, std::string(p.folder))) {
    return std::string(p.name) + " reads DIR/" + std::string(p.folder) + "/: " + programDir +
           " has no " + std::string(p.folder) + " folder";
  }
  return "";
}

std::vector<uint64_t> Every(uint64_t from, uint64_t to, uint64_t step) {
  std::vector<uint64_t> times;
  for (uint64_t t = from; t < to; t += step)
    times.push_back(t);
  return times;
}

std::string PicturePath(const std::string& dir, std::string_view program, const char* kind,
                        uint64_t n, int digits) {
  char name[64];
  std::snprintf(name, sizeof name, "_%s%0*llu.png", kind, digits,
                static_cast<unsigned long long>(n));
  return (fs::path(dir) / (std::string(program) + name)).string();
}

// One render: the stage, the failure that may stop it, and its report.
struct Run {
  Run(const ProgramInfo& p, const std::string& programDir, const Request& r)
      : program(p), request(r), stage(p, programDir, r.pumpMs) {
    if (r.cycle) {
      stage.CountFromTheme();
      stage.AtElapsed(kThemeWaitMs, [this] {
        if (!stage.origin()) stage.Stop();
      });
    }
  }

  // Stops the program when anything has failed; true when the render goes on.
  bool Going() {
    if (!failure.happened()) return true;
    stage.Stop();
    return false;
  }

  // Prints the message boxes and the theme's start; the exit code.
  int Report(const std::string& done) {
    // Boxes shown again and again in a row are told once, with their count.
    const auto& boxes = stage.Boxes();
    for (size_t i = 0, n = 1; i < boxes.size(); i += n) {
      const auto same = [&](const services::BoxRecord& b) {
        return b.caption == boxes[i].caption && b.text == boxes[i].text &&
               b.answer == boxes[i].answer;
      };
      for (n = 1; i + n < boxes.size() && same(boxes[i + n]); ++n) {
      }
      Say("message box \"" + boxes[i].caption + "\": " + boxes[i].text + " (answered " +
          (boxes[i].answer == services::IDOK ? "OK" : std::to_string(boxes[i].answer)) + ")" +
          (n > 1 ? " ×" + std::to_string(n) : ""));
    }
    if (auto start = stage.ThemeStart(); start && request.verbose) {
      Say("the first cycle started " + std::to_string(*start) + " ms after the program's start");
    }
    if (request.cycle && !stage.origin()) {
      failure.Set("the theme " + std::string(program.theme) +
                  " never started, so there was no cycle to count from");
    }
    if (failure.happened()) {
      Say(failure.what());
      return 1;
    }
    Say(done);
    return 0;
  }

  const ProgramInfo& program;
  const Request& request;
  Stage stage;
  Failure failure;
};

int RenderPictures(Run& run, const std::vector<uint64_t>& times, const std::string& dir) {
  TaskQueue writers(kWriters, 2 * kWriters);
  Progress bar(std::string(run.program.name), times.size(), "picture");
  size_t taken = 0;
  for (uint64_t t : times) {
    run.stage.At(t, [&, t] {
      if (!run.Going()) return;
      std::string path = PicturePath(dir, run.program.name, "", t, 6);
      writers.Post([&, path, picture = run.stage.Shot()] {
        std::string why;
        if (!WritePng(path, picture.data(), kScreenWidth, kScreenHeight, kSeriesLevel, &why))
          run.failure.Set(why);
        bar.Advance();
      });
      if (++taken == times.size()) run.stage.Stop();
    });
  }
  run.stage.Run();
  writers.Drain();
  bar.End();
  return run.Report("wrote " + Count(taken, "picture") + " to " + dir);
}

int RenderFrames(Run& run, int count, const std::string& dir) {
  TaskQueue writers(kWriters, 2 * kWriters);
  Progress bar(std::string(run.program.name), count, "frame");
  int taken = 0;
  run.stage.OnFrame([&](const services::Surface& screen) {
    if (taken == count || (run.request.cycle && !run.stage.origin()) || !run.Going()) return;
    std::string path = PicturePath(dir, run.program.name, "frame", taken, 5);
    writers.Post(
        [&, path,
         picture = Picture(screen.Pixels(), screen.Pixels() + screen.Width() * screen.Height())] {
          std::string why;
          if (!WritePng(path, picture.data(), kScreenWidth, kScreenHeight, kSeriesLevel, &why))
            run.failure.Set(why);
          bar.Advance();
        });
    if (++taken == count) run.stage.Stop();
  });
  const uint64_t limit = run.request.to.value_or(kFrameWaitMs);
  run.stage.At(limit, [&] { run.stage.Stop(); });
  run.stage.Run();
  writers.Drain();
  bar.End();
  if (taken < count) {
    run.failure.Set("the program presented only " + std::to_string(taken) + " of " +
                    Count(count, "frame") + " in " + std::to_string(limit) + " ms");
  }
  return run.Report("wrote " + Count(taken, "frame") + " to " + dir);
}

int RenderSheet(Run& run, uint64_t from, uint64_t to, uint64_t every, const Request& r) {
  const std::vector<uint64_t> times = Every(from, to, every);
  ContactSheet sheet(static_cast<int>(times.size()), r.columns);
  Progress bar(r.sheet, times.size(), "thumbnail");
  for (size_t i = 0; i < times.size(); ++i) {
    run.stage.At(times[i], [&, i] {
      sheet.Place(static_cast<int>(i), run.stage.Shot(), times[i]);
      bar.Advance();
      if (i + 1 == times.size()) run.stage.Stop();
    });
  }
  run.stage.Run();
  bar.End();
  std::string why;
  if (run.stage.origin() &&
      !WritePng(r.sheet, sheet.pixels().data(), sheet.width(), sheet.height(), kSheetLevel, &why)) {
    run.failure.Set(why);
  }
  return run.Report("wrote a sheet of " + Count(times.size(), "thumbnail") + " to " + r.sheet);
}

int RenderVideo(Run& run, uint64_t from, uint64_t to, const Request& r) {
  const bool withSound = !run.program.theme.empty();
  std::string why;
  std::unique_ptr<VideoEncoder> encoder = VideoEncoder::Open(r.video, r.fps, withSound, &why);
  if (!encoder) {
    Say(why);
    return 1;
  }
  const uint64_t frames = ((to - from) * r.fps + 999) / 1000;
  Soundtrack track;
  uint64_t soundLaid = 0;  // samples of the track handed to the encoder
  TaskQueue coder(1, 4);
  Progress bar(r.video, frames, "frame");
  const auto started = std::chrono::steady_clock::now();
  // Sound up to `t` ms into the video; what sounded before `t` is in the log by now.
  auto soundUntil = [&](uint64_t t) {
    if (!withSound) return std::vector<float>();
    const uint64_t end = (t - from) * Soundtrack::kSamplesPerMs;
    std::vector<float> sound =
        track.Render(*run.stage.MediaLog(), *run.stage.origin() + from, soundLaid, end - soundLaid);
    soundLaid = end;
    return sound;
  };
  for (uint64_t k = 0; k < frames; ++k) {
    const uint64_t t = from + k * 1000 / r.fps;
    run.stage.At(t, [&, t] {
      if (!run.Going()) return;
      coder.Post([&, picture = run.stage.Shot(), sound = soundUntil(t)] {
        if (run.failure.happened()) return;
        std::string error;
        if (!encoder->AddSound(sound, &error) || !encoder->AddFrame(picture.data(), &error))
          run.failure.Set(error);
        bar.Advance();
      });
    });
  }
  run.stage.At(to, [&] {
    if (run.Going()) {
      coder.Post([&, sound = soundUntil(to)] {
        std::string error;
        if (!run.failure.happened() && !encoder->AddSound(sound, &error)) run.failure.Set(error);
      });
    }
    run.stage.Stop();
  });
  run.stage.Run();
  coder.Drain();
  bar.End();
  if (!track.warnings().empty()) Say(track.warnings());
  if (!run.failure.happened() && run.stage.origin()) {
    if (!encoder->Finish(&why)) run.failure.Set(why);
  }
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
  char done[512];
  std::snprintf(done, sizeof done, "wrote %s (%s, %s, %.1f s of video) in %.1f s", r.video.c_str(),
                encoder->Codecs().c_str(), Count(frames, "frame").c_str(), (to - from) / 1000.0,
                seconds);
  return run.Report(done);
}

}  // namespace

int Main(int argc, const char* const* argv) {
  Request r;
  CLI::App app{
      "Runs a demo program headlessly in virtual time (the clock advances --pump-ms per look at "
      "the message queue and by the length of every sleep; message boxes are answered OK and "
      "printed) and writes what its window shows. Times are virtual milliseconds after the "
      "program's start, or after the first cycle's start with --cycle.",
      "zelkrender"};
  tools::UsePlainHelp(app);
  app.set_version_flag("--version", "zelkrender " ZELK_VERSION);
  app.add_option("program", r.program, "One of: " + ProgramNames())->required();
  app.add_option("--at", r.at, "The screen as PNG at these times, into --out")
      ->delimiter(',')
      ->check(TimeMs(0))
      ->option_text("MS[,MS...]");
  app.add_option("--every", r.every,
                 "The screen every MS from --from to --to, into --out or --sheet")
      ->check(TimeMs(1))
      ->option_text("MS");
  app.add_option("--frames", r.frames, "The first N frames the program presents, into --out")
      ->check(CLI::Range(1, 1000000))
      ->option_text("N");
  app.add_option("--video", r.video, "A video (.mp4 or .webm) from --from to --to, with the theme")
      ->option_text("FILE");
  app.add_option("--sheet", r.sheet, "A contact sheet (PNG) of thumbnails every --every MS")
      ->option_text("FILE");
  app.add_option("--out", r.out, "Folder for the pictures (made when missing)")
      ->option_text("FOLDER");
  app.add_option("--from", r.from, "Start time (default 0)")->check(TimeMs(0))->option_text("MS");
  app.add_option("--to", r.to,
                 "End time, not included (default: one cycle of scenedemo, 10 s of "
                 "an effect program)")
      ->check(TimeMs(1))
      ->option_text("MS");
  app.add_option("--fps", r.fps, "Frames a second of the video (1 to 120, default 30)")
      ->check(CLI::Range(1, 120))
      ->option_text("N");
  app.add_option("--pump-ms", r.pumpMs,
                 "Virtual ms per look at the message queue (1 to 1000, default 1)")
      ->check(CLI::Range(1u, 1000u))
      ->option_text("MS");
  app.add_flag("--cycle", r.cycle,
               "Count times from the first cycle's start (the theme's first play)");
  app.add_flag("--verbose", r.verbose,
               "Also tell when the first cycle started (the theme's first play)");
  app.add_option("--columns", r.columns, "Thumbnails per row of the sheet (1 to 100, default 8)")
      ->check(CLI::Range(1, 100))
      ->option_text("N");
  app.add_option("--data", r.data,
                 "Folder to run the program from: scenedemo reads DIR/data/, the "
                 "effect programs DIR/*.mag (default: beside zelkrender)")
      ->option_text("DIR");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help
    Say(tools::ExplainParseError(app, e));
    return 2;
  }

  const std::optional<ProgramInfo> program = FindProgram(r.program);
  if (!program) {
    Say("unknown program \"" + r.program + "\" (one of: " + ProgramNames() + ")");
    return 2;
  }
  std::error_code ec;
  const std::string programDir =
      fs::absolute(r.data.empty() ? ToolFolder(argv[0]) : r.data, ec).lexically_normal().string();
  const std::string dir = programDir.size() > 1 && programDir.back() == '/'
                              ? programDir.substr(0, programDir.size() - 1)
                              : programDir;
  if (std::string problem = CheckRequest(r, *program, dir); !problem.empty()) {
    Say(problem);
    return 2;
  }
  if (!r.out.empty() && r.sheet.empty() && r.video.empty()) {
    fs::create_directories(r.out, ec);
    if (!fs::is_directory(r.out, ec)) {
      Say("cannot make the folder " + r.out);
      return 1;
    }
  }

  const uint64_t from = r.from.value_or(0), to = r.to.value_or(from + program->defaultSpanMs);
  Run run(*program, dir, r);
  if (!r.at.empty()) {
    std::vector<uint64_t> times = r.at;
    std::sort(times.begin(), times.end());
    times.erase(std::unique(times.begin(), times.end()), times.end());
    return RenderPictures(run, times, r.out);
  }
  if (r.frames > 0) return RenderFrames(run, r.frames, r.out);
  if (!r.video.empty()) return RenderVideo(run, from, to, r);
  if (!r.sheet.empty()) return RenderSheet(run, from, to, *r.every, r);
  return RenderPictures(run, Every(from, to, *r.every), r.out);
}

}  // namespace zelkrender
