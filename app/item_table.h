#pragma once

#include <QStringList>
#include <QTableWidget>

namespace qmk::app {

// A sortable table of found items, one row each: the columns' texts, and the item's index in
// the list it came from, which sorting does not change.
class ItemTable final : public QTableWidget {
    Q_OBJECT
public:
    ItemTable(const QStringList& headings, const QString& accessibleName, QWidget* parent);

    // The rows in their found order; sorting is reset to it.
    void setRows(const std::vector<QStringList>& rows);
    // The index, in the found order, of the row shown at `row`.
    std::size_t itemAt(int row) const;
    // The found-order indexes of the chosen rows.
    std::vector<std::size_t> chosenItems() const;
};

} // namespace qmk::app
