#include "ui/GuiFrontEnd.h"

#include <iostream>

#include "engine/StatusModel.h"
#include "ui/StatusWindow.h"
#include "view/EngineStatusFeed.h"

#include <QMessageBox>
#include <QThread>
#include <QWidget>

namespace ui {

namespace {

QMessageBox::Icon boxIcon(core::MessageIcon icon) {
    switch (icon) {
        case core::MessageIcon::Stop:
            return QMessageBox::Critical;
        case core::MessageIcon::Information:
            return QMessageBox::Information;
        case core::MessageIcon::Warning:
            return QMessageBox::Warning;
        case core::MessageIcon::None:
            break;
    }
    return QMessageBox::NoIcon;
}

}  // namespace

GuiFrontEnd::GuiFrontEnd() = default;

GuiFrontEnd::~GuiFrontEnd() {
    delete statusWindow_.data();
}

void GuiFrontEnd::runOnGuiThread(const std::function<void()>& work) {
    if (QThread::currentThread() == thread()) {
        work();
        return;
    }
    QMetaObject::invokeMethod(this, work, Qt::BlockingQueuedConnection);
}

void GuiFrontEnd::showMessage(const std::string& text, core::MessageIcon icon) {
    const QString message = QString::fromStdString(text);
    runOnGuiThread([this, message, icon] {
        if (detached_) {
            return;
        }
        QWidget* owner = mainWindow_ != nullptr && mainWindow_->isVisible() ? mainWindow_.data() : nullptr;
        QMessageBox box(boxIcon(icon), kMessageCaption, message, QMessageBox::Ok, owner);
        box.setWindowModality(Qt::ApplicationModal);
        box.setEnabled(true);
        emit messageShown(message);
        box.exec();
    });
}

void GuiFrontEnd::setMainWindowEnabled(bool enabled) {
    runOnGuiThread([this, enabled] {
        if (!detached_ && mainWindow_ != nullptr) {
            mainWindow_->setEnabled(enabled);
        }
        // The progress window stays usable while its owner is disabled.
        if (statusWindow_ != nullptr) {
            statusWindow_->setEnabled(true);
        }
    });
}

void GuiFrontEnd::showStatusWindow(engine::StatusModel& status, engine::OperationControl& control) {
    runOnGuiThread([this, &status, &control] {
        if (detached_) {
            return;
        }
        if (statusWindow_ != nullptr) {
            statusWindow_->setEnabled(true);
            return;
        }
        if (feed_ == nullptr || &feed_->status() != &status) {
            feed_ = std::make_unique<view::EngineStatusFeed>(status, control);
        }
        auto* window = new StatusWindow(*feed_, mainWindow_);
        if (fontSource_) {
            window->applyFont(fontSource_());
        }
        statusWindow_ = window;
        window->show();
        window->raise();
        window->setEnabled(true);
    });
}

bool GuiFrontEnd::askForOk(const engine::StatusModel&) {
    bool asked = false;
    runOnGuiThread(
        [this, &asked] { asked = !detached_ && statusWindow_ != nullptr && statusWindow_->isVisible(); });
    return asked;
}

void GuiFrontEnd::showNotice(const std::string& text) {
    std::cerr << "flashkit: " << text << std::endl;
}

}  // namespace ui
