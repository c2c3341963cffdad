#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

// Makes a fresh temporary directory the working directory, where the setup files live, for
// the lifetime of the object.
class TempCwd {
  public:
    TempCwd() : oldDir(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "datafile.XXXXXX").string();
        EXPECT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        std::filesystem::current_path(dir);
    }
    ~TempCwd() {
        std::filesystem::current_path(oldDir);
        std::filesystem::remove_all(dir);
    }
    TempCwd(const TempCwd&) = delete;
    TempCwd& operator=(const TempCwd&) = delete;

  private:
    std::filesystem::path oldDir;
    std::filesystem::path dir;
};

inline std::string ReadBytes(const char* name) {
    std::ifstream in(name, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

inline void WriteBytes(const char* name, const std::string& bytes) {
    std::ofstream out(name, std::ios::binary | std::ios::trunc);
    out << bytes;
}
