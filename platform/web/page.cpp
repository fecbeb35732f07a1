#include "platform/web/page.h"

#include <emscripten.h>

// Every function here hands over to the page script's `zelkPage` object.
// Pictures and samples are passed as views of the program's memory, which the
// page copies before the call returns.

EM_JS(double, zelk_now, (), { return performance.now(); });
EM_ASYNC_JS(void, zelk_sleep, (double ms), { await Module.zelkPage.sleep(ms); });
EM_ASYNC_JS(void, zelk_wait, (double ms), { await Module.zelkPage.wait(ms); });
EM_ASYNC_JS(void, zelk_yield, (), { await Module.zelkPage.yieldTurn(); });
EM_JS(int, zelk_screen_width, (), { return Module.zelkPage.screenWidth(); });
EM_JS(int, zelk_screen_height, (), { return Module.zelkPage.screenHeight(); });
EM_JS(void, zelk_set_title, (const char* title),
      { Module.zelkPage.setTitle(UTF8ToString(title)); });
EM_JS(void, zelk_show_window, (), { Module.zelkPage.showWindow(); });
EM_JS(void, zelk_show_picture, (const uint32_t* rgba),
      { Module.zelkPage.showPicture(HEAPU8.subarray(rgba, rgba + 640 * 480 * 4)); });
EM_ASYNC_JS(void, zelk_show_picture_at_refresh, (const uint32_t* rgba), {
  await Module.zelkPage.showPictureAtRefresh(HEAPU8.subarray(rgba, rgba + 640 * 480 * 4));
});
EM_JS(int, zelk_take_event, (int* out), {
  const e = Module.zelkPage.takeEvent();
  if (!e) return 0;
  HEAP32[out >> 2] = e[1] | 0;
  HEAP32[(out >> 2) + 1] = e[2] | 0;
  return e[0];
});
EM_JS(void, zelk_open_dialog,
      (const char* caption, const char* lines, int icon, const char* labels, int closeEnabled,
       int focus),
      {
        Module.zelkPage.openDialog(UTF8ToString(caption), UTF8ToString(lines), icon,
                                   UTF8ToString(labels), closeEnabled != 0, focus);
      });
EM_JS(int, zelk_dialog_take_event, (int* value), {
  const e = Module.zelkPage.dialogTakeEvent();
  if (!e) return 0;
  HEAP32[value >> 2] = e[1] | 0;
  return e[0];
});
EM_JS(void, zelk_dialog_state, (int focus, int pushed),
      { Module.zelkPage.dialogState(focus, pushed); });
EM_JS(void, zelk_close_dialog, (), { Module.zelkPage.closeDialog(); });
EM_JS(int, zelk_file_ready, (const char* name),
      { return Module.zelkPage.files.ready(UTF8ToString(name)) ? 1 : 0; });
EM_ASYNC_JS(void, zelk_await_file, (const char* name),
            { await Module.zelkPage.files.await(UTF8ToString(name)); });
EM_JS(int, zelk_encoded_sound_length, (const char* path, uint32_t* frames, int* rate), {
  const sound = Module.zelkPage.sound.encoded(UTF8ToString(path));
  if (!sound) return 0;
  HEAPU32[frames >> 2] = sound.frames;
  HEAP32[rate >> 2] = sound.rate;
  return 1;
});
EM_JS(int, zelk_sound_create_encoded, (const char* path),
      { return Module.zelkPage.sound.createEncoded(UTF8ToString(path)); });
EM_JS(void, zelk_program_ended, (int code), { Module.zelkPage.programEnded(code); });
EM_JS(void, zelk_report, (const char* kind, double ms, const uint32_t* rgba), {
  Module.zelkPage.report(UTF8ToString(kind), ms, HEAPU8.subarray(rgba, rgba + 640 * 480 * 4));
});
EM_JS(int, zelk_sound_create, (int channels, double frames, int rate),
      { return Module.zelkPage.sound.create(channels, frames, rate); });
EM_JS(void, zelk_sound_fill,
      (int voice, int channel, double offset, const float* samples, int count), {
        Module.zelkPage.sound.fill(voice, channel, offset,
                                   HEAPF32.subarray(samples >> 2, (samples >> 2) + count));
      });
