#include "placeholder_list.h"

#include <QPainter>

namespace qmk::app {

void PlaceholderListView::setPlaceholder(const QString& text) {
    if (placeholder_ == text)
        return;
    placeholder_ = text;
    setAccessibleDescription(text);
    viewport()->update();
}

void PlaceholderListView::paintEvent(QPaintEvent* event) {
    QListView::paintEvent(event);
    if (placeholder_.isEmpty() || (model() && model()->rowCount() > 0))
        return;
    QPainter painter(viewport());
    painter.setPen(palette().color(QPalette::PlaceholderText));
    painter.drawText(viewport()->rect(), Qt::AlignCenter, placeholder_);
}

} // namespace qmk::app
