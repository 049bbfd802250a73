#include "core/InterfaceBinder.h"

#include "core/MessageFormat.h"

#include <array>
#include <cstring>
#include <type_traits>
#include <utility>

namespace core {

const char* InterfaceBinder::libraryFor(const data::CommSettings& comm) {
    return comm.deviceName == kUplDeviceName ? kUplLibrary : kTrxLibrary;
}

std::string InterfaceBinder::loadErrorMessage(int code, const std::string& text) {
    return formatMessage(kLoadErrorFormat, static_cast<unsigned>(code), text.c_str());
}

BindResult InterfaceBinder::bind(const data::CommSettings& comm, const std::string& programDirectory,
                                 platform::DynamicLibrary& library, InterfaceApi& api,
                                 UserNotifier& notifier) {
    auto loadError = [&](const platform::SystemError& error) {
        notifier.showMessage(loadErrorMessage(error.code(), error.text()), MessageIcon::None);
        return BindResult::LoadError;
    };

    api = InterfaceApi{};
    if (const platform::Result<void> loaded = library.load(libraryFor(comm), programDirectory); !loaded)
        return loadError(loaded.error());

    const auto productVersion = library.function<decltype(api.GetTRXProductVer)>("GetTRXProductVer");
    if (!productVersion)
        return loadError(productVersion.error());
    api.GetTRXProductVer = *productVersion;

    // One byte more than the library may fill, so that a text without its
    // terminating zero still ends inside the buffer.
    std::array<char, kProductVersionBufferSize + 1> version{};
    api.GetTRXProductVer(version.data());
    if (std::strncmp(version.data(), kRequiredProductVersion, version.size()) != 0) {
        notifier.showMessage(kVersionErrorText, MessageIcon::Stop);
        return BindResult::VersionError;
    }

    bool versionEntry = true;  // the first entry of the table, bound above
    platform::SystemError missingEntry;
    bool complete = InterfaceApi::forEachEntry(api, [&](const char* name, auto& entry) {
        if (std::exchange(versionEntry, false))
            return true;
        const auto found = library.function<std::remove_reference_t<decltype(entry)>>(name);
        if (!found) {
            missingEntry = found.error();
            return false;
        }
        entry = *found;
        return true;
    });
    return complete ? BindResult::Bound : loadError(missingEntry);
}

}  // namespace core
