#include "dialogs/control_ids.h"
#include "worldtime/world_time_dialog.h"

#include <QEvent>
#include <QFocusEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTimer>
#include <QTreeWidget>

#include "settings/data_files.h"
#include "dialogs/notice.h"
#include "dialogs/dialog_builder.h"
#include "dialogs/screen_fit.h"
#include "worldtime/region_clock.h"
#include "worldtime/region_description.h"
#include "worldtime/world_time_table.h"
#include "worldtime/worldtime_texts.h"

namespace hodra {
namespace {

const QString kPrompt = QString(text::kSearchPrompt);
constexpr int kBlinkPaints = 18;

int ItemIndex(const QTreeWidgetItem* item) {
    return item == nullptr ? -1 : item->data(0, Qt::UserRole).toInt();
}

}  // namespace

WorldTimeDialog::WorldTimeDialog(WorldTimeTable& table, const Settings& settings, WindowState& state, QWidget* parent,
                                 TimeSource now, std::function<std::string()> tableLookup)
    : QDialog(parent),
      table(table),
      state(state),
      now(now ? std::move(now) : TimeSource([] { return std::time(nullptr); })),
      search(kPrompt) {
    setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint);
    const DialogTemplate t = LoadDialogTemplate(178);
    const BuiltDialog built = DialogBuilder(t).Build(this);
    setWindowTitle(t.caption);
    // On a small screen at a large scale factor the list of regions gives up room: it scrolls.
    setFixedSize(FitToScreen(built, dialog178::kTree, screen()));
    treeView = built.Get<QTreeWidget>(dialog178::kTree);
    edit = built.Get<QLineEdit>(dialog178::kSearch);
    descriptionLabel = built.Get<QLabel>(dialog178::kDescription);
    descriptionLabel->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    descriptionLabel->setContentsMargins(2, 2, 2, 2);

    clock = new RegionClock(
        settings, state.selectionBlinkCount,
        [this]() -> const RegionEntry* { return selected >= 0 ? &this->table.at(selected) : nullptr; }, this,
        built.controls.value(dialog178::kClockFrame)->geometry(), this->now);

    connect(treeView, &QTreeWidget::itemSelectionChanged, this, &WorldTimeDialog::OnSelectionChanged);
    auto* find = built.Get<QPushButton>(dialog178::kFind);
    find->setDefault(true);
    connect(find, &QPushButton::clicked, this, &WorldTimeDialog::FindRegion);
    closeButton = built.Get<QPushButton>(dialog178::kClose);
    connect(closeButton, &QPushButton::clicked, this, &QWidget::hide);
    edit->installEventFilter(this);

    LoadTable(tableLookup ? tableLookup() : FindWorldTimeFile(DataDirectories()));
    RefreshControls();
}

void WorldTimeDialog::LoadTable(const std::string& path) {
    QByteArray bytes;
    if (path.empty() || !ReadWorldTimeFile(path, bytes)) {
        ShowNotice(parentWidget(), text::kNoWorldTimeFile);
        return;
    }
    table.Load(bytes);
    auto* root = new QTreeWidgetItem(treeView, QStringList{text::kWorldTimeRoot});
    root->setData(0, Qt::UserRole, -1);
    for (const RegionGroup& g : table.Groups()) {
        auto* group = new QTreeWidgetItem(root, QStringList{g.name});
        group->setData(0, Qt::UserRole, -1);
        for (int i = g.firstIndex; i < g.firstIndex + g.count; ++i) {
            auto* region = new QTreeWidgetItem(group, QStringList{table.at(i).displayName});
            region->setData(0, Qt::UserRole, i);
        }
    }
    root->setExpanded(true);
}

void WorldTimeDialog::OnSelectionChanged() {
    const QList<QTreeWidgetItem*> items = treeView->selectedItems();
    const int index = items.isEmpty() ? -1 : ItemIndex(items.first());
    if (index >= 0) {
        Select(index);
    } else {
        selected = -1;
        ComposeDescription();
        clock->OnTimer();
    }
}

void WorldTimeDialog::Select(int index) {
    selected = index;
    ComposeDescription();
    state.selectionBlinkCount = kBlinkPaints;
    clock->OnTimer();  // the new region shows, and starts blinking, at once
}

void WorldTimeDialog::FindRegion() {
    ReadControls();
    if (search.isEmpty()) {
        search = kPrompt;
        describedText = text::kEnterRegion;
        RefreshControls();
        return;
    }
    QTreeWidgetItem* root = treeView->topLevelItem(0);
    for (int g = 0; root != nullptr && g < root->childCount(); ++g) {
        QTreeWidgetItem* group = root->child(g);
        for (int r = 0; r < group->childCount(); ++r) {
            QTreeWidgetItem* region = group->child(r);
            if (!region->text(0).contains(search, Qt::CaseSensitive)) {
                continue;
            }
            group->setExpanded(true);
            treeView->scrollToItem(group, QAbstractItemView::PositionAtTop);
            treeView->setCurrentItem(region);
            Select(ItemIndex(region));
            return;
        }
    }
    describedText = text::kRegionNotFound;
    RefreshControls();
}

void WorldTimeDialog::ComposeDescription() {
    describedText = hodra::ComposeDescription(selected >= 0 ? &table.at(selected) : nullptr, now());
    RefreshControls();
}

void WorldTimeDialog::ReadControls() {
    search = edit->text();
}

void WorldTimeDialog::RefreshControls() {
    edit->setText(search);
    descriptionLabel->setText(describedText);
}

void WorldTimeDialog::showEvent(QShowEvent* event) {
    // Showing the dialog puts the focus back where it was; that is not the user entering.
    showing = true;
    QDialog::showEvent(event);
    if (!shownBefore) {
        shownBefore = true;
        closeButton->setFocus(Qt::ActiveWindowFocusReason);  // the first control in tab order
    }
    QTimer::singleShot(0, this, [this] { showing = false; });
}

void WorldTimeDialog::accept() {
    // Enter searches; it never closes the dialog.
    FindRegion();
}

void WorldTimeDialog::reject() {
    // Esc does nothing.
}

bool WorldTimeDialog::eventFilter(QObject* watched, QEvent* event) {
    if (watched == edit && event->type() == QEvent::FocusIn && !showing) {
        // The prompt goes as soon as the edit gets the focus, except when the dialog is
        // shown again and the focus merely returns where it was.
        search.clear();
        RefreshControls();
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace hodra
