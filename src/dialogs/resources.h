#pragma once

#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>
#include <QVector>

class QAction;
class QMenu;
class QWidget;

namespace hodra {

struct MenuItemTemplate {
    QString text;  // empty for a separator
    int id = 0;
};

// Menu 106: the command menu of the tray and of the small clock layouts.
QVector<MenuItemTemplate> LoadMenuTemplate(int id);
// Fills a menu from a template; its actions by command id.
QHash<int, QAction*> BuildMenu(QMenu& menu, int id);

// String resources (101, 103).
QString LoadResourceString(int id);

// Icon group 128 (16 and 32 px) and the 142 x 20 banner 158.
QIcon AppIcon();
QPixmap BannerPixmap();

}  // namespace hodra
