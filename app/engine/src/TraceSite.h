#pragma once

#include <algorithm>
#include <string>
#include <string_view>

#include "LogClock.h"
#include "data/UnitList.h"
#include "data/UnitRecord.h"
#include "engine/HostMessages.h"
#include "engine/LogTrace.h"

namespace engine::trace {

// The names the unit list gives, and the TIMEOUT each unit waits.
class SiteUnits {
  public:
    struct Found {
        int unit = -1;
        int cpu = -1;
        std::string unitName;
        std::string cpuName;
    };

    explicit SiteUnits(const TraceSettings& settings) : settings_(settings) {}

    bool named() const { return settings_.units != nullptr; }

    // A generic message to a bus address: the CPUs there (several may share one flash).
    Found atBus(std::uint8_t bus) const {
        Found found;
        if (!settings_.units) {
            return found;
        }
        const data::UnitList& units = *settings_.units;
        if (bus == host::kCardDirectType3Target) {
            // Card Direct reaches the first CPU of the first type-3 unit here.
            for (int u = 0; u < units.count(); ++u) {
                const data::UnitRecord& unit = *units.unit(u);
                if (unit.kind() == data::UnitKind::Type3 && unit.rowCount() > 0) {
                    return describe(u, 0);
                }
            }
        }
        for (int u = 0; u < units.count(); ++u) {
            const data::UnitRecord& unit = *units.unit(u);
            if (unit.kind() == data::UnitKind::Type3 || unit.kind() == data::UnitKind::Type4 ||
                unit.kind() == data::UnitKind::Direct) {
                continue;
            }
            for (int r = 0; r < unit.rowCount(); ++r) {
                if (unit.row(r)->busAddress() != bus) {
                    continue;
                }
                if (found.unit < 0) {
                    found = describe(u, r);
                } else if (found.unit == u) {
                    found.cpu = -1;
                    found.cpuName += "+" + unit.row(r)->cpuName();
                }
            }
            if (found.unit >= 0) {
                return found;
            }
        }
        return found;
    }

    // The CPU a type-3 or type-4 select mask names: its row index in the unit.
    Found segmented(data::UnitKind kind, int index) const {
        Found found;
        found.cpu = index;
        if (!settings_.units) {
            return found;
        }
        const data::UnitList& units = *settings_.units;
        for (int u = 0; u < units.count(); ++u) {
            const data::UnitRecord& unit = *units.unit(u);
            if (unit.kind() == kind && index < unit.rowCount()) {
                return describe(u, index);
            }
        }
        return found;
    }

    // Whose version word, ID byte or ID block a read fetches.
    Found readAt(std::uint32_t address, StepKind& readKind) const {
        Found found;
        if (!settings_.units) {
            return found;
        }
        const data::UnitList& units = *settings_.units;
        for (int u = 0; u < units.count(); ++u) {
            const data::UnitRecord& unit = *units.unit(u);
            if (unit.versionAddress() == address) {
                readKind = StepKind::VersionRead;
                return describe(u, -1);
            }
            if (unit.blockRead() && unit.blockAddress() == address) {
                readKind = StepKind::BlockRead;
                return describe(u, -1);
            }
            for (int r = 0; r < unit.rowCount(); ++r) {
                const data::ImageRow& row = *unit.row(r);
                if (row.versionAddress() == address) {
                    readKind = StepKind::VersionRead;
                    return describe(u, r);
                }
                if (row.idAddress() == address) {
                    readKind = StepKind::IdRead;
                    return describe(u, r);
                }
            }
        }
        return found;
    }

    const data::UnitRecord* unit(int index) const {
        return settings_.units ? settings_.units->unit(index) : nullptr;
    }

    // TIMEOUT of the unit, or of the kind of unit when the list does not say.
    struct Timeout {
        std::int64_t ms = 0;
        std::string source;
    };
    Timeout timeoutFor(int unitIndex, data::UnitKind fallbackKind) const {
        data::UnitModel model = modelOf(fallbackKind);
        if (const data::UnitRecord* record = unit(unitIndex)) {
            model = record->timingModel();
        }
        Timeout timeout;
        if (settings_.timing) {
            timeout.ms = (*settings_.timing)[static_cast<std::size_t>(model)].timeout * kMsPerSecond;
            timeout.source = "TIMEOUT of " + std::string(modelName(model));
        } else {
            timeout.ms = data::UnitTiming{}.timeout * kMsPerSecond;
            timeout.source = "the default TIMEOUT";
        }
        return timeout;
    }

    // The shortest boot-in wait of the units that are written in boot mode.
    std::int64_t bootInMs() const {
        if (!settings_.timing) {
            return data::UnitTiming{}.bootIn * kMsPerSecond;
        }
        const auto& timing = *settings_.timing;
        const std::int32_t shortest =
            std::min(timing[static_cast<std::size_t>(data::UnitModel::SRF7)].bootIn,
                     timing[static_cast<std::size_t>(data::UnitModel::ENG7)].bootIn);
        return shortest * kMsPerSecond;
    }

  private:
    static data::UnitModel modelOf(data::UnitKind kind) {
        switch (kind) {
            case data::UnitKind::Eng7:
                return data::UnitModel::ENG7;
            case data::UnitKind::Type3:
                return data::UnitModel::LIO7;
            case data::UnitKind::Direct:
            case data::UnitKind::Type4:
                return data::UnitModel::XDG7;
            case data::UnitKind::Generic:
                break;
        }
        return data::UnitModel::SRF7;
    }

    static std::string_view modelName(data::UnitModel model) {
        switch (model) {
            case data::UnitModel::SRF7:
                return "SRF7";
            case data::UnitModel::ENG7:
                return "ENG7";
            case data::UnitModel::LIO7:
                return "LIO7";
            case data::UnitModel::XDG7:
                return "XDG7";
        }
        return "SRF7";
    }

    Found describe(int unitIndex, int rowIndex) const {
        Found found;
        const data::UnitRecord& unit = *settings_.units->unit(unitIndex);
        found.unit = unitIndex;
        found.unitName = unit.name();
        if (rowIndex >= 0 && rowIndex < unit.rowCount()) {
            found.cpu = rowIndex;
            found.cpuName = unit.row(rowIndex)->cpuName();
        }
        return found;
    }

    const TraceSettings& settings_;
};

}  // namespace engine::trace
