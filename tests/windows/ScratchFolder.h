#pragma once

// A scratch folder under the system's temporary folder, removed afterwards.
// Its name holds characters outside ASCII, so every test that uses it also
// checks that UTF-8 names survive the way to the system and back.

#include <filesystem>
#include <fstream>
#include <random>
#include <string>
#include <string_view>

class ScratchFolder {
  public:
    ScratchFolder() {
        std::random_device random;
        const std::string name = "flashkit-\xC3\xBC\xE6\x97\xA5-" + std::to_string(random());
        folder_ = std::filesystem::temp_directory_path() / std::filesystem::u8path(name);
        std::filesystem::create_directories(folder_);
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(folder_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    // The folder as UTF-8 text, as the program passes paths around.
    std::string path() const { return text(folder_); }
    std::string operator/(std::string_view name) const {
        return text(folder_ / std::filesystem::u8path(name));
    }

    std::string writeFile(std::string_view name, std::string_view content) const {
        const std::filesystem::path file = folder_ / std::filesystem::u8path(name);
        std::ofstream out(file, std::ios::binary);
        out.write(content.data(), static_cast<std::streamsize>(content.size()));
        return text(file);
    }

    static std::string text(const std::filesystem::path& path) {
        const std::u8string utf8 = path.u8string();
        return std::string(utf8.begin(), utf8.end());
    }

  private:
    std::filesystem::path folder_;
};
