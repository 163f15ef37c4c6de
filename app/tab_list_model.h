#pragma once

#include "mainwindow/browser.h"

#include <QAbstractListModel>
#include <QString>

namespace qmk::app {

// A Recently Created or Recently Modified line: the name, then its Program written over it from
// column 50, so that the Programs line up in the tab's fixed-pitch font.
QString recentLine(const QString& name, const QString& program);

// One tab's rows as its list shows them: the item's name, and on the Recently tabs its Program
// in its own column. The rows are the presenter's; the model only formats them.
class TabListModel final : public QAbstractListModel {
    Q_OBJECT
public:
    TabListModel(bool withProgram, QObject* parent)
        : QAbstractListModel(parent), withProgram_(withProgram) {}

    // Takes the tab's rows; the view is reset only when what it shows changed.
    void show(const TabRows& tab);

    int rowCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    bool withProgram_;
    std::vector<TabRows::Row> rows_;
};

} // namespace qmk::app
