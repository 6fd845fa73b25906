// zlib helpers: round trips, size limits, corrupt and truncated streams, and
// the copy of a record from an input stream.
#include <gtest/gtest.h>

#include <zlib.h>

#include <cstdint>
#include <string>
#include <vector>

#include "converter/core/errors.h"
#include "converter/core/limits.h"
#include "converter/streams/stream.h"
#include "converter/streams/zstreams.h"

namespace dorv {
namespace {

std::vector<uint8_t> Sample(size_t n) {
  // Compressible but not trivial: a slow ramp with a little noise.
  std::vector<uint8_t> v(n);
  uint32_t x = 12345;
  for (size_t i = 0; i < n; ++i) {
    x = x * 1103515245u + 12345u;
    v[i] = static_cast<uint8_t>((i / 64) + ((x >> 28) & 3));
  }
  return v;
}

std::vector<uint8_t> Bytes(const std::string& s) { return {s.begin(), s.end()}; }

class RoundTripTest : public ::testing::TestWithParam<size_t> {};

TEST_P(RoundTripTest, CompressThenDecompressRestoresTheContent) {
  const std::vector<uint8_t> plain = Sample(GetParam());
  TMemoryStream s(plain);
  CompressStream(s);
  ASSERT_GE(s.Length(), 2u);
  EXPECT_EQ(s.Position(), s.Size());
  // A zlib header: deflate method, check bits valid.
  EXPECT_EQ(s.Data()[0] & 0x0F, 8);
  EXPECT_EQ((s.Data()[0] * 256 + s.Data()[1]) % 31, 0);
  DecompressStream(s, plain.size());
  EXPECT_EQ(s.Position(), 0);
  EXPECT_EQ(s.Bytes(), plain);
}

// Empty, tiny, and larger than the first guess of the output size.
INSTANTIATE_TEST_SUITE_P(Sizes, RoundTripTest, ::testing::Values(0, 1, 1000, 3u << 20));

TEST(Zlib, CompressBytesIsAPlainZlibStream) {
  const std::vector<uint8_t> plain = Sample(5000);
  const std::vector<uint8_t> packed = CompressBytes(plain);
  std::vector<uint8_t> back(plain.size());
  uLongf n = back.size();
  ASSERT_EQ(uncompress(back.data(), &n, packed.data(), packed.size()), Z_OK);
  EXPECT_EQ(back, plain);
  EXPECT_THROW(CompressBytes(plain, 42), EZlibError);
}

struct BadStream {
  const char* what;
  std::vector<uint8_t> bytes;
  const char* message;
  // A plane is complete once its bytes are out; only a cut into the trailer
  // leaves nothing missing.
  bool planeFails = true;
};

std::vector<BadStream> BadStreams() {
  const std::vector<uint8_t> good = CompressBytes(Sample(20000));
  std::vector<uint8_t> badHeader = good;
  badHeader[1] ^= 0x01;  // fails the header check
  std::vector<uint8_t> badMethod = good;
  badMethod[0] = 0x77;
  std::vector<uint8_t> badBody = good;
  for (size_t i = 2; i < 40; ++i) badBody[i] = 0xFF;
  std::vector<uint8_t> badAdler = good;
  badAdler.back() ^= 0x55;
  // A header asking for a preset dictionary (FDICT), with a dictionary id.
  const std::vector<uint8_t> dict = {0x78, 0xBB, 0, 0, 0, 1, 0x03, 0x00};
  return {
      {"empty", {}, "buffer error"},
      {"header only", {good.begin(), good.begin() + 2}, "buffer error"},
      {"cut in half", {good.begin(), good.begin() + good.size() / 2}, "buffer error"},
      {"trailer cut", {good.begin(), good.end() - 1}, "buffer error", false},
      {"corrupt header", badHeader, "data error"},
      {"unknown method", badMethod, "data error"},
      {"corrupt body", badBody, "data error"},
      {"wrong checksum", badAdler, "data error"},
      {"preset dictionary", dict, "need dictionary"},
      {"not zlib", Bytes("DorvX200 plain text, not compressed"), "data error"},
  };
}

class BadStreamTest : public ::testing::TestWithParam<BadStream> {};

TEST_P(BadStreamTest, DecompressStreamNamesTheZlibError) {
  TMemoryStream s(GetParam().bytes);
  try {
    DecompressStream(s, limits::kMaxHeaderTextBytes);
    FAIL() << "accepted";
  } catch (const EZlibError& e) {
    EXPECT_STREQ(e.what(), GetParam().message);
  }
}

TEST_P(BadStreamTest, InflateExactNeverReturnsAShortPlane) {
  std::vector<uint8_t> out(20000);
  if (GetParam().planeFails) {
    EXPECT_THROW(InflateExact(GetParam().bytes, out), EZlibError);
  } else {
    EXPECT_NO_THROW(InflateExact(GetParam().bytes, out));
  }
}

INSTANTIATE_TEST_SUITE_P(Table, BadStreamTest, ::testing::ValuesIn(BadStreams()), [](const auto& info) {
  std::string n;
  for (char c : std::string(info.param.what)) n += std::isalnum(static_cast<unsigned char>(c)) ? c : '_';
  return n;
});

TEST(Zlib, DecompressionStopsAtItsLimit) {
  const std::vector<uint8_t> plain = Sample(300000);
  const std::vector<uint8_t> packed = CompressBytes(plain);
  EXPECT_EQ(InflateBounded(packed, plain.size()), plain);
  try {
    InflateBounded(packed, plain.size() - 1);
    FAIL() << "accepted";
  } catch (const EZlibError& e) {
    EXPECT_STREQ(e.what(), "Decompressed data longer than allowed");
  }
  EXPECT_THROW(InflateBounded(packed, 0), EZlibError);
  EXPECT_TRUE(InflateBounded(CompressBytes({}), 0).empty());
  // A prefix stops quietly at its limit, or earlier with the stream.
  const auto prefix = [&](uint64_t limit) {
    std::vector<uint8_t> got(static_cast<size_t>(limit));
    got.resize(InflateInto(packed, got));
    return got;
  };
  EXPECT_EQ(prefix(1000), std::vector<uint8_t>(plain.begin(), plain.begin() + 1000));
  EXPECT_EQ(prefix(plain.size() * 2), plain);
  EXPECT_TRUE(prefix(0).empty());

  // A small stream that would inflate to far more than the header may hold.
  const std::vector<uint8_t> bomb = CompressBytes(std::vector<uint8_t>(limits::kMaxHeaderTextBytes + 1));
  EXPECT_LT(bomb.size(), 100000u);
  TMemoryStream s(bomb);
  EXPECT_THROW(DecompressStream(s, limits::kMaxHeaderTextBytes), EZlibError);
}

TEST(Zlib, InflateExactFillsTheBufferAndIgnoresTheRest) {
  const std::vector<uint8_t> plain = Sample(10000);
  std::vector<uint8_t> packed = CompressBytes(plain);

  std::vector<uint8_t> exact(plain.size());
  InflateExact(packed, exact);
  EXPECT_EQ(exact, plain);

  std::vector<uint8_t> part(4000);
  InflateExact(packed, part);
  EXPECT_EQ(part, std::vector<uint8_t>(plain.begin(), plain.begin() + 4000));

  packed.insert(packed.end(), {1, 2, 3});  // trailing bytes after the stream
  InflateExact(packed, exact);
  EXPECT_EQ(exact, plain);

  std::vector<uint8_t> tooBig(plain.size() + 1);
  try {
    InflateExact(packed, tooBig);
    FAIL() << "accepted";
  } catch (const EZlibError& e) {
    EXPECT_STREQ(e.what(), "Decompressed data shorter than expected");
  }
}

// A stream that hands out at most one byte per read and can claim to be
// longer than it is.
class TrickleStream : public TStream {
 public:
  TrickleStream(std::vector<uint8_t> bytes, int64_t claimed) : bytes_(std::move(bytes)), claimed_(claimed) {}
  size_t Read(void* buffer, size_t n) override {
    ++reads_;
    if (n == 0 || pos_ >= bytes_.size()) return 0;
    static_cast<uint8_t*>(buffer)[0] = bytes_[pos_++];
    return 1;
  }
  void Write(const void*, size_t) override {}
  int64_t Seek(int64_t offset, SeekOrigin origin) override {
    int64_t base = origin == SeekOrigin::Begin ? 0 : origin == SeekOrigin::Current ? int64_t(pos_) : claimed_;
    pos_ = static_cast<size_t>(base + offset);
    return static_cast<int64_t>(pos_);
  }
  int reads_ = 0;

