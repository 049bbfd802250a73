#pragma once

namespace platform {

// Which of the standard streams a program writes to.
enum class StandardStream { Output, Error };

// Whether the stream is attached to an interactive terminal that follows
// the VT control sequences (cursor movement, erase line), as opposed to a
// pipe or a file; decides between a redrawn progress display and plain
// lines. A Windows console is switched to VT processing here; one that
// refuses counts as no terminal.
bool isTerminal(StandardStream stream);

// How many characters one line of the terminal holds; 0 when the stream is
// no terminal or its width cannot be told.
int terminalColumns(StandardStream stream);

// The console shows the program's UTF-8 text as such (a Windows console
// otherwise shows bytes in its OEM code page); nothing to do elsewhere.
void useUtf8ConsoleOutput();

// A reader that goes away (output piped into head, say) must not end the
// program in the middle of a write to the console: writes to a closed pipe
// then fail as errors instead, which the program reports at its end.
void keepRunningWhenOutputCloses();

}  // namespace platform
