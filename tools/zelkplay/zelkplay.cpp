// zelkplay: plays one AVI (or WAV) file through the media player in the demo
// window, to see and hear the media devices work.
//
//   zelkplay FILE [--mode N] [--rect L,T,W,H] [--seconds S] [--delay MS] [--log FILE]
//
// The window's back buffer is a dark grey field with a lighter frame around
// the video's rectangle; its title names the file and how far the play is.
// Every completion notice the window receives is written to the log (one line
// "notice DEVICE CODE"), and "end" when the program leaves. It leaves after
// --seconds (0: when the window is closed); with --seconds nobody needs to be
// there: every box is answered at once and written to standard error. A file
// the player cannot play is reported in the player's box and then on standard
// error, and the program leaves with exit code 1; so does a run without a
// display, or while a demo program runs.
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>

#include "media/media_player.h"
#include "platform/media/sdl_media_service.h"
#include "platform/media/video_device.h"
#include "platform/paths.h"
#include "programs/run_on_sdl.h"
#include "services/calls.h"
#include "services/media/wave_info.h"
#include "services/system.h"
#include "shell/entry.h"
#include "shell/pump.h"
#include "tools/cli/command_line.h"

namespace {

struct Options {
  std::string file;
  int mode = 1;
  std::vector<int> rect{160, 120, 320, 240};
  double seconds = 0;
  int delayMs = 0;
  std::string log;
};

Options g_options;  // read by the entry, which takes no arguments

// The file as a name relative to the program's folder, with backslashes,
// as the player takes its data names.
std::string RelativeName(const std::string& file) {
  namespace fs = std::filesystem;
  std::error_code ec;
  fs::path relative =
      fs::relative(fs::absolute(file, ec), fs::path(platform::ProgramDirectory()), ec);
  std::string name = relative.generic_string();
  for (char& c : name) {
    if (c == '/') c = '\\';
  }
  return name;
}

const char* AnswerName(int answer) {
  switch (answer) {
    case services::IDOK:
      return "OK";
    case services::IDCANCEL:
      return "Cancel";
    case services::IDYES:
      return "Yes";
    case services::IDNO:
      return "No";
  }
  return "?";
}

// "1.5" for 1500 ms.
std::string Seconds(uint32_t ms) {
  char text[32];
  std::snprintf(text, sizeof text, "%u.%u", ms / 1000, ms % 1000 / 100);
  return text;
}

class Zelkplay : public shell::DemoProgram {
 public:
  // Logs each notice, then hands it to the player; each one ends a pass.
  struct Logger : shell::MediaNoticeSink {
    void OnMciNotify(services::WindowHandle window, uint32_t device, uint32_t code) override {
      if (log) *log << "notice " << device << ' ' << code << std::endl;
      ++passesEnded;
      passStart = services::GetTickCount();
      player->OnMciNotify(window, device, code);
    }
    media::MediaPlayer* player = nullptr;
    std::ofstream* log = nullptr;
    int passesEnded = 0;
    services::Tick passStart = 0;
  };

  void SetUp(shell::MainWindow& window) override {
    windowOpened_ = true;
    if (!g_options.log.empty()) log_.open(g_options.log, std::ios::app);
    player_.emplace(window.hwnd, window.title);
    logger_.player = &*player_;
    logger_.log = log_.is_open() ? &log_ : nullptr;
    window.player = &logger_;
  }

  int Body(shell::MainWindow& window) override {
    const auto& r = g_options.rect;
    const std::string title =
        "zelkplay - " + std::filesystem::path(g_options.file).filename().string() + " - ";
    services::SetWindowText(window.hwnd, title + "waiting");
    window.backDC->PatBlt(0, 0, 640, 480, services::RasterFill::kBlackness);
    DrawField(*window.backDC, r);
    window.screenDC->BitBlt(0, 0, 640, 480, *window.backDC, 0, 0);
    if (shell::WaitUntil(services::GetTickCount() + g_options.delayMs) == 0) return 0;

    const std::string name = RelativeName(g_options.file);
    const bool wave = name.size() > 4 && (name.substr(name.size() - 4) == ".wav" ||
                                          name.substr(name.size() - 4) == ".WAV");
    uint32_t headerError = 0;
    std::optional<uint32_t> length;
    if (wave) {
      if (auto info = services::ReadWaveInfo(g_options.file, &headerError))
        length = info->DurationMs();
    } else {
      length = platform::VideoLengthMs(g_options.file);
    }
    logger_.passStart = services::GetTickCount();
    const int ok = wave ? player_->PlayWave(name.c_str(), g_options.mode)
                        : player_->PlayVideo(name.c_str(), g_options.mode, r[0], r[1], r[2], r[3]);
    if (ok == 0 && player_->QuitSeen()) return 0;
    if (ok == 0) {
      // The player has shown its box; say the same on stderr once it is gone.
      const auto& boxes = services::Sys().boxLog();
      failure_ = boxes.empty() ? "the media player refused it" : boxes.back().text;
      std::replace(failure_.begin(), failure_.end(), '\n', ' ');
      return 1;
    }
    const services::Tick end =
        services::GetTickCount() + static_cast<services::Tick>(g_options.seconds * 1000);
    // Played once and waited for (a wave in mode 0) is a pass that ended.
    const bool waited = wave && g_options.mode == 0;
    for (;;) {
      if (shell::PumpPending() == 0) return 0;
      // How far the play is: the time into the current pass, and the passes.
      const bool once = g_options.mode != 1 && (waited || logger_.passesEnded > 0);
      uint32_t at = services::GetTickCount() - logger_.passStart;
      if (length) at = once ? *length : std::min(at, *length);
      std::string progress = Seconds(at) + (length ? " / " + Seconds(*length) : "") + " s";
      if (once) progress += ", ended";
      if (!once && logger_.passesEnded > 0)
        progress += ", pass " + std::to_string(logger_.passesEnded + 1);
      services::SetWindowText(window.hwnd, title + progress);
      if (g_options.seconds > 0 && !(services::GetTickCount() < end)) return 1;
      services::Sleep(2);
    }
  }