EM_JS(int, zelk_sound_play, (int voice, double from, double to),
      { return Module.zelkPage.sound.play(voice, from, to); });
EM_JS(double, zelk_sound_stop, (int voice), { return Module.zelkPage.sound.stop(voice); });
EM_JS(double, zelk_sound_position, (int voice), { return Module.zelkPage.sound.position(voice); });
EM_JS(int, zelk_sound_playing, (int voice),
      { return Module.zelkPage.sound.playing(voice) ? 1 : 0; });
EM_JS(void, zelk_sound_release, (int voice), { Module.zelkPage.sound.release(voice); });

namespace platform::web {

double PageNow() {
  return zelk_now();
}
void PageSleep(double ms) {
  zelk_sleep(ms);
}
void PageWait(double ms) {
  zelk_wait(ms);
}
void PageYield() {
  zelk_yield();
}
int PageScreenWidth() {
  return zelk_screen_width();
}
int PageScreenHeight() {
  return zelk_screen_height();
}
void PageSetTitle(const std::string& title) {
  zelk_set_title(title.c_str());
}
void PageShowWindow() {
  zelk_show_window();
}
void PageShowPicture(const uint32_t* rgba) {
  zelk_show_picture(rgba);
}
void PageShowPictureAtRefresh(const uint32_t* rgba) {
  zelk_show_picture_at_refresh(rgba);
}

bool PageTakeEvent(PageEvent* event) {
  int ab[2] = {0, 0};
  const int kind = zelk_take_event(ab);
  if (kind == 0) return false;
  *event = PageEvent{static_cast<PageEventKind>(kind), ab[0], ab[1]};
  return true;
}

void PageOpenDialog(const std::string& caption, const std::string& lines, int icon,
                    const std::string& labels, bool closeEnabled, int focus) {
  zelk_open_dialog(caption.c_str(), lines.c_str(), icon, labels.c_str(), closeEnabled ? 1 : 0,
                   focus);
}
bool PageTakeDialogEvent(DialogEvent* event) {
  int value = 0;
  const int kind = zelk_dialog_take_event(&value);
  if (kind == 0) return false;
  *event = DialogEvent{static_cast<DialogEventKind>(kind), value};
  return true;
}
void PageShowDialogState(int focus, int pushed) {
  zelk_dialog_state(focus, pushed);
}
void PageCloseDialog() {
  zelk_close_dialog();
}
bool PageDataFileReady(const std::string& name) {
  return zelk_file_ready(name.c_str()) != 0;
}
void PageAwaitDataFile(const std::string& name) {
  zelk_await_file(name.c_str());
}
void PageProgramEnded(int code) {
  zelk_program_ended(code);
}
void PageReport(const char* kind, uint64_t ms, const uint32_t* rgba) {
  zelk_report(kind, static_cast<double>(ms), rgba);
}

int PageSoundCreate(int channels, uint32_t frames, int rate) {
  return zelk_sound_create(channels, frames, rate);
}
void PageSoundFill(int voice, int channel, uint32_t offset, const float* samples, uint32_t count) {
  zelk_sound_fill(voice, channel, offset, samples, static_cast<int>(count));
}
int PageSoundPlay(int voice, double fromSec, double toSec) {
  return zelk_sound_play(voice, fromSec, toSec);
}
double PageSoundStop(int voice) {
  return zelk_sound_stop(voice);
}
double PageSoundPosition(int voice) {
  return zelk_sound_position(voice);
}
bool PageSoundPlaying(int voice) {
  return zelk_sound_playing(voice) != 0;
}
void PageSoundRelease(int voice) {
  zelk_sound_release(voice);
}
bool PageEncodedSoundLength(const std::string& path, uint32_t* frames, int* rate) {
  return zelk_encoded_sound_length(path.c_str(), frames, rate) != 0;
}
int PageSoundCreateEncoded(const std::string& path) {
  return zelk_sound_create_encoded(path.c_str());
}

}  // namespace platform::web
