// A small X11 helper for the end-to-end tests:
//   xtool wait-window TITLE [SECONDS]  prints "id x y w h" of the newest mapped window so titled
//   xtool count TITLE                  prints how many mapped windows have that title
//   xtool close TITLE                  asks the window to close (WM_DELETE_WINDOW), as its
//                                      close button would
//                                      (a TITLE ending in * stands for every title that
//                                      begins with what comes before the *)
//   xtool shot OUT.png [X Y W H]       writes the root window (or a part of it) as PNG
//   xtool key ID KEYSYM                sends a key press and release to window ID
//   xtool wait-box TITLE [SECONDS]     prints the id of a message box with that caption
//   xtool geometry ID                  prints "x y w h" of window ID
//   xtool uniform IMAGE.png            prints the colour (RRGGBB) when all pixels share it,
//                                      else "mixed"
//   xtool diff A.png B.png             prints how many pixels differ (sizes must match)
//   xtool diff-box A.png B.png         prints "N X0 Y0 X1 Y1": how many pixels differ and the
//                                      box (end exclusive) that holds them, "0 0 0 0 0" if none
//   xtool match A.png B.png…           prints the number (from 0) of the first B equal to A, or -1
//   xtool zoom IN.png OUT.png N        writes the picture N times larger, each pixel a square
//   xtool colors IMAGE.png             prints how many distinct colours the picture has
//   xtool wait-picture IMAGE.png X Y [SECONDS]  waits until the screen at (X, Y) shows exactly
//                                      that picture; on timeout prints how many pixels differed
//   xtool wait-picture IMAGE.png X Y FROM TO    the same from tick FROM to tick TO of the
//                                      programs' clock (the monotonic one in ms, as they trace)
#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Found {
  Window id;
  int x, y, w, h;
};

void Collect(Display* d, Window w, const std::string& title, std::vector<Found>* out) {
  char* name = nullptr;
  XWindowAttributes a;
  if (XGetWindowAttributes(d, w, &a) && a.map_state == IsViewable) {
    XTextProperty prop;
    std::string t;
    if (XGetWMName(d, w, &prop) && prop.value) {
      t.assign(reinterpret_cast<char*>(prop.value), prop.nitems);
      XFree(prop.value);
    } else if (XFetchName(d, w, &name) && name) {
      t = name;
      XFree(name);
    }
    const bool prefix = !title.empty() && title.back() == '*';
    if (prefix ? t.compare(0, title.size() - 1, title, 0, title.size() - 1) == 0 : t == title) {
      int rx = 0, ry = 0;
      Window child;
      XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &rx, &ry, &child);
      out->push_back({w, rx, ry, a.width, a.height});
    }
  }
  Window root, parent, *children = nullptr;
  unsigned n = 0;
  if (XQueryTree(d, w, &root, &parent, &children, &n)) {
    for (unsigned i = 0; i < n; ++i)
      Collect(d, children[i], title, out);
    if (children) XFree(children);
  }
}

std::vector<Found> FindAll(Display* d, const std::string& title) {
  std::vector<Found> out;
  Collect(d, DefaultRootWindow(d), title, &out);
  return out;
}

int Shot(Display* d, const char* path, int x, int y, int w, int h) {
  XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, w, h, AllPlanes, ZPixmap);
  if (!img) return 1;
  FILE* f = std::fopen(path, "wb");
  if (!f) return 1;
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
  png_infop info = png_create_info_struct(png);
  if (setjmp(png_jmpbuf(png))) return 1;
  png_init_io(png, f);
  png_set_IHDR(png, info, w, h, 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
               PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
  png_write_info(png, info);
  std::vector<unsigned char> row(static_cast<size_t>(w) * 3);
  for (int j = 0; j < h; ++j) {
    for (int i = 0; i < w; ++i) {
      unsigned long p = XGetPixel(img, i, j);
      row[3 * i] = (p >> 16) & 0xFF;
      row[3 * i + 1] = (p >> 8) & 0xFF;
      row[3 * i + 2] = p & 0xFF;
    }
    png_write_row(png, row.data());
  }
  png_write_end(png, nullptr);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  XDestroyImage(img);
  return 0;
}

struct Rgb8 {
  int w = 0, h = 0;
  std::vector<unsigned char> px;  // RGB
};

bool ReadPng(const char* path, Rgb8* out) {
  png_image img{};
  img.version = PNG_IMAGE_VERSION;
  if (!png_image_begin_read_from_file(&img, path)) return false;
  img.format = PNG_FORMAT_RGB;
  out->w = img.width;
  out->h = img.height;
  out->px.resize(PNG_IMAGE_SIZE(img));
  if (!png_image_finish_read(&img, nullptr, out->px.data(), 0, nullptr)) return false;
  return true;
}

