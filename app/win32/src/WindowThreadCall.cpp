#include "winui/WindowThreadCall.h"

#include <future>

namespace winui {

namespace {

constexpr const wchar_t* kClassName = L"FlashkitWindowThreadCall";

struct Request {
    const std::function<void()>& work;
    std::promise<void> done;
};

}  // namespace

WindowThreadCall::WindowThreadCall() : threadId_(::GetCurrentThreadId()) {
    registerClass(kClassName, ClassStyle{});
    create(kClassName, 0, 0, L"", {}, HWND_MESSAGE, nullptr);
}

bool WindowThreadCall::run(const std::function<void()>& work) {
    if (onWindowThread()) {
        work();
        return true;
    }
    Request request{work, {}};
    std::future<void> done = request.done.get_future();
    if (!exists() || !::PostMessageW(hwnd(), kRunMessage, 0, reinterpret_cast<LPARAM>(&request))) {
        return false;
    }
    done.wait();
    return true;
}

LRESULT WindowThreadCall::handle(UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == kRunMessage) {
        auto* request = reinterpret_cast<Request*>(lParam);
        request->work();
        request->done.set_value();
        return 0;
    }
    return defaultHandling(message, wParam, lParam);
}

}  // namespace winui
