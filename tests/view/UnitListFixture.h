#pragma once

#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <string_view>

#include "FakeEngine.h"
#include "data/CDIAGDoc.h"

namespace viewtest {

// A fresh folder under the system's temporary folder, removed with all in it
// when the object goes. Only the standard library, so that it serves on
// every system the view layer is built for.
class ScratchFolder {
  public:
    ScratchFolder() {
        std::random_device seed;
        const std::filesystem::path base = std::filesystem::temp_directory_path();
        do {
            path_ = base / ("flashkit-view-" + std::to_string(seed()));
        } while (!std::filesystem::create_directory(path_));
    }
    ~ScratchFolder() {
        std::error_code ignored;
        std::filesystem::remove_all(path_, ignored);
    }
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    std::string path() const { return path_.string(); }
    std::string operator/(std::string_view relative) const { return (path_ / relative).string(); }

    void writeFile(std::string_view relative, std::string_view content) const {
        const std::filesystem::path file = path_ / relative;
        std::filesystem::create_directories(file.parent_path());
        std::ofstream(file, std::ios::binary) << content;
    }

  private:
    std::filesystem::path path_;
};

// A data root on disk with two units: ALPHA with three CPUs, two of them with
// an image file, and EMPTY without any CPU; and a document over a fake engine.
class DocumentFixture {
  public:
    ScratchFolder root;
    FakeEngine* engine = nullptr;
    std::unique_ptr<data::CDIAGDoc> document;

    DocumentFixture() {
        root.writeFile("ALPHA/ALPHA.SET",
                       "[SETTINGS]\nVERSION=0106\nTYPE=0\n[CPU]\nMAIN=MAIN, 1, 0, 258, 260, 0\n"
                       "SUB=SUB_, 2, 0, 262, 264, 0\nDSP=DSP_, 3, 0, 266, 268, 0\n");
        root.writeFile("ALPHA/MAIN0106.mot", "S0030000FC\n");
        root.writeFile("ALPHA/SUB_0105.mot", "S0030000FC\n");
        root.writeFile("EMPTY/EMPTY.SET", "[SETTINGS]\nVERSION=0100\n");
        root.writeFile("UNIT.LST",
                       "ALPHA, " + path("ALPHA") + ", ALPHA.SET\nEMPTY, " + path("EMPTY") + ", EMPTY.SET\n");
        auto fake = std::make_unique<FakeEngine>();
        engine = fake.get();
        document = std::make_unique<data::CDIAGDoc>(std::move(fake));
    }

    std::string path(std::string_view relative) const { return root / relative; }
    std::string listPath() const { return path("UNIT.LST"); }
};

}  // namespace viewtest
