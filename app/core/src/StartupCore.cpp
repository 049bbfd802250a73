#include "core/StartupCore.h"

#include <utility>

#include "core/InterfaceBinder.h"
#include "core/SettingsReader.h"
#include "platform/IniFile.h"
#include "platform/Paths.h"

namespace core {

StartupCore::StartupCore(StartupOptions options) : options_(std::move(options)) {
    if (options_.useInstanceGuard) {
        platform::Result<platform::InstanceLock> guard =
            platform::InstanceLock::acquire(kGuardName, options_.lockDirectory);
        alreadyRunning_ = !guard;
        if (guard) {
            guard_ = std::move(*guard);
        }
    }
}

StartupCore::~StartupCore() {
    shutdown();
}

StartupStatus StartupCore::start(UserNotifier& notifier) {
    if (alreadyRunning_) {
        notifier.showMessage(kAlreadyRunningMessage, MessageIcon::Stop);
        return status_ = StartupStatus::AlreadyRunning;
    }

    if (!readSettings(notifier)) {
        return status_ = StartupStatus::SettingsUnreadable;
    }

    platform::PortDiscoveryOptions discovery =
        options_.ports ? *options_.ports : platform::PortDiscoveryOptions::systemDefaults();
    const bool tableRead = ports_.discover(discovery);
    const std::size_t usable =
        tableRead
            ? ports_.filter(options_.portProbe ? options_.portProbe : PortList::Probe(platform::probePort))
            : 0;
    if (options_.portLeftOut) {
        for (const RejectedPort& port : ports_.rejected())
            options_.portLeftOut(port);
    }
    // A DEVICE on a network server is taken as it is, never replaced by the
    // first local port, and counts as a usable port; so does a network port
    // the front end was told to use.
    std::size_t offered = usable;
    if (tableRead) {
        for (const std::string* name : {&settings_.comm.deviceName, &options_.networkPort}) {
            offered += ports_.offerNetworkPort(*name) ? 1 : 0;
        }
    }
    if (offered == 0) {
        notifier.showMessage(PortList::kNoPortMessage, MessageIcon::None);
        return status_ = StartupStatus::NoPort;
    }
    ports_.correctDeviceName(settings_.comm);

    const std::string& libraryDirectory =
        options_.libraryDirectory.empty() ? executableDirectory_ : options_.libraryDirectory;
    if (InterfaceBinder::bind(settings_.comm, libraryDirectory, library_, api_, notifier) !=
        BindResult::Bound) {
        return status_ = StartupStatus::BindingFailed;
    }
    api_.LoopBackModeChange(0);
    api_.ActiveSenseOnOff(0);
    return status_ = StartupStatus::Ready;
}

bool StartupCore::readSettings(UserNotifier& notifier) {
    executableDirectory_ =
        options_.programDirectory.empty() ? platform::executableDirectory() : options_.programDirectory;
    // Without /proc the program cannot tell where it lives; the directory it
    // was started from is the best remaining anchor.
    if (executableDirectory_.empty())
        executableDirectory_ = platform::currentDirectory();
    settingsPath_ = options_.settingsPath.empty()
                        ? platform::joinPath(executableDirectory_, SettingsReader::kSettingsFileName)
                        : options_.settingsPath;

    // A missing file means the defaults; one that is there but cannot be
    // read (a folder, a FIFO, a device, no permission) is never taken for
    // empty settings.
    const platform::IniFile settingsFile = platform::IniFile::load(settingsPath_);
    if (settingsFile.loadError() != platform::TextFileError::Missing && !settingsFile.readable()) {
        notifier.showMessage(SettingsReader::unreadableMessage(settingsPath_, settingsFile.loadReason()),
                             MessageIcon::Stop);
        return false;
    }
    settings_ = SettingsReader::read(settingsFile, executableDirectory_, notifier);
    return true;
}

void StartupCore::shutdown() {
    if (library_.loaded()) {
        library_.unload();
        api_ = InterfaceApi{};
    }
    guard_.release();
}

}  // namespace core
