#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>

namespace platform::telnet {

// What the parser found between the data bytes, in stream order.
class TelnetEvents {
  public:
    virtual ~TelnetEvents() = default;
    // IAC DO/DONT/WILL/WONT option.
    virtual void onNegotiation(std::uint8_t verb, std::uint8_t option) = 0;
    // IAC SB option payload IAC SE, with doubled IACs of the payload undone.
    // A payload longer than the parser keeps arrives cut, with cut set.
    virtual void onSubnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload, bool cut) = 0;
    // Any other command (NOP, GA, DM, BRK, ...), also an IAC SE without SB.
    virtual void onCommand(std::uint8_t command) { (void)command; }
};

// Splits a telnet byte stream into data and commands. The stream may be cut
// anywhere between two reads: an IAC at the end of one read and its command
// at the start of the next are one command. No byte the server sends can make
// it fail, loop or grow: what it cannot make sense of it passes over.
class TelnetParser {
  public:
    // Longest subnegotiation payload kept; the com-port option's longest is 5.
    static constexpr std::size_t kPayloadCapacity = 64;

    // Takes the commands out of bytes in place, calling events for each, and
    // returns how many data bytes are left at the front of bytes.
    std::size_t decode(std::span<std::uint8_t> bytes, TelnetEvents& events);

    // Outside binary mode a CR is followed by NUL on the wire; the NUL is
    // not data. On by default: a server that has not agreed to send binary
    // speaks the network virtual terminal.
    void setNulAfterCarriageReturnDropped(bool dropped) { dropNulAfterCr_ = dropped; }
    // Data bytes are dropped (commands still handled) while this is set. An
    // event handler may change it: the bytes after the event follow the new
    // setting.
    void setDiscardingData(bool discarding) { discarding_ = discarding; }
    bool discardingData() const { return discarding_; }

    // Back to the start of a stream.
    void reset();

  private:
    enum class State : std::uint8_t {
        Data,
        Command,              // after IAC
        Option,               // after IAC DO/DONT/WILL/WONT
        SubnegotiationStart,  // after IAC SB, expecting the option
        Subnegotiation,       // inside the payload
        SubnegotiationIac,    // IAC inside the payload
    };

    void keepPayloadByte(std::uint8_t byte);
    // The byte after an IAC that is not a doubled IAC.
    void takeCommand(std::uint8_t command, TelnetEvents& events);

    State state_ = State::Data;
    std::uint8_t verb_ = 0;
    std::uint8_t option_ = 0;
    bool afterCarriageReturn_ = false;
    bool dropNulAfterCr_ = true;
    bool discarding_ = false;
    bool payloadCut_ = false;
    std::size_t payloadLength_ = 0;
    std::array<std::uint8_t, kPayloadCapacity> payload_{};
};

}  // namespace platform::telnet
