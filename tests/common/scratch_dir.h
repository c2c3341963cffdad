#pragma once
#include <gtest/gtest.h>
#include <stdlib.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

// A fresh temporary directory as the working directory, where the driver's files live, for
// the lifetime of the object; removed with everything in it afterwards.
class ScratchDir {
  public:
    ScratchDir() : oldDir(std::filesystem::current_path()) {
        std::string pattern = (std::filesystem::temp_directory_path() / "zordrive.XXXXXX").string();
        EXPECT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        std::filesystem::current_path(dir);
    }
    ~ScratchDir() {
        std::filesystem::current_path(oldDir);
        std::filesystem::remove_all(dir);
    }
    ScratchDir(const ScratchDir&) = delete;
    ScratchDir& operator=(const ScratchDir&) = delete;

    // The names of the entries in the directory, sorted.
    std::vector<std::string> Entries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir)) {
            names.push_back(entry.path().filename().string());
        }
        std::sort(names.begin(), names.end());
        return names;
    }

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

// The settings file with `lines` under the driver's section, lines ending in CR LF.
inline std::string SectionWith(const std::string& lines) {
    return "[Zorvek PC interface driver]\r\n" + lines;
}
