#include "selection_widgets.h"

#include <QButtonGroup>
#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QRadioButton>

namespace qmk::app {

using Choice = ReportRequest::Choice;

SelectionWidgets addSelectionWidgets(QWidget* dialog, QGridLayout* layout, int& row, bool following,
                                     const std::vector<std::string>& names,
                                     const std::array<std::string, 4>* counts) {
    SelectionWidgets widgets;
    widgets.choice = new QButtonGroup(dialog);
    const std::pair<const char*, Choice> choices[] = {{"&All", Choice::All},
                                                      {"&Program", Choice::Program},
                                                      {"&Group", Choice::Group},
                                                      {"&Scope", Choice::Scope}};
    const int first = row;
    for (const auto& [caption, value] : choices) {
        auto* button = new QRadioButton(caption, dialog);
        widgets.choice->addButton(button, static_cast<int>(value));
        layout->addWidget(button, row, 0);
        if (counts) {
            auto* count = new QLabel(
                QString::fromStdString((*counts)[static_cast<std::size_t>(row - first)]), dialog);
            count->setFont(QFont("Monospace"));
            layout->addWidget(count, row, 1);
        }
        ++row;
    }
    auto* pick = new QRadioButton(following ? "See below" : "Pick and choose", dialog);
    widgets.choice->addButton(pick, static_cast<int>(Choice::Picked));
    QLabel* picked = nullptr;
    if (counts) {
        picked = new QLabel("    0", dialog);
        picked->setObjectName("pickedCount");
        picked->setFont(QFont("Monospace"));
        layout->addWidget(picked, row, 1);
    }
    layout->addWidget(pick, row++, 0);
    widgets.choice->button(static_cast<int>(following ? Choice::Picked : Choice::All))
        ->setChecked(true);
    widgets.picks = new QListWidget(dialog);
    widgets.picks->setSelectionMode(QAbstractItemView::MultiSelection);
    for (const auto& name : names)
        widgets.picks->addItem(QString::fromStdString(name));
    if (picked)
        QObject::connect(widgets.picks, &QListWidget::itemSelectionChanged, picked,
                         [picks = widgets.picks, picked] {
                             picked->setText(QString("%1").arg(picks->selectedItems().size(), 5));
                         });
    if (following)
        widgets.picks->selectAll();
    layout->addWidget(widgets.picks, first, 2, row - first, 2);
    return widgets;
}

std::optional<std::string> followedName(const Browser& browser, const SelectionWidgets& widgets) {
    const auto& view = browser.view();
    if (view.followList)
        return view.followedList;
    if (!view.followCommand)
        return std::nullopt;
    if (widgets.picks->count() > 0)
        return widgets.picks->item(0)->text().toStdString();
    return std::string("selected");
}

ReportRequest selectionRequest(const Browser& browser, const SelectionWidgets& widgets,
                               ReportMode mode) {
    ReportRequest r;
    r.mode = mode;
    r.choice = static_cast<Choice>(widgets.choice->checkedId());
    r.program = browser.currentProgram();
    r.scope = browser.currentScope();
    r.group = browser.currentGroup();
    for (const auto* item : widgets.picks->selectedItems())
        r.picked.push_back(item->text().toStdString());
    return r;
}

} // namespace qmk::app
