#pragma once

#include <windows.h>

#include <string>

namespace winui {

// The About box (dialog resource 100, "About FLASHKIT"): the program icon,
// the version line and the legal notice line, and OK.
class AboutDialog {
  public:
    struct Lines {
        std::string version;
        std::string legalNotice;
    };

    // The two lines from the running program's version resource; without
    // one, the title alone and a blank line.
    static Lines lines();
    static void run(HWND owner);

  private:
    static INT_PTR CALLBACK procedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam);
};

}  // namespace winui
