#include "dialogs/resources.h"

#include <QAction>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QMenu>

namespace hodra {
namespace {

QJsonObject ReadJson(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        return {};
    }
    return QJsonDocument::fromJson(file.readAll()).object();
}

}  // namespace

QVector<MenuItemTemplate> LoadMenuTemplate(int id) {
    QVector<MenuItemTemplate> items;
    const QJsonObject menu = ReadJson(QStringLiteral(":/menu%1.json").arg(id));
    for (const auto& value : menu.value("items").toArray()) {
        const QJsonObject item = value.toObject();
        if (item.value("separator").toBool()) {
            items.push_back({});
        } else {
            items.push_back({item.value("text").toString(), item.value("id").toInt()});
        }
    }
    return items;
}

QHash<int, QAction*> BuildMenu(QMenu& menu, int id) {
    QHash<int, QAction*> actions;
    for (const MenuItemTemplate& item : LoadMenuTemplate(id)) {
        if (item.text.isEmpty()) {
            menu.addSeparator();
            continue;
        }
        QAction* action = menu.addAction(item.text);
        action->setData(item.id);
        actions.insert(item.id, action);
    }
    return actions;
}

QString LoadResourceString(int id) {
    return ReadJson(QStringLiteral(":/strings.json")).value(QString::number(id)).toString();
}

QIcon AppIcon() {
    QIcon icon;
    for (const int size : {16, 32, 48, 128}) {
        icon.addFile(QStringLiteral(":/icons/clock-%1.png").arg(size), QSize(size, size));
    }
    return icon;
}

QPixmap BannerPixmap() {
    return QPixmap(QStringLiteral(":/icons/banner-158.png"));
}

}  // namespace hodra
