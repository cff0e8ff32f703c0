#pragma once
// A private temporary folder for files a test writes, removed with everything in it.

#include <chrono>
#include <filesystem>
#include <fstream>
#include <string>

class TempFolder {
public:
  TempFolder() {
    // Unique per run: the same tests may run at the same time from other build folders.
    m_path = std::filesystem::temp_directory_path() /
             ("quarvel_" + std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()));
    std::filesystem::create_directories(m_path);
  }
  ~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(m_path, ignored);
  }
  TempFolder(const TempFolder &) = delete;
  TempFolder &operator=(const TempFolder &) = delete;

  // Writes bytes exactly as given and returns the file's path.
  std::string Write(const std::string &name, const std::string &bytes) const {
    std::ofstream(m_path / name, std::ios::binary) << bytes;
    return (m_path / name).string();
  }
  std::string Path() const { return m_path.string(); }

private:
  std::filesystem::path m_path;
};
