/*
 * libdov: reads and writes DorvStudio documents (.dov).
 *
 * A document is an animation: frames, each a stack of layers at 1 to 32 bits
 * a pixel, with palettes, transparent keys, opacities and alpha planes. The
 * decoder reads the whole document once and then hands out every frame's
 * composite (the picture the editor shows), each frame's layers alone, and
 * what each holds. The encoder writes documents of one layer a frame.
 *
 * Conventions of every function here:
 * - Handles are opaque; each is made by a _create function and freed by the
 *   matching _destroy (which accepts NULL). A handle may be used by one
 *   thread at a time; different handles are independent.
 * - Functions that can fail return a dov_error; DOV_OK is 0. After a failure
 *   the handle's dov_*_error_message() says why in UTF-8 text.
 * - Strings handed out are UTF-8, owned by the handle, and valid until it is
 *   destroyed (or, for the decoder, until it reads another document).
 * - Pixels are 8 bits a sample, rows top first. RGBA is red, green, blue,
 *   alpha with straight (not premultiplied) alpha. A caller's buffer comes
 *   with its size in bytes and its stride (bytes from one row to the next);
 *   a buffer or stride too small for the picture is refused, not written.
 * - Nothing is ever printed, and no message box is shown.
 */
#ifndef DOV_DOV_H
#define DOV_DOV_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32) && defined(DOV_SHARED)
#if defined(DOV_BUILDING)
#define DOV_API __declspec(dllexport)
#else
#define DOV_API __declspec(dllimport)
#endif
#elif defined(__GNUC__)
#define DOV_API __attribute__((visibility("default")))
#else
#define DOV_API
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* ---- Version and errors --------------------------------------------------- */

#define DOV_VERSION_MAJOR 1
#define DOV_VERSION_MINOR 0
#define DOV_VERSION_PATCH 0
#define DOV_VERSION_STRING "1.0.0"

/* The library's version as (major << 16) | (minor << 8) | patch. */
DOV_API uint32_t dov_version(void);
/* The same as text, for example "1.0.0". */
DOV_API const char* dov_version_string(void);

typedef enum dov_error {
  DOV_OK = 0,
  DOV_ERROR_INVALID_ARGUMENT = 1, /* a null handle or pointer, a value out of its range */
  DOV_ERROR_NOT_A_DOCUMENT = 2,   /* the bytes do not start as a document */
  DOV_ERROR_CORRUPT = 3,          /* a document that yields no frame */
  DOV_ERROR_LIMIT = 4,            /* the document passes one of the decoder's limits */
  DOV_ERROR_OUT_OF_MEMORY = 5,
  DOV_ERROR_IO = 6,               /* a file or callback could not be read or written */
  DOV_ERROR_RANGE = 7,            /* a frame or layer index past the last */
  DOV_ERROR_BUFFER_TOO_SMALL = 8, /* a buffer or stride too small for the picture */
  DOV_ERROR_NOT_INDEXED = 9,      /* indices asked of a composite that has none */
  DOV_ERROR_NO_DOCUMENT = 10,     /* the decoder has read no document yet */
  DOV_ERROR_END_OF_FRAMES = 11,   /* the iterator has handed out every frame */
  DOV_ERROR_NO_FRAMES = 12        /* the encoder has no frame to write */
} dov_error;

/* A fixed English text for the code; never NULL. */
DOV_API const char* dov_error_string(dov_error error);

/* Frees memory that a dov_ function handed over (dov_encoder_write_memory). */
DOV_API void dov_free(void* pointer);

/* ---- Decoder ---------------------------------------------------------------- */

typedef struct dov_decoder dov_decoder;

/* What the decoder may take for one document. A document past any of them is
 * refused with DOV_ERROR_LIMIT and nothing of it is kept; sizes and counts
 * are checked before memory is taken for them. 0 in a field means the
 * library's default (dov_default_limits). */
typedef struct dov_limits {
  uint64_t max_frame_pixels; /* width x height of a frame or layer; default 2^28 */
  uint64_t max_memory;       /* bytes of pictures and buffers allocated by one
                                call, the input included (a read, or one frame's
                                composite made later); default 4 GiB (1 GiB in
                                32-bit processes) */
  uint32_t max_frames;       /* frames a document may have; default 65536 */
} dov_limits;

