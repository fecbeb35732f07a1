#include "archive/progress_display.h"

#include <cstdio>
#include <cstdlib>

#include "platform/terminal.h"
#include "services/calls.h"
#include "services/system.h"

namespace qarch {

std::string FormatBytes(double bytes) {
  char text[64];
  if (bytes < 1048576.0) {
    std::snprintf(text, sizeof text, "%.1f KB", bytes / 1024.0);
  } else {
    std::snprintf(text, sizeof text, "%.1f MB", bytes / 1048576.0);
  }
  return text;
}

int ShowBox(const std::string& text, const std::string& caption, uint32_t style) {
  if (services::HasSystem()) return services::MessageBox(nullptr, text, caption, style);
  std::string shown = text;
  for (char& c : shown) {
    if (c == '\r') c = '\n';
  }
  std::fprintf(stderr, "%s: %s\n", caption.c_str(), shown.c_str());
  const bool twoButtons = (style & 0x0F) == services::MB_OKCANCEL;
  return twoButtons && (style & services::MB_DEFBUTTON2) ? services::IDCANCEL : services::IDOK;
}

ProgressDisplay::ProgressDisplay(const std::string& title) : title_(title) {
  if (const char* after = std::getenv("ZELK_QARCH_CANCEL_AFTER"); after && *after) {
    cancelAfter_ = std::strtoull(after, nullptr, 10);
  }
  windowOpen_ = window_.Open(title.empty() ? "解凍中" : title);
  terminal_ = !windowOpen_ && platform::StderrIsTerminal();
}

ProgressDisplay::~ProgressDisplay() {
  if (terminal_) std::fputs("\n", stderr);
}

void ProgressDisplay::Update(const Progress& progress, bool now) {
  auto t = std::chrono::steady_clock::now();
  if (!now && t - lastDraw_ < std::chrono::milliseconds(40)) {
    if (windowOpen_) window_.Poll();
    return;
  }
  lastDraw_ = t;
  Draw(progress);
}

void ProgressDisplay::Draw(const Progress& p) {
  const std::string heading = p.archive + " (" + std::to_string(p.archiveIndex) + "/" +
                              std::to_string(p.archiveCount) + ")";
  if (windowOpen_) {
    platform::ProgressView view;
    view.heading = "展開中: " + heading;
    view.partLabel =
        p.member + "  " + FormatBytes(p.archiveDone) + " / " + FormatBytes(p.archiveTotal);
    view.allLabel = "全体  " + FormatBytes(p.allDone) + " / " + FormatBytes(p.allTotal);
    view.partDone = p.archiveDone;
    view.partTotal = p.archiveTotal;
    view.allDone = p.allDone;
    view.allTotal = p.allTotal;
    window_.Show(view);
  } else if (terminal_) {
    int percent = p.allTotal ? static_cast<int>(p.allDone * 100 / p.allTotal) : 100;
    std::fprintf(stderr, "\r%s  %s / %s  %3d%%  (Ctrl+C で中止)\033[K", heading.c_str(),
                 FormatBytes(p.allDone).c_str(), FormatBytes(p.allTotal).c_str(), percent);
  } else if (p.archiveIndex != lastArchive_) {
    std::fprintf(stderr, "展開中: %s\n", heading.c_str());
  }
  lastArchive_ = p.archiveIndex;
}

bool ProgressDisplay::Cancelled(const Progress& progress) {
  if (cancelAfter_ && progress.allDone >= *cancelAfter_) return true;
  return window_.cancelled() || interrupt_.raised();
}

}  // namespace qarch
