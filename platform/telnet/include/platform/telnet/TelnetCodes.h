#pragma once

#include <cstdint>

// The bytes of the telnet protocol that a client of a network serial server
// meets: the command bytes that follow IAC, the options it negotiates and the
// commands and values of the com-port-control option.
namespace platform::telnet {

// "Interpret as command": every command starts with it; doubled it stands for
// one data byte of value 255.
inline constexpr std::uint8_t kIac = 255;

// Option negotiation.
inline constexpr std::uint8_t kDont = 254;
inline constexpr std::uint8_t kDo = 253;
inline constexpr std::uint8_t kWont = 252;
inline constexpr std::uint8_t kWill = 251;

// Subnegotiation brackets: IAC SB option ... IAC SE.
inline constexpr std::uint8_t kSubnegotiationBegin = 250;
inline constexpr std::uint8_t kSubnegotiationEnd = 240;

// Commands that carry no option. Only their place in the stream matters to
// a byte stream such as a serial line: the client passes over each of them.
inline constexpr std::uint8_t kGoAhead = 249;
inline constexpr std::uint8_t kEraseLine = 248;
inline constexpr std::uint8_t kEraseCharacter = 247;
inline constexpr std::uint8_t kAreYouThere = 246;
inline constexpr std::uint8_t kAbortOutput = 245;
inline constexpr std::uint8_t kInterruptProcess = 244;
inline constexpr std::uint8_t kBreak = 243;
inline constexpr std::uint8_t kDataMark = 242;
inline constexpr std::uint8_t kNoOperation = 241;

// The network virtual terminal's line end rule: outside binary mode a bare
// carriage return travels as CR NUL.
inline constexpr std::uint8_t kCarriageReturn = 13;
inline constexpr std::uint8_t kNul = 0;

// Options.
inline constexpr std::uint8_t kOptionBinary = 0;
inline constexpr std::uint8_t kOptionEcho = 1;
inline constexpr std::uint8_t kOptionSuppressGoAhead = 3;
inline constexpr std::uint8_t kOptionComPort = 44;

// Commands of the com-port-control option as the client sends them; the
// server confirms each with the same value plus kServerReplyOffset.
enum class ComPortCommand : std::uint8_t {
    Signature = 0,
    SetBaudRate = 1,
    SetDataSize = 2,
    SetParity = 3,
    SetStopSize = 4,
    SetControl = 5,
    NotifyLineState = 6,
    NotifyModemState = 7,
    FlowControlSuspend = 8,
    FlowControlResume = 9,
    SetLineStateMask = 10,
    SetModemStateMask = 11,
    PurgeData = 12,
};
inline constexpr std::uint8_t kServerReplyOffset = 100;

// SET-PARITY values.
inline constexpr std::uint8_t kParityNone = 1;
inline constexpr std::uint8_t kParityOdd = 2;
inline constexpr std::uint8_t kParityEven = 3;

// SET-STOPSIZE values.
inline constexpr std::uint8_t kStopSizeOne = 1;
inline constexpr std::uint8_t kStopSizeTwo = 2;

// SET-CONTROL values this client uses.
inline constexpr std::uint8_t kControlNoFlowControl = 1;
inline constexpr std::uint8_t kControlDtrOn = 8;
inline constexpr std::uint8_t kControlDtrOff = 9;
inline constexpr std::uint8_t kControlRtsOn = 11;
inline constexpr std::uint8_t kControlRtsOff = 12;

// PURGE-DATA values: the server's buffer of bytes received from the device
// (on their way to the client), of bytes on their way to the device, or both.
inline constexpr std::uint8_t kPurgeReceiveBuffer = 1;
inline constexpr std::uint8_t kPurgeTransmitBuffer = 2;
inline constexpr std::uint8_t kPurgeBothBuffers = 3;

}  // namespace platform::telnet
