#pragma once

#include <cstdint>
#include <map>
#include <optional>
#include <string>
#include <vector>

#include "sim/ConsoleDescription.h"
#include "sim/EventLog.h"
#include "sim/FlashDevice.h"

namespace sim {

// One CPU of the console together with its unit and its flash.
struct CpuSlot {
    SimUnit* unit = nullptr;
    SimCpu* cpu = nullptr;
    FlashDevice* flash = nullptr;
    int index = 0;  // position of the CPU within its unit

    FaultSwitches faults() const { return FaultSwitches::merged(unit->faults, cpu->faults); }
};

// A byte of the console's read address space and whose it is.
struct RegisterByte {
    std::uint8_t value = 0xFF;
    SimUnit* unit = nullptr;
    SimCpu* cpu = nullptr;
};

// The console as both protocols see it: the units and CPUs of the
// description, their flash devices, the boot mode and the event log.
class ConsoleState {
  public:
    explicit ConsoleState(ConsoleDescription description);
    ConsoleState(const ConsoleState&) = delete;
    ConsoleState& operator=(const ConsoleState&) = delete;

    ConsoleDescription& description() { return description_; }
    EventLog& events() { return events_; }
    const EventLog& events() const { return events_; }

    // Generic flash device at a bus address (CPUs of generic units, and the
    // card-direct loader of the first type-3 unit at 0x90).
    std::optional<CpuSlot> genericAt(std::uint8_t bus);
    // The CPU with this index of the first unit of the given kind (3 or 4).
    std::optional<CpuSlot> selectable(int unitKind, int cpuIndex);
    bool hasSelectableUnits() const;
    // A boot-loader (type-2) CPU by its target byte.
    std::optional<CpuSlot> bootLoaderAt(std::uint8_t target);
    // The first boot-loader CPU: the one whose text console answers.
    std::optional<CpuSlot> firstBootLoader();

    std::optional<RegisterByte> registerByte(std::uint16_t address);

    // After a verified write: every CPU on the device takes the version word
    // the written image carries, and so does the unit's own word -- unless
    // the written CPU is switched to keep its old version.
    void takeVersionFrom(const CpuSlot& slot);

    bool bootMode = false;

    std::vector<FlashDevice>& devices() { return devices_; }
    // The CPUs whose flash is the given device.
    std::vector<CpuSlot> cpusOf(const FlashDevice* device);

    std::string cpuLabel(const CpuSlot& slot) const { return slot.unit->name + "/" + slot.cpu->name; }

    static constexpr std::uint8_t kCardDirectSelectTarget = 0x90;

  private:
    ConsoleDescription description_;
    EventLog events_;
    std::vector<FlashDevice> devices_;
    std::vector<CpuSlot> slots_;
    std::map<std::uint8_t, std::size_t> genericByBus_;
    std::map<std::uint8_t, std::size_t> bootLoaderByTarget_;
};

}  // namespace sim
