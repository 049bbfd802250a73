/* TRX: framed messages between the host program and the console over one
 * serial port, with its own transmit, receive and log threads.
 * Plain C exports, bound by name at run time. */
#ifndef TRX_H
#define TRX_H

#include <stdint.h>

#if defined(_WIN32)
#define TRX_API __declspec(dllexport)
#else
#define TRX_API __attribute__((visibility("default")))
#endif

#ifdef __cplusplus
extern "C" {
#endif

/* Where in its loop each of the three threads last was. */
typedef struct ThreadInfo {
    uint32_t txPassage;
    uint32_t rxPassage;
    uint32_t logPassage;
} ThreadInfo;

/* Lifecycle and signals. */
TRX_API int32_t InitInterface(const char* portName, uint32_t waitTimeMs, uint32_t baudRate, int32_t logMode,
                              int32_t sequenceNumbering, uint32_t transmitIntervalMs);
TRX_API void CloseInterface(void);
TRX_API int32_t GetTRXProductVer(char* text);
TRX_API int32_t GetDLLFullPathName(char* path, int32_t size);
TRX_API int32_t SetCommSignal(int32_t code);

/* Messaging, active sense and loop-back. */
TRX_API int32_t MessageSend(const uint8_t* message, uint32_t length);
TRX_API int32_t MessageReceive(uint8_t* buffer);
TRX_API int32_t ActiveSenseOnOff(int32_t on);
TRX_API int32_t LoopBackModeChange(int32_t mode);

/* Diagnostics: single words of the library's state, read without locks. */
TRX_API void ClearTxSendBufLen(void);
TRX_API void ClearRxRecvBufLen(void);
TRX_API void ClearTxThreadLoopCnt(void);
TRX_API void ClearRxThreadLoopCnt(void);
TRX_API void ClearMessageSendCallCnt(void);
TRX_API uint32_t GetTxQueRdPos(void);
TRX_API uint32_t GetTxQueWrPos(void);
TRX_API uint32_t GetRxQueRdPos(void);
TRX_API uint32_t GetRxQueWrPos(void);
TRX_API uint32_t GetActiveSenseOn(void);
TRX_API uint32_t GetLoopBackModeOn(void);
TRX_API uint32_t GetTxSendBufLen(void);
TRX_API uint32_t GetRxRecvBufLen(void);
TRX_API uint32_t GetTxQueSize(void);
TRX_API uint32_t GetTxQueCnt(void);
TRX_API uint32_t GetRxQueSize(void);
TRX_API uint32_t GetRxQueCnt(void);
TRX_API uint32_t GetActiveSenseSendFlag(void);
TRX_API uint32_t GetTxThreadPassageFlag(void);
TRX_API uint32_t GetRxThreadPassageFlag(void);
TRX_API uint32_t GetTxThreadLoopCnt(void);
TRX_API uint32_t GetRxThreadLoopCnt(void);
TRX_API uint32_t GetMessageSendCallCnt(void);
TRX_API void GetTxThreadInfo(ThreadInfo* info);
TRX_API void GetRxThreadInfo(ThreadInfo* info);
TRX_API void GetLogThreadInfo(ThreadInfo* info);
TRX_API uint32_t GetRXRdSemaLastCount(void);
TRX_API uint32_t GetRXWtSemaLastCount(void);
TRX_API uint32_t GetTXRdSemaLastCount(void);
TRX_API uint32_t GetTXWtSemaLastCount(void);

/* The library has no window: its message boxes ("Send Que Overflow", ...)
 * go to this handler when the host installs one, else to standard error. */
typedef void (*TrxMessageBoxHandler)(const char* text, const char* caption);
TRX_API void SetMessageBoxHandler(TrxMessageBoxHandler handler);

#ifdef __cplusplus
}
#endif

#endif /* TRX_H */
