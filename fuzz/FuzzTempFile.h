#pragma once
// One file that a fuzz target rewrites for each input, in a folder of this process's own under $TMPDIR
// (or /tmp); the folder goes when the process exits normally. A crash leaves it behind: its name,
// quarvel-fuzz-XXXXXX, says whose it is.

#include <cstdio>
#include <cstdlib>
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

  // Replaces the file's content with bytes and returns its path.
  const std::string &Write(const std::string &bytes) const {
    std::FILE *file = std::fopen(m_path.c_str(), "wb");
    FUZZ_CHECK(file != nullptr);
    FUZZ_CHECK(std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size());
    FUZZ_CHECK(std::fclose(file) == 0);
    return m_path;
  }

private:
  std::string m_folder;
  std::string m_path;
};
