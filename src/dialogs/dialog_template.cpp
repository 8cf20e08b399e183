#include "dialogs/dialog_template.h"

#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>

namespace hodra {
namespace {

QRect RectFrom(const QJsonArray& r) {
    return QRect(r.at(0).toInt(), r.at(1).toInt(), r.at(2).toInt(), r.at(3).toInt());
}

QStringList StringsFrom(const QJsonArray& a) {
    QStringList out;
    for (const auto& v : a) {
        out << v.toString();
    }
    return out;
}

}  // namespace

const ControlTemplate* DialogTemplate::Control(int controlId) const {
    for (const ControlTemplate& c : controls) {
        if (c.id == controlId) {
            return &c;
        }
    }
    return nullptr;
}

DialogTemplate LoadDialogTemplate(int id) {
    QFile file(QStringLiteral(":/templates/%1.json").arg(id));
    DialogTemplate t;
    if (!file.open(QIODevice::ReadOnly)) {
        return t;
    }
    const QJsonObject root = QJsonDocument::fromJson(file.readAll()).object();
    t.id = root.value("id").toInt();
    t.caption = root.value("caption").toString();
    const QJsonObject font = root.value("font").toObject();
    t.fontFace = font.value("face").toString();
    t.fontPoints = font.value("points").toDouble(9);
    const QJsonArray size = root.value("size").toArray();
    t.size = QSize(size.at(0).toInt(), size.at(1).toInt());
    t.style = StringsFrom(root.value("style").toArray());
    for (const auto& value : root.value("controls").toArray()) {
        const QJsonObject c = value.toObject();
        ControlTemplate control;
        control.id = c.value("id").toInt(-1);
        control.kind = c.value("kind").toString();
        control.text = c.value("text").toString();
        control.rect = RectFrom(c.value("rect").toArray());
        control.style = StringsFrom(c.value("style").toArray());
        control.option = c.value("option").toString();
        t.controls.push_back(control);
    }
    return t;
}

}  // namespace hodra
