/* Prints every frame's delay, and writes frame N as a PPM picture (its
 * transparent pixels over white):  dov_frames FILE.dov [N OUT.ppm] */
#include <dov/dov.h>
#include <stdio.h>
#include <stdlib.h>

int main(int argc, char** argv) {
  if (argc != 2 && argc != 4) return fprintf(stderr, "usage: %s FILE.dov [N OUT.ppm]\n", argv[0]), 2;
  dov_decoder* decoder = dov_decoder_create();
  dov_info info;
  if (!decoder || dov_decoder_read_file(decoder, argv[1]) != DOV_OK || dov_decoder_get_info(decoder, &info) != DOV_OK) {
    fprintf(stderr, "%s: %s\n", argv[1], decoder ? dov_decoder_error_message(decoder) : "out of memory");
    return dov_decoder_destroy(decoder), 1;
  }
  for (uint32_t f = 0; f < info.frame_count; ++f) {
    dov_frame_info frame;
    dov_decoder_get_frame_info(decoder, f, &frame);
    printf("frame %u: %u x %u, %d ms\n", f, frame.width, frame.height, frame.delay_ms);
  }
  int status = 0;
  if (argc == 4) {
    const uint32_t n = (uint32_t)strtoul(argv[2], NULL, 10);
    dov_frame_info frame;
    uint8_t* rgba = NULL;
    FILE* out = NULL;
    if (dov_decoder_get_frame_info(decoder, n, &frame) != DOV_OK ||
        !(rgba = malloc((size_t)frame.width * frame.height * 4)) ||
        dov_decoder_frame_rgba(decoder, n, rgba, (size_t)frame.width * 4, (size_t)frame.width * frame.height * 4) != DOV_OK ||
        !(out = fopen(argv[3], "wb"))) {
      fprintf(stderr, "frame %u: %s\n", n, dov_decoder_error_message(decoder));
      status = 1;
    } else {
      fprintf(out, "P6\n%u %u\n255\n", frame.width, frame.height);
      for (size_t i = 0; i < (size_t)frame.width * frame.height; ++i)
        for (int c = 0; c < 3; ++c) fputc((rgba[4 * i + c] * rgba[4 * i + 3] + 255 * (255 - rgba[4 * i + 3])) / 255, out);
      status = fclose(out) == 0 ? 0 : 1;
    }
    free(rgba);
  }
  dov_decoder_destroy(decoder);
  return status;
}
