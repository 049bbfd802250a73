#include "DebugOutput.h"

#include <atomic>
#include <cstdio>

#include "platform/Paths.h"

namespace trx {
namespace {

std::atomic<TrxMessageBoxHandler> messageBoxHandler{nullptr};

bool debugTextWanted() {
    static const bool wanted = platform::environmentValue("TRX_DEBUG").has_value();
    return wanted;
}

}  // namespace

void DebugOutput::text(const char* line) {
    if (debugTextWanted()) {
        std::fputs(line, stderr);
    }
}

void DebugOutput::messageBox(const char* text) {
    if (TrxMessageBoxHandler handler = messageBoxHandler.load()) {
        handler(text, kCaption);
        return;
    }
    std::fprintf(stderr, "%s: %s\n", kCaption, text);
}

void DebugOutput::setMessageBoxHandler(TrxMessageBoxHandler handler) {
    messageBoxHandler.store(handler);
}

}  // namespace trx
