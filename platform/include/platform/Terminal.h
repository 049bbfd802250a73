#pragma once

namespace platform {

// Which of the standard streams a program writes to.
enum class StandardStream { Output, Error };

// Whether the stream is attached to an interactive terminal, as opposed to a
// pipe or a file; decides between a redrawn progress display and plain lines.
bool isTerminal(StandardStream stream);

// A reader that goes away (output piped into head, say) must not end the
// program in the middle of a write to the console: writes to a closed pipe
// then fail as errors instead, which the program reports at its end.
void keepRunningWhenOutputCloses();

}  // namespace platform
