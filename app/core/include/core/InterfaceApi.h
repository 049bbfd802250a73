#pragma once

#include <cstddef>

#include "trx.h"

namespace core {

// The entry points of the interface library (TRX, or UPL with the same
// exports), bound by name at start-up and read-only afterwards. The types come
// from the library's exported header; the program never links the library.
struct InterfaceApi {
    decltype(&::GetTRXProductVer) GetTRXProductVer = nullptr;
    decltype(&::GetDLLFullPathName) GetDLLFullPathName = nullptr;
    decltype(&::InitInterface) InitInterface = nullptr;
    decltype(&::CloseInterface) CloseInterface = nullptr;
    decltype(&::MessageReceive) MessageReceive = nullptr;
    decltype(&::MessageSend) MessageSend = nullptr;
    decltype(&::ActiveSenseOnOff) ActiveSenseOnOff = nullptr;
    decltype(&::LoopBackModeChange) LoopBackModeChange = nullptr;
    decltype(&::SetCommSignal) SetCommSignal = nullptr;
    decltype(&::GetActiveSenseOn) GetActiveSenseOn = nullptr;
    decltype(&::GetLoopBackModeOn) GetLoopBackModeOn = nullptr;
    decltype(&::GetTxQueRdPos) GetTxQueRdPos = nullptr;
    decltype(&::GetTxQueWrPos) GetTxQueWrPos = nullptr;
    decltype(&::GetRxQueRdPos) GetRxQueRdPos = nullptr;
    decltype(&::GetRxQueWrPos) GetRxQueWrPos = nullptr;
    decltype(&::GetTxSendBufLen) GetTxSendBufLen = nullptr;
    decltype(&::GetRxRecvBufLen) GetRxRecvBufLen = nullptr;
    decltype(&::GetTxQueSize) GetTxQueSize = nullptr;
    decltype(&::GetTxQueCnt) GetTxQueCnt = nullptr;
    decltype(&::GetRxQueSize) GetRxQueSize = nullptr;
    decltype(&::GetRxQueCnt) GetRxQueCnt = nullptr;
    decltype(&::ClearTxSendBufLen) ClearTxSendBufLen = nullptr;
    decltype(&::ClearRxRecvBufLen) ClearRxRecvBufLen = nullptr;
    decltype(&::GetActiveSenseSendFlag) GetActiveSenseSendFlag = nullptr;
    decltype(&::GetTxThreadPassageFlag) GetTxThreadPassageFlag = nullptr;
    decltype(&::GetRxThreadPassageFlag) GetRxThreadPassageFlag = nullptr;
    decltype(&::GetTxThreadLoopCnt) GetTxThreadLoopCnt = nullptr;
    decltype(&::GetRxThreadLoopCnt) GetRxThreadLoopCnt = nullptr;
    decltype(&::ClearTxThreadLoopCnt) ClearTxThreadLoopCnt = nullptr;
    decltype(&::ClearRxThreadLoopCnt) ClearRxThreadLoopCnt = nullptr;
    decltype(&::GetMessageSendCallCnt) GetMessageSendCallCnt = nullptr;
    decltype(&::ClearMessageSendCallCnt) ClearMessageSendCallCnt = nullptr;
    decltype(&::GetTxThreadInfo) GetTxThreadInfo = nullptr;
    decltype(&::GetRxThreadInfo) GetRxThreadInfo = nullptr;
    decltype(&::GetLogThreadInfo) GetLogThreadInfo = nullptr;
    decltype(&::GetRXRdSemaLastCount) GetRXRdSemaLastCount = nullptr;
    decltype(&::GetRXWtSemaLastCount) GetRXWtSemaLastCount = nullptr;
    decltype(&::GetTXRdSemaLastCount) GetTXRdSemaLastCount = nullptr;
    decltype(&::GetTXWtSemaLastCount) GetTXWtSemaLastCount = nullptr;

    static constexpr std::size_t kEntryCount = 39;

    // Calls visit(exportName, entry) for every entry in binding order; the
    // visitor returns false to stop. Returns false when it was stopped.
    template <typename Api, typename Visitor>
    static bool forEachEntry(Api& api, Visitor&& visit) {
        return visit("GetTRXProductVer", api.GetTRXProductVer) &&
               visit("GetDLLFullPathName", api.GetDLLFullPathName) &&
               visit("InitInterface", api.InitInterface) && visit("CloseInterface", api.CloseInterface) &&
               visit("MessageReceive", api.MessageReceive) && visit("MessageSend", api.MessageSend) &&
               visit("ActiveSenseOnOff", api.ActiveSenseOnOff) &&
               visit("LoopBackModeChange", api.LoopBackModeChange) &&
               visit("SetCommSignal", api.SetCommSignal) && visit("GetActiveSenseOn", api.GetActiveSenseOn) &&
               visit("GetLoopBackModeOn", api.GetLoopBackModeOn) &&
               visit("GetTxQueRdPos", api.GetTxQueRdPos) && visit("GetTxQueWrPos", api.GetTxQueWrPos) &&
               visit("GetRxQueRdPos", api.GetRxQueRdPos) && visit("GetRxQueWrPos", api.GetRxQueWrPos) &&
               visit("GetTxSendBufLen", api.GetTxSendBufLen) &&
               visit("GetRxRecvBufLen", api.GetRxRecvBufLen) && visit("GetTxQueSize", api.GetTxQueSize) &&
               visit("GetTxQueCnt", api.GetTxQueCnt) && visit("GetRxQueSize", api.GetRxQueSize) &&
               visit("GetRxQueCnt", api.GetRxQueCnt) && visit("ClearTxSendBufLen", api.ClearTxSendBufLen) &&
               visit("ClearRxRecvBufLen", api.ClearRxRecvBufLen) &&
               visit("GetActiveSenseSendFlag", api.GetActiveSenseSendFlag) &&
               visit("GetTxThreadPassageFlag", api.GetTxThreadPassageFlag) &&
               visit("GetRxThreadPassageFlag", api.GetRxThreadPassageFlag) &&
               visit("GetTxThreadLoopCnt", api.GetTxThreadLoopCnt) &&
               visit("GetRxThreadLoopCnt", api.GetRxThreadLoopCnt) &&
               visit("ClearTxThreadLoopCnt", api.ClearTxThreadLoopCnt) &&
               visit("ClearRxThreadLoopCnt", api.ClearRxThreadLoopCnt) &&
               visit("GetMessageSendCallCnt", api.GetMessageSendCallCnt) &&
               visit("ClearMessageSendCallCnt", api.ClearMessageSendCallCnt) &&
               visit("GetTxThreadInfo", api.GetTxThreadInfo) &&
               visit("GetRxThreadInfo", api.GetRxThreadInfo) &&
               visit("GetLogThreadInfo", api.GetLogThreadInfo) &&
               visit("GetRXRdSemaLastCount", api.GetRXRdSemaLastCount) &&
               visit("GetRXWtSemaLastCount", api.GetRXWtSemaLastCount) &&
               visit("GetTXRdSemaLastCount", api.GetTXRdSemaLastCount) &&
               visit("GetTXWtSemaLastCount", api.GetTXWtSemaLastCount);
    }

    // Number of entries that are set; kEntryCount once binding succeeded.
    std::size_t boundCount() const;
    bool complete() const { return boundCount() == kEntryCount; }
};

}  // namespace core
