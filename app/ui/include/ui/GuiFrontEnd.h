#pragma once

#include "core/UserNotifier.h"
#include "engine/FrontEnd.h"
#include "ui/StatusWindow.h"

#include <QFont>
#include <QObject>
#include <QPointer>

#include <atomic>
#include <functional>
#include <memory>

class QWidget;

namespace view {
class EngineStatusFeed;
}

namespace ui {

// How start-up, the document and the engine reach the user in the desktop
// program. Requests from the engine's worker thread are carried to the
// user-interface thread and the worker waits there until they are done, a
// message box until the user has pressed OK.
class GuiFrontEnd : public QObject, public core::UserNotifier, public engine::FrontEnd {
    Q_OBJECT

  public:
    static constexpr const char* kMessageCaption = "FLASHKIT";

    GuiFrontEnd();
    ~GuiFrontEnd() override;

    // The window that is disabled while an operation runs and that owns the
    // message boxes and the progress window.
    void setMainWindow(QWidget* mainWindow) { mainWindow_ = mainWindow; }
    // Where the progress window takes its font from when it opens.
    void setFontSource(std::function<QFont()> source) { fontSource_ = std::move(source); }

    void showMessage(const std::string& text, core::MessageIcon icon) override;
    void setMainWindowEnabled(bool enabled) override;
    void showStatusWindow(engine::StatusModel& status, engine::OperationControl& control) override;
    // The OK is asked for only while the progress window is up.
    bool askForOk(const engine::StatusModel& status) override;
    // On standard error, as the command-line program says it.
    void showNotice(const std::string& text) override;

    StatusWindow* statusWindow() const { return statusWindow_.data(); }

    // The program is ending: no more boxes or windows, and no OK to wait for.
    void detach() { detached_ = true; }
    bool detached() const { return detached_.load(); }

  signals:
    // A message box is about to be shown (for the window tests).
    void messageShown(const QString& text);

  private:
    void runOnGuiThread(const std::function<void()>& work);

    QPointer<QWidget> mainWindow_;
    std::function<QFont()> fontSource_;
    std::unique_ptr<view::EngineStatusFeed> feed_;
    QPointer<StatusWindow> statusWindow_;
    std::atomic<bool> detached_{false};
};

}  // namespace ui