  void Release() override {
    if (player_) player_->ReleaseAll();
    if (log_.is_open()) log_ << "end" << std::endl;
  }

  // Why the file could not be played, or empty.
  const std::string& failure() const { return failure_; }
  // Whether the window opened (there was a display, and no demo ran).
  bool windowOpened() const { return windowOpened_; }

 private:
  // A grey field with a lighter frame just outside the video's rectangle.
  static void DrawField(services::Surface& s, const std::vector<int>& r) {
    uint32_t* px = s.Pixels();
    if (px == nullptr || !s.Valid()) return;
    for (int y = 0; y < 480; ++y) {
      for (int x = 0; x < 640; ++x) {
        const bool frame =
            x >= r[0] - 4 && x < r[0] + r[2] + 4 && y >= r[1] - 4 && y < r[1] + r[3] + 4;
        px[y * 640 + x] = frame ? 0x909090 : 0x303030;
      }
    }
    s.MarkChanged();
  }

  std::optional<media::MediaPlayer> player_;
  Logger logger_;
  std::ofstream log_;
  std::string failure_;
  bool windowOpened_ = false;
};

int Entry() {
  if (services::FindWindow(shell::kWindowClassName)) {
    std::fprintf(stderr, "zelkplay: a demo program is running, and only one runs at a time\n");
    return 1;
  }
  Zelkplay program;
  const int code = shell::RunDemoProgram("zelkplay", "zelkplay", program);
  if (!program.windowOpened()) return 1;  // why is on stderr already
  if (program.failure().empty()) return code;
  std::fprintf(stderr, "zelkplay: cannot play %s: %s\n", g_options.file.c_str(),
               program.failure().c_str());
  return 1;
}

}  // namespace

int main(int argc, char** argv) {
  CLI::App app{"Plays an AVI or WAV file through the media player in the demo window.", "zelkplay"};
  tools::UsePlainHelp(app);
  app.set_version_flag("--version", "zelkplay " ZELK_VERSION);
  app.add_option("file", g_options.file, "AVI or WAV file")->required()->check(CLI::ExistingFile);
  app.add_option("--mode", g_options.mode,
                 "0 once, 1 loop (default), other: play once and stay open")
      ->option_text("N");
  app.add_option("--rect", g_options.rect,
                 "video rectangle: left, top, width, height (default 160,120,320,240)")
      ->expected(4)
      ->delimiter(',')
      ->option_text("L,T,W,H");
  app.add_option("--seconds", g_options.seconds,
                 "leave after this long (0: when closed); with it, message boxes are answered at "
                 "once and written to standard error")
      ->option_text("S");
  app.add_option("--delay", g_options.delayMs, "wait this long before playing")->option_text("MS");
  app.add_option("--log", g_options.log, "append completion notices to this file")
      ->option_text("FILE");
  try {
    app.parse(argc, argv);
  } catch (const CLI::ParseError& e) {
    if (e.get_exit_code() == 0) return app.exit(e);  // --help
    std::fprintf(stderr, "zelkplay: %s\n", tools::ExplainParseError(app, e).c_str());
    return 2;
  }
  return programs::RunOnSdl(Entry, [](services::System& system) {
    system.SetMediaService(std::make_unique<platform::SdlMediaService>(system));
    if (g_options.seconds > 0) {
      system.AnswerBoxesAtOnce([](const services::BoxRecord& box) {
        std::string text = box.text;
        std::replace(text.begin(), text.end(), '\n', ' ');
        std::fprintf(stderr, "zelkplay: box \"%s\": %s (answered %s)\n", box.caption.c_str(),
                     text.c_str(), AnswerName(box.answer));
      });
    }
  });
}
