#include "CliTestSupport.h"

#include <cstdio>
#include <fstream>
#include <random>
#include <regex>
#include <sstream>

namespace clitest {

std::string sRecord(char type, std::uint32_t address, const std::vector<std::uint8_t>& data) {
    const int addressBytes = type == '1' ? 2 : type == '2' ? 3 : 4;
    const int count = addressBytes + static_cast<int>(data.size()) + 1;
    std::string line = std::string("S") + type;
    char hex[4];
    unsigned sum = static_cast<unsigned>(count);
    std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(count));
    line += hex;
    for (int i = addressBytes - 1; i >= 0; --i) {
        const unsigned byte = (address >> (8 * i)) & 0xFF;
        sum += byte;
        std::snprintf(hex, sizeof hex, "%02X", byte);
        line += hex;
    }
    for (const std::uint8_t byte : data) {
        sum += byte;
        std::snprintf(hex, sizeof hex, "%02X", static_cast<unsigned>(byte));
        line += hex;
    }
    std::snprintf(hex, sizeof hex, "%02X", ~sum & 0xFF);
    line += hex;
    return line;
}

ScratchFolder::ScratchFolder() {
    std::random_device random;
    path_ = std::filesystem::temp_directory_path() / ("flashkit-cli-test-" + std::to_string(random()));
    std::filesystem::create_directories(path_);
}

ScratchFolder::~ScratchFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

void ScratchFolder::write(const std::string& relative, const std::string& text) const {
    const auto target = path_ / relative;
    std::filesystem::create_directories(target.parent_path());
    std::ofstream(target, std::ios::binary) << text;
}

std::string writeListingDataRoot(const ScratchFolder& folder) {
    folder.write("FLASHKIT.INI", "[DATA]\nROOT=" + folder.path().string() + "\nDEFAULT=UNIT.LST\n");
    folder.write("UNIT.LST", "PUMP1, PUMP1\nVALVE2, VALVE2\nCARD3, CARD3\n");
    folder.write("OTHER.LST", "MIXER4\n");
    folder.write("PUMP1/PUMP1.SET", "[SETTINGS]\nVERSION=0100\n");
    folder.write("VALVE2/VALVE2.SET", "[SETTINGS]\nVERSION=0100\n");
    folder.write("CARD3/CARD3.SET", "[SETTINGS]\nVERSION=0100\nMODE=1\n");
    return folder.file("FLASHKIT.INI");
}

std::string contentOf(const std::string& path) {
    std::ifstream file(path, std::ios::binary);
    std::ostringstream text;
    text << file.rdbuf();
    return text.str();
}

bool matches(const std::string& text, const std::string& pattern) {
    return std::regex_search(text, std::regex(pattern));
}

std::string cliProgram() {
    return FLASHKIT_CLI_PROGRAM;
}

ProgramRun::Outcome runCli(const std::vector<std::string>& arguments,
                           const std::map<std::string, std::string>& environment) {
    return ProgramRun::run(cliProgram(), arguments, environment);
}

}  // namespace clitest
