// libFuzzer target: a settings file of any content through the INI reader
// and every setting read from it. Nothing may crash; every text lookup stays
// within 4095 characters; every value the program keeps is within its range.
#include <stdlib.h>
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "core/FontSetting.h"
#include "core/SettingsReader.h"
#include "core/UserNotifier.h"
#include "platform/IniFile.h"
#include "platform/PlainText.h"

namespace {

struct CountingNotifier : core::UserNotifier {
    void showMessage(const std::string& text, core::MessageIcon) override {
        if (text.empty())
            __builtin_trap();
        ++messages;
    }
    int messages = 0;
};

// The program's folder: a fresh empty one, so that ROOT values name nothing
// real but "." and what lies below it.
const std::string& programDirectory() {
    static const std::string folder = [] {
        char pattern[] = "/tmp/flashkit-settings-fuzz-XXXXXX";
        if (::mkdtemp(pattern) == nullptr)
            std::abort();
        return std::string(pattern);
    }();
    return folder;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const platform::IniFile file = platform::IniFile::fromText(text);
    if (!file.readable())
        __builtin_trap();

    // Every key of every section named in the file reads back, cut to the limit.
    for (const char* section : {"HOST", "DATA", "SETTINGS", "CPU", "SRF7_INTERVAL"}) {
        const auto keys = file.keys(section);
        for (std::size_t i = 0; i < keys.size(); ++i) {
            const auto value = file.value(section, keys[i]);
            if (!value || value->size() > platform::IniFile::kMaxTextLength)
                __builtin_trap();
            for (std::size_t j = 0; j < i; ++j) {
                if (platform::equalsIgnoringCase(keys[i], keys[j]))
                    __builtin_trap();
            }
            if (file.integer(section, keys[i], 7) != platform::IniFile::parseLeadingInteger(*value))
                __builtin_trap();
        }
    }

    CountingNotifier notifier;
    const core::Settings settings = core::SettingsReader::read(file, programDirectory(), notifier);
    if (settings.comm.waitTime < 0 || settings.comm.waitTime > 9)
        __builtin_trap();
    if (settings.comm.deviceName.size() >= core::SettingsReader::kDeviceNameLimit)
        __builtin_trap();
    for (const data::UnitTiming& timing : settings.timing) {
        for (const std::int32_t seconds : {timing.bootIn, timing.bootOut, timing.timeout, timing.retryTime}) {
            if (seconds < 1 || seconds > core::SettingsReader::kMaxTimingSeconds)
                __builtin_trap();
        }
    }
    if (settings.font.pointSize < core::FontSetting::kMinPointSize ||
        settings.font.pointSize > core::FontSetting::kMaxPointSize)
        __builtin_trap();
    if (notifier.messages > 1)
        __builtin_trap();
    return 0;
}
