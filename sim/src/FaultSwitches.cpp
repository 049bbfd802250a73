#include "sim/FaultSwitches.h"

#include <charconv>

namespace sim {

bool FaultSwitches::any() const {
    return silent || rejectErase || rejectBlock > 0 || rejectChecksum || wrongTarget || echoFirst ||
           dropEvery > 0 || dropNth > 0 || delayMs > 0 || corruptEvery > 0 || keepVersion;
}

FaultSwitches FaultSwitches::merged(const FaultSwitches& base, const FaultSwitches& override) {
    FaultSwitches result;
    result.silent = base.silent || override.silent;
    result.rejectErase = base.rejectErase || override.rejectErase;
    result.rejectBlock = override.rejectBlock > 0 ? override.rejectBlock : base.rejectBlock;
    result.rejectChecksum = base.rejectChecksum || override.rejectChecksum;
    result.wrongTarget = base.wrongTarget || override.wrongTarget;
    result.echoFirst = base.echoFirst || override.echoFirst;
    result.dropEvery = override.dropEvery > 0 ? override.dropEvery : base.dropEvery;
    result.dropNth = override.dropNth > 0 ? override.dropNth : base.dropNth;
    result.delayMs = override.delayMs > 0 ? override.delayMs : base.delayMs;
    result.corruptEvery = override.corruptEvery > 0 ? override.corruptEvery : base.corruptEvery;
    result.keepVersion = base.keepVersion || override.keepVersion;
    return result;
}

namespace {

bool parseCount(std::string_view name, std::string_view value, int minimum, int& out, std::string& error) {
    int parsed = 0;
    const auto [end, status] = std::from_chars(value.data(), value.data() + value.size(), parsed);
    if (value.empty() || status != std::errc() || end != value.data() + value.size() || parsed < minimum) {
        error = "fault " + std::string(name) + " needs a whole number of at least " +
                std::to_string(minimum) + ", not \"" + std::string(value) + "\"";
        return false;
    }
    out = parsed;
    return true;
}

}  // namespace

bool applyFaultSwitch(FaultSwitches& faults, std::string_view text, std::string& error) {
    const auto equals = text.find('=');
    const std::string_view name = text.substr(0, equals);
    const bool hasValue = equals != std::string_view::npos;
    const std::string_view value = hasValue ? text.substr(equals + 1) : std::string_view{};

    struct Flag {
        std::string_view name;
        bool FaultSwitches::*field;
    };
    static constexpr Flag kFlags[] = {
        {"silent", &FaultSwitches::silent},
        {"reject-erase", &FaultSwitches::rejectErase},
        {"reject-checksum", &FaultSwitches::rejectChecksum},
        {"wrong-target", &FaultSwitches::wrongTarget},
        {"echo-first", &FaultSwitches::echoFirst},
        {"keep-version", &FaultSwitches::keepVersion},
    };
    for (const Flag& flag : kFlags) {
        if (name == flag.name) {
            if (hasValue) {
                error = "fault " + std::string(name) + " takes no value";
                return false;
            }
            faults.*flag.field = true;
            return true;
        }
    }

    struct Count {
        std::string_view name;
        int FaultSwitches::*field;
        int minimum;
    };
    static constexpr Count kCounts[] = {
        {"reject-block", &FaultSwitches::rejectBlock, 1},   {"drop-every", &FaultSwitches::dropEvery, 1},
        {"drop-nth", &FaultSwitches::dropNth, 1},           {"delay", &FaultSwitches::delayMs, 0},
        {"corrupt-every", &FaultSwitches::corruptEvery, 1},
    };
    for (const Count& count : kCounts) {
        if (name == count.name) {
            return parseCount(name, value, count.minimum, faults.*count.field, error);
        }
    }
    error = "unknown fault \"" + std::string(text) + "\" (known: " + faultSwitchNames() + ")";
    return false;
}

std::string faultSwitchNames() {
    return "silent, reject-erase, reject-block=K, reject-checksum, wrong-target, echo-first, drop-every=N, "
           "drop-nth=K, delay=MS, corrupt-every=N, keep-version";
}

}  // namespace sim
