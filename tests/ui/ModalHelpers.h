#pragma once

#include <QApplication>
#include <QMessageBox>
#include <QTimer>
#include <QWidget>

#include <functional>

namespace uitest {

// Acts on the first modal window of type T once it is up; the poll stops
// with the action.
template <class T>
void whenModal(std::function<void(T*)> action, QObject* owner) {
    auto* timer = new QTimer(owner);
    timer->setInterval(10);
    QObject::connect(timer, &QTimer::timeout, owner, [timer, action] {
        if (auto* window = qobject_cast<T*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            action(window);
        }
    });
    timer->start();
}

// Presses OK on every message box that comes up while it lives and keeps
// their texts.
class MessageCloser : public QObject {
  public:
    QStringList texts;

    MessageCloser() {
        timer_.setInterval(10);
        connect(&timer_, &QTimer::timeout, this, [this] {
            if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
                texts << box->text();
                box->accept();
            }
        });
        timer_.start();
    }

  private:
    QTimer timer_;
};

}  // namespace uitest
