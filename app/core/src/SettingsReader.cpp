#include "core/SettingsReader.h"

#include <array>
#include <optional>

#include "core/MessageFormat.h"
#include "platform/Paths.h"
#include "platform/PlainText.h"

namespace core {
namespace {

constexpr const char* kHostSection = "HOST";
constexpr const char* kDataSection = "DATA";

struct TimingSection {
    const char* name;
    data::UnitTiming defaults;
};

// In the order the timing sets are kept: SRF7, ENG7, LIO7, XDG7.
constexpr std::array<TimingSection, data::kUnitModelCount> kTimingSections{{
    {"SRF7_INTERVAL", {10, 5, 10, 10}},
    {"ENG7_INTERVAL", {10, 5, 10, 10}},
    {"LIO7_INTERVAL", {10, 5, 20, 10}},
    {"XDG7_INTERVAL", {10, 5, 20, 10}},
}};

std::int32_t timingValue(const platform::IniFile& file, const char* section, const char* key,
                         std::int32_t fallback) {
    std::int32_t seconds = file.integer(section, key, fallback);
    return (seconds <= 0 || seconds > SettingsReader::kMaxTimingSeconds) ? SettingsReader::kMaxTimingSeconds
                                                                         : seconds;
}

}  // namespace

std::string SettingsReader::dataRootNotFoundMessage(const std::string& root, const std::string& fallback) {
    return formatMessage(kDataRootNotFoundFormat, platform::shortenedForMessage(root).c_str(),
                         platform::shortenedForMessage(fallback).c_str());
}

std::string SettingsReader::unreadableMessage(const std::string& path, const std::string& reason) {
    return formatMessage(kUnreadableFormat, platform::shortenedForMessage(path).c_str(), reason.c_str());
}

std::string SettingsReader::resolveDataRoot(const std::string& root, const std::string& executableDirectory,
                                            UserNotifier& notifier) {
    // A relative ROOT is taken relative to the program's own directory.
    platform::setCurrentDirectory(executableDirectory);

    std::string candidate = root;
    platform::FileKind kind = platform::fileKind(candidate);
    if (kind == platform::FileKind::Missing && !candidate.empty() &&
        (candidate.back() == '/' || candidate.back() == '\\')) {
        // Settings written for the original system end folders with a backslash.
        candidate.pop_back();
        kind = platform::fileKind(candidate);
    }
    if (kind == platform::FileKind::Directory) {
        std::optional<std::string> absolute = platform::absolutePath(candidate);
        if (absolute && platform::setCurrentDirectory(*absolute))
            return *absolute;
    }

    notifier.showMessage(dataRootNotFoundMessage(root, executableDirectory), MessageIcon::None);
    platform::setCurrentDirectory(executableDirectory);
    return platform::absolutePath(executableDirectory).value_or(executableDirectory);
}

Settings SettingsReader::read(const platform::IniFile& file, const std::string& executableDirectory,
                              UserNotifier& notifier) {
    Settings settings;
    data::CommSettings& comm = settings.comm;

    std::string device = file.text(kHostSection, "DEVICE", Settings::kDefaultDeviceName);
    comm.deviceName = device.size() < kDeviceNameLimit ? device : std::string();
    comm.baudRate = file.integer(kHostSection, "BAUDRATE", comm.baudRate);
    settings.baudRateText = file.value(kHostSection, "BAUDRATE").value_or(std::string());
    comm.replyWaitMs = data::CommSettings::kReplyWaitMs;
    comm.debugLevel = file.integer(kHostSection, "DEBUG", 0);
    auto waitTime = static_cast<std::uint32_t>(file.integer(kHostSection, "WAIT_TIME", 0));
    comm.waitTime = waitTime >= kWaitTimeLimit ? 0 : static_cast<std::int32_t>(waitTime);

    settings.dataRoot = resolveDataRoot(file.text(kDataSection, "ROOT", "."), executableDirectory, notifier);
    settings.advanced = 1;
    settings.checkStatus =
        static_cast<std::uint8_t>(file.integer(kDataSection, "CHECKSTATUS", Settings::kDefaultCheckStatus));
    settings.defaultListName = file.text(kDataSection, "DEFAULT", Settings::kDefaultListName);
    settings.defaultListPath = platform::joinPath(settings.dataRoot, settings.defaultListName);
    settings.font = FontSetting::parse(file.text(kDataSection, "FONT", FontSetting::kDefaultValue));

    for (std::size_t model = 0; model < kTimingSections.size(); ++model) {
        const TimingSection& section = kTimingSections[model];
        data::UnitTiming& timing = settings.timing[model];
        timing.bootIn = timingValue(file, section.name, "BOOTIN", section.defaults.bootIn);
        timing.bootOut = timingValue(file, section.name, "BOOTOUT", section.defaults.bootOut);
        timing.timeout = timingValue(file, section.name, "TIMEOUT", section.defaults.timeout);
        timing.retryTime = timingValue(file, section.name, "RETRYTIME", section.defaults.retryTime);
    }
    return settings;
}

}  // namespace core
