#pragma once

#include <string>
#include <string_view>

namespace sim {

// Misbehaviour switched on for one unit or one CPU of the simulated console.
// A CPU's switches are merged with its unit's: a switch set on either applies.
struct FaultSwitches {
    bool silent = false;          // answers nothing at all
    bool rejectErase = false;     // erase (and type-3/4 select) answered with failure
    int rejectBlock = 0;          // the k-th data block after an erase is refused (1-based; 0: none)
    bool rejectChecksum = false;  // the checksum (or end of write) is refused
    bool wrongTarget = false;     // a type-3/4 select says "not the intended object"
    bool echoFirst = false;       // a type-3/4 select first asks for an echo
    int dropEvery = 0;            // every n-th reply is not sent
    int dropNth = 0;              // the k-th reply only is not sent, once (1-based; 0: none)
    int delayMs = 0;              // every reply is held back this long
    int corruptEvery = 0;         // one byte of every n-th reply is spoilt
    bool keepVersion = false;     // a verified write leaves the version words as they were

    bool any() const;
    // Switches of both: booleans or-ed, numbers taken from `override` when set.
    static FaultSwitches merged(const FaultSwitches& base, const FaultSwitches& override);
};

// Sets one switch from its text form: silent, reject-erase, reject-block=K,
// reject-checksum, wrong-target, echo-first, drop-every=N, drop-nth=K, delay=MS,
// corrupt-every=N, keep-version. False with a readable error for anything else.
bool applyFaultSwitch(FaultSwitches& faults, std::string_view text, std::string& error);

// The names above, for help texts.
std::string faultSwitchNames();

}  // namespace sim
