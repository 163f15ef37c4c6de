#include "qt_prompt.h"

#include <QCheckBox>
#include <QInputDialog>
#include <QMessageBox>
#include <QPushButton>
#include <QString>

namespace qmk::app {

namespace {

// Message boxes take CR LF as one line break.
QString shown(const std::string& text) {
    return QString::fromStdString(text).replace("\r\n", "\n");
}

} // namespace

void QtPrompt::message(const std::string& text, const std::string& title) {
    notify(Kind::Information, text, title);
}

void QtPrompt::notify(Kind kind, const std::string& text, const std::string& title) {
    const auto icon = kind == Kind::Error     ? QMessageBox::Critical
                      : kind == Kind::Warning ? QMessageBox::Warning
                                              : QMessageBox::Information;
    QMessageBox box(icon, shown(title), shown(text), QMessageBox::Ok, parent_);
    box.exec();
}

Prompt::Answer QtPrompt::ask(const std::string& text, const std::string& title, Buttons buttons) {
    const bool yesNo = buttons == Buttons::YesNo;
    QMessageBox box(QMessageBox::Question, shown(title), shown(text),
                    yesNo ? QMessageBox::Yes | QMessageBox::No
                          : QMessageBox::Ok | QMessageBox::Cancel,
                    parent_);
    switch (box.exec()) {
    case QMessageBox::Yes:
        return Answer::Yes;
    case QMessageBox::No:
        return Answer::No;
    case QMessageBox::Ok:
        return Answer::Ok;
    default:
        return yesNo ? Answer::No : Answer::Cancel;
    }
}

std::size_t QtPrompt::choose(const std::string& text, const std::string& title,
                             const std::vector<std::string>& buttons) {
    return chooseWithCheck(text, title, buttons, "").button;
}

Prompt::Choice QtPrompt::chooseWithCheck(const std::string& text, const std::string& title,
                                         const std::vector<std::string>& buttons,
                                         const std::string& checkCaption) {
    QMessageBox box(QMessageBox::Question, shown(title), shown(text), QMessageBox::NoButton,
                    parent_);
    std::vector<QPushButton*> added;
    for (const auto& caption : buttons)
        added.push_back(box.addButton(QString::fromStdString(caption), QMessageBox::ActionRole));
    QCheckBox* check = nullptr;
    if (!checkCaption.empty()) {
        check = new QCheckBox(QString::fromStdString(checkCaption), &box);
        box.setCheckBox(check);
    }
    if (!added.empty())
        box.setEscapeButton(added.back());
    box.exec();
    Choice choice;
    for (std::size_t i = 0; i < added.size(); ++i)
        if (box.clickedButton() == added[i])
            choice.button = i;
    if (!box.clickedButton())
        choice.button = added.empty() ? 0 : added.size() - 1;
    choice.checked = check && check->isChecked();
    return choice;
}

std::optional<std::string> QtPrompt::input(const std::string& text, const std::string& title,
                                           const std::string& defaultAnswer) {
    bool ok = false;
    const auto answer = QInputDialog::getText(parent_, shown(title), shown(text), QLineEdit::Normal,
                                              QString::fromStdString(defaultAnswer), &ok);
    if (!ok)
        return std::nullopt;
    return answer.toStdString();
}

} // namespace qmk::app
