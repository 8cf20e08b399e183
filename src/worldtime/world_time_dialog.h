#pragma once

#include <QDialog>
#include <QString>
#include <ctime>
#include <functional>

#include "settings/settings.h"
#include "ui/window_state.h"

class QLabel;
class QLineEdit;
class QPushButton;
class QTreeWidget;
class QTreeWidgetItem;

namespace hodra {

class RegionClock;
class WorldTimeTable;

// Dialog 178 "세계시각": the regions of the world time table as a tree, the selected
// region's clock, a search, and a description of the region's time difference from Korea
// and its daylight saving. Enter searches, Esc does nothing, "닫기" only hides.
class WorldTimeDialog : public QDialog {
    Q_OBJECT
public:
    using TimeSource = std::function<std::time_t()>;
    // Reads the table file (the path found by tableLookup, or the standard places).
    WorldTimeDialog(WorldTimeTable& table, const Settings& settings, WindowState& state, QWidget* parent = nullptr,
                    TimeSource now = {}, std::function<std::string()> tableLookup = {});

    int selectedRegion() const { return selected; }
    QString searchText() const { return search; }
    QString description() const { return describedText; }
    QTreeWidget* tree() const { return treeView; }
    QLineEdit* searchEdit() const { return edit; }
    RegionClock* regionClock() const { return clock; }

    void FindRegion();

protected:
    void accept() override;
    void reject() override;
    bool eventFilter(QObject* watched, QEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void LoadTable(const std::string& path);
    void OnSelectionChanged();
    void Select(int index);
    void ComposeDescription();
    void ReadControls();
    void RefreshControls();

    WorldTimeTable& table;
    WindowState& state;
    TimeSource now;
    QTreeWidget* treeView = nullptr;
    QLineEdit* edit = nullptr;
    QLabel* descriptionLabel = nullptr;
    RegionClock* clock = nullptr;
    int selected = -1;
    QString search;
    QString describedText;
    bool showing = false;
    bool shownBefore = false;
    QPushButton* closeButton = nullptr;
};

}  // namespace hodra
