// The browser page around a program: its clock, its canvas, the events of its
// window frame, its dialog and its sound. Each call is one step of the page
// script (web/zelk.js, the `zelkPage` object of the Module); the calls that
// wait let the browser run meanwhile (ASYNCIFY), so the programs' blocking
// loops run unchanged.
#pragma once

#include <cstdint>
#include <string>

namespace platform::web {

// Milliseconds since the page was opened (performance.now()).
double PageNow();
// Sleeps `ms` milliseconds; the browser runs meanwhile.
void PageSleep(double ms);
// Sleeps until `ms` milliseconds have passed or a page or dialog event is waiting.
void PageWait(double ms);
// Lets the browser run one turn of its event loop, without a timer's delay.
void PageYield();

// Screen size of the device, in CSS pixels.
int PageScreenWidth();
int PageScreenHeight();

// The window frame: its title, and its appearance on the page.
void PageSetTitle(const std::string& title);
void PageShowWindow();
// Shows 640×480 RGBA pixels on the canvas.
void PageShowPicture(const uint32_t* rgba);
// Shows the picture at the display's next refresh and returns after it.
void PageShowPictureAtRefresh(const uint32_t* rgba);

// Input and notices of the page, oldest first.
enum class PageEventKind : int {
  kNone = 0,
  kClose = 1,      // the frame's close control
  kMouseMove = 2,  // a, b: client coordinates
  kLeftDown = 3,
  kLeftUp = 4,
  kRightDown = 5,
  kRightUp = 6,
  kSoundEnded = 7,  // a: the voice that played to its end, b: the play
  kExposed = 8,     // the page became visible again
};
struct PageEvent {
  PageEventKind kind = PageEventKind::kNone;
  int a = 0;
  int b = 0;
};
bool PageTakeEvent(PageEvent* event);

// The modal dialog: a caption, the text's lines ('\n' between them), an icon
// (0 none, 1 stop, 2 question, 3 exclamation, 4 information), the button
// labels ('\n' between them), whether its close control works, and the
// focused button.
void PageOpenDialog(const std::string& caption, const std::string& lines, int icon,
                    const std::string& labels, bool closeEnabled, int focus);
// Keys and pointer events in the open dialog, oldest first. A key is given in
// the order of msgbox::Key; a pointer target is a button's index,
// msgbox::kCloseControl or msgbox::kNothing.
enum class DialogEventKind : int {
  kNone = 0,
  kKey = 1,
  kPointerDown = 2,
  kPointerMove = 3,
  kPointerUp = 4
};
struct DialogEvent {
  DialogEventKind kind = DialogEventKind::kNone;
  int value = 0;
};
bool PageTakeDialogEvent(DialogEvent* event);
// Shows which button has the focus and which is held down (or none: -1).
void PageShowDialogState(int focus, int pushed);
void PageCloseDialog();

// The data files the page fetches while the program runs, by the name the
// program gives (relative to its folder, any case, '\\' or '/' between
// folders). Ready: the file is there, or is none the page fetches. Await
// returns once it is there, fetching it at once when it was not on its way.
bool PageDataFileReady(const std::string& name);
void PageAwaitDataFile(const std::string& name);

// The program has ended with this exit code.
void PageProgramEnded(int code);
// A picture the virtual mode reports: a shot at virtual time `ms`, or the
// `ms`-th frame presented; `kind` is "at" or "frame".
void PageReport(const char* kind, uint64_t ms, const uint32_t* rgba);

// Sound through Web Audio. A voice holds one sound of `channels` planes of
// `frames` samples at `rate`. Play starts it at `fromSec` and stops at
// `toSec`, and returns the play's number; its natural end is announced as a
// kSoundEnded event with the voice and that number.
int PageSoundCreate(int channels, uint32_t frames, int rate);  // -1: no audio output
void PageSoundFill(int voice, int channel, uint32_t offset, const float* samples, uint32_t count);
int PageSoundPlay(int voice, double fromSec, double toSec);
// Stops without announcing an end; returns the position reached, in seconds.
double PageSoundStop(int voice);
double PageSoundPosition(int voice);
bool PageSoundPlaying(int voice);
void PageSoundRelease(int voice);
// A sound file (full path) that the page carries in a web encoding, decoded
// before the program started: its length as the wave file has it (frames at
// its own rate). False when the page holds no encoding of it.
bool PageEncodedSoundLength(const std::string& path, uint32_t* frames, int* rate);
// A voice holding that sound, or -1 (no audio output, or no such sound).
int PageSoundCreateEncoded(const std::string& path);

}  // namespace platform::web
