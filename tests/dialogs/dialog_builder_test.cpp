#include <gtest/gtest.h>

#include <QPushButton>
#include <QTreeWidget>
#include <QWidget>

#include "dialogs/dialog_builder.h"
#include "dialogs/resources.h"

namespace hodra {
namespace {

TEST(DialogUnits, WindowsRuleWithRounding) {
    const DialogUnits units(6, 13);
    EXPECT_EQ(units.X(4), 6);
    EXPECT_EQ(units.X(1), 2);  // 1.5 rounds away from zero
    EXPECT_EQ(units.Y(8), 13);
    EXPECT_EQ(units.Y(3), 5);  // 4.875
    // A rectangle maps its edges, so neighbours share their border.
    EXPECT_EQ(units.ToPixels(QRect(1, 0, 40, 14)).right() + 1, units.ToPixels(QRect(41, 0, 40, 14)).left());
}

TEST(DialogTemplates, EveryTemplateBuildsWithItsControls) {
    const std::map<int, std::vector<int>> expected = {
        {100, {1014, 1}},
        {102, {9, 306, 11, 1, 300, 301, 1012, 304, 1000}},
        {130, {1006, 1013}},
        {131, {1001, 1010, 1011, 1007, 1012, 1013, 1014, 1016, 1008, 1009, 1017, 1018, 1002, 1005, 1004, 1006, 1015}},
        {178, {1019, 1015, 1016, 1017, 1018, 1020}},
    };
    for (const auto& [id, controls] : expected) {
        const DialogTemplate t = LoadDialogTemplate(id);
        ASSERT_EQ(t.id, id);
        QWidget parent;
        const BuiltDialog built = DialogBuilder(t).Build(&parent);
        EXPECT_EQ(built.clientSize, built.units.ToPixels(t.size)) << id;
        for (const int control : controls) {
            QWidget* w = built.controls.value(control);
            ASSERT_NE(w, nullptr) << "template " << id << " control " << control;
            EXPECT_EQ(w->geometry(), built.units.ToPixels(t.Control(control)->rect));
            EXPECT_TRUE(QRect(QPoint(0, 0), built.clientSize).contains(w->geometry()) || id == 102)
                << "template " << id << " control " << control << " lies outside the dialog";
        }
    }
    EXPECT_EQ(LoadDialogTemplate(102).caption, "Hodra2");
    EXPECT_EQ(LoadDialogTemplate(12345).id, 0);
}

TEST(DialogTemplates, KoreanFontGivesPlausibleDialogUnits) {
    const DialogTemplate t = LoadDialogTemplate(102);
    QWidget parent;
    const BuiltDialog built = DialogBuilder(t).Build(&parent);
    EXPECT_GE(built.units.BaseX(), 5);
    EXPECT_LE(built.units.BaseX(), 8);
    EXPECT_GE(built.units.BaseY(), 12);
    EXPECT_LE(built.units.BaseY(), 16);
    // Every button's label fits its button.
    for (QWidget* w : built.all) {
        if (auto* b = qobject_cast<QPushButton*>(w)) {
            EXPECT_LE(b->fontMetrics().horizontalAdvance(b->text()), b->width()) << b->text().toStdString();
        }
    }
}

// The world time tree as its template has it: lines to each item, and the selection in
// sight without the focus. A leaf's row shows its line where a plain tree shows nothing.
TEST(DialogTemplates, TheTreeDrawsItsLinesAndKeepsItsSelectionInSight) {
    QWidget dialog;
    const BuiltDialog built = DialogBuilder(LoadDialogTemplate(178)).Build(&dialog);
    auto* tree = built.Get<QTreeWidget>(1015);
    QTreeWidget plain(&dialog);
    plain.setGeometry(tree->geometry());
    plain.setHeaderHidden(true);
    for (QTreeWidget* t : {tree, &plain}) {
        auto* root = new QTreeWidgetItem(t, QStringList{"세계시간표"});
        auto* group = new QTreeWidgetItem(root, QStringList{"유럽"});
        auto* leaf = new QTreeWidgetItem(group, QStringList{"런던(영국)"});
        new QTreeWidgetItem(group, QStringList{"파리(프랑스)"});
        t->expandAll();
        t->setCurrentItem(leaf);
    }
    dialog.show();
    auto branchInk = [](QTreeWidget& t, QTreeWidgetItem* item) {
        const QRect row = t.visualItemRect(item);
        const QImage shot = t.viewport()->grab().toImage();
        const QRgb base = t.palette().color(QPalette::Base).rgb();
        int ink = 0;
        for (int x = 0; x < row.left(); ++x) {
            for (int y = row.top(); y <= row.bottom(); ++y) {
                ink += shot.pixel(x, y) != base;
            }
        }
        return ink;
    };
    auto sibling = [](QTreeWidget& t) { return t.currentItem()->parent()->child(1); };
    EXPECT_EQ(branchInk(plain, sibling(plain)), 0) << "the plain tree: nothing before a leaf";
    EXPECT_GT(branchInk(*tree, sibling(*tree)), 4) << "the template's tree: its lines";
    ASSERT_FALSE(tree->hasFocus());
    const QRect selected = tree->visualItemRect(tree->currentItem());
    const QImage shot = tree->viewport()->grab().toImage();
    EXPECT_NE(shot.pixel(selected.right() - 2, selected.center().y()), tree->palette().color(QPalette::Base).rgb())
        << "the selection shows without the focus";
}

TEST(Resources, Menu106AndStrings) {
    const auto items = LoadMenuTemplate(106);
    std::vector<int> ids;
    int separators = 0;
    for (const auto& item : items) {
        item.text.isEmpty() ? ++separators : (ids.push_back(item.id), 0);
    }
    // The history view came after the original commands, before the separator above "종료".
    EXPECT_EQ(ids, (std::vector<int>{32773, 32774, 32775, 32776, 32772, 32777, 32778, 32771}));
    EXPECT_EQ(separators, 3);
    EXPECT_EQ(items.front().text, "표준시 비교");
    EXPECT_EQ(items.back().text, "종료");
    EXPECT_EQ(LoadResourceString(101), "Client 정보(&A)...");
    EXPECT_FALSE(LoadResourceString(103).isEmpty());
    EXPECT_FALSE(AppIcon().pixmap(16, 16).isNull());
    EXPECT_EQ(BannerPixmap().size(), QSize(142, 20));
}

}  // namespace
}  // namespace hodra
