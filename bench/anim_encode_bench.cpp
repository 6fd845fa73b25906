// dovtool's GIF and APNG encoders alone, on the frames of a document decoded
// once: the best of five runs of each, in milliseconds, as one JSON line.
// scripts/bench.sh sets them beside Pillow's save_all of the same frames.
#include <chrono>
#include <cstdio>
#include <exception>
#include <functional>
#include <vector>

#include "tools/apng_anim.h"
#include "tools/dov_document.h"
#include "tools/gif_anim.h"

namespace {

double BestMs(const std::function<void()>& work) {
  double best = 1e30;
  for (int i = 0; i < 5; ++i) {
    const auto start = std::chrono::steady_clock::now();
    work();
    const std::chrono::duration<double, std::milli> took = std::chrono::steady_clock::now() - start;
    best = std::min(best, took.count());
  }
  return best;
}

}  // namespace

int main(int argc, char** argv) {
  using namespace dorv::tools;
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s FILE.dov\n", argv[0]);
    return 2;
  }
  try {
    frames::Decoder d(dov_decoder_create());
    if (dov_decoder_read_file(d.get(), argv[1]) != DOV_OK) throw std::runtime_error(dov_decoder_error_message(d.get()));
    dov_info info;
    dov_decoder_get_info(d.get(), &info);
    std::vector<AnimPicture> anim;
    for (uint32_t f = 0; f < info.frame_count; ++f) {
      dov_frame_info fi;
      dov_decoder_get_frame_info(d.get(), f, &fi);
      anim.push_back({frames::CompositeOf(d.get(), f), fi.delay_ms, fi.disposal});
    }
    size_t gifBytes = 0, apngBytes = 0;
    const double gif = BestMs([&] { gifBytes = EncodeGif(anim).bytes.size(); });
    const double apng = BestMs([&] { apngBytes = EncodeApng(anim).bytes.size(); });
    std::printf("{\"gif_ms\":%.2f,\"apng_ms\":%.2f,\"gif_bytes\":%zu,\"apng_bytes\":%zu}\n", gif, apng, gifBytes,
                apngBytes);
  } catch (const std::exception& e) {
    std::fprintf(stderr, "%s\n", e.what());
    return 1;
  }
  return 0;
}
