#include "sim/ConsoleState.h"

namespace sim {

ConsoleState::ConsoleState(ConsoleDescription description) : description_(std::move(description)) {
    // Devices are made first and never added to later, so the pointers in the
    // slots stay valid.
    struct Pending {
        std::size_t unit;
        std::size_t cpu;
        std::size_t device;
    };
    std::vector<Pending> pending;
    std::map<std::uint8_t, std::size_t> deviceOfGenericBus;
    for (std::size_t u = 0; u < description_.units.size(); ++u) {
        SimUnit& unit = description_.units[u];
        for (std::size_t c = 0; c < unit.cpus.size(); ++c) {
            SimCpu& cpu = unit.cpus[c];
            const std::string name = unit.name + "-" + cpu.name;
            const int kind = unit.kind();
            const bool segmented = kind == SimUnit::kTypeDirect || kind == SimUnit::kTypeSelect4;
            const bool generic = kind != SimUnit::kTypeDirect && kind != SimUnit::kTypeSelect3 &&
                                 kind != SimUnit::kTypeSelect4;
            std::size_t device = devices_.size();
            if (generic) {
                // CPUs on one bus address share one flash (one image per group).
                const auto shared = deviceOfGenericBus.find(cpu.busAddress);
                if (shared != deviceOfGenericBus.end()) {
                    device = shared->second;
                } else {
                    deviceOfGenericBus[cpu.busAddress] = device;
                }
            }
            if (device == devices_.size()) {
                if (segmented) {
                    devices_.emplace_back(name, FlashDevice::kSegmentedBase, FlashDevice::kSegmentedSize);
                } else {
                    devices_.emplace_back(name, FlashDevice::kStandardBase, FlashDevice::kStandardSize);
                }
                if (cpu.preset) {
                    devices_.back().preset(cpu.preset->address, cpu.preset->bytes);
                }
            }
            pending.push_back({u, c, device});
        }
    }
    for (const Pending& item : pending) {
        SimUnit& unit = description_.units[item.unit];
        CpuSlot slot{&unit, &unit.cpus[item.cpu], &devices_[item.device], static_cast<int>(item.cpu)};
        const std::size_t index = slots_.size();
        slots_.push_back(slot);
        const int kind = unit.kind();
        if (kind == SimUnit::kTypeDirect) {
            bootLoaderByTarget_.emplace(slot.cpu->busAddress, index);
        } else if (kind == SimUnit::kTypeSelect3) {
            if (item.cpu == 0) {
                genericByBus_.emplace(kCardDirectSelectTarget, index);
            }
        } else if (kind != SimUnit::kTypeSelect4) {
            genericByBus_.emplace(slot.cpu->busAddress, index);
        }
    }
}

std::optional<CpuSlot> ConsoleState::genericAt(std::uint8_t bus) {
    const auto found = genericByBus_.find(bus);
    if (found == genericByBus_.end()) {
        return std::nullopt;
    }
    return slots_[found->second];
}

std::optional<CpuSlot> ConsoleState::selectable(int unitKind, int cpuIndex) {
    for (const CpuSlot& slot : slots_) {
        if (slot.unit->kind() == unitKind) {
            // The first unit of this kind holds the select device.
            for (const CpuSlot& candidate : slots_) {
                if (candidate.unit == slot.unit && candidate.index == cpuIndex) {
                    return candidate;
                }
            }
            return std::nullopt;
        }
    }
    return std::nullopt;
}

bool ConsoleState::hasSelectableUnits() const {
    for (const SimUnit& unit : description_.units) {
        if (unit.kind() == SimUnit::kTypeSelect3 || unit.kind() == SimUnit::kTypeSelect4) {
            return true;
        }
    }
    return false;
}

std::optional<CpuSlot> ConsoleState::bootLoaderAt(std::uint8_t target) {
    const auto found = bootLoaderByTarget_.find(target);
    if (found == bootLoaderByTarget_.end()) {
        return std::nullopt;
    }
    return slots_[found->second];
}

std::optional<CpuSlot> ConsoleState::firstBootLoader() {
    for (const CpuSlot& slot : slots_) {
        if (slot.unit->kind() == SimUnit::kTypeDirect) {
            return slot;
        }
    }
    return std::nullopt;
}

std::optional<RegisterByte> ConsoleState::registerByte(std::uint16_t address) {
    const auto high = [](std::uint16_t word) { return static_cast<std::uint8_t>(word >> 8); };
    const auto low = [](std::uint16_t word) { return static_cast<std::uint8_t>(word & 0xFF); };
    for (SimUnit& unit : description_.units) {
        if (unit.versionAddress != 0xFFFF) {
            if (address == unit.versionAddress) {
                return RegisterByte{high(unit.versionWord), &unit, nullptr};
            }
            if (address == static_cast<std::uint16_t>(unit.versionAddress + 1)) {
                return RegisterByte{low(unit.versionWord), &unit, nullptr};
            }
        }
        if (unit.blockRead && address >= unit.blockAddress && address - unit.blockAddress < unit.blockCount) {
            const std::size_t index = address - unit.blockAddress;
            if (index < unit.cpus.size()) {
                return RegisterByte{unit.cpus[index].idByte, &unit, &unit.cpus[index]};
            }
            return RegisterByte{0xFF, &unit, nullptr};
        }
        for (SimCpu& cpu : unit.cpus) {
            if (cpu.versionAddress != 0xFFFF) {
                if (address == cpu.versionAddress) {
                    return RegisterByte{high(cpu.versionWord), &unit, &cpu};
                }
                if (address == static_cast<std::uint16_t>(cpu.versionAddress + 1)) {
                    return RegisterByte{low(cpu.versionWord), &unit, &cpu};
                }
            }
            if (cpu.idAddress != 0xFFFF && address == cpu.idAddress) {
                return RegisterByte{cpu.idByte, &unit, &cpu};
            }
        }
    }
    return std::nullopt;
}

std::vector<CpuSlot> ConsoleState::cpusOf(const FlashDevice* device) {
    std::vector<CpuSlot> result;
    for (const CpuSlot& slot : slots_) {
        if (slot.flash == device) {
            result.push_back(slot);
        }
    }
    return result;
}

void ConsoleState::takeVersionFrom(const CpuSlot& slot) {
    const std::uint16_t word = slot.flash->versionWord();
    if (slot.faults().keepVersion) {
        // The flash holds the new image, yet the CPU goes on reporting the old version.
        auto& event = events_.add("version-kept");
        event["device"] = slot.flash->name();
        event["fault"] = "keep-version";
        return;
    }
    if (word == 0xFFFF) {
        // An image without a version word leaves the versions as they were.
        events_.add("version-kept")["device"] = slot.flash->name();
        return;
    }
    for (const CpuSlot& sharer : cpusOf(slot.flash)) {
        sharer.cpu->versionWord = word;
        sharer.unit->versionWord = word;
        auto& event = events_.add("version");
        event["cpu"] = cpuLabel(sharer);
        event["word"] = word;
    }
}

}  // namespace sim
