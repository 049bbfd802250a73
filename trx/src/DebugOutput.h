#pragma once

#include "trx.h"

namespace trx {

// The library's two outlets besides its log: debugger text lines (to standard
// error, only when TRX_DEBUG is set in the environment) and message boxes
// (to the host's handler, else to standard error).
class DebugOutput {
  public:
    static void text(const char* line);
    static void messageBox(const char* text);
    static void setMessageBoxHandler(TrxMessageBoxHandler handler);

    // Caption of every message box of the library.
    static constexpr const char* kCaption = "TRX.DLL";
};

}  // namespace trx
