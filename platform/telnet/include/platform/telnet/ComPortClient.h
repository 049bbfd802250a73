#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "platform/telnet/TelnetCodes.h"
#include "platform/telnet/TelnetParser.h"

namespace platform::telnet {

// The client's half of a telnet connection to a serial device server that
// speaks the com-port-control option: binary both ways, no go-ahead, the
// com-port option, and the line settings of the device behind the server.
// It holds no socket: what it wants sent is appended to a caller's buffer,
// and the bytes the server sent are handed to receive(). Every other option
// the server offers or asks for is refused; every other command is passed
// over.
class ComPortClient : private TelnetEvents {
  public:
    enum class ComPortAnswer { Pending, Accepted, Refused };

    // What the server confirmed of the line (0: nothing confirmed yet), and
    // the last states it reported unasked.
    struct ServerLine {
        std::uint32_t baudRate = 0;
        std::uint8_t dataSize = 0;
        std::uint8_t parity = 0;
        std::uint8_t stopSize = 0;
        std::uint8_t control = 0;
        std::uint8_t lineState = 0;
        std::uint8_t modemState = 0;
        // Confirmed purges of the buffer toward the client (values 1 and 3).
        std::uint32_t receivePurges = 0;
    };

    ComPortClient();

    // The offers and requests that open the session.
    void start(std::vector<std::uint8_t>& wire);
    // Takes the telnet commands out of bytes in place and returns how many
    // data bytes are left at the front. Answers the server's negotiation
    // into replies, which the caller sends.
    std::size_t receive(std::span<std::uint8_t> bytes, std::vector<std::uint8_t>& replies);

    // Data for the device as it travels on this connection.
    void appendData(std::span<const std::uint8_t> data, std::vector<std::uint8_t>& wire) const;

    // Line settings and signals. The server confirms each (except, on a line
    // without modem signals, the control ones); nothing here waits for that.
    void requestBaudRate(std::uint32_t baudRate, std::vector<std::uint8_t>& wire) const;
    void requestDataSize(std::uint8_t bits, std::vector<std::uint8_t>& wire) const;
    void requestParity(std::uint8_t parity, std::vector<std::uint8_t>& wire) const;
    void requestStopSize(std::uint8_t stopSize, std::vector<std::uint8_t>& wire) const;
    void requestControl(std::uint8_t control, std::vector<std::uint8_t>& wire) const;
    // Asks the server to drop buffered bytes (kPurge...). For a purge of the
    // bytes toward the client, a server that has confirmed such a purge before
    // on this connection will confirm this one too: the data received until
    // that confirmation is stale and dropped here.
    void requestPurge(std::uint8_t buffers, std::vector<std::uint8_t>& wire);
    // Ends the dropping of stale data without the server's confirmation.
    void stopDiscarding() { parser_.setDiscardingData(false); }
    bool discarding() const { return parser_.discardingData(); }

    ComPortAnswer comPortAnswer() const;
    bool sendsBinary() const { return binary_.local == State::On; }
    bool receivesBinary() const { return binary_.remote == State::On; }
    const ServerLine& serverLine() const { return serverLine_; }

  private:
    // One direction of one option: off, asked for and not yet answered, on.
    enum class State : std::uint8_t { Off, Asked, On };
    struct OptionStates {
        State local = State::Off;   // this client does it (WILL)
        State remote = State::Off;  // the server does it (DO)
    };

    void onNegotiation(std::uint8_t verb, std::uint8_t option) override;
    void onSubnegotiation(std::uint8_t option, std::span<const std::uint8_t> payload, bool cut) override;
    void onServerComPortReply(std::uint8_t command, std::span<const std::uint8_t> value);
    // The states of an option this client takes part in, or nullptr.
    OptionStates* statesOf(std::uint8_t option);
    // Whether this client agrees to the server doing the option.
    static bool wantsRemote(std::uint8_t option);

    TelnetParser parser_;
    OptionStates binary_;
    OptionStates suppressGoAhead_;
    OptionStates comPort_;
    bool comPortRefused_ = false;
    ServerLine serverLine_;
    std::vector<std::uint8_t>* replies_ = nullptr;
};

}  // namespace platform::telnet
