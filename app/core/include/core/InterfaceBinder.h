#pragma once

#include <string>

#include "core/InterfaceApi.h"
#include "core/UserNotifier.h"
#include "data/CommSettings.h"
#include "platform/DynamicLibrary.h"

namespace core {

enum class BindResult { Bound, LoadError, VersionError };

// Chooses the interface library for the configured device, loads it, checks
// its product version and binds its 39 exports by name, in table order.
class InterfaceBinder {
  public:
    static constexpr const char* kTrxLibrary = "TRX.DLL";
    static constexpr const char* kUplLibrary = "UPL.DLL";
    // The device name that selects the alternative library (exact, case-sensitive).
    static constexpr const char* kUplDeviceName = "UPL";
    static constexpr const char* kRequiredProductVersion = "1, 9, 0, 0";
    static constexpr std::size_t kProductVersionBufferSize = 64;

    static constexpr const char* kLoadErrorFormat = "DLL Load Error (CODE:%08XH) %s";
    static constexpr const char* kVersionErrorText = "DLL Version Error.";

    static const char* libraryFor(const data::CommSettings& comm);
    static std::string loadErrorMessage(int code, const std::string& text);

    // On failure the message has been shown; the library stays loaded and
    // the table partly filled, for the shutdown to clean up.
    static BindResult bind(const data::CommSettings& comm, const std::string& programDirectory,
                           platform::DynamicLibrary& library, InterfaceApi& api, UserNotifier& notifier);
};

}  // namespace core
