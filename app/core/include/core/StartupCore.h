#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

#include "core/InterfaceApi.h"
#include "core/PortList.h"
#include "core/Settings.h"
#include "core/UserNotifier.h"
#include "platform/DynamicLibrary.h"
#include "platform/InstanceLock.h"
#include "platform/PortDiscovery.h"

namespace core {

// How a front end runs start-up. The desktop program keeps the defaults; the
// command-line program skips the guard and may name another settings file;
// tests point everything at folders of their own.
struct StartupOptions {
    bool useInstanceGuard = true;
    std::string lockDirectory;     // empty: the system's default
    std::string programDirectory;  // empty: the running program's directory
    std::string settingsPath;      // empty: FLASHKIT.INI in the program directory
    std::string libraryDirectory;  // empty: the program directory
    // Empty: the live system and FLASHKIT_PORTS.
    std::optional<platform::PortDiscoveryOptions> ports;
    // Empty: each port is opened to see whether it is usable.
    PortList::Probe portProbe;
    // A port on a network server (rfc2217://HOST:PORT, socket://HOST:PORT)
    // that the front end will use, offered although nothing opened it.
    std::string networkPort;
    // Told about each port the list leaves out, right after the ports are
    // tested and before any message box, so that the reasons are on record
    // even when no port is left at all. Empty: nobody is told.
    std::function<void(const RejectedPort&)> portLeftOut;
};

enum class StartupStatus { NotStarted, Ready, AlreadyRunning, SettingsUnreadable, NoPort, BindingFailed };

// The start-up and shutdown of the application object that need no window:
// the single-instance guard, the settings, the port list, the device-name
// correction and the binding of the interface library. The front ends run
// their windowed steps around it.
class StartupCore {
  public:
    static constexpr const char* kGuardName = "Check [QX7A LOAD] already running.";
    static constexpr const char* kAlreadyRunningMessage = "QX7A LOADER is already running.";

    // Creates the guard (when the options ask for it); nothing is read yet.
    explicit StartupCore(StartupOptions options = {});
    ~StartupCore();
    StartupCore(const StartupCore&) = delete;
    StartupCore& operator=(const StartupCore&) = delete;

    // Runs the steps in order; the first that fails has shown its message
    // and ends start-up. Call shutdown() in any case afterwards.
    StartupStatus start(UserNotifier& notifier);
    // The settings step of start() alone: works out the program's directory
    // and the settings path and reads the settings (the data root becomes
    // the current directory). No guard is asked, no port is listed or
    // opened and no library is loaded, so that a quick question such as
    // "which units are there" never touches a serial line. False when the
    // settings file is there but cannot be read (its message has been shown).
    bool readSettings(UserNotifier& notifier);
    // Unloads the interface library, then releases the guard. Run it after
    // the document and the engine are gone: the entry points die with it.
    void shutdown();

    StartupStatus status() const { return status_; }
    bool alreadyRunning() const { return alreadyRunning_; }

    const std::string& executableDirectory() const { return executableDirectory_; }
    const std::string& settingsPath() const { return settingsPath_; }
    const Settings& settings() const { return settings_; }
    // Changed by the Serial Port menu while the program runs.
    data::CommSettings& comm() { return settings_.comm; }
    const data::UnitTimingSet& timing() const { return settings_.timing; }
    const FontSetting& font() const { return settings_.font; }
    const std::string& dataRoot() const { return settings_.dataRoot; }
    const std::string& defaultListPath() const { return settings_.defaultListPath; }
    std::uint8_t checkStatus() const { return settings_.checkStatus; }
    std::int32_t advanced() const { return settings_.advanced; }
    // 0x00 (SRF7) or 0x10 (ENG7); the document keeps a pointer to this byte.
    std::uint8_t& connectionPoint() { return connectionPoint_; }
    const PortList& ports() const { return ports_; }
    // Complete once start() returned Ready.
    const InterfaceApi& api() const { return api_; }
    const platform::DynamicLibrary& library() const { return library_; }

  private:
    StartupOptions options_;
    platform::InstanceLock guard_;
    bool alreadyRunning_ = false;
    StartupStatus status_ = StartupStatus::NotStarted;
    std::string executableDirectory_;
    std::string settingsPath_;
    Settings settings_;
    std::uint8_t connectionPoint_ = 0;
    PortList ports_;
    platform::DynamicLibrary library_;
    InterfaceApi api_;
};

}  // namespace core
