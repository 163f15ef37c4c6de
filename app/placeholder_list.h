#pragma once

#include <QListView>
#include <QString>

namespace qmk::app {

// A list that says why it is empty instead of showing a row that cannot be chosen.
class PlaceholderListView final : public QListView {
    Q_OBJECT
public:
    using QListView::QListView;
    // Shown, and told to screen readers, while the list has no rows.
    void setPlaceholder(const QString& text);
    const QString& placeholder() const { return placeholder_; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QString placeholder_;
};

} // namespace qmk::app