/* Fills the defaults. */
DOV_API void dov_default_limits(dov_limits* limits);

/* A new decoder with the default limits and threads, or NULL when out of
 * memory. */
DOV_API dov_decoder* dov_decoder_create(void);
DOV_API void dov_decoder_destroy(dov_decoder* decoder);

/* Applies to the next document read. */
DOV_API dov_error dov_decoder_set_limits(dov_decoder* decoder, const dov_limits* limits);
/* 0: the library's choice (large planes are decoded on two threads); 1: all
 * work on the calling thread. Other values are taken as 0. */
DOV_API dov_error dov_decoder_set_threads(dov_decoder* decoder, int threads);

/* Reads a whole document, replacing the one read before. The bytes are not
 * kept: they may be freed when the call returns. A damaged document whose
 * first frames are whole is read as far as it goes: the call succeeds, and
 * dov_info's damaged and messages say so. */
DOV_API dov_error dov_decoder_read_memory(dov_decoder* decoder, const void* data, size_t size);
/* The same from a file (a UTF-8 path). */
DOV_API dov_error dov_decoder_read_file(dov_decoder* decoder, const char* path);

/* Fills buffer with up to size bytes and returns how many it filled; 0 at the
 * end; (size_t)-1 when reading failed. */
typedef size_t (*dov_read_fn)(void* user, uint8_t* buffer, size_t size);
/* The same from a stream read to its end through the callback. */
DOV_API dov_error dov_decoder_read_callback(dov_decoder* decoder, dov_read_fn read, void* user);

/* Why the last call on this decoder failed (UTF-8); "" after a success. */
DOV_API const char* dov_decoder_error_message(const dov_decoder* decoder);

/* Whether the bytes start as a document: the magic of the current or of the
 * legacy form. (Legacy files without a magic are not told.) */
DOV_API int dov_has_document_magic(const void* data, size_t size);

typedef struct dov_info {
  uint32_t frames_declared; /* frames the header names */
  uint32_t frame_count;     /* frames read: when damaged, as far as they were read */
  uint32_t width, height;   /* the first frame's composite */
  uint32_t background;      /* 0x00BBGGRR: red in the low byte, as stored */
  int not_fill_background;  /* the bottom visible layer is drawn without its key */
  int32_t version;          /* the document's format version as stored */
  int damaged;              /* the document is damaged: messages says why */
  const char* messages;     /* the reader's own messages, "" when none */
} dov_info;

DOV_API dov_error dov_decoder_get_info(const dov_decoder* decoder, dov_info* info);

/* What a document's header says, read without decoding any plane: the
 * first frame's size and depth and the frames it declares. A current file
 * is told from its header alone; a legacy file has its first frame read
 * (decoded is then 1). A later read may still find the document damaged.
 * The decoder's limits apply; its document, if any, is left as it is. */
typedef struct dov_probe_info {
  uint32_t width, height;   /* the first frame's */
  uint32_t depth;           /* bits a pixel as stored */
  uint32_t frames_declared;
  int32_t version;          /* the document's format version as stored */
  int decoded;              /* the first frame was read to tell */
} dov_probe_info;

DOV_API dov_error dov_decoder_probe_memory(dov_decoder* decoder, const void* data, size_t size,
                                           dov_probe_info* info);

typedef struct dov_frame_info {
  uint32_t width, height;
  uint32_t depth;           /* bits a pixel as stored: 1, 4, 8, 15, 16, 24 or 32 */
  int32_t delay;            /* in the editor's unit */
  int32_t delay_ms;         /* in milliseconds */
  int32_t disposal;         /* as the editor stores it */
  int32_t transparent_index;/* the frame's transparent palette index; -1 none */
  uint32_t layer_count;
  int indexed;              /* the composite is a palette picture (see
                               dov_decoder_frame_indexed) */
  const char* name;
} dov_frame_info;

DOV_API dov_error dov_decoder_get_frame_info(const dov_decoder* decoder, uint32_t frame,
                                             dov_frame_info* info);

