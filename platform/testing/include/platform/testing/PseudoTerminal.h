#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/Result.h"

namespace platform {

// The master side of a pseudo-terminal pair, for a program that plays the far
// end of a serial line. The slave is set raw (no echo, no line editing, no
// character translation) and this object keeps its own slave descriptor open:
// a client that opens and closes the port for every exchange would otherwise
// leave the master with a hang-up between its opens. A failure's text names
// the step that failed before the system's message ("symlink: Permission
// denied").
class PseudoTerminal {
  public:
    PseudoTerminal() = default;
    ~PseudoTerminal();
    PseudoTerminal(const PseudoTerminal&) = delete;
    PseudoTerminal& operator=(const PseudoTerminal&) = delete;
    PseudoTerminal(PseudoTerminal&& other) noexcept;
    PseudoTerminal& operator=(PseudoTerminal&& other) noexcept;

    // Opens a fresh pair.
    Result<void> open();
    void close();
    bool isOpen() const { return masterFd_ >= 0; }

    // Path of the slave device, the name a client opens (e.g. /dev/pts/7).
    const std::string& slavePath() const { return slavePath_; }

    // Makes a symbolic link at linkPath that points to the slave; an existing
    // link or file there is replaced. The link is removed again by close().
    Result<void> createLink(const std::string& linkPath);

    // Waits up to timeoutMs (negative: without limit) for bytes from the client
    // and reads what is there, at most capacity bytes. Gives the count, 0 when
    // nothing came in time.
    Result<std::size_t> readSome(std::uint8_t* buffer, std::size_t capacity, int timeoutMs);

    // Writes every byte, waiting for room as needed.
    Result<void> writeAll(const std::uint8_t* bytes, std::size_t count);

    // Bits a byte takes on the line with the client's current settings:
    // start bit, data bits, parity bit and stop bits (10 for 8N1, 11 for 8N2).
    int bitsPerByte() const;

    // Discards what the client has written and not yet been read here.
    void discardInput();

  private:
    int masterFd_ = -1;
    int slaveFd_ = -1;
    std::string slavePath_;
    std::string linkPath_;
};

}  // namespace platform
