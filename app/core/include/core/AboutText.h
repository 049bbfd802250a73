#pragma once

#include <string>
#include <string_view>

namespace core {

// The texts of the About box. Linux programs carry no version resource, so
// the program's version values are build constants here.
class AboutText {
  public:
    static constexpr const char* kTitle = "FLASHKIT";
    static constexpr const char* kProductVersion = "2, 0, 0, 0";
    static constexpr const char* kFileVersion = "5, 23, 2, 0";
    static constexpr const char* kLegalCopyright = "";

    // "FLASHKIT Version 2.00", or with " (REV : F1.F2)" when the third number
    // of the file version is 0.
    static std::string versionLine(std::string_view title, std::string_view productVersion,
                                   std::string_view fileVersion);
    // The notice itself, or a single blank when there is none.
    static std::string legalNoticeLine(std::string_view legalCopyright);

    // The lines for the delivered program.
    static std::string programVersionLine() { return versionLine(kTitle, kProductVersion, kFileVersion); }
    static std::string programLegalNoticeLine() { return legalNoticeLine(kLegalCopyright); }
};

}  // namespace core
