#include "ui/CMainFrame.h"

#include "core/PortNotes.h"
#include "core/UserNotifier.h"
#include "data/CDIAGDoc.h"
#include "data/CommSettings.h"
#include "platform/PortDescription.h"
#include "ui/AboutDialog.h"
#include "ui/CDIAGView.h"
#include "ui/ProgramIcon.h"
#include "view/NetworkPortEntry.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QDir>
#include <QFileDialog>
#include <QInputDialog>
#include <QLabel>
#include <QMenuBar>
#include <QMessageBox>
#include <QStatusBar>
#include <QStatusTipEvent>

namespace ui {

namespace {

using view::MainFrame;

int commandOf(const QAction* item) {
    return item->data().toInt();
}

QAction* addItem(QMenu* menu, const char* text, int command) {
    QAction* item = menu->addAction(text);
    item->setData(command);
    item->setStatusTip(QString::fromUtf8(MainFrame::prompt(command)));
    return item;
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
      statusPane_(new QLabel(MainFrame::kReady, this)) {
    setWindowIcon(ProgramIcon::icon());
    setCentralWidget(view_);
    statusBar()->addWidget(statusPane_, 1);
    statusBar()->setSizeGripEnabled(false);
    buildMenus();
    setFixedSize(kWidth, kHeight);
    updateTitle();
}

void CMainFrame::buildMenus() {
    QMenu* file = menuBar()->addMenu(MainFrame::kFileMenu);
    QAction* exit = file->addAction(MainFrame::kExitItem, this, &QWidget::close);
    exit->setData(MainFrame::kExitCommand);
    exit->setMenuRole(QAction::NoRole);

    setupMenu_ = menuBar()->addMenu(MainFrame::kSetupMenu);
    serialPortMenu_ = setupMenu_->addMenu(MainFrame::kSerialPortMenu);
    portGroup_ = new QActionGroup(this);
    portGroup_->setExclusive(true);
    int placeholder = MainFrame::kFirstPortCommand;
    for (const char* port : MainFrame::kPlaceholderPorts) {
        addItem(serialPortMenu_, port, placeholder++);
    }
    connect(serialPortMenu_, &QMenu::triggered, this, &CMainFrame::choosePort);
    QAction* network =
        setupMenu_->addAction(MainFrame::kNetworkPortItem, this, &CMainFrame::askForNetworkPort);
    network->setData(MainFrame::kNetworkPortCommand);
    network->setStatusTip(QString::fromUtf8(MainFrame::prompt(MainFrame::kNetworkPortCommand)));

    connectionMenu_ = setupMenu_->addMenu(MainFrame::kConnectionPointMenu);
    connectionGroup_ = new QActionGroup(this);
    connectionGroup_->setExclusive(true);
    for (QAction* item : {addItem(connectionMenu_, MainFrame::kSrf7Item, MainFrame::kSrf7Command),
                          addItem(connectionMenu_, MainFrame::kEng7Item, MainFrame::kEng7Command)}) {
        item->setCheckable(true);
        connectionGroup_->addAction(item);
    }
    connect(connectionMenu_, &QMenu::triggered, this, &CMainFrame::chooseConnection);

    QAction* fonts = setupMenu_->addAction(MainFrame::kFontsItem, view_, &CDIAGView::chooseFont);
    fonts->setData(MainFrame::kFontsCommand);
    fonts->setStatusTip(QString::fromUtf8(MainFrame::prompt(MainFrame::kFontsCommand)));
    connect(setupMenu_, &QMenu::aboutToShow, this, &CMainFrame::prepareSetupMenu);

    QMenu* help = menuBar()->addMenu(MainFrame::kHelpMenu);
    QAction* about = help->addAction(MainFrame::kAboutItem, this, &CMainFrame::showAbout);
    about->setData(MainFrame::kAboutCommand);
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
    const view::SetupMenu::Opening opening =
        setupMenuState_.open(portNames_, comm_.deviceName, [](const std::string& port) {
            return core::PortNotes::label(platform::describePort(port), view::SetupMenu::kLabelLength);
        });
    if (opening.ports) {
        QList<QAction*> items = serialPortMenu_->actions();
        const std::vector<view::SetupMenu::PortItem>& ports = opening.ports->items;
        for (std::size_t i = 0; i < ports.size(); ++i) {
            const int position = static_cast<int>(i);
            QAction* item = position < items.size() ? items[position] : serialPortMenu_->addAction(QString());
            item->setText(QString::fromStdString(ports[i].text));
            item->setData(ports[i].command);
            item->setStatusTip(MainFrame::kPortPrompt);
            item->setCheckable(true);
            portGroup_->addAction(item);
        }
        items = serialPortMenu_->actions();
        for (qsizetype position = static_cast<qsizetype>(ports.size()); position < items.size(); ++position) {
            serialPortMenu_->removeAction(items[position]);
            items[position]->deleteLater();
        }
        if (!ports.empty()) {
            serialPortMenu_->actions().at(opening.ports->marked)->setChecked(true);
        }
    }
    if (opening.initialiseConnection) {
        chooseConnection(connectionMenu_->actions().at(0));
    }
}

void CMainFrame::choosePort(QAction* item) {
    if (item == nullptr) {
        return;
    }
    item->setCheckable(true);
    item->setChecked(true);
    comm_.deviceName = view::SetupMenu::portOfItemText(item->text().toStdString());
}

void CMainFrame::askForNetworkPort() {
    QString text = QString::fromStdString(view::NetworkPortEntry::initialText(comm_.deviceName));
    for (;;) {
        bool accepted = false;
        text = QInputDialog::getText(this, view::NetworkPortEntry::kTitle, view::NetworkPortEntry::kPrompt,
                                     QLineEdit::Normal, text, &accepted);
        if (!accepted) {
            return;
        }
        const std::optional<std::string> problem = view::NetworkPortEntry::problem(text.toStdString());
        if (!problem) {
            useNetworkPort(view::NetworkPortEntry::portName(text.toStdString()));
            return;
        }
        if (notifier_ != nullptr) {
            notifier_->showMessage(*problem, core::MessageIcon::Warning);
        } else {
            QMessageBox::warning(this, MainFrame::kAppTitle, QString::fromStdString(*problem));
        }
    }
}

void CMainFrame::useNetworkPort(const std::string& url) {
    prepareSetupMenu();
    const view::SetupMenu::NetworkPortItem chosen = setupMenuState_.chooseNetworkPort(portNames_, url);
    const QList<QAction*> items = serialPortMenu_->actions();
    QAction* item = !chosen.appended && chosen.position < items.size()
                        ? items[chosen.position]
                        : serialPortMenu_->addAction(QString());
    item->setText(QString::fromStdString(chosen.item.text));
    item->setData(chosen.item.command);
    item->setStatusTip(MainFrame::kPortPrompt);
    item->setCheckable(true);
    portGroup_->addAction(item);
    item->setChecked(true);
    comm_.deviceName = url;
}

void CMainFrame::chooseConnection(QAction* item) {
    if (item == nullptr) {
        return;
    }
    item->setChecked(true);
    connectionPoint_ = MainFrame::connectionPointOf(commandOf(item));
}

void CMainFrame::openDocument() {
    QFileDialog dialog(this, "Open", QDir::currentPath(), MainFrame::kFileFilter);
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setDefaultSuffix(MainFrame::kDefaultExtension);
    if (dialog.exec() == QDialog::Accepted && !dialog.selectedFiles().isEmpty()) {
        openDocumentFile(dialog.selectedFiles().constFirst());
    }
}

bool CMainFrame::openDocumentFile(const QString& path) {
    const data::CDIAGDoc::OpenResult result = document_.openFile(path.toStdString());
    updateTitle();
    if (result == data::CDIAGDoc::OpenResult::CannotOpen) {
        const std::string message = MainFrame::openFailedMessage(path.toStdString());
        if (notifier_ != nullptr) {
            notifier_->showMessage(message, core::MessageIcon::Warning);
        } else {
            QMessageBox::warning(isVisible() ? this : nullptr, MainFrame::kAppTitle,
                                 QString::fromStdString(message));
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
    setWindowTitle(QString::fromStdString(MainFrame::frameTitle(document_.title())));
}

bool CMainFrame::event(QEvent* event) {
    if (event->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(event)->tip();
        statusPane_->setText(tip.isEmpty() ? QString(MainFrame::kReady) : tip);
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
