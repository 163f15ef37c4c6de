#include "item_table.h"

#include <QHeaderView>
#include <set>

namespace qmk::app {

ItemTable::ItemTable(const QStringList& headings, const QString& accessibleName, QWidget* parent)
    : QTableWidget(0, static_cast<int>(headings.size()), parent) {
    setHorizontalHeaderLabels(headings);
    setAccessibleName(accessibleName);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::ExtendedSelection);
    setTabKeyNavigation(false); // Tab leaves the table, as in every other list
    verticalHeader()->hide();
    horizontalHeader()->setStretchLastSection(true);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    setWordWrap(false);
}

void ItemTable::setRows(const std::vector<QStringList>& rows) {
    setSortingEnabled(false);
    clearContents();
    setRowCount(static_cast<int>(rows.size()));
    for (int row = 0; row < rowCount(); ++row) {
        const auto& texts = rows[static_cast<std::size_t>(row)];
        for (int column = 0; column < columnCount() && column < texts.size(); ++column) {
            auto* cell = new QTableWidgetItem(texts[column]);
            cell->setData(Qt::UserRole, row);
            setItem(row, column, cell);
        }
    }
    resizeColumnsToContents();
    setSortingEnabled(true);
    sortByColumn(-1, Qt::AscendingOrder); // the found order until the user sorts
}

std::size_t ItemTable::itemAt(int row) const {
    const auto* cell = item(row, 0);
    return cell ? static_cast<std::size_t>(cell->data(Qt::UserRole).toInt()) : 0;
}

std::vector<std::size_t> ItemTable::chosenItems() const {
    std::set<std::size_t> chosen;
    for (const auto& range : selectedRanges())
        for (int row = range.topRow(); row <= range.bottomRow(); ++row)
            chosen.insert(itemAt(row));
    return {chosen.begin(), chosen.end()};
}

} // namespace qmk::app
