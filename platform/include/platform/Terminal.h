#pragma once

namespace platform {

// Which of the standard streams a program writes to.
enum class StandardStream { Output, Error };

// Whether the stream is attached to an interactive terminal, as opposed to a
// pipe or a file; decides between a redrawn progress display and plain lines.
bool isTerminal(StandardStream stream);

}  // namespace platform
