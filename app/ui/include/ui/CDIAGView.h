#pragma once

#include "ui/VersionBar.h"
#include "view/MainViewLogic.h"

#include <QBasicTimer>
#include <QFont>
#include <QWidget>

class QComboBox;
class QFrame;
class QPushButton;

namespace core {
struct FontSetting;
}
namespace data {
class CDIAGDoc;
}

namespace ui {

class UnitGrid;

// The main view over the document: the unit selector, the version bar, the
// image grid and the Get Ver., Write, ALL and CLEAR buttons. What they show,
// where they go and what the commands do is decided by the shared view
// logic; this class creates, places and updates the widgets.
class CDIAGView : public QWidget {
    Q_OBJECT

  public:
    explicit CDIAGView(data::CDIAGDoc& document, QWidget* parent = nullptr);

    // The advanced flag of the settings: non-zero chooses the list layout.
    void setAdvanced(int advanced);
    int viewMode() const { return logic_.viewMode(); }
    // The view font from the settings' face, size, bold and italic.
    void setFontSetting(const core::FontSetting& setting);
    // Gives every child control the font and lays them out again.
    void applyViewFont(const QFont& font);
    const QFont& viewFont() const { return viewFont_; }
    // "Fonts...": the system font chooser, started from the current font.
    void chooseFont();

    // Redraws what the document's change flags say has changed.
    void refresh();
    // One tick of the poll timer.
    void pollOperation();
    bool polling() const { return pollTimer_.isActive(); }

    // The commands of the view.
    void onUnitConfirmed(int index);
    void onGetVersion();
    void onWrite();
    void onCheckAll();
    void onClearAll();

    QComboBox* unitSelector() const { return unitSelector_; }
    UnitGrid* grid() const { return grid_; }
    const VersionBar& versionBar() const { return versionBar_; }
    QFrame* topRule() const { return topRule_; }
    QPushButton* getVersionButton() const { return getVersion_; }
    QPushButton* writeButton() const { return write_; }
    QPushButton* allButton() const { return all_; }
    QPushButton* clearButton() const { return clear_; }

    void layOut();

  protected:
    void resizeEvent(QResizeEvent* event) override;
    void timerEvent(QTimerEvent* event) override;

  private:
    void togglePanel();

    view::MainViewLogic logic_;
    QFont viewFont_;
    QBasicTimer pollTimer_;
    QFrame* topRule_;
    QComboBox* unitSelector_;
    VersionBar versionBar_;
    UnitGrid* grid_;
    QPushButton* getVersion_;
    QPushButton* write_;
    QPushButton* all_;
    QPushButton* clear_;
};

}  // namespace ui
