#pragma once

#include <QRect>
#include <QString>
#include <QStringList>
#include <QVector>

namespace hodra {

// One control of a dialog template; the rectangle is in dialog units.
struct ControlTemplate {
    int id = -1;   // -1: a control the code never addresses
    QString kind;  // pushbutton, defpushbutton, checkbox, static, frame, icon, edit,
                   // groupbox, treeview, ownerdraw
    QString text;
    QRect rect;
    QStringList style;
    QString option;  // the option of Settings the control shows, by its key; empty for none

    bool Has(const char* s) const { return style.contains(QLatin1String(s)); }
};

// A dialog template as the resources give it (res/templates/<id>.json).
struct DialogTemplate {
    int id = 0;
    QString caption;
    QString fontFace;
    double fontPoints = 9;
    QSize size;  // dialog units
    QStringList style;
    QVector<ControlTemplate> controls;

    const ControlTemplate* Control(int controlId) const;
};

// The built-in template with that id; an empty template (id 0) when there is none.
DialogTemplate LoadDialogTemplate(int id);

}  // namespace hodra
