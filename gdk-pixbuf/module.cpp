// The loader's entry points, as gdk-pixbuf finds them in
// libpixbufloader-dov.so: whole files, files fed piece by piece, animations
// and saves. No exception leaves them.
#include <cstdio>
#include <memory>
#include <vector>

#include "gdk-pixbuf/dov_animation.h"
#include "gdk-pixbuf/pixbuf_document.h"
#include "gdk-pixbuf/pixbuf_save.h"

namespace {

using dovpixbuf::Document;

// As much input as libdov takes by default.
uint64_t InputCap() {
  dov_limits limits{};
  dov_default_limits(&limits);
  return limits.max_memory;
}

template <typename Result, typename Work>
Result Guarded(Result failure, GError** error, Work&& work) noexcept {
  try {
    return work();
  } catch (...) {
    if (error != nullptr && *error == nullptr)
      g_set_error_literal(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "out of memory");
    return failure;
  }
}

bool Append(std::vector<uint8_t>& bytes, const guchar* data, size_t size, GError** error) {
  if (size > InputCap() || bytes.size() > InputCap() - size) {
    g_set_error_literal(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY, "the file is too large");
    return false;
  }
  bytes.insert(bytes.end(), data, data + size);
  return true;
}

bool ReadWhole(FILE* file, std::vector<uint8_t>& bytes, GError** error) {
  std::vector<guchar> chunk(size_t{1} << 20);
  for (;;) {
    const size_t got = std::fread(chunk.data(), 1, chunk.size(), file);
    if (!Append(bytes, chunk.data(), got, error)) return false;
    if (got < chunk.size()) break;
  }
  if (std::ferror(file)) {
    g_set_error_literal(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_FAILED, "the file cannot be read");
    return false;
  }
  return true;
}

GdkPixbufAnimation* AnimationOf(std::shared_ptr<Document> doc, GError** error) {
  if (doc->FrameCount() > 1) return dovpixbuf::NewAnimation(std::move(doc));
  GdkPixbuf* still = doc->Frame(0, true, error);
  if (still == nullptr) return nullptr;
  GdkPixbufAnimation* animation = gdk_pixbuf_non_anim_new(still);
  g_object_unref(still);
  return animation;
}

GdkPixbufAnimation* LoadAnimation(FILE* file, GError** error) {
  return Guarded<GdkPixbufAnimation*>(nullptr, error, [&]() -> GdkPixbufAnimation* {
    std::vector<uint8_t> bytes;
    if (!ReadWhole(file, bytes, error)) return nullptr;
    std::shared_ptr<Document> doc = Document::Read(bytes, error);
    return doc ? AnimationOf(std::move(doc), error) : nullptr;
  });
}

// What a progressive load gathers until it stops: the document is read
// whole, so the frames come at the end.
struct Progressive {
  GdkPixbufModuleSizeFunc size;
  GdkPixbufModulePreparedFunc prepared;
  GdkPixbufModuleUpdatedFunc updated;
  gpointer user;
  std::vector<uint8_t> bytes;
};

gpointer BeginLoad(GdkPixbufModuleSizeFunc size, GdkPixbufModulePreparedFunc prepared,
                   GdkPixbufModuleUpdatedFunc updated, gpointer user, GError** error) {
  return Guarded<gpointer>(nullptr, error, [&]() -> gpointer {
    return new Progressive{size, prepared, updated, user, {}};
  });
}

gboolean LoadIncrement(gpointer context, const guchar* data, guint size, GError** error) {
  return Guarded<gboolean>(FALSE, error, [&]() -> gboolean {
    return Append(static_cast<Progressive*>(context)->bytes, data, size, error) ? TRUE : FALSE;
  });
}

gboolean StopLoad(gpointer context, GError** error) {
  std::unique_ptr<Progressive> load(static_cast<Progressive*>(context));
  return Guarded<gboolean>(FALSE, error, [&]() -> gboolean {
    std::shared_ptr<Document> doc = Document::Read(load->bytes, error);
    if (!doc) return FALSE;
    int width = doc->CanvasWidth(), height = doc->CanvasHeight();
    // A size of 0 asks for the size alone (gdk_pixbuf_get_file_info).
    if (load->size != nullptr) {
      load->size(&width, &height, load->user);
      if (width == 0 || height == 0) return TRUE;
    }
    GdkPixbufAnimation* animation = AnimationOf(doc, error);
    if (animation == nullptr) return FALSE;
    GdkPixbuf* still = gdk_pixbuf_animation_get_static_image(animation);
    if (still == nullptr) {
      g_object_unref(animation);
      g_set_error_literal(error, GDK_PIXBUF_ERROR, GDK_PIXBUF_ERROR_INSUFFICIENT_MEMORY,
                          "not enough memory for the frame");
      return FALSE;
    }
    if (load->prepared != nullptr)
      load->prepared(still, doc->FrameCount() > 1 ? animation : nullptr, load->user);
    if (load->updated != nullptr)
      load->updated(still, 0, 0, gdk_pixbuf_get_width(still), gdk_pixbuf_get_height(still), load->user);
    g_object_unref(animation);
    return TRUE;
  });
}

gboolean SaveToCallback(GdkPixbufSaveFunc write, gpointer user, GdkPixbuf* pixbuf, gchar** keys, gchar** values,
                        GError** error) {
  return Guarded<gboolean>(FALSE, error, [&] { return dovpixbuf::Save(write, user, pixbuf, keys, values, error); });
}

gboolean IsSaveOption(const gchar* key) { return dovpixbuf::IsSaveOption(key); }

}  // namespace

extern "C" {

G_MODULE_EXPORT void fill_vtable(GdkPixbufModule* module) {
  module->load_animation = LoadAnimation;
  module->begin_load = BeginLoad;
  module->load_increment = LoadIncrement;
  module->stop_load = StopLoad;
  module->save_to_callback = SaveToCallback;
  module->is_save_option_supported = IsSaveOption;
}

G_MODULE_EXPORT void fill_info(GdkPixbufFormat* info) {
  // The current form's magic, and the legacy form's ("Dorv" and three
  // digits); legacy files without one are told by their name.
  static GdkPixbufModulePattern signature[] = {
      {const_cast<char*>("DorvX"), nullptr, 100},
      {const_cast<char*>("Dorv"), nullptr, 80},
      {nullptr, nullptr, 0},
  };
  static const gchar* mimeTypes[] = {"image/x-dorvstudio", nullptr};
  static const gchar* extensions[] = {"dov", nullptr};
  info->name = const_cast<gchar*>("dov");
  info->signature = signature;
  info->description = const_cast<gchar*>("DorvStudio document");
  info->mime_types = const_cast<gchar**>(mimeTypes);
  info->extensions = const_cast<gchar**>(extensions);
  info->flags = GDK_PIXBUF_FORMAT_WRITABLE | GDK_PIXBUF_FORMAT_THREADSAFE;
  info->license = const_cast<gchar*>("");
}

}  // extern "C"
