// file-dov: GIMP's file procedures for DorvStudio documents. GIMP runs the
// plug-in once to learn its procedures (query) and again for each call
// (run).
#include <libgimp/gimp.h>

#include <exception>
#include <string>

#include "gimp/procs/load.h"
#include "gimp/procs/save.h"
#include "gimp/procs/save_dialog.h"
#include "gimp/save_options.h"

namespace {

constexpr const char* kLoadProc = "file-dov-load";
constexpr const char* kThumbProc = "file-dov-load-thumb";
constexpr const char* kSaveProc = "file-dov-save";
constexpr const char* kPluginName = "file-dov";
// Documents of the current form start "DorvX", those of the legacy form
// "Dorv" and three digits; legacy documents without either are known by
// their extension alone.
constexpr const char* kMagics = "0,string,DorvX,0,string,Dorv";

void Query() {
  static const GimpParamDef loadArgs[] = {
      {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"),
       const_cast<gchar*>("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1) }")},
      {GIMP_PDB_STRING, const_cast<gchar*>("filename"), const_cast<gchar*>("The name of the file to load")},
      {GIMP_PDB_STRING, const_cast<gchar*>("raw-filename"), const_cast<gchar*>("The name entered")},
  };
  static const GimpParamDef loadReturns[] = {
      {GIMP_PDB_IMAGE, const_cast<gchar*>("image"), const_cast<gchar*>("Output image")},
  };
  static const GimpParamDef thumbArgs[] = {
      {GIMP_PDB_STRING, const_cast<gchar*>("filename"), const_cast<gchar*>("The name of the file to load")},
      {GIMP_PDB_INT32, const_cast<gchar*>("thumb-size"), const_cast<gchar*>("Preferred thumbnail size")},
  };
  static const GimpParamDef thumbReturns[] = {
      {GIMP_PDB_IMAGE, const_cast<gchar*>("image"), const_cast<gchar*>("Thumbnail image")},
      {GIMP_PDB_INT32, const_cast<gchar*>("image-width"), const_cast<gchar*>("Width of the full-sized image")},
      {GIMP_PDB_INT32, const_cast<gchar*>("image-height"), const_cast<gchar*>("Height of the full-sized image")},
      {GIMP_PDB_INT32, const_cast<gchar*>("image-type"), const_cast<gchar*>("Type of the image")},
      {GIMP_PDB_INT32, const_cast<gchar*>("image-num-layers"), const_cast<gchar*>("Number of frames")},
  };
  static const GimpParamDef saveArgs[] = {
      {GIMP_PDB_INT32, const_cast<gchar*>("run-mode"),
       const_cast<gchar*>("The run mode { RUN-INTERACTIVE (0), RUN-NONINTERACTIVE (1), RUN-WITH-LAST-VALS (2) }")},
      {GIMP_PDB_IMAGE, const_cast<gchar*>("image"), const_cast<gchar*>("Image to save")},
      {GIMP_PDB_DRAWABLE, const_cast<gchar*>("drawable"), const_cast<gchar*>("Drawable (unused: every layer is saved)")},
      {GIMP_PDB_STRING, const_cast<gchar*>("filename"), const_cast<gchar*>("The name of the file to save to")},
      {GIMP_PDB_STRING, const_cast<gchar*>("raw-filename"), const_cast<gchar*>("The name entered")},
      {GIMP_PDB_INT32, const_cast<gchar*>("compression"),
       const_cast<gchar*>("Compression { zlib (0), none (1), lossy (2) }, default zlib")},
      {GIMP_PDB_INT32, const_cast<gchar*>("quality"),
       const_cast<gchar*>("Quality of lossy compression, 1 to 100 (0: the default, 70)")},
      {GIMP_PDB_INT32, const_cast<gchar*>("composite-only"),
       const_cast<gchar*>("Save only the visible composite as one frame (TRUE or FALSE), default FALSE")},
  };

  gimp_install_procedure(kLoadProc, "Opens DorvStudio documents",
                         "Every frame of the document becomes a layer, the first frame at the bottom, named "
                         "'Frame N (Dms)' with the frame's delay.",
                         "DorvFormat", "DorvFormat", "2026", "DorvStudio document", nullptr, GIMP_PLUGIN,
                         G_N_ELEMENTS(loadArgs), G_N_ELEMENTS(loadReturns), loadArgs, loadReturns);
  gimp_register_file_handler_mime(kLoadProc, "image/x-dorvstudio");
  gimp_register_magic_load_handler(kLoadProc, "dov", "", kMagics);

  gimp_install_procedure(kThumbProc, "Loads the first frame of a DorvStudio document as a thumbnail", "",
                         "DorvFormat", "DorvFormat", "2026", nullptr, nullptr, GIMP_PLUGIN,
                         G_N_ELEMENTS(thumbArgs), G_N_ELEMENTS(thumbReturns), thumbArgs, thumbReturns);
  gimp_register_thumbnail_loader(kLoadProc, kThumbProc);

  gimp_install_procedure(kSaveProc, "Saves DorvStudio documents",
                         "Every layer becomes a frame, the bottom layer first, placed on the canvas with its "
                         "offsets and opacity; a '(Dms)' in a layer's name gives the frame's delay.",
                         "DorvFormat", "DorvFormat", "2026", "DorvStudio document", "RGB*, GRAY*, INDEXED*",
                         GIMP_PLUGIN, G_N_ELEMENTS(saveArgs), 0, saveArgs, nullptr);
  gimp_register_file_handler_mime(kSaveProc, "image/x-dorvstudio");
  gimp_register_save_handler(kSaveProc, "dov", "");
}

GimpParam gValues[6];

void Fail(gint* nreturn, GimpParam** returns, GimpPDBStatusType status, const std::string& message) {
  static std::string text;
  text = message;
  gValues[0].data.d_status = status;
  gValues[1].type = GIMP_PDB_STRING;
  gValues[1].data.d_string = const_cast<gchar*>(text.c_str());
  *nreturn = 2;
  *returns = gValues;
}

// The options of a save: the dialog's, the last ones, or the script's.
bool SaveOptionsFor(GimpRunMode mode, gint32 image, gint nparams, const GimpParam* param,
                    dorv::gimp::SaveOptions& options, std::string& error) {
  using namespace dorv::gimp;
  options = DefaultSaveOptions();
  switch (mode) {
    case GIMP_RUN_INTERACTIVE: {
      const int32_t bpp = DialogBitsPerPixel(BaseOf(image), AnyLayerHasAlpha(image));
      if (!RunSaveDialog(bpp, options)) return false;
      gimp_set_data(kSaveProc, &options, sizeof options);
      return true;
    }
    case GIMP_RUN_WITH_LAST_VALS:
      gimp_get_data(kSaveProc, &options);
      return true;
    default:
      // Scripts may leave the extra arguments out; a quality of 0 is the default.
      if (nparams > 5) options.compression = param[5].data.d_int32;
      if (nparams > 6 && param[6].data.d_int32 != 0) options.quality = param[6].data.d_int32;
      if (nparams > 7) options.compositeOnly = param[7].data.d_int32 != 0;
      error = CheckSaveOptions(options);
      return error.empty();
  }
}

void Run(const gchar* name, gint nparams, const GimpParam* param, gint* nreturn, GimpParam** returns) {
  gegl_init(nullptr, nullptr);
  *nreturn = 1;
  *returns = gValues;
  gValues[0].type = GIMP_PDB_STATUS;
  gValues[0].data.d_status = GIMP_PDB_SUCCESS;
  const std::string proc = name;
  try {
    if (proc == kLoadProc && nparams >= 2) {
      const dorv::gimp::LoadResult loaded = dorv::gimp::LoadDocument(param[1].data.d_string, SIZE_MAX);
      gValues[1].type = GIMP_PDB_IMAGE;
      gValues[1].data.d_image = loaded.image;
      *nreturn = 2;
    } else if (proc == kThumbProc && nparams >= 1) {
      const dorv::gimp::LoadResult loaded = dorv::gimp::LoadDocument(param[0].data.d_string, 1);
      gValues[1].type = GIMP_PDB_IMAGE;
      gValues[1].data.d_image = loaded.image;
      gValues[2].type = GIMP_PDB_INT32;
      gValues[2].data.d_int32 = loaded.width;
      gValues[3].type = GIMP_PDB_INT32;
      gValues[3].data.d_int32 = loaded.height;
      gValues[4].type = GIMP_PDB_INT32;
      gValues[4].data.d_int32 = loaded.indexed ? GIMP_INDEXEDA_IMAGE : GIMP_RGBA_IMAGE;
      gValues[5].type = GIMP_PDB_INT32;
      gValues[5].data.d_int32 = loaded.frames;
      *nreturn = 6;
    } else if (proc == kSaveProc && nparams >= 4) {
      const auto mode = static_cast<GimpRunMode>(param[0].data.d_int32);
      const gint32 image = param[1].data.d_image;
      dorv::gimp::SaveOptions options;
      std::string error;
      if (!SaveOptionsFor(mode, image, nparams, param, options, error)) {
        if (error.empty())
          gValues[0].data.d_status = GIMP_PDB_CANCEL;
        else
          Fail(nreturn, returns, GIMP_PDB_CALLING_ERROR, error);
        return;
      }
      dorv::gimp::SaveDocument(image, param[3].data.d_string, options);
    } else {
      gValues[0].data.d_status = GIMP_PDB_CALLING_ERROR;
    }
  } catch (const std::exception& e) {
    Fail(nreturn, returns, GIMP_PDB_EXECUTION_ERROR, e.what());
  } catch (...) {
    Fail(nreturn, returns, GIMP_PDB_EXECUTION_ERROR, "unexpected failure");
  }
}

}  // namespace

const GimpPlugInInfo PLUG_IN_INFO = {nullptr, nullptr, Query, Run};

MAIN()
