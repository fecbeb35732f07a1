// The gdk-pixbuf loader module for MAG pictures ("MAKI02  "): image viewers,
// file managers and GTK programs open .mag files through it, decoded by the
// demos' own decoder. A picture becomes an RGB pixbuf of the decoded size
// (the width widened to whole columns, as the decoder gives it), each pixel
// its palette entry unchanged. A refused file gives a GError carrying the
// decoder's message; nothing leaves the module as an exception.
#define GDK_PIXBUF_ENABLE_BACKEND
#include <gdk-pixbuf/gdk-pixbuf.h>
#include <gmodule.h>

#include <cstdio>
#include <memory>
#include <new>
#include <span>
#include <vector>

#include "image/mag_decode.h"

namespace {

void SetError(GError** error, GdkPixbufError code, const char* message) {
  g_set_error_literal(error, GDK_PIXBUF_ERROR, code, message);
}

void NoMemory(GError** error) {
  SetError(error, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
           "Not enough memory to load the MAG picture");
}

// Takes a decoded picture's block (16 or 256 colours, rows bottom-up) and
// gives its pixels in the pixbuf's top-down RGB rows.
void CopyPixels(const image::DibBlock& block, GdkPixbuf* pixbuf) {
  const services::BitmapInfoHeader h = block.header();
  const uint8_t* table = block.data() + sizeof h;  // (blue, green, red, 0) entries
  const uint8_t* bits = table + 4 * (size_t{1} << h.biBitCount);
  const size_t stride = image::DibRowStride(block);
  guchar* out = gdk_pixbuf_get_pixels(pixbuf);
  const size_t outStride = static_cast<size_t>(gdk_pixbuf_get_rowstride(pixbuf));
  for (int y = 0; y < h.biHeight; ++y) {
    const uint8_t* row = bits + static_cast<size_t>(h.biHeight - 1 - y) * stride;
    guchar* p = out + static_cast<size_t>(y) * outStride;
    for (int x = 0; x < h.biWidth; ++x, p += 3) {
      const int index = h.biBitCount == 8 ? row[x] : (x & 1) ? row[x / 2] & 0x0F : row[x / 2] >> 4;
      const uint8_t* entry = table + 4 * index;
      p[0] = entry[2];
      p[1] = entry[1];
      p[2] = entry[0];
    }
  }
}

// Decodes a whole file. `size` (when given) hears the picture's size before
// the pixbuf is made and may ask for 0 × 0: the load then ends with neither a
// picture nor an error (callers that only want the size do so).
GdkPixbuf* Decode(std::span<const uint8_t> file, GdkPixbufModuleSizeFunc size, gpointer user,
                  GError** error) {
  image::MagDecodeResult r = image::DecodeMagToDib(file);
  if (!r.block) {
    SetError(error, GDK_PIXBUF_ERROR_CORRUPT_IMAGE, r.message);
    return nullptr;
  }
  const services::BitmapInfoHeader h = r.block->header();
  if (h.biWidth <= 0 || h.biHeight <= 0) {
    g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_CORRUPT_IMAGE,
                "The MAG picture is empty (%dx%d pixels)", h.biWidth, h.biHeight);
    return nullptr;
  }
  if (size != nullptr) {
    int w = h.biWidth, ht = h.biHeight;
    size(&w, &ht, user);
    if (w == 0 || ht == 0) return nullptr;
  }
  GdkPixbuf* pixbuf = gdk_pixbuf_new(GDK_COLORSPACE_RGB, FALSE, 8, h.biWidth, h.biHeight);
  if (pixbuf == nullptr) {
    g_set_error(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
                "Not enough memory for a MAG picture of %dx%d pixels", h.biWidth, h.biHeight);
    return nullptr;
  }
  CopyPixels(*r.block, pixbuf);
  return pixbuf;
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
