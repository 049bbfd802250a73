#include "PortControl.h"

#include <cstdio>

#include "CommLog.h"
#include "platform/NetworkPortName.h"

namespace trx {
namespace {

// Signal codes of SetCommSignal.
constexpr std::int32_t kRaiseRts = 3;
constexpr std::int32_t kLowerRts = 4;
constexpr std::int32_t kRaiseDtr = 5;
constexpr std::int32_t kLowerDtr = 6;

// The kinds of line error whose counters moved, as one set of flags.
std::uint32_t errorFlagsBetween(const platform::LineErrorCounters& before,
                                const platform::LineErrorCounters& now) {
    std::uint32_t flags = 0;
    flags |= now.bufferOverrun != before.bufferOverrun ? PortControl::kReceiveQueueOverflow : 0;
    flags |= now.overrun != before.overrun ? PortControl::kOverrun : 0;
    flags |= now.parity != before.parity ? PortControl::kParity : 0;
    flags |= now.frame != before.frame ? PortControl::kFraming : 0;
    flags |= now.breaks != before.breaks ? PortControl::kBreak : 0;
    return flags;
}

}  // namespace

bool PortControl::open(const std::string& deviceName, std::uint32_t baudRate) {
    std::lock_guard guard(lock_);
    if (const platform::Result<void> opened = port_.open(deviceName); !opened) {
        log_.report("CreateFile", opened.error());
        return false;
    }
    {
        std::lock_guard counters(errorStateLock_);
        lastCounters_ = port_.errorCounters().valueOr({});
    }
    clearErrorState();
    // Driver queues large enough for a burst of replies while the receive
    // thread is busy (attempts and error clearing are the port's).
    if (const platform::Result<void> queues = port_.setDriverQueues(kDriverQueueBytes, kDriverQueueBytes);
        !queues) {
        log_.report("SetupComm", queues.error());
        port_.close();
        return false;
    }
    logDriverProperties();
    // USB adapters hold received bytes for their latency timer unless asked not to;
    // every flash block waits for one acknowledgement.
    port_.requestLowLatency();
    platform::LineSettings settings;
    settings.baudRate = baudRate;
    settings.dataBits = kDataBits;
    settings.parity = platform::Parity::None;
    settings.stopBits = platform::StopBits::Two;
    settings.abortOnError = true;
    settings.eventCharacter = kFrameEndMarker;
    if (const platform::Result<void> configured = port_.configure(settings); !configured) {
        log_.report("SetCommState", configured.error());
        port_.close();
        return false;
    }
    port_.flush(platform::FlushDirection::Both);
    // Pseudo-terminals have no modem lines; that is not a set-up failure.
    port_.setModemLine(platform::ModemLine::Dtr, true);
    port_.setModemLine(platform::ModemLine::Rts, true);
    clearErrorState();
    noteLineThatCannotBeSet(deviceName, baudRate);
    return true;
}

void PortControl::noteLineThatCannotBeSet(const std::string& deviceName, std::uint32_t baudRate) {
    const platform::NetworkPortNameParse network = platform::parseNetworkPortName(deviceName);
    if (!network.port || network.port->protocol != platform::NetworkProtocol::RawTcp) {
        return;
    }
    const std::string text = deviceName + " carries bytes only: the line stays as the server sets it, and " +
                             "this interface needs " + std::to_string(baudRate) +
                             " baud 8N2 with DTR and RTS on";
    log_.notice(CommLog::kLineNotice, text.c_str());
}

void PortControl::close() {
    if (!port_.isOpen()) {
        return;
    }
    port_.flush(platform::FlushDirection::Both);
    port_.restoreSavedSettings();
    port_.flush(platform::FlushDirection::Both);
    clearErrorState();
    // A caller's loop-back delivery may clear the error state at any time.
    std::lock_guard counters(errorStateLock_);
    port_.close();
}

bool PortControl::clearErrorState() {
    std::uint32_t flags = 0;
    std::size_t inputQueued = 0;
    std::size_t outputQueued = 0;
    {
        std::lock_guard guard(errorStateLock_);
        if (!port_.isOpen()) {
            return false;
        }
        const platform::Result<platform::LineErrorCounters> counters = port_.errorCounters();
        if (!counters) {
            // Pseudo-terminals and some adapters keep no counters: nothing to clear.
            if (counters.error().notSupportedByDevice()) {
                return true;
            }
            log_.report("ClearCommError", counters.error());
            return false;
        }
        flags = errorFlagsBetween(lastCounters_, *counters);
        lastCounters_ = *counters;
        if (flags != 0) {
            inputQueued = port_.inputQueued();
            outputQueued = port_.outputQueued();
            if ((flags & kReceiveQueueOverflow) != 0) {
                port_.flush(platform::FlushDirection::Input);
            }
        }
    }
    if (flags != 0) {
        char text[128];
        std::snprintf(text, sizeof(text), "ClearCommError's ErrorFlags = %d [InQ:0x%x][OutQ:0x%x]\r\n",
                      static_cast<int>(flags), static_cast<unsigned>(inputQueued),
                      static_cast<unsigned>(outputQueued));
        log_.notice(CommLog::kLineNotice, text);
    }
    return true;
}

std::int32_t PortControl::setSignal(std::int32_t code) {
    std::lock_guard guard(lock_);
    if (!port_.isOpen() || code < kRaiseRts || code > kLowerDtr) {
        return 0;
    }
    const platform::ModemLine line = code <= kLowerRts ? platform::ModemLine::Rts : platform::ModemLine::Dtr;
    const bool raise = code == kRaiseRts || code == kRaiseDtr;
    return port_.setModemLine(line, raise) == platform::LineControl::Done ? 1 : 0;
}

void PortControl::logDriverProperties() {
    if (!log_.isOn()) {
        return;
    }
    const platform::Result<platform::SerialDriverProperties> properties = port_.driverProperties();
    if (!properties) {
        return;
    }
    const platform::SerialDriverProperties& driver = *properties;
    const auto value = [](std::uint32_t field) { return static_cast<unsigned long>(field); };
    char text[256];
    log_.addText("\n**********Serial Driver Comm Properties**********");
    std::snprintf(text, sizeof(text),
                  "  PacketLen = %lu\r\n  PacketVer = %lu\r\n  ServiceMask = %lu\r\n  Reserved1 = %lu",
                  value(driver.packetLength), value(driver.packetVersion), value(driver.serviceMask),
                  value(driver.reserved1));
    log_.addText(text);
    std::snprintf(
        text, sizeof(text),
        "  MaxTxQueueSize = %lu\r\n  MaxRxQueueSize = %lu\r\n  MaxBaud = %lu\r\n  ProviderSubType = %lu",
        value(driver.maxTransmitQueue), value(driver.maxReceiveQueue), value(driver.maxBaud),
        value(driver.providerSubType));
    log_.addText(text);
    std::snprintf(
        text, sizeof(text), "  ProviderCapabilities = %lu\r\n  SettableParams = %lu\r\n  SettableBaud = %lu",
        value(driver.providerCapabilities), value(driver.settableParameters), value(driver.settableBaud));
    log_.addText(text);
    std::snprintf(text, sizeof(text),
                  "  SettableData = %lu\r\n  SettableStopParity = %lu\r\n  CurrentTxQueueSize = %lu",
                  value(driver.settableData), value(driver.settableStopParity),
                  value(driver.currentTransmitQueue));
    log_.addText(text);
    std::snprintf(text, sizeof(text), "  CurrentRxQueueSize = %lu\r\n  ProvSpec1 = %lu\r\n  ProvSpec2 = %lu",
                  value(driver.currentReceiveQueue), value(driver.providerSpecific1),
                  value(driver.providerSpecific2));
    log_.addText(text);
    // The provider's character as one printable byte; none when it is 0, so
    // that the text never holds a NUL.
    const std::uint16_t character = driver.providerCharacter;
    const std::string shown =
        character == 0 ? std::string()
                       : std::string(1, character >= 0x20 && character < 0x7F ? char(character) : '?');
    log_.addText(("  ProvChar = " + shown + "\r\n").c_str());
}

}  // namespace trx
