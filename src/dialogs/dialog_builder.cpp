#include "dialogs/dialog_builder.h"

#include <QCheckBox>
#include <QFrame>
#include <QGroupBox>
#include <QHeaderView>
#include <QRegularExpression>
#include <QRegularExpressionValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTreeWidget>

#include "dialogs/fonts.h"
#include "dialogs/tree_lines_style.h"

namespace hodra {
namespace {

Qt::Alignment TextAlignment(const ControlTemplate& c) {
    Qt::Alignment h = Qt::AlignLeft;
    if (c.Has("center")) {
        h = Qt::AlignHCenter;
    } else if (c.Has("right")) {
        h = Qt::AlignRight;
    }
    return h | (c.Has("vcenter") || c.kind == "pushbutton" ? Qt::AlignVCenter : Qt::AlignTop);
}

void ApplyEdge(QFrame* frame, const ControlTemplate& c) {
    if (c.Has("sunkenedge")) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setLineWidth(2);
    } else if (c.Has("grayframe")) {
        frame->setFrameStyle(QFrame::Box | QFrame::Plain);
        frame->setLineWidth(1);
        QPalette p = frame->palette();
        p.setColor(QPalette::WindowText, QColor(0x80, 0x80, 0x80));
        frame->setPalette(p);
    } else if (c.Has("staticedge")) {
        frame->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        frame->setLineWidth(1);
    }
}

QWidget* MakeButton(const ControlTemplate& c, QWidget* parent) {
    auto* button = new QPushButton(c.text, parent);
    button->setAutoDefault(false);
    button->setDefault(c.kind == "defpushbutton");
    if (c.Has("left")) {
        button->setStyleSheet(QStringLiteral("text-align: left; padding-left: 4px;"));
    }
    return button;
}

QWidget* MakeLabel(const ControlTemplate& c, QWidget* parent) {
    auto* label = new QLabel(c.text, parent);
    label->setAlignment(TextAlignment(c));
    label->setWordWrap(c.Has("wordwrap"));
    label->setTextFormat(Qt::PlainText);
    ApplyEdge(label, c);
    return label;
}

QWidget* MakeEdit(const ControlTemplate& c, QWidget* parent) {
    if (c.Has("multiline")) {
        auto* edit = new QPlainTextEdit(c.text, parent);
        edit->setReadOnly(c.Has("readonly"));
        edit->setVerticalScrollBarPolicy(c.Has("vscroll") ? Qt::ScrollBarAlwaysOn : Qt::ScrollBarAsNeeded);
        edit->setLineWrapMode(QPlainTextEdit::WidgetWidth);
        edit->document()->setDocumentMargin(2);
        return edit;
    }
    auto* edit = new QLineEdit(c.text, parent);
    edit->setReadOnly(c.Has("readonly"));
    edit->setAlignment(c.Has("right") ? Qt::AlignRight | Qt::AlignVCenter : Qt::AlignLeft | Qt::AlignVCenter);
    edit->setFrame(c.Has("border") || c.Has("sunkenedge"));
    if (c.Has("number")) {
        // Digits only, as an ES_NUMBER edit; the range is checked when the page is read.
        edit->setValidator(new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), edit));
    }
    return edit;
}

QWidget* MakeTree(const ControlTemplate& c, QWidget* parent) {
    auto* tree = new QTreeWidget(parent);
    tree->setHeaderHidden(true);
    tree->setRootIsDecorated(c.Has("linesatroot"));
    tree->setDragEnabled(!c.Has("disabledragdrop"));
    tree->setSelectionMode(QAbstractItemView::SingleSelection);
    if (c.Has("haslines") || c.Has("hasbuttons")) {
        auto* style = new TreeLinesStyle;
        style->setParent(tree);
        tree->setStyle(style);
    }
    if (c.Has("showselalways")) {
        // Without the focus the selection stays in sight, greyed as the template's tree has it.
        QPalette p = tree->palette();
        p.setColor(QPalette::Inactive, QPalette::Highlight, p.color(QPalette::Active, QPalette::Button).darker(115));
        p.setColor(QPalette::Inactive, QPalette::HighlightedText, p.color(QPalette::Active, QPalette::Text));
        tree->setPalette(p);
    }
    return tree;
}

}  // namespace

DialogBuilder& DialogBuilder::WithFactory(int id, Factory make) {
    factories.insert(id, std::move(make));
    return *this;
}

QWidget* DialogBuilder::Make(const ControlTemplate& c, QWidget* parent) const {
    if (c.id >= 0 && factories.contains(c.id)) {
        // A control of our own still has the template's edge.
        QWidget* made = factories.value(c.id)(c, parent);
        if (auto* frame = qobject_cast<QFrame*>(made)) {
            ApplyEdge(frame, c);
        }
        return made;
    }
    if (c.kind == "pushbutton" || c.kind == "defpushbutton" || c.kind == "ownerdraw") {
        return MakeButton(c, parent);
    }
    if (c.kind == "checkbox") {
        return new QCheckBox(c.text, parent);
    }
    if (c.kind == "static" || c.kind == "frame" || c.kind == "icon") {
        return MakeLabel(c, parent);
    }
    if (c.kind == "edit") {
        return MakeEdit(c, parent);
    }
    if (c.kind == "groupbox") {
        return new QGroupBox(c.text, parent);
    }
    if (c.kind == "treeview") {
        return MakeTree(c, parent);
    }
    return new QWidget(parent);
}

BuiltDialog DialogBuilder::Build(QWidget* parent) const {
    BuiltDialog built;
    built.font = MakeFont(t.fontFace, t.fontPoints);
    built.units = DialogUnits(built.font);
    built.clientSize = built.units.ToPixels(t.size);
    parent->setFont(built.font);
    for (const ControlTemplate& c : t.controls) {
        QWidget* w = Make(c, parent);
        w->setGeometry(built.units.ToPixels(c.rect));
        w->setProperty("controlId", c.id);
        if (c.id >= 0) {
            built.controls.insert(c.id, w);
        }
        if (!c.option.isEmpty()) {
            built.options.insert(c.option, w);
        }
        built.all.push_back(w);
    }
    // Group boxes frame the controls laid over them.
    for (QWidget* w : built.all) {
        if (qobject_cast<QGroupBox*>(w) != nullptr) {
            w->lower();
        }
    }
    return built;
}

}  // namespace hodra
