#include <sys/stat.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <string_view>

#include "data/UnitList.h"
#include "platform/IniFile.h"

namespace {

// A data root with one unit directory holding a few image files, so that
// list lines naming it reach the settings reader and the image search. It
// becomes the current directory, so corpus paths must be absolute.
struct DataRoot {
    DataRoot() {
        char pattern[] = "/tmp/flashkit-fuzz-XXXXXX";
        if (mkdtemp(pattern) == nullptr)
            std::abort();
        path = pattern;
        std::string unit = path + "/U";
        if (mkdir(unit.c_str(), 0700) != 0 || chdir(path.c_str()) != 0)
            std::abort();
        for (const char* name : {"MAIN0105.mot", "main0201R.MOT", "SUBX0300.mot", "A.mot"}) {
            std::ofstream(unit + "/" + name) << "S9030000FC\n";
        }
        std::ofstream(unit + "/U.SET")
            << "[SETTINGS]\nSTATUS=4096, 2\n[CPU]\nMAIN=MAIN,1,0,256,258,0\nSUB=SUB,2\n";
    }
    ~DataRoot() {
        std::error_code ignored;
        std::filesystem::remove_all(path, ignored);
    }
    std::string path;
};

}  // namespace

// The input is a unit list, then (after the first NUL) a unit settings file.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static DataRoot root;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    std::size_t split = input.find('\0');
    std::string_view listText = input.substr(0, split);
    std::string_view settingsText =
        split == std::string_view::npos ? std::string_view{} : input.substr(split + 1);

    // Paths that leave the data root could name any file of the system
    // (a device that never ends, for one); they are not what is tested here.
    if (listText.find_first_of("/\\") != std::string_view::npos ||
        listText.find("..") != std::string_view::npos) {
        return 0;
    }

    data::UnitList units;
    std::istringstream source{std::string(listText)};
    std::size_t messages = 0;
    units.load(source, data::WritingPort::CardDirect, [&](const std::string&) { ++messages; });
    for (int i = 0; i < units.count(); ++i) {
        data::UnitRecord* unit = units.unit(i);
        // Only the prepared directory is searched, to keep runs fast.
        if (unit->directory() != root.path + "/U")
            unit->setDirectory({});
        unit->loadRows(i % 2 == 0);
        unit->countSelectedRows();
    }

    data::UnitRecord unit("U", root.path + "/U", "");
    platform::IniFile settings = platform::IniFile::fromText(settingsText);
    unit.readSettings(settings);
    unit.loadRows(settings, true);
    for (int i = 0; i < unit.rowCount(); ++i)
        unit.mergeRowVersion(i, i == 0);
    unit.countSelectedRows();
    if (unit.row(unit.rowCount()) != nullptr)
        __builtin_trap();
    return 0;
}