typedef struct dov_layer_info {
  uint32_t width, height;
  int visible;
  int32_t opacity;          /* 0 to 255 */
  int64_t key;              /* the transparent pixel value as stored; -1 none */
  int has_alpha_plane;
  int alpha_on;             /* the alpha plane takes part in the composite */
  const char* name;
  /* How the colour plane is stored: "zlib rows", "raw rows", "zlib blocks
   * 16x16", "raw blocks 16x16", "jpeg", "old rows" or "legacy", followed by
   * " scrambled" when scrambled. */
  const char* coding;
} dov_layer_info;

DOV_API dov_error dov_decoder_get_layer_info(const dov_decoder* decoder, uint32_t frame, uint32_t layer,
                                             dov_layer_info* info);

/* The frame's composite as RGBA into the caller's buffer: size bytes, rows
 * stride bytes apart (at least 4 x width). A palette composite gives its
 * transparent index alpha 0 and every other pixel 255. */
DOV_API dov_error dov_decoder_frame_rgba(dov_decoder* decoder, uint32_t frame, uint8_t* rgba, size_t stride,
                                         size_t size);

/* A palette composite as indices (stride at least width), its palette as 256
 * entries of red, green, blue, alpha (1024 bytes; alpha 0 at the transparent
 * index, else 255) and its transparent index (-1 none), exactly as the host
 * receives the first frame. palette and transparent may be NULL.
 * DOV_ERROR_NOT_INDEXED for a composite of colour pixels (dov_frame_info's
 * indexed says which). */
DOV_API dov_error dov_decoder_frame_indexed(dov_decoder* decoder, uint32_t frame, uint8_t* indices,
                                            size_t stride, size_t size, uint8_t* palette,
                                            int32_t* transparent);

/* The layer alone as RGBA (dov_layer_info's size): its key and its alpha
 * plane as transparency; its opacity and visibility are not applied. */
DOV_API dov_error dov_decoder_layer_rgba(dov_decoder* decoder, uint32_t frame, uint32_t layer,
                                         uint8_t* rgba, size_t stride, size_t size);

/* The frame composed of a chosen set of its layers, by the frame's own rule
 * (background, keys, opacities, alpha planes), as its composite is. shown
 * holds shown_count flags, one a layer from the bottom: a nonzero flag takes
 * the layer in as though it were visible, 0 leaves it out as though hidden;
 * layers past the flags are left out. A NULL shown takes each layer's own
 * visibility, which gives the frame's composite. Leaving layers out may make
 * a palette frame's composite one of colour pixels (a bottom layer's alpha
 * plane, for instance): dov_decoder_compose_indexed then fails with
 * DOV_ERROR_NOT_INDEXED and dov_decoder_compose_rgba gives it. The last
 * composition is kept, so asking for it both ways composes it once. */
DOV_API dov_error dov_decoder_compose_rgba(dov_decoder* decoder, uint32_t frame, const uint8_t* shown,
                                           uint32_t shown_count, uint8_t* rgba, size_t stride, size_t size);
/* The same as indices, a palette of 256 entries of red, green, blue, alpha
 * and the transparent index, as dov_decoder_frame_indexed gives them. */
DOV_API dov_error dov_decoder_compose_indexed(dov_decoder* decoder, uint32_t frame, const uint8_t* shown,
                                              uint32_t shown_count, uint8_t* indices, size_t stride,
                                              size_t size, uint8_t* palette, int32_t* transparent);

/* Frames one by one, in order: the next frame's composite as RGBA in memory
 * the decoder owns (rows 4 x width bytes apart; valid until the next call on
 * the decoder), its index and size, and the time in milliseconds at which
 * it ends (the delays so far added up). Any pointer may be NULL.
 * DOV_ERROR_END_OF_FRAMES after the last. */
DOV_API dov_error dov_decoder_get_next(dov_decoder* decoder, const uint8_t** rgba, uint32_t* frame,
                                       uint32_t* width, uint32_t* height, int64_t* end_ms);
