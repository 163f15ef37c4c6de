#include "selector_bar.h"

#include "qt_text.h"

#include <QAbstractItemView>
#include <QAction>
#include <QComboBox>
#include <QCompleter>
#include <QEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>

namespace qmk::app {

namespace {

struct BoxSetup {
    SelectorKind kind;
    const char* label;
    QKeySequence focusKey;
};

constexpr const char* kSeparator = "-";

} // namespace

SelectorBar::SelectorBar(QWidget* parent) : QToolBar("Program, Scope and Group", parent) {
    setObjectName("selectorbar");
    setMovable(false);
    const BoxSetup setups[] = {
        {SelectorKind::Program, "Program", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_P)},
        {SelectorKind::Scope, "Scope", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_S)},
        {SelectorKind::Group, "Group", QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_G)},
    };
    for (const auto& setup : setups) {
        auto* box = new QComboBox(this);
        box->setEditable(true);
        box->setInsertPolicy(QComboBox::NoInsert);
        box->setMinimumContentsLength(18);
        box->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
        // Typing any part of a name offers the entries holding it.
        box->completer()->setCompletionMode(QCompleter::PopupCompletion);
        box->completer()->setFilterMode(Qt::MatchContains);
        box->completer()->setCaseSensitivity(Qt::CaseInsensitive);
        // Named apart from the item view's fields of the same name.
        const auto name = QString("Choose %1").arg(setup.label);
        box->setAccessibleName(name);
        box->lineEdit()->setAccessibleName(name);
        box->setToolTip(
            QString("%1 (%2)").arg(setup.label, setup.focusKey.toString(QKeySequence::NativeText)));
        addWidget(new QLabel(QString(" %1 ").arg(setup.label), this));
        addWidget(box);
        auto* focus = new QAction(this);
        focus->setShortcut(setup.focusKey);
        focus->setShortcutContext(Qt::WindowShortcut);
        connect(focus, &QAction::triggered, box, [box] {
            box->setFocus(Qt::ShortcutFocusReason);
            box->lineEdit()->selectAll();
        });
        addAction(focus);
        connect(box, &QComboBox::activated, this, [this, box, kind = setup.kind](int row) {
            box->lineEdit()->setModified(false);
            if (!filling_)
                emit chosen(kind, box->itemData(row).toInt());
        });
        // Return takes the best match of what was typed; an entry itself was taken just before.
        connect(box->lineEdit(), &QLineEdit::returnPressed, this,
                [this, kind = setup.kind] { confirm(kind); });
        box->installEventFilter(this); // the box takes the focus for its line edit
        // The pop-up list of matches takes Return itself, and without a match picked with Down
        // it would only close: Return there is confirmed as in the box.
        box->completer()->popup()->installEventFilter(this);
        boxes_[index(setup.kind)] = box;
    }
}

void SelectorBar::confirm(SelectorKind kind) {
    auto* edit = box(kind)->lineEdit();
    const auto text = edit->text();
    edit->setModified(false);
    // An editable box's current text is what was typed: the entry shown is compared.
    if (!filling_ && text != box(kind)->itemText(box(kind)->currentIndex()))
        emit typed(kind, text);
    // Chosen or not, the box shows what the window shows.
    box(kind)->setEditText(box(kind)->itemText(box(kind)->currentIndex()));
}

bool SelectorBar::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress) {
        const auto key = static_cast<QKeyEvent*>(event)->key();
        for (const auto kind : {SelectorKind::Program, SelectorKind::Scope, SelectorKind::Group}) {
            auto* popup = box(kind)->completer()->popup();
            if (popup == watched && (key == Qt::Key_Return || key == Qt::Key_Enter) &&
                !popup->currentIndex().isValid()) {
                popup->hide();
                confirm(kind);
                return true;
            }
        }
    }
    // Text typed and left unconfirmed goes: the box shows what the window shows.
    if (event->type() == QEvent::FocusOut)
        for (auto* box : boxes_)
            if (box == watched && box->lineEdit()->isModified() &&
                !box->completer()->popup()->isVisible()) {
                box->lineEdit()->setModified(false);
                box->setEditText(box->itemText(box->currentIndex()));
            }
    return QToolBar::eventFilter(watched, event);
}

void SelectorBar::showSelectors(const Selector& programs, const Selector& scopes,
                                const Selector& groups) {
    filling_ = true;
    fill(box(SelectorKind::Program), programs);
    fill(box(SelectorKind::Scope), scopes);
    fill(box(SelectorKind::Group), groups);
    filling_ = false;
}

void SelectorBar::fill(QComboBox* box, const Selector& selector) {
    // A box being typed into keeps what the user typed.
    if (box->hasFocus() && box->lineEdit()->isModified())
        return;
    box->clear();
    for (int position = 0; position < static_cast<int>(selector.entries.size()); ++position) {
        const auto& entry = selector.entries[static_cast<std::size_t>(position)];
        if (entry == kSeparator)
            continue;
        box->addItem(q(entry), position);
        if (position == selector.selected)
            box->setCurrentIndex(box->count() - 1);
    }
}

} // namespace qmk::app
