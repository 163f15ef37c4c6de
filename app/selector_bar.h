#pragma once

#include "mainwindow/browser.h"

#include <QToolBar>
#include <array>

class QComboBox;

namespace qmk::app {

// A tool bar with one searchable box for each of Program, Scope and Group: the same choices as
// the numbered menus, for a user who would rather type part of a name.
class SelectorBar final : public QToolBar {
    Q_OBJECT
public:
    explicit SelectorBar(QWidget* parent);

    // Shows the selectors' entries and their current choices.
    void showSelectors(const Selector& programs, const Selector& scopes, const Selector& groups);
    QComboBox* box(SelectorKind kind) const { return boxes_[index(kind)]; }

signals:
    // The user chose the entry at `position` of the selector (separators counted).
    void chosen(qmk::SelectorKind kind, int position);
    // The user confirmed a name typed into the box that is not one of its entries.
    void typed(qmk::SelectorKind kind, const QString& text);

private:
    static std::size_t index(SelectorKind kind) { return static_cast<std::size_t>(kind); }
    void fill(QComboBox* box, const Selector& selector);
    bool eventFilter(QObject* watched, QEvent* event) override;
    // What was typed into the box of `kind` is confirmed (Return).
    void confirm(SelectorKind kind);

    std::array<QComboBox*, 3> boxes_{};
    bool filling_ = false;
};

} // namespace qmk::app
