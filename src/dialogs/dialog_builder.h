#pragma once

#include <QFont>
#include <QHash>
#include <QSize>
#include <QVector>
#include <functional>

#include "dialogs/dialog_template.h"
#include "dialogs/dialog_units.h"

class QWidget;

namespace hodra {

// The widgets made from one template, addressed by control id.
struct BuiltDialog {
    QFont font;
    DialogUnits units{1, 1};
    QSize clientSize;
    QHash<int, QWidget*> controls;     // controls with an id
    QHash<QString, QWidget*> options;  // controls bound to an option, by its key
    QVector<QWidget*> all;             // in template order

    template <typename W>
    W* Get(int id) const {
        return qobject_cast<W*>(controls.value(id));
    }
};

// Lays a template's controls out on a parent widget at their pixel rectangles, in the
// template's font. A factory may supply the widget for a control itself (owner-drawn
// buttons, for instance); otherwise each kind has its standard widget.
class DialogBuilder {
public:
    using Factory = std::function<QWidget*(const ControlTemplate&, QWidget* parent)>;

    explicit DialogBuilder(const DialogTemplate& t) : t(t) {}
    DialogBuilder& WithFactory(int id, Factory make);

    BuiltDialog Build(QWidget* parent) const;

private:
    QWidget* Make(const ControlTemplate& c, QWidget* parent) const;

    const DialogTemplate& t;
    QHash<int, Factory> factories;
};

}  // namespace hodra
