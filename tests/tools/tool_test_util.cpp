#include "tool_test_util.h"

#include <fcntl.h>
#include <png.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <csetjmp>
#include <csignal>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace dorv::tooltest {

ScratchDir::ScratchDir() {
  std::string tmpl = (std::filesystem::temp_directory_path() / "dovtool-test-XXXXXX").string();
  if (::mkdtemp(tmpl.data()) == nullptr) throw std::runtime_error("mkdtemp failed");
  root_ = tmpl;
}

ScratchDir::~ScratchDir() {
  std::error_code ec;
  std::filesystem::remove_all(root_, ec);
}

std::vector<std::string> ScratchDir::Names() const {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(root_)) names.push_back(e.path().filename());
  std::sort(names.begin(), names.end());
  return names;
}

namespace {
void Fail(png_structp png, png_const_charp) { png_longjmp(png, 1); }

bool WriteWithPng(png_structp png, png_infop info, FILE* f, const RawPng& p,
                  std::vector<png_bytep>* rows) {
  if (setjmp(png_jmpbuf(png))) return false;
  png_init_io(png, f);
  png_set_IHDR(png, info, p.width, p.height, p.bitDepth, p.colorType,
               p.interlaced ? PNG_INTERLACE_ADAM7 : PNG_INTERLACE_NONE, PNG_COMPRESSION_TYPE_DEFAULT,
               PNG_FILTER_TYPE_DEFAULT);
  std::vector<png_color> plte;
  for (size_t i = 0; i + 2 < p.plte.size(); i += 3) plte.push_back({p.plte[i], p.plte[i + 1], p.plte[i + 2]});
  if (!plte.empty()) png_set_PLTE(png, info, plte.data(), static_cast<int>(plte.size()));
  if (!p.trns.empty()) {
    if (p.colorType == PNG_COLOR_TYPE_PALETTE) {
      png_set_tRNS(png, info, p.trns.data(), static_cast<int>(p.trns.size()), nullptr);
    } else {
      png_color_16 c{};
      auto word = [&](size_t i) { return static_cast<png_uint_16>(p.trns[i] << 8 | p.trns[i + 1]); };
      if (p.colorType == PNG_COLOR_TYPE_GRAY) c.gray = word(0);
      else c.red = word(0), c.green = word(2), c.blue = word(4);
      png_set_tRNS(png, info, nullptr, 0, &c);
    }
  }
  if (!p.icc.empty())
    png_set_iCCP(png, info, "profile", PNG_COMPRESSION_TYPE_BASE, p.icc.data(), static_cast<png_uint_32>(p.icc.size()));
  png_write_info(png, info);
  png_write_image(png, rows->data());
  png_write_end(png, nullptr);
  return true;
}
}  // namespace

void WriteRawPng(const std::string& path, const RawPng& p) {
  FILE* f = std::fopen(path.c_str(), "wb");
  if (f == nullptr) throw std::runtime_error("cannot create " + path);
  png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, Fail, nullptr);
  png_infop info = png_create_info_struct(png);
  const size_t channels = p.colorType == 2 ? 3 : p.colorType == 4 ? 2 : p.colorType == 6 ? 4 : 1;
  const size_t stride = (p.width * channels * static_cast<size_t>(p.bitDepth) + 7) / 8;
  std::vector<uint8_t> rows = p.rows;
  rows.resize(stride * p.height);
  std::vector<png_bytep> pointers(p.height);
  for (uint32_t y = 0; y < p.height; ++y) pointers[y] = rows.data() + y * stride;
  bool ok = WriteWithPng(png, info, f, p, &pointers);
  png_destroy_write_struct(&png, &info);
  std::fclose(f);
  if (!ok) throw std::runtime_error("libpng could not write " + path);
}

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

void WriteFile(const std::string& path, const std::string& bytes) {
  std::ofstream(path, std::ios::binary) << bytes;
}

