// The gdk-pixbuf loader module for MAG pictures ("MAKI02  "): image viewers,
// file managers and GTK programs open .mag files through it, decoded by the
// demos' own decoder. A picture becomes an RGB pixbuf of the decoded size
// (the width widened to whole columns, as the decoder gives it), each pixel
// its palette entry unchanged, or of the smaller size the caller asks for. A
// refused file gives a GError carrying the decoder's message; nothing leaves
// the module as an exception.
#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gmodule.h>

#include <cstdio>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "image/mag_decode.h"
#include "tools/zelkimg/reduce.h"

namespace {

void SetError(GError** error, GdkPixbufError code, const char* message) {
  g_set_error_literal(error, GDK_PIXBUF_ERROR, code, message);
}

void NoMemory(GError** error) {
  SetError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
           "Not enough memory to load the MAG picture");
}

// Decodes a whole file. `size` (when given) hears the picture's size before
// the pixbuf is made and may ask for another: a smaller one is what the rows
// are reduced to as they are decoded, so a thumbnail never holds the picture
// whole; for a larger one the picture comes at its own size and gdk-pixbuf
// enlarges it. Asked for 0 × 0, the load ends with neither a picture nor an
// error (callers that only want the size do so).
GdkPixbuf* Decode(std::span<const uint8_t> file, GdkPixbufModuleSizeFunc size, gpointer user,
                  GError** error) {
  std::unique_ptr<GdkPixbuf, decltype(&g_object_unref)> pixbuf(nullptr, g_object_unref);
  std::vector<image::Rgb> palette;
  std::optional<zelkimg::Reducer> reducer;
  int width = 0;
  const auto start = [&](const image::IndexedPicture& p) {
    if (p.width <= 0 || p.height <= 0) {
      g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
                  "The MAG picture is empty (%dx%d pixels)", p.width, p.height);
      return false;
    }
    int w = p.width, h = p.height;
    if (size != nullptr) size(&w, &h, user);
    if (w == 0 || h == 0) return false;
    if (w > p.width || h > p.height) w = p.width, h = p.height;
    pixbuf.reset(gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, w, h));
    if (!pixbuf) {
      g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
                  "Not enough memory for a MAG picture of %dx%d pixels", w, h);
      return false;
    }
    palette = p.palette;
    palette.resize(256);
    width = p.width;
    reducer.emplace(p.width, p.height, w, h, palette.data(), gdk_pixbuf_get_pixels(pixbuf.get()),
                    gdk_pixbuf_get_rowstride(pixbuf.get()), false);
    return true;
  };
  const char* message = image::DecodeMagRows(file, start, [&](int, const uint8_t* indices) {
    reducer->Add(0, indices, width);
    reducer->EndRow();
  });
  if (message != nullptr) {
    SetError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE, message);
    return nullptr;
  }
  return reducer ? pixbuf.release() : nullptr;
}

GdkPixbuf* Load(FILE* f, GError** error) {
  try {
    std::vector<uint8_t> file;
    uint8_t buffer[65536];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, f)) > 0)
      file.insert(file.end(), buffer, buffer + n);
    if (std::ferror(f)) {
      SetError(error, GDK_PIXBUF_ERROR_FAILED, image::kMagCantRead);
      return nullptr;
    }
    return Decode(file, nullptr, nullptr, error);
  } catch (const std::bad_alloc&) {
    NoMemory(error);
    return nullptr;
  }
}

// An incremental load gathers the bytes and decodes them when the file ends.
struct Context {
  GdkPixbufModuleSizeFunc size = nullptr;
  GdkPixbufModulePreparedFunc prepared = nullptr;
  GdkPixbufModuleUpdatedFunc updated = nullptr;
  gpointer user = nullptr;
  std::vector<uint8_t> file;
};

gpointer BeginLoad(GdkPixbufModuleSizeFunc size, GdkPixbufModulePreparedFunc prepared,
                   GdkPixbufModuleUpdatedFunc updated, gpointer user, GError** error) {
  try {
    // Owned by gdk-pixbuf until it hands it back to StopLoad.
    return std::make_unique<Context>(Context{size, prepared, updated, user, {}}).release();
  } catch (const std::bad_alloc&) {
    NoMemory(error);
    return nullptr;
  }
}

gboolean LoadIncrement(gpointer data, const guchar* buffer, guint size, GError** error) {
  auto* context = static_cast<Context*>(data);
  try {
    context->file.insert(context->file.end(), buffer, buffer + size);
    return TRUE;
  } catch (const std::bad_alloc&) {
    NoMemory(error);
    return FALSE;
  }
}

gboolean StopLoad(gpointer data, GError** error) {
  const std::unique_ptr<Context> context(static_cast<Context*>(data));
  try {
    GError* failure = nullptr;
    GdkPixbuf* pixbuf = Decode(context->file, context->size, context->user, &failure);
    if (pixbuf == nullptr) {
      if (failure == nullptr) return TRUE;  // only the size was wanted
      g_propagate_error(error, failure);
      return FALSE;
    }
    if (context->prepared != nullptr) context->prepared(pixbuf, nullptr, context->user);
    if (context->updated != nullptr)
      context->updated(pixbuf, 0, 0, gdk_pixbuf_get_width(pixbuf), gdk_pixbuf_get_height(pixbuf),
                       context->user);
    g_object_unref(pixbuf);
    return TRUE;
  } catch (const std::bad_alloc&) {
    NoMemory(error);
    return FALSE;
  }
}

}  // namespace

extern "C" {

G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module) {
  module->load = Load;
  module->begin_load = BeginLoad;
  module->stop_load = StopLoad;
  module->load_increment = LoadIncrement;
}

G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info) {
  static GdkPixbufModulePattern signature[] = {
      {const_cast<char*>("MAKI02  "), nullptr, 100},
      {nullptr, nullptr, 0},
  };
  static const gchar* mimeTypes[] = {"image/x-mag", nullptr};
  static const gchar* extensions[] = {"mag", nullptr};
  info->name = const_cast<gchar*>("mag");
  info->signature = signature;
  info->description = const_cast<gchar*>("MAG picture (16 or 256 colours)");
  info->mime_types = const_cast<gchar**>(mimeTypes);
  info->extensions = const_cast<gchar**>(extensions);
  info->flags = GDK_PIXBUF_FORMAT_THREADSAFE;
  info->license = const_cast<gchar*>("Other");
}

}  // extern "C"
