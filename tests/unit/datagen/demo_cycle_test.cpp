// scenedemo on the generated set: a whole cycle in virtual time shows no
// message box (no file missing, none refused), and the theme plays from the
// cycle's start to past its end without being cut short.
#include <gtest/gtest.h>

#include <memory>
#include <string>

#include "platform/virtual/virtual_backend.h"
#include "platform/virtual/virtual_media_service.h"
#include "programs/scenedemo.h"
#include "services/calls.h"

namespace {

bool EndsWith(const std::string& s, const std::string& tail) {
  return s.size() >= tail.size() && s.compare(s.size() - tail.size(), tail.size(), tail) == 0;
}

TEST(DemoCycleTest, AWholeCycleRunsOnTheGeneratedSetWithoutAMessageBox) {
  platform::VirtualBackend::Options options;
  options.moduleFileName = std::string(ZELK_PROGRAM_DIR) + "/scenedemo";
  platform::VirtualBackend* backend = nullptr;
  services::System system([&](services::System& s) {
    auto made = std::make_unique<platform::VirtualBackend>(s, options);
    backend = made.get();
    return made;
  });
  auto media = std::make_unique<platform::VirtualMediaService>(system, *backend);
  const platform::VirtualMediaService* devices = media.get();
  system.SetMediaService(std::move(media));
  // One cycle is 171 s; close a little after the second one has begun.
  backend->At(175000, [&] { system.PostQuit(0); });
  {
    services::ScopedSystem installed(system);
    EXPECT_EQ(programs::ScenedemoMain(), 0);
  }
  for (const services::BoxRecord& box : system.boxLog())
    ADD_FAILURE() << "message box: " << box.caption << " / " << box.text;

  uint64_t firstPlay = 0, firstEnd = 0;
  int plays = 0;
  for (const auto& entry : devices->log()) {
    if (!EndsWith(entry.file, "tobirano.wav")) continue;
    if (entry.command == services::MCI_PLAY && plays++ == 0) firstPlay = entry.elapsedMs;
    if (entry.command == 0 && firstEnd == 0) firstEnd = entry.elapsedMs;
  }
  EXPECT_GE(plays, 2) << "the theme starts every cycle";
  if (firstEnd != 0) {
    EXPECT_GE(firstEnd - firstPlay, 171000u) << "the theme ended before the cycle";
  }
}

}  // namespace
