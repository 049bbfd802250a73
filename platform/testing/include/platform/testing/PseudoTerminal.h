#pragma once

#include <cstddef>
#include <cstdint>
#include <mutex>
#include <string>

namespace platform {

// The master side of a pseudo-terminal pair, for a program that plays the far
// end of a serial line. The slave is set raw (no echo, no line editing, no
// character translation) and this object keeps its own slave descriptor open:
// a client that opens and closes the port for every exchange would otherwise
// leave the master with a hang-up between its opens.
class PseudoTerminal {
  public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    PseudoTerminal(PseudoTerminal&& other) noexcept;
    PseudoTerminal& operator=(PseudoTerminal&& other) noexcept;

    // Opens a fresh pair; false with lastError() set when that fails.
    bool open();
    void close();
    bool isOpen() const { return masterFd_ >= 0; }

    // Path of the slave device, the name a client opens (e.g. /dev/pts/7).
    const std::string& slavePath() const { return slavePath_; }

    // Makes a symbolic link at linkPath that points to the slave; an existing
    // link or file there is replaced. The link is removed again by close().
    bool createLink(const std::string& linkPath);

    // Waits up to timeoutMs (negative: without limit) for bytes from the client
    // and reads what is there, at most capacity bytes. Returns the count, 0 when
    // nothing came in time, -1 on failure.
    long readSome(std::uint8_t* buffer, std::size_t capacity, int timeoutMs);

    // Writes every byte, waiting for room as needed. False on failure.
    bool writeAll(const std::uint8_t* bytes, std::size_t count);

    // Bits a byte takes on the line with the client's current settings:
    // start bit, data bits, parity bit and stop bits (10 for 8N1, 11 for 8N2).
    int bitsPerByte() const;

    // Discards what the client has written and not yet been read here.
    void discardInput();

    // Text of the last failure, with the operating system's message. One
    // thread may read while another writes; either may record a failure.
    std::string lastError() const;

  private:
    void fail(const char* what);

    int masterFd_ = -1;
    int slaveFd_ = -1;
    std::string slavePath_;
    std::string linkPath_;
    mutable std::mutex errorLock_;
    std::string lastError_;
};

}  // namespace platform
