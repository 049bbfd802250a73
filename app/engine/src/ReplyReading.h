#pragma once

#include <cstdint>
#include <string>

#include "SequenceAnswers.h"
#include "engine/HostMessages.h"
#include "engine/ResultCode.h"

namespace engine::trace {

// What the program made of a received message.
struct ReplyReading {
    bool taken = false;                 // the step in progress read it; otherwise the program passed it over
    bool accepted = false;              // it counted as an answer (the silence count starts again)
    ResultCode error = ResultCode::Ok;  // the result the sequence ends with, when the reply decides it
    bool ended = false;                 // the exchange in progress ended here
    bool failed = false;                // ... with the error flag set
    bool answers = false;               // the program sends a message in return
    bool late = false;                  // not taken: it answers an exchange that had already ended
    std::string status;                 // the status line the program showed
};

// Follows the conversation of a log as the engine holds it: each sent
// message sets the step that waits, as the sequence that sent it waits, and
// each received one is read as that step reads it, with the engine's own
// predicates of what answers a step and what an answer says.
class ReplyReplay {
  public:
    // A new opening of the interface: nothing in progress.
    void reset() { *this = ReplyReplay{}; }
    void noteSent(const host::HostMessage& message);
    ReplyReading read(const host::HostMessage& message);

    std::uint8_t ownAddress() const { return ownAddress_; }

  private:
    // The step of a conversation that waits for an answer.
    enum class Step {
        Nothing,
        Read,            // a read request: its read reply
        Erase,           // the erase (and the pieces of a preserved area before it): a status reply
        Block,           // a data block of the generic sequence: a status reply
        Checksum,        // the image checksum: a status reply
        Type3Select,     // a type-3 select or echo: the select reply
        Type3Blocks,     // the type-3 write start and blocks: a block acknowledgement
        Type3Checksum,   // the type-3 checksum: any message of command 0x33
        Type4Select,     // a type-4 select: any type-4 message, a 0x33 one deciding
        Type4Blocks,     // the type-4 write start and blocks: any type-4 message, an acknowledgement deciding
        Type4EndOfWrite  // the type-4 end of write: any type-4 message, its answer deciding
    };

    bool answersStep(Step step, const host::HostMessage& message) const;
    void end(ReplyReading& reading, bool failed);
    void readErase(const host::HostMessage& message, ReplyReading& reading);
    void readSelect(const host::HostMessage& message, ReplyReading& reading);
    void readBlockAnswer(const host::HostMessage& message, ReplyReading& reading);

    std::uint8_t ownAddress_ = 0;
    Step step_ = Step::Nothing;
    Step ended_ = Step::Nothing;  // the step that ended last: a late answer is still its answer
    std::uint8_t target_ = 0;     // the unit of a generic step
    answers::ReadRequest read_;
    bool readsBack_ = false;  // the erase waits for pieces of the preserved area first
    std::uint32_t readBackAddress_ = 0;
    // The unit address the sequence's block cursor stands at: a refused
    // block is named by the one before it.
    std::uint32_t cursor_ = 0;
    // The type-3 transfer sends its first block twice; the first sending
    // leaves the cursor where it was.
    bool firstType3Block_ = false;
    bool type4_ = false;  // the last select was a type-4 one
};

}  // namespace engine::trace