 private:
  std::vector<uint8_t> bytes_;
  int64_t claimed_;
  size_t pos_ = 0;
};

struct CopyCase {
  const char* what;
  int64_t start;  // source position before the copy
  int64_t size;
  bool ok;
  std::string copied;  // appended to "pre"
};

class CopyStreamPartTest : public ::testing::TestWithParam<CopyCase> {};

TEST_P(CopyStreamPartTest, CopiesOrRefuses) {
  const auto& c = GetParam();
  TMemoryStream source(Bytes("0123456789"));
  source.SetPosition(c.start);
  TMemoryStream dest(Bytes("pre"));
  if (c.ok) {
    EXPECT_EQ(CopyStreamPart(dest, source, c.size), static_cast<int64_t>(c.copied.size()));
    EXPECT_EQ(dest.Position(), dest.Size());
  } else {
    try {
      CopyStreamPart(dest, source, c.size);
      FAIL() << "accepted";
    } catch (const EReadError& e) {
      EXPECT_STREQ(e.what(), "Stream read error");
    }
  }
  EXPECT_EQ(std::string(dest.Bytes().begin(), dest.Bytes().end()), "pre" + c.copied);

  // A plane record read into a block of its own takes the same bytes or is
  // refused the same way (its size 0 is simply nothing).
  if (c.size == 0) return;
  source.SetPosition(c.start);
  if (c.ok) {
    const TByteBlock block = ReadBlock(source, c.size);
    EXPECT_EQ(std::string(block.Bytes().begin(), block.Bytes().end()), c.copied);
  } else {
    EXPECT_THROW(ReadBlock(source, c.size), EReadError);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Table, CopyStreamPartTest,
    ::testing::Values(CopyCase{"part", 2, 3, true, "234"}, CopyCase{"to the end", 4, 6, true, "456789"},
                      CopyCase{"zero copies all from the start", 7, 0, true, "0123456789"},
                      CopyCase{"past the end", 4, 7, false, ""},
                      CopyCase{"negative", 0, -1, false, ""},
                      CopyCase{"huge", 0, int64_t{1} << 40, false, ""}),
    [](const auto& info) {
      std::string n;
      for (char ch : std::string(info.param.what)) n += std::isalnum(static_cast<unsigned char>(ch)) ? ch : '_';
      return n;
    });

TEST(CopyStreamPart, ReadsShortReadsToTheEndAndStopsWhenTheSourceDries) {
  TrickleStream ok(Bytes("abcdef"), 6);
  TMemoryStream dest;
  EXPECT_EQ(CopyStreamPart(dest, ok, 5), 5);
  EXPECT_EQ(std::string(dest.Bytes().begin(), dest.Bytes().end()), "abcde");

  // The source claims 1 MiB but holds 3 bytes: one failed read ends the copy.
  TrickleStream liar(Bytes("xyz"), 1 << 20);
  TMemoryStream dest2(Bytes("keep"));
  EXPECT_THROW(CopyStreamPart(dest2, liar, 1 << 20), EReadError);
  EXPECT_EQ(liar.reads_, 4);
  EXPECT_EQ(std::string(dest2.Bytes().begin(), dest2.Bytes().end()), "keep");

  TrickleStream liar2(Bytes("xyz"), 1 << 20);
  EXPECT_THROW(ReadBlock(liar2, 1 << 20), EReadError);
}

}  // namespace
}  // namespace dorv
