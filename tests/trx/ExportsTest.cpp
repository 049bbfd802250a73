// Binds libtrx.so at run time by name, as the program does, and unloads it
// again with an interface that was left open.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <string>

#include "PtyPeer.h"

namespace {

constexpr const char* kExportNames[] = {
    "GetTRXProductVer",
    "GetDLLFullPathName",
    "InitInterface",
    "CloseInterface",
    "MessageReceive",
    "MessageSend",
    "ActiveSenseOnOff",
    "LoopBackModeChange",
    "SetCommSignal",
    "GetActiveSenseOn",
    "GetLoopBackModeOn",
    "GetTxQueRdPos",
    "GetTxQueWrPos",
    "GetRxQueRdPos",
    "GetRxQueWrPos",
    "GetTxSendBufLen",
    "GetRxRecvBufLen",
    "GetTxQueSize",
    "GetTxQueCnt",
    "GetRxQueSize",
    "GetRxQueCnt",
    "ClearTxSendBufLen",
    "ClearRxRecvBufLen",
    "GetActiveSenseSendFlag",
    "GetTxThreadPassageFlag",
    "GetRxThreadPassageFlag",
    "GetTxThreadLoopCnt",
    "GetRxThreadLoopCnt",
    "ClearTxThreadLoopCnt",
    "ClearRxThreadLoopCnt",
    "GetMessageSendCallCnt",
    "ClearMessageSendCallCnt",
    "GetTxThreadInfo",
    "GetRxThreadInfo",
    "GetLogThreadInfo",
    "GetRXRdSemaLastCount",
    "GetRXWtSemaLastCount",
    "GetTXRdSemaLastCount",
    "GetTXWtSemaLastCount",
    "SetMessageBoxHandler",
};

std::string libraryPath() {
    return (std::filesystem::current_path() / "libtrx.so").string();
}

}  // namespace

TEST(TrxExports, EveryEntryPointIsFoundByItsPlainName) {
    void* library = ::dlopen(libraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    for (const char* name : kExportNames) {
        EXPECT_NE(::dlsym(library, name), nullptr) << name;
    }
    // Internals stay hidden.
    EXPECT_EQ(::dlsym(library, "_ZN3trx12TrxInterface4initEPKcjjiij"), nullptr);
    EXPECT_EQ(::dlclose(library), 0);
}

TEST(TrxExports, UnloadingWithAnOpenInterfaceStopsItsThreads) {
    PtyPeer peer;
    ASSERT_TRUE(peer.isOpen());
    for (int round = 0; round < 2; ++round) {
        void* library = ::dlopen(libraryPath().c_str(), RTLD_NOW | RTLD_LOCAL);
        ASSERT_NE(library, nullptr) << ::dlerror();
        using Init = std::int32_t (*)(const char*, std::uint32_t, std::uint32_t, std::int32_t, std::int32_t,
                                      std::uint32_t);
        using Send = std::int32_t (*)(const std::uint8_t*, std::uint32_t);
        auto init = reinterpret_cast<Init>(::dlsym(library, "InitInterface"));
        auto send = reinterpret_cast<Send>(::dlsym(library, "MessageSend"));
        ASSERT_NE(init, nullptr);
        ASSERT_NE(send, nullptr);
        ASSERT_EQ(init(peer.slavePath().c_str(), 50, 38400, 0, 0, 0), 0);
        const std::uint8_t message[] = {0x02, 0x41, 0x42};
        EXPECT_EQ(send(message, sizeof(message)), 1);
        EXPECT_EQ(peer.readFrames(1, 2000).size(), 1u);
        // No CloseInterface: the unload has to stop the threads before the code goes away.
        EXPECT_EQ(::dlclose(library), 0);
    }
}
