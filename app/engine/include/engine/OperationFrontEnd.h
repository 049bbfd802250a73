#pragma once

#include <atomic>
#include <string>

namespace engine {

class OperationHost;
class StatusModel;

// The front end as the running operation reaches it: message boxes, the
// main window and the status window. Without a host, or once the engine is
// being destroyed, there is nobody to ask: boxes are not shown and the final
// OK is given at once.
class OperationFrontEnd {
  public:
    void setHost(OperationHost* host) { host_ = host; }
    // From now on nothing is shown any more.
    void beginShutdown() { shuttingDown_ = true; }

    void showMessage(const std::string& text, bool error);
    void showNotice(const std::string& text);
    void setMainWindowEnabled(bool enabled);
    void showStatusWindow(StatusModel& status);
    // Asks for the OK that ends an erase or write: the cancel event of status
    // is signalled when it is given.
    void requestFinalOk(StatusModel& status);

  private:
    bool reachable() const { return host_ != nullptr && !shuttingDown_; }

    OperationHost* host_ = nullptr;
    std::atomic<bool> shuttingDown_{false};
};

}  // namespace engine