// How long from now until tick `t` of the programs' clock (negative once past).
std::chrono::milliseconds UntilTick(const char* t) {
  const auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
      std::chrono::steady_clock::now().time_since_epoch());
  return std::chrono::milliseconds(static_cast<int32_t>(
      static_cast<uint32_t>(std::strtoull(t, nullptr, 10)) - static_cast<uint32_t>(now.count())));
}

}  // namespace

int main(int argc, char** argv) {
  if (argc < 2) return 2;
  std::string cmd = argv[1];
  const bool needsDisplay = cmd != "uniform" && cmd != "diff" && cmd != "diff-box" &&
                            cmd != "match" && cmd != "colors" && cmd != "zoom";
  Display* d = needsDisplay ? XOpenDisplay(nullptr) : nullptr;
  if (needsDisplay && !d) {
    std::fprintf(stderr, "xtool: no display\n");
    return 2;
  }
  // Windows come and go while the tree is walked (a window manager's among
  // them): one gone meanwhile is passed over instead of ending the tool.
  XSetErrorHandler([](Display* display, XErrorEvent* e) {
    if (e->error_code == BadWindow) return 0;
    char text[200];
    XGetErrorText(display, e->error_code, text, sizeof text);
    std::fprintf(stderr, "xtool: X error: %s\n", text);
    std::exit(2);
  });
  if (cmd == "wait-window" && argc >= 3) {
    double seconds = argc >= 4 ? std::atof(argv[3]) : 10;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    while (std::chrono::steady_clock::now() < end) {
      auto all = FindAll(d, argv[2]);
      if (!all.empty()) {
        const Found& f = all.back();
        std::printf("%lu %d %d %d %d\n", f.id, f.x, f.y, f.w, f.h);
        return 0;
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 1;
  }
  if (cmd == "count" && argc >= 3) {
    std::printf("%zu\n", FindAll(d, argv[2]).size());
    return 0;
  }
  if (cmd == "close" && argc >= 3) {
    auto all = FindAll(d, argv[2]);
    if (all.empty()) return 1;
    Atom protocols = XInternAtom(d, "WM_PROTOCOLS", False);
    Atom del = XInternAtom(d, "WM_DELETE_WINDOW", False);
    XEvent e{};
    e.xclient.type = ClientMessage;
    e.xclient.window = all.front().id;
    e.xclient.message_type = protocols;
    e.xclient.format = 32;
    e.xclient.data.l[0] = static_cast<long>(del);
    e.xclient.data.l[1] = CurrentTime;
    XSendEvent(d, all.front().id, False, NoEventMask, &e);
    XSync(d, False);
    return 0;
  }
  if (cmd == "shot" && argc >= 3) {
    int x = 0, y = 0;
    int w = DisplayWidth(d, DefaultScreen(d)), h = DisplayHeight(d, DefaultScreen(d));
    if (argc >= 7) {
      x = std::atoi(argv[3]);
      y = std::atoi(argv[4]);
      w = std::atoi(argv[5]);
      h = std::atoi(argv[6]);
    }
    return Shot(d, argv[2], x, y, w, h);
  }
  if (cmd == "key" && argc >= 4) {
    Window w = std::strtoul(argv[2], nullptr, 0);
    KeySym sym = XStringToKeysym(argv[3]);
    XEvent e{};
    e.xkey.type = KeyPress;
    e.xkey.display = d;
    e.xkey.window = w;
    e.xkey.root = DefaultRootWindow(d);
    e.xkey.keycode = XKeysymToKeycode(d, sym);
    e.xkey.same_screen = True;
    XSendEvent(d, w, True, KeyPressMask, &e);
    e.xkey.type = KeyRelease;
    XSendEvent(d, w, True, KeyReleaseMask, &e);
    XSync(d, False);
    return 0;
  }
  if (cmd == "geometry" && argc >= 3) {
    Window w = std::strtoul(argv[2], nullptr, 0);
    XWindowAttributes a;
    int rx, ry;
    Window child;
    if (!XGetWindowAttributes(d, w, &a)) return 1;
    XTranslateCoordinates(d, w, DefaultRootWindow(d), 0, 0, &rx, &ry, &child);
    std::printf("%d %d %d %d\n", rx, ry, a.width, a.height);
    return 0;
  }
  if (cmd == "wait-box" && argc >= 3) {
    double seconds = argc >= 4 ? std::atof(argv[3]) : 10;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    while (std::chrono::steady_clock::now() < end) {
      for (const Found& f : FindAll(d, argv[2])) {
        // Neither the window at a whole scale nor full screen.
        if ((f.w % 640 != 0 || f.h % 480 != 0) && f.w != DisplayWidth(d, DefaultScreen(d))) {
          std::printf("%lu\n", f.id);
          return 0;
        }
      }
      std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
    return 1;
  }
  if (cmd == "wait-picture" && argc >= 5) {
    Rgb8 want;
    if (!ReadPng(argv[2], &want)) return 2;
    const int x = std::atoi(argv[3]), y = std::atoi(argv[4]);
    double seconds = argc == 6 ? std::atof(argv[5]) : 10;
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(int(seconds * 1000));
    if (argc >= 7) {
      std::this_thread::sleep_for(UntilTick(argv[5]));
      end = std::chrono::steady_clock::now() + UntilTick(argv[6]);
    }
    size_t differing = want.px.size() / 3;
    do {
      XImage* img = XGetImage(d, DefaultRootWindow(d), x, y, want.w, want.h, AllPlanes, ZPixmap);
      if (!img) return 2;
      differing = 0;
      for (int j = 0; j < want.h; ++j)
        for (int i = 0; i < want.w; ++i) {
          const unsigned char* p = &want.px[(static_cast<size_t>(j) * want.w + i) * 3];
          unsigned long rgb = static_cast<unsigned long>(p[0]) << 16 | p[1] << 8 | p[2];
          if ((XGetPixel(img, i, j) & 0xFFFFFF) != rgb) ++differing;
        }
      XDestroyImage(img);
      if (differing == 0) return 0;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    } while (std::chrono::steady_clock::now() < end);
    std::printf("%zu\n", differing);
    return 1;
  }
  if (cmd == "uniform" && argc >= 3) {
    Rgb8 a;
    if (!ReadPng(argv[2], &a)) return 2;
    for (size_t i = 3; i < a.px.size(); ++i) {
      if (a.px[i] != a.px[i % 3]) {
        std::printf("mixed\n");
        return 0;
      }
    }
    std::printf("%02X%02X%02X\n", a.px[0], a.px[1], a.px[2]);
    return 0;
  }
  if (cmd == "zoom" && argc >= 5) {
    Rgb8 a;
    const int n = std::atoi(argv[4]);
    if (!ReadPng(argv[2], &a) || n < 1 || n > 16) return 2;
    std::vector<unsigned char> big(a.px.size() * n * n);
    for (int y = 0; y < a.h * n; ++y) {
      for (int x = 0; x < a.w * n; ++x) {
        const size_t from = (static_cast<size_t>(y / n) * a.w + x / n) * 3;
        const size_t to = (static_cast<size_t>(y) * a.w * n + x) * 3;
        std::memcpy(&big[to], &a.px[from], 3);
      }
    }
    png_image img{};
    img.version = PNG_IMAGE_VERSION;
    img.width = a.w * n;
    img.height = a.h * n;
    img.format = PNG_FORMAT_RGB;
    return png_image_write_to_file(&img, argv[3], 0, big.data(), 0, nullptr) ? 0 : 1;
  }
  if (cmd == "diff" && argc >= 4) {
    Rgb8 a, b;
    if (!ReadPng(argv[2], &a) || !ReadPng(argv[3], &b) || a.w != b.w || a.h != b.h) return 2;
    size_t n = 0;
    for (size_t i = 0; i < a.px.size(); i += 3) {
      if (a.px[i] != b.px[i] || a.px[i + 1] != b.px[i + 1] || a.px[i + 2] != b.px[i + 2]) ++n;
    }
    std::printf("%zu\n", n);
    return 0;
  }
  if (cmd == "diff-box" && argc >= 4) {
    Rgb8 a, b;
    if (!ReadPng(argv[2], &a) || !ReadPng(argv[3], &b) || a.w != b.w || a.h != b.h) return 2;
    size_t n = 0;
    int x0 = a.w, y0 = a.h, x1 = 0, y1 = 0;
    for (int y = 0; y < a.h; ++y) {
      for (int x = 0; x < a.w; ++x) {
        const size_t i = (static_cast<size_t>(y) * a.w + x) * 3;
        if (std::memcmp(&a.px[i], &b.px[i], 3) == 0) continue;
        ++n;
        x0 = std::min(x0, x), y0 = std::min(y0, y);
        x1 = std::max(x1, x + 1), y1 = std::max(y1, y + 1);
      }
    }
    if (n == 0) x0 = y0 = 0;
    std::printf("%zu %d %d %d %d\n", n, x0, y0, x1, y1);
    return 0;
  }
  if (cmd == "match" && argc >= 4) {
    Rgb8 a;
    if (!ReadPng(argv[2], &a)) return 2;
    for (int k = 3; k < argc; ++k) {
      Rgb8 b;
      if (ReadPng(argv[k], &b) && b.w == a.w && b.h == a.h && b.px == a.px) {
        std::printf("%d\n", k - 3);
        return 0;
      }
    }
    std::printf("-1\n");
    return 0;
  }
  if (cmd == "colors" && argc >= 3) {
    Rgb8 a;
    if (!ReadPng(argv[2], &a)) return 2;
    std::set<unsigned> seen;
    for (size_t i = 0; i < a.px.size(); i += 3)
      seen.insert(a.px[i] << 16 | a.px[i + 1] << 8 | a.px[i + 2]);
    std::printf("%zu\n", seen.size());
    return 0;
  }
  return 2;
}
