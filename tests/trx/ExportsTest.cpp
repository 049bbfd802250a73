// Binds libtrx.so at run time by name, as the program does, and unloads it
// again with an interface that was left open.

#include <dlfcn.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
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

// Whether a file of this path is mapped into the process.
bool isMapped(const std::string& path) {
    std::ifstream maps("/proc/self/maps");
    for (std::string line; std::getline(maps, line);) {
        if (line.size() >= path.size() && line.compare(line.size() - path.size(), path.size(), path) == 0) {
            return true;
        }
    }
    return false;
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

// The unload is what stops the log thread and writes the log's last lines; a
// library the system keeps loaded after dlclose never runs it.
TEST(TrxExports, UnloadingTakesTheLibraryOutOfTheProcess) {
    const std::string path = std::filesystem::canonical(libraryPath()).string();
    void* library = ::dlopen(path.c_str(), RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(library, nullptr) << ::dlerror();
    EXPECT_TRUE(isMapped(path));
    ASSERT_EQ(::dlclose(library), 0);
    EXPECT_FALSE(isMapped(path)) << "dlclose left the library loaded";
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
