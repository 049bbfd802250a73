#pragma once

#include <string>

#include "core/Settings.h"
#include "core/UserNotifier.h"
#include "platform/IniFile.h"

namespace core {

// Reads the settings file with all its rules, in the order of its keys: the
// data-root step changes the current directory, so nothing read after it may
// depend on the directory that was current before.
class SettingsReader {
  public:
    static constexpr const char* kSettingsFileName = "FLASHKIT.INI";
    static constexpr const char* kDataRootNotFoundFormat =
        "Data Root(%s) was not found. Data Root is set \"%s\".";
    static constexpr const char* kUnreadableFormat = "Cannot read the settings file %s: %s.";

    // DEVICE is taken only when shorter than this.
    static constexpr std::size_t kDeviceNameLimit = data::CommSettings::kMaxDeviceNameLength + 1;
    // WAIT_TIME from this value on (and any negative one) becomes 0.
    static constexpr std::uint32_t kWaitTimeLimit = 10;
    // Timing values outside 1..30 become the upper bound.
    static constexpr std::int32_t kMaxTimingSeconds = 30;

    // Reads every setting; shows the data-root message through the notifier
    // when ROOT is not a directory. The executable directory anchors a
    // relative ROOT and is the fallback data root.
    static Settings read(const platform::IniFile& file, const std::string& executableDirectory,
                         UserNotifier& notifier);

    static std::string dataRootNotFoundMessage(const std::string& root, const std::string& fallback);
    // A settings file that is there but cannot be read, with the reason.
    static std::string unreadableMessage(const std::string& path, const std::string& reason);

  private:
    static std::string resolveDataRoot(const std::string& root, const std::string& executableDirectory,
                                       UserNotifier& notifier);
};

}  // namespace core
