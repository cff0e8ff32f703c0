#pragma once
// One file that a fuzz target rewrites for each input, in a folder of this process's own under $TMPDIR
// (or /tmp); the folder goes when the process exits normally. A crash leaves it behind: its name,
// quarvel-fuzz-XXXXXX, says whose it is.

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "FuzzCheck.h"

class FuzzTempFile {
public:
  explicit FuzzTempFile(const char *name) {
    const char *tmp = std::getenv("TMPDIR");
    std::string folder = std::string(tmp && *tmp ? tmp : "/tmp") + "/quarvel-fuzz-XXXXXX";
    FUZZ_CHECK(mkdtemp(&folder[0]) != nullptr);
    m_folder = folder;
    m_path = folder + "/" + name;
  }
  ~FuzzTempFile() {
    std::error_code ignored;
    std::filesystem::remove_all(m_folder, ignored);
  }
  FuzzTempFile(const FuzzTempFile &) = delete;
  FuzzTempFile &operator=(const FuzzTempFile &) = delete;

  // Replaces the file's content with bytes and returns its path. A file that cannot be written (a full
  // disk) ends the run with the reason: the input is not at fault, but the run cannot go on.
  const std::string &Write(const std::string &bytes) const {
    std::FILE *file = std::fopen(m_path.c_str(), "wb");
    if (!file)
      CannotWrite();
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    if (std::fclose(file) != 0 || !written)
      CannotWrite();
    return m_path;
  }

private:
  [[noreturn]] void CannotWrite() const {
    std::fprintf(stderr, "cannot write %s: %s\n", m_path.c_str(), std::strerror(errno));
    std::abort();
  }

  std::string m_folder;
  std::string m_path;
};
