// A stand-in for the interface library with all of its exports, built in
// several variants to exercise the binding: another product version text,
// or the first or the last export left out. It records the calls start-up makes.
#include <cstdio>
#include <cstring>
#include <string>

#include "trx.h"

#ifndef FAKE_PRODUCT_VERSION
#define FAKE_PRODUCT_VERSION "1, 9, 0, 0"
#endif
#ifndef FAKE_LIBRARY_MARK
#define FAKE_LIBRARY_MARK "trx"
#endif

namespace {
std::string callLog;

void record(const char* call, int32_t argument) {
    callLog += call;
    callLog += '(';
    callLog += std::to_string(argument);
    callLog += ");";
}
}  // namespace

extern "C" {

// Test-only exports: which variant this is and what was called.
TRX_API const char* FakeLibraryMark(void) {
    return FAKE_LIBRARY_MARK;
}
TRX_API const char* FakeCallLog(void) {
    return callLog.c_str();
}

#ifndef FAKE_WITHOUT_VERSION_EXPORT
TRX_API int32_t GetTRXProductVer(char* text) {
    std::strcpy(text, FAKE_PRODUCT_VERSION);
    return 1;
}
#endif
TRX_API int32_t GetDLLFullPathName(char* path, int32_t size) {
    if (size > 0)
        path[0] = '\0';
    return 0;
}
TRX_API int32_t InitInterface(const char*, uint32_t, uint32_t, int32_t, int32_t, uint32_t) {
    return -1;
}
TRX_API void CloseInterface(void) {}
TRX_API int32_t SetCommSignal(int32_t) {
    return 0;
}
TRX_API int32_t MessageSend(const uint8_t*, uint32_t) {
    return 0;
}
TRX_API int32_t MessageReceive(uint8_t*) {
    return 0;
}
TRX_API int32_t ActiveSenseOnOff(int32_t on) {
    record("ActiveSenseOnOff", on);
    return 0;
}
TRX_API int32_t LoopBackModeChange(int32_t mode) {
    record("LoopBackModeChange", mode);
    return 0;
}
TRX_API void ClearTxSendBufLen(void) {}
TRX_API void ClearRxRecvBufLen(void) {}
TRX_API void ClearTxThreadLoopCnt(void) {}
TRX_API void ClearRxThreadLoopCnt(void) {}
TRX_API void ClearMessageSendCallCnt(void) {}
TRX_API uint32_t GetTxQueRdPos(void) {
    return 0;
}
TRX_API uint32_t GetTxQueWrPos(void) {
    return 0;
}
TRX_API uint32_t GetRxQueRdPos(void) {
    return 0;
}
TRX_API uint32_t GetRxQueWrPos(void) {
    return 0;
}
TRX_API uint32_t GetActiveSenseOn(void) {
    return 0;
}
TRX_API uint32_t GetLoopBackModeOn(void) {
    return 0;
}
TRX_API uint32_t GetTxSendBufLen(void) {
    return 0;
}
TRX_API uint32_t GetRxRecvBufLen(void) {
    return 0;
}
TRX_API uint32_t GetTxQueSize(void) {
    return 0;
}
TRX_API uint32_t GetTxQueCnt(void) {
    return 0;
}
TRX_API uint32_t GetRxQueSize(void) {
    return 0;
}
TRX_API uint32_t GetRxQueCnt(void) {
    return 0;
}
TRX_API uint32_t GetActiveSenseSendFlag(void) {
    return 0;
}
TRX_API uint32_t GetTxThreadPassageFlag(void) {
    return 0;
}
TRX_API uint32_t GetRxThreadPassageFlag(void) {
    return 0;
}
TRX_API uint32_t GetTxThreadLoopCnt(void) {
    return 0;
}
TRX_API uint32_t GetRxThreadLoopCnt(void) {
    return 0;
}
TRX_API uint32_t GetMessageSendCallCnt(void) {
    return 0;
}
TRX_API void GetTxThreadInfo(ThreadInfo*) {}
TRX_API void GetRxThreadInfo(ThreadInfo*) {}
TRX_API void GetLogThreadInfo(ThreadInfo*) {}
TRX_API uint32_t GetRXRdSemaLastCount(void) {
    return 0;
}
TRX_API uint32_t GetRXWtSemaLastCount(void) {
    return 0;
}
TRX_API uint32_t GetTXRdSemaLastCount(void) {
    return 0;
}
#ifndef FAKE_WITHOUT_LAST_EXPORT
TRX_API uint32_t GetTXWtSemaLastCount(void) {
    return 0;
}
#endif
}
