#pragma once

#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

namespace data::testing {

// A fresh directory under the system's temporary directory, removed with
// everything in it when the object goes.
class TempDirectory {
  public:
    TempDirectory() {
        std::string pattern = (std::filesystem::temp_directory_path() / "flashkit-data-XXXXXX").string();
        path_ = mkdtemp(pattern.data());
    }
    ~TempDirectory() {
        std::error_code ignored;
        std::filesystem::permissions(path_, std::filesystem::perms::owner_all, ignored);
        std::filesystem::remove_all(path_, ignored);
    }
    TempDirectory(const TempDirectory&) = delete;
    TempDirectory& operator=(const TempDirectory&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string str() const { return path_.string(); }

    std::filesystem::path makeDirectory(std::string_view name) const {
        std::filesystem::path directory = path_ / name;
        std::filesystem::create_directories(directory);
        return directory;
    }
    std::filesystem::path write(std::string_view name, std::string_view content) const {
        std::filesystem::path file = path_ / name;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream out(file, std::ios::binary);
        out << content;
        return file;
    }

  private:
    std::filesystem::path path_;
};

// Runs with the current directory set to a path and restores it afterwards.
class CurrentDirectoryScope {
  public:
    explicit CurrentDirectoryScope(const std::filesystem::path& path)
        : saved_(std::filesystem::current_path()) {
        std::filesystem::current_path(path);
    }
    ~CurrentDirectoryScope() {
        std::error_code ignored;
        std::filesystem::current_path(saved_, ignored);
    }
    CurrentDirectoryScope(const CurrentDirectoryScope&) = delete;
    CurrentDirectoryScope& operator=(const CurrentDirectoryScope&) = delete;

  private:
    std::filesystem::path saved_;
};

}  // namespace data::testing
