#include "ui/CMainFrame.h"

#include "core/UserNotifier.h"
#include "data/CDIAGDoc.h"
#include "data/CommSettings.h"
#include "ui/AboutDialog.h"
#include "ui/CDIAGView.h"
#include "ui/ProgramIcon.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QStatusTipEvent>

namespace ui {

namespace {

constexpr const char* kPortPrompt = "Select this port";
constexpr const char* kDefaultExtension = "lst";
constexpr const char* kFailedToOpen = "Failed to open document.";
constexpr int kPlaceholderPorts = 4;

int commandOf(const QAction* item) {
    return item->data().toInt();
}

}  // namespace

CMainFrame::CMainFrame(data::CDIAGDoc& document, const std::vector<std::string>& portNames,
                       data::CommSettings& comm, std::uint8_t& connectionPoint)
    : QMainWindow(nullptr, Qt::Window | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                               Qt::WindowMinimizeButtonHint | Qt::WindowCloseButtonHint),
      document_(document),
      portNames_(portNames),
      comm_(comm),
      connectionPoint_(connectionPoint),
      view_(new CDIAGView(document, this)),
      statusPane_(new QLabel(kReady, this)) {
    setWindowIcon(ProgramIcon::icon());
    setCentralWidget(view_);
    statusBar()->addWidget(statusPane_, 1);
    statusBar()->setSizeGripEnabled(false);
    buildMenus();
    setFixedSize(kWidth, kHeight);
    updateTitle();
}

void CMainFrame::buildMenus() {
    QMenu* file = menuBar()->addMenu("&File");
    QAction* exit = file->addAction("E&xit", this, &QWidget::close);
    exit->setMenuRole(QAction::NoRole);

    setupMenu_ = menuBar()->addMenu("&Setup");
    serialPortMenu_ = setupMenu_->addMenu("Serial Port");
    portGroup_ = new QActionGroup(this);
    portGroup_->setExclusive(true);
    for (int i = 0; i < kPlaceholderPorts; ++i) {
        QAction* item = serialPortMenu_->addAction(QString("COM%1").arg(i + 1));
        item->setData(kFirstPortCommand + i);
        item->setStatusTip(kPortPrompt);
    }
    connect(serialPortMenu_, &QMenu::triggered, this, &CMainFrame::choosePort);

    connectionMenu_ = setupMenu_->addMenu("Connection Point");
    connectionGroup_ = new QActionGroup(this);
    connectionGroup_->setExclusive(true);
    QAction* srf7 = connectionMenu_->addAction("SRF7");
    srf7->setData(kSrf7Command);
    srf7->setStatusTip("Connect PC to SRF7 port");
    QAction* eng7 = connectionMenu_->addAction("ENG7");
    eng7->setData(kEng7Command);
    eng7->setStatusTip("Connect PC to ENG7 port (Get Ver. Only ENG7) ");
    for (QAction* item : {srf7, eng7}) {
        item->setCheckable(true);
        connectionGroup_->addAction(item);
    }
    connect(connectionMenu_, &QMenu::triggered, this, &CMainFrame::chooseConnection);

    QAction* fonts = setupMenu_->addAction("Fonts...", view_, &CDIAGView::chooseFont);
    fonts->setData(kFontsCommand);
    fonts->setStatusTip("Select Font");
    connect(setupMenu_, &QMenu::aboutToShow, this, &CMainFrame::prepareSetupMenu);

    QMenu* help = menuBar()->addMenu("&Help");
    QAction* about = help->addAction("&About FLASHKIT...", this, &CMainFrame::showAbout);
    about->setMenuRole(QAction::NoRole);

    // The document commands have keys but no menu items.
    QAction* open = addAction("Open", QKeySequence::Open, this, &CMainFrame::openDocument);
    QAction* create = addAction("New", QKeySequence::New, this, &CMainFrame::newDocument);
    QAction* save = addAction("Save", QKeySequence::Save, this, &CMainFrame::saveDocument);
    for (QAction* command : {open, create, save}) {
        command->setShortcutContext(Qt::ApplicationShortcut);
    }
}

void CMainFrame::prepareSetupMenu() {
    if (!portMenuBuilt_) {
        portMenuBuilt_ = true;
        QList<QAction*> items = serialPortMenu_->actions();
        int marked = 0;
        for (std::size_t i = 0; i < portNames_.size(); ++i) {
            const QString name = QString::fromStdString(portNames_[i]);
            const int position = static_cast<int>(i);
            QAction* item = position < items.size() ? items[position] : serialPortMenu_->addAction(name);
            item->setText(name);
            item->setData(kFirstPortCommand + position);
            item->setStatusTip(kPortPrompt);
            item->setCheckable(true);
            portGroup_->addAction(item);
            if (name.compare(QString::fromStdString(comm_.deviceName), Qt::CaseInsensitive) == 0 &&
                marked == 0) {
                marked = position;
            }
        }
        items = serialPortMenu_->actions();
        for (qsizetype position = static_cast<qsizetype>(portNames_.size()); position < items.size();
             ++position) {
            serialPortMenu_->removeAction(items[position]);
            items[position]->deleteLater();
        }
        if (!portNames_.empty()) {
            serialPortMenu_->actions().at(marked)->setChecked(true);
        }
    }
    if (!connectionMenuInitialised_) {
        connectionMenuInitialised_ = true;
        connectionMenu_->actions().at(0)->setChecked(true);
        connectionPoint_ = kConnectSrf7;
    }
}

void CMainFrame::choosePort(QAction* item) {
    if (item == nullptr) {
        return;
    }
    item->setCheckable(true);
    item->setChecked(true);
    comm_.deviceName = item->text().toStdString();
}

void CMainFrame::chooseConnection(QAction* item) {
    if (item == nullptr) {
        return;
    }
    item->setChecked(true);
    connectionPoint_ = commandOf(item) == kEng7Command ? kConnectEng7 : kConnectSrf7;
}

void CMainFrame::openDocument() {
    QFileDialog dialog(this, "Open", QDir::currentPath(), kFileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(kDefaultExtension);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        openDocumentFile(dialog.selectedFiles().constFirst());
    }
}

bool CMainFrame::openDocumentFile(const QString& path) {
    const data::CDIAGDoc::OpenResult result = document_.openFile(path.toStdString());
    updateTitle();
    if (result == data::CDIAGDoc::OpenResult::CannotOpen) {
        const QString message = path + "\n" + kFailedToOpen;
        if (notifier_ != nullptr) {
            notifier_->showMessage(message.toStdString(), core::MessageIcon::Warning);
        } else {
            QMessageBox::warning(isVisible() ? this : nullptr, kAppTitle, message);
        }
        return false;
    }
    return true;
}

void CMainFrame::newDocument() {
    document_.newDocument();
    updateTitle();
}

// The program never writes unit lists: saving leaves the file as it is.
void CMainFrame::saveDocument() {}

void CMainFrame::showAbout() {
    AboutDialog about(this);
    about.exec();
}

void CMainFrame::updateTitle() {
    setWindowTitle(QString::fromStdString(document_.title()) + " - " + kAppTitle);
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        statusPane_->setText(tip.isEmpty() ? QString(kReady) : tip);
        return true;
    }
    return QMainWindow::event(event);
}

void CMainFrame::closeEvent(QCloseEvent* event) {
    // The engine works on the document's units until its worker has ended.
    if (document_.engine().busy()) {
        event->ignore();
        return;
    }
    event->accept();
}

}  // namespace ui
