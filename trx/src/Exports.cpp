// The exported C functions: thin calls into the process-wide interface.

#include <algorithm>
#include <cstring>
#include <optional>
#include <string>

#include "DebugOutput.h"
#include "TrxInterface.h"
#include "platform/LoadedModule.h"
#include "platform/Paths.h"
#include "platform/VersionResource.h"
#include "trx.h"

namespace {

// Built at library load (which also fixes the time-stamped log name) and
// destroyed at unload, which closes the log.
trx::TrxInterface library;

// The product version of this build; on Windows the library's version
// resource carries it (and is what GetTRXProductVer reads).
constexpr const char* kProductVersion = TRX_PRODUCT_VERSION;
// Longest version text handed out; the program's buffer holds 64 bytes.
constexpr std::size_t kLongestVersionText = 63;

trx::InterfaceState& state() {
    return library.state();
}

}  // namespace

extern "C" {

TRX_API int32_t InitInterface(const char* portName, uint32_t waitTimeMs, uint32_t baudRate, int32_t logMode,
                              int32_t sequenceNumbering, uint32_t transmitIntervalMs) {
    return library.init(portName, waitTimeMs, baudRate, logMode, sequenceNumbering, transmitIntervalMs);
}

TRX_API void CloseInterface(void) {
    library.close();
}

TRX_API int32_t GetTRXProductVer(char* text) {
    if (text == nullptr) {
        return 0;
    }
    if (!platform::versionResourcesExist()) {
        std::strcpy(text, kProductVersion);
        return 1;
    }
    const std::optional<platform::VersionStrings> strings = platform::readVersionStrings(
        platform::modulePathContaining(reinterpret_cast<const void*>(&GetTRXProductVer)));
    const std::string version = strings ? strings->productVersion : std::string();
    if (version.empty()) {
        std::strcpy(text, " ");
        return 0;
    }
    const std::size_t length = std::min(version.size(), kLongestVersionText);
    std::memcpy(text, version.data(), length);
    text[length] = '\0';
    return 1;
}

TRX_API int32_t GetDLLFullPathName(char* path, int32_t size) {
    if (path == nullptr || size <= 0) {
        return 1;
    }
    std::string folder = platform::modulePathContaining(reinterpret_cast<const void*>(&GetDLLFullPathName));
    // The folder with its trailing separator: the file name is cut off.
    folder = folder.size() > platform::fileName(folder).size()
                 ? folder.substr(0, folder.size() - platform::fileName(folder).size())
                 : std::string();
    const std::size_t kept = std::min(folder.size(), static_cast<std::size_t>(size) - 1);
    std::memcpy(path, folder.data(), kept);
    path[kept] = '\0';
    return 1;
}

TRX_API int32_t SetCommSignal(int32_t code) {
    return library.setSignal(code);
}

TRX_API int32_t MessageSend(const uint8_t* message, uint32_t length) {
    return library.send(message, length);
}

TRX_API int32_t MessageReceive(uint8_t* buffer) {
    return library.receive(buffer);
}

TRX_API int32_t ActiveSenseOnOff(int32_t on) {
    return library.setActiveSense(on);
}

TRX_API int32_t LoopBackModeChange(int32_t mode) {
    return library.changeLoopBackMode(mode);
}

TRX_API void ClearTxSendBufLen(void) {
    state().transmittedBytes = 0;
}
TRX_API void ClearRxRecvBufLen(void) {
    state().receivedBytes = 0;
}
TRX_API void ClearTxThreadLoopCnt(void) {
    state().transmitLoops = 0;
}
TRX_API void ClearRxThreadLoopCnt(void) {
    state().receiveLoops = 0;
}
TRX_API void ClearMessageSendCallCnt(void) {
    state().sendCalls = 0;
}

TRX_API uint32_t GetTxQueRdPos(void) {
    return state().transmitQueue.readPosition();
}
TRX_API uint32_t GetTxQueWrPos(void) {
    return state().transmitQueue.writePosition();
}
TRX_API uint32_t GetRxQueRdPos(void) {
    return state().receiveQueue.readPosition();
}
TRX_API uint32_t GetRxQueWrPos(void) {
    return state().receiveQueue.writePosition();
}
TRX_API uint32_t GetActiveSenseOn(void) {
    return state().activeSense.load();
}
TRX_API uint32_t GetLoopBackModeOn(void) {
    return state().loopBack.load();
}
TRX_API uint32_t GetTxSendBufLen(void) {
    return state().transmittedBytes.load();
}
TRX_API uint32_t GetRxRecvBufLen(void) {
    return state().receivedBytes.load();
}
TRX_API uint32_t GetTxQueSize(void) {
    return trx::MessageQueue::kSlotSize;
}
TRX_API uint32_t GetTxQueCnt(void) {
    return trx::MessageQueue::kSlotCount;
}
TRX_API uint32_t GetRxQueSize(void) {
    return trx::MessageQueue::kSlotSize;
}
TRX_API uint32_t GetRxQueCnt(void) {
    return trx::MessageQueue::kSlotCount;
}
TRX_API uint32_t GetActiveSenseSendFlag(void) {
    return state().activeSenseSent.load();
}
TRX_API uint32_t GetTxThreadPassageFlag(void) {
    return state().passages.current(trx::ThreadRole::Transmit);
}
TRX_API uint32_t GetRxThreadPassageFlag(void) {
    return state().passages.current(trx::ThreadRole::Receive);
}
TRX_API uint32_t GetTxThreadLoopCnt(void) {
    return state().transmitLoops.load();
}
TRX_API uint32_t GetRxThreadLoopCnt(void) {
    return state().receiveLoops.load();
}
TRX_API uint32_t GetMessageSendCallCnt(void) {
    return state().sendCalls.load();
}

TRX_API void GetTxThreadInfo(ThreadInfo* info) {
    if (info != nullptr) {
        *info = state().passages.snapshot(trx::ThreadRole::Transmit);
    }
}
TRX_API void GetRxThreadInfo(ThreadInfo* info) {
    if (info != nullptr) {
        *info = state().passages.snapshot(trx::ThreadRole::Receive);
    }
}
TRX_API void GetLogThreadInfo(ThreadInfo* info) {
    if (info != nullptr) {
        *info = state().passages.snapshot(trx::ThreadRole::Log);
    }
}

TRX_API uint32_t GetRXRdSemaLastCount(void) {
    return state().receiveQueue.filledPreviousCount();
}
TRX_API uint32_t GetRXWtSemaLastCount(void) {
    return state().receiveQueue.freePreviousCount();
}
TRX_API uint32_t GetTXRdSemaLastCount(void) {
    return state().transmitQueue.filledPreviousCount();
}
TRX_API uint32_t GetTXWtSemaLastCount(void) {
    return state().transmitQueue.freePreviousCount();
}

TRX_API void SetMessageBoxHandler(TrxMessageBoxHandler handler) {
    trx::DebugOutput::setMessageBoxHandler(handler);
}

}  // extern "C"