DOV_API int dov_decoder_has_more_frames(const dov_decoder* decoder);
/* Starts the frames over at the first. */
DOV_API void dov_decoder_reset(dov_decoder* decoder);

/* ---- Encoder ---------------------------------------------------------------- */

typedef struct dov_encoder dov_encoder;

typedef enum dov_compression {
  DOV_COMPRESSION_ZLIB = 0,
  DOV_COMPRESSION_NONE = 1,
  DOV_COMPRESSION_LOSSY = 2 /* colour pictures; palette and grey ones are kept with zlib */
} dov_compression;

typedef enum dov_pixel_format {
  DOV_PIXELS_RGBA = 0,     /* 4 bytes a pixel */
  DOV_PIXELS_RGB = 1,      /* 3 bytes */
  DOV_PIXELS_GREY = 2,     /* 1 byte */
  DOV_PIXELS_GREY_ALPHA = 3,/* 2 bytes: grey, alpha */
  DOV_PIXELS_INDEXED = 4,  /* 1 byte, an index into the palette */
  DOV_PIXELS_MONO = 5      /* 1 bit, 8 pixels a byte, the first in the high bit; 1 is white */
} dov_pixel_format;

typedef struct dov_picture {
  dov_pixel_format format;
  uint32_t width, height;
  const uint8_t* pixels;
  size_t stride;              /* bytes from one row to the next */
  const uint8_t* palette;     /* DOV_PIXELS_INDEXED: red, green, blue a colour */
  uint32_t palette_size;      /* 1 to 256 */
  int32_t transparent_index;  /* DOV_PIXELS_INDEXED: -1 for none */
} dov_picture;

DOV_API dov_encoder* dov_encoder_create(void);
DOV_API void dov_encoder_destroy(dov_encoder* encoder);

/* quality: 1 to 100 for lossy coding, 0 for the default (70). */
DOV_API dov_error dov_encoder_set_compression(dov_encoder* encoder, dov_compression compression,
                                              int quality);
/* As dov_decoder_set_threads. */
DOV_API dov_error dov_encoder_set_threads(dov_encoder* encoder, int threads);

/* Adds a frame of one layer, shown for delay_ms milliseconds (100 is the
 * editor's default). The pixels are copied. */
DOV_API dov_error dov_encoder_add_frame(dov_encoder* encoder, const dov_picture* picture, int32_t delay_ms);
DOV_API uint32_t dov_encoder_frame_count(const dov_encoder* encoder);

/* Writes the document of the frames added. A one-frame document of delay 100
 * is byte for byte the document the host's save writes for the same picture
 * and options. */
DOV_API dov_error dov_encoder_write_memory(dov_encoder* encoder, uint8_t** data, size_t* size);
DOV_API dov_error dov_encoder_write_file(dov_encoder* encoder, const char* path);
/* Writes size bytes; returns nonzero when they were all written. */
typedef int (*dov_write_fn)(void* user, const uint8_t* data, size_t size);
DOV_API dov_error dov_encoder_write_callback(dov_encoder* encoder, dov_write_fn write, void* user);

DOV_API const char* dov_encoder_error_message(const dov_encoder* encoder);

/* ---- The save-options dialog ------------------------------------------------ */

#define DOV_DEFAULT_QUALITY 70

/* The host's save-options dialog, described for programs that offer the same
 * choices. Texts are UTF-8 and static; a label's access key follows '&'
 * ("&&" is a plain ampersand). The quality is shown only while the lossy
 * choice is selected. */
typedef struct dov_save_dialog {
  const char* caption;
  const char* compression_label;
  const char* quality_label;
  const char* ok_label;
  const char* cancel_label;
  uint32_t choice_count; /* 2, or 3 where lossy coding is offered */
  const char* choices[3];
  dov_compression choice_values[3];
  uint32_t default_choice;
  int quality_default, quality_min, quality_max;
} dov_save_dialog;

/* The dialog for a picture of this many bits a pixel: lossy coding is
 * offered from 24 bits on. */
DOV_API dov_error dov_describe_save_dialog(int bits_per_pixel, dov_save_dialog* dialog);

#ifdef __cplusplus
}
#endif

#endif /* DOV_DOV_H */
