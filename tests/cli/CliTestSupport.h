#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <map>
#include <string>
#include <vector>

#include "ProgramRun.h"

namespace clitest {

// One Motorola S-record line with its count and checksum worked out.
std::string sRecord(char type, std::uint32_t address, const std::vector<std::uint8_t>& data);

// A throw-away folder for a test's settings, unit lists and images.
class ScratchFolder {
  public:
    ScratchFolder();
    ~ScratchFolder();
    ScratchFolder(const ScratchFolder&) = delete;
    ScratchFolder& operator=(const ScratchFolder&) = delete;

    const std::filesystem::path& path() const { return path_; }
    std::string file(const std::string& relative) const { return (path_ / relative).string(); }
    void write(const std::string& relative, const std::string& text) const;

  private:
    std::filesystem::path path_;
};

// A data root in folder for the listings: UNIT.LST with PUMP1 and VALVE2,
// listed under every writing port, and CARD3, listed only under Card
// Direct; OTHER.LST with MIXER4. Returns the path of its FLASHKIT.INI.
std::string writeListingDataRoot(const ScratchFolder& folder);
// A file's whole content ("" when it cannot be read).
std::string contentOf(const std::string& path);
// Whether the text holds a match of the regular expression.
bool matches(const std::string& text, const std::string& pattern);

// The program under test, from the build.
std::string cliProgram();

// Runs flashkit-cli to its end.
ProgramRun::Outcome runCli(const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment = {});

}  // namespace clitest