bool Exists(const std::string& path) { return std::filesystem::exists(path); }

namespace {

ToolRun Run(const std::vector<std::string>& args, const std::string* stdinBytes) {
  // A tool that stops reading early must not take the test down with it.
  static const bool pipeSignalIgnored = (std::signal(SIGPIPE, SIG_IGN), true);
  (void)pipeSignalIgnored;
  ToolRun run;
  char outName[] = "/tmp/dovtool-out-XXXXXX";
  char errName[] = "/tmp/dovtool-err-XXXXXX";
  int outFd = ::mkstemp(outName);
  int errFd = ::mkstemp(errName);
  int pipeFds[2] = {-1, -1};
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, outFd, 1);
  posix_spawn_file_actions_adddup2(&actions, errFd, 2);
  if (stdinBytes != nullptr && ::pipe(pipeFds) == 0) {
    posix_spawn_file_actions_adddup2(&actions, pipeFds[0], 0);
    posix_spawn_file_actions_addclose(&actions, pipeFds[1]);
  } else {
    posix_spawn_file_actions_addopen(&actions, 0, "/dev/null", O_RDONLY, 0);
  }
  std::vector<std::string> all = {DOVTOOL_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = 0;
  const bool started = ::posix_spawn(&pid, DOVTOOL_PATH, &actions, nullptr, argv.data(), environ) == 0;
  if (pipeFds[0] >= 0) {
    ::close(pipeFds[0]);
    const char* p = stdinBytes->data();
    size_t left = stdinBytes->size();
    while (started && left > 0) {
      const ssize_t n = ::write(pipeFds[1], p, left);
      if (n <= 0) break;
      p += n;
      left -= static_cast<size_t>(n);
    }
    ::close(pipeFds[1]);
  }
  if (started) {
    int status = 0;
    ::waitpid(pid, &status, 0);
    run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  }
  posix_spawn_file_actions_destroy(&actions);
  ::close(outFd);
  ::close(errFd);
  run.out = ReadFile(outName);
  run.err = ReadFile(errName);
  ::unlink(outName);
  ::unlink(errName);
  return run;
}

}  // namespace

ToolRun RunDovtool(const std::vector<std::string>& args) { return Run(args, nullptr); }

ToolRun RunDovtoolWithInput(const std::vector<std::string>& args, const std::string& stdinBytes) {
  return Run(args, &stdinBytes);
}

ToolRun RunDovtoolOnTerminal(const std::vector<std::string>& args, const std::string& term) {
  ToolRun run;
  int master = ::posix_openpt(O_RDWR | O_NOCTTY);
  if (master < 0 || ::grantpt(master) != 0 || ::unlockpt(master) != 0) return run;
  std::string slaveName = ::ptsname(master);
  std::vector<std::string> all = {DOVTOOL_PATH};
  all.insert(all.end(), args.begin(), args.end());
  std::vector<char*> argv;
  for (std::string& a : all) argv.push_back(a.data());
  argv.push_back(nullptr);
  pid_t pid = ::fork();
  if (pid == 0) {
    ::setsid();
    int slave = ::open(slaveName.c_str(), O_RDWR);
    int null = ::open("/dev/null", O_RDWR);
    if (slave < 0 || null < 0) ::_exit(127);
    ::dup2(null, 0);
    ::dup2(null, 1);
    ::dup2(slave, 2);
    if (term.empty()) ::unsetenv("TERM");
    else ::setenv("TERM", term.c_str(), 1);
    ::execv(DOVTOOL_PATH, argv.data());
    ::_exit(127);
  }
  // Read until the child has closed the terminal (EIO), then reap it.
  char buf[4096];
  for (ssize_t n; (n = ::read(master, buf, sizeof buf)) > 0;) run.err.append(buf, static_cast<size_t>(n));
  int status = 0;
  ::waitpid(pid, &status, 0);
  run.status = WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
  ::close(master);
  return run;
}

}  // namespace dorv::tooltest
