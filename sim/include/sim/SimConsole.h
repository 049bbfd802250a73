#pragma once

#include <cstdint>
#include <map>
#include <span>
#include <string>
#include <vector>

#include "sim/BootLoader.h"
#include "sim/ConsoleState.h"
#include "sim/HostResponder.h"

namespace sim {

// Bytes for the line, to be sent after a delay (the delay fault).
struct Transmission {
    std::vector<std::uint8_t> bytes;
    double delayMs = 0;
};

// The whole simulated console behind one serial line. Bytes from the line are
// told apart by their content: TRX frames start with 0xD0, the text commands
// are "exit" and "VER" with a carriage return, everything else is taken as
// boot-loader frames, which carry a check byte. A start marker whose length
// field and end marker do not fit is taken as data of other traffic.
class SimConsole {
  public:
    static constexpr char kCarriageReturn = '\r';
    // An unfinished boot-loader frame or text command older than this is noise.
    static constexpr double kStaleInputMs = 500;

    explicit SimConsole(ConsoleDescription description);

    void receive(std::span<const std::uint8_t> bytes, double nowMs, std::vector<Transmission>& out);
    // Forgets unfinished non-TRX input that has lain too long.
    void tick(double nowMs);

    ConsoleState& state() { return state_; }
    EventLog& events() { return state_.events(); }

    // Flash of every device (one .bin file each), flash.json describing them,
    // events.json and console.json (versions the units hold now).
    bool writeDump(const std::string& directory, std::string& error);

  private:
    void take(std::span<const std::uint8_t> bytes);
    void continueHostFrame(std::uint8_t byte);
    void abandonHostFrame();
    void handleHostFrame(std::span<const std::uint8_t> betweenMarkers);
    void processPending();
    // Applies drop, corrupt and delay; frames host messages.
    void emit(Reply reply, std::vector<Transmission>& out);

    ConsoleState state_;
    HostResponder host_;
    BootLoader bootLoader_;
    std::vector<std::uint8_t> hostFrame_;  // a TRX frame being received, from its start marker
    std::vector<std::uint8_t> pending_;    // other input not yet complete
    double lastInputMs_ = 0;
    std::vector<Reply> replies_;
    std::map<const void*, int> replyCounts_;
};

}  // namespace sim
