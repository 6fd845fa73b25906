// Oracle failures of the fuzz targets: a crash under the fuzzer, an
// exception when the regression test replays kept inputs. The targets'
// bodies are plain functions so that both can run them.
#pragma once

#include <cstddef>
#include <cstdint>

namespace dorv::fuzz {

[[noreturn]] void Fail(const char* what);

int RunConvertRead(const uint8_t* data, size_t size);
int RunHeaderXml(const uint8_t* data, size_t size);
int RunDecodePlane(const uint8_t* data, size_t size);
int RunLegacyReader(const uint8_t* data, size_t size);
int RunWriteRead(const uint8_t* data, size_t size);
int RunFramesRead(const uint8_t* data, size_t size);
int RunDovDecoder(const uint8_t* data, size_t size);

}  // namespace dorv::fuzz

// The libFuzzer entry of one target.
#ifdef DORV_FUZZ_REPLAY
#define DORV_FUZZ_ENTRY(run)
#else
#define DORV_FUZZ_ENTRY(run) \
  extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) { return run(data, size); }
#endif
