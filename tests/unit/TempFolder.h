#pragma once
// A private temporary folder for files a test writes, removed with everything in it.

#include <gtest/gtest.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

#ifdef _WIN32
#include <windows.h>
#endif

// A path as the ANSI string that the product's file calls take; empty when the code page cannot spell it.
inline std::string AnsiPath(const std::filesystem::path &path) {
#ifdef _WIN32
  const std::wstring wide = path.wstring();
  BOOL lost = FALSE;
  const int size = WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, nullptr, 0, nullptr, &lost);
  if (size <= 0 || lost)
    return std::string();
  std::string ansi(static_cast<size_t>(size), '\0');
  WideCharToMultiByte(CP_ACP, 0, wide.c_str(), -1, &ansi[0], size, nullptr, nullptr);
  ansi.resize(static_cast<size_t>(size) - 1);
  return ansi;
#else
  return path.string();
#endif
}

class TempFolder {
public:
  TempFolder() {
    const ::testing::TestInfo *test = ::testing::UnitTest::GetInstance()->current_test_info();
    // Unique per run: the same tests may run at the same time from other build folders.
    m_path = std::filesystem::temp_directory_path() /
             (std::string("quarvel_") + (test ? test->name() : "test") + "_" +
              std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::remove_all(m_path);
    std::filesystem::create_directories(m_path);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder &) = delete;
  TempFolder &operator=(const TempFolder &) = delete;

  // Writes bytes exactly as given (name in UTF-8) and returns the file's path as an ANSI string.
  std::string Write(const std::string &name, const std::string &bytes) const {
    const std::filesystem::path file = m_path / std::filesystem::u8path(name);
    std::ofstream out(file, std::ios::binary);
    out.write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    return AnsiPath(file);
  }
  std::string Path() const { return AnsiPath(m_path); }

private:
  std::filesystem::path m_path;
};
