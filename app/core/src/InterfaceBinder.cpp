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
    auto loadError = [&] {
        notifier.showMessage(loadErrorMessage(library.error().code(), library.error().text()),
                             MessageIcon::None);
        return BindResult::LoadError;
    };

    api = InterfaceApi{};
    if (!library.load(libraryFor(comm), programDirectory))
        return loadError();

    api.GetTRXProductVer = library.function<decltype(api.GetTRXProductVer)>("GetTRXProductVer");
    if (api.GetTRXProductVer == nullptr)
        return loadError();

    // One byte more than the library may fill, so that a text without its
    // terminating zero still ends inside the buffer.
    std::array<char, kProductVersionBufferSize + 1> version{};
    api.GetTRXProductVer(version.data());
    if (std::strncmp(version.data(), kRequiredProductVersion, version.size()) != 0) {
        notifier.showMessage(kVersionErrorText, MessageIcon::Stop);
        return BindResult::VersionError;
    }

    bool versionEntry = true;  // the first entry of the table, bound above
    bool complete = InterfaceApi::forEachEntry(api, [&](const char* name, auto& entry) {
        if (std::exchange(versionEntry, false))
            return true;
        entry = library.function<std::remove_reference_t<decltype(entry)>>(name);
        return entry != nullptr;
    });
    return complete ? BindResult::Bound : loadError();
}

}  // namespace core
