// A pixbuf saved as a one-frame document.
#pragma once

#include "gdk-pixbuf/pixbuf_document.h"

namespace dovpixbuf {

// Options: "compression" zlib (default), none or lossy; "quality" 1 to 100
// (lossy coding when given alone). Other keys are left to other savers.
gboolean Save(GdkPixbufSaveFunc write, gpointer user, GdkPixbuf* pixbuf, gchar** keys, gchar** values,
              GError** error);
gboolean IsSaveOption(const gchar* key);

}  // namespace dovpixbuf
