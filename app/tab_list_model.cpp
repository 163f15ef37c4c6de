#include "tab_list_model.h"

#include "qt_text.h"

#include <algorithm>

namespace qmk::app {

namespace {

constexpr qsizetype kProgramColumn = 49; // column 50, counted from 1

} // namespace

QString recentLine(const QString& name, const QString& program) {
    QString line = name.leftJustified(kProgramColumn, ' ');
    line.replace(kProgramColumn, std::min(line.size() - kProgramColumn, program.size()), program);
    return line;
}

void TabListModel::show(const TabRows& tab) {
    if (rows_ == tab.rows)
        return;
    beginResetModel();
    rows_ = tab.rows;
    endResetModel();
}

int TabListModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(rows_.size());
}

QVariant TabListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= rowCount())
        return {};
    const auto& row = rows_[static_cast<std::size_t>(index.row())];
    if (role == Qt::DisplayRole)
        return withProgram_ ? recentLine(q(row.name), q(row.program)) : q(row.name);
    if (role == Qt::AccessibleTextRole)
        return withProgram_ && !row.program.empty() ? q(row.name + ", " + row.program)
                                                    : q(row.name);
    return {};
}

} // namespace qmk::app
