#include "actions/file_actions.h"
#include "captions.h"
#include "common/utf8_path.h"
#include "compare_dialog.h"
#include "language_dialog.h"
#include "main_window.h"
#include "qt_text.h"

#include <QAction>
#include <QActionGroup>
#include <QClipboard>
#include <QFileDialog>
#include <QGuiApplication>
#include <QKeySequence>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>

namespace qmk::app {

void MainWindow::buildMenus() {
    buildFileMenu();
    buildEditMenu();
    buildViewMenu();
    programMenu_ = menuBar()->addMenu("P&rogram");
    scopeMenu_ = menuBar()->addMenu("&Scope");
    groupMenu_ = menuBar()->addMenu("&Group");
    selectorChoices_ = {new QActionGroup(groupMenu_), new QActionGroup(programMenu_),
                        new QActionGroup(scopeMenu_)};
    commandMenu_ = menuBar()->addMenu("&command");
    buildCommandMenu();
    buildToolsMenu();
    auto* help = menuBar()->addMenu("&Help");
    help->addAction("&Contents", this, [this] { showHelp(0); })
        ->setShortcut(QKeySequence::HelpContents);
    help->addAction("Command &Help", this, [this] { showHelpPage("commands.html"); });
    help->addAction("&About Quillmark10", this,
                    [this] { prompt_.message(presenter_->aboutText(), "About Quillmark10"); });
}

void MainWindow::buildFileMenu() {
    auto* file = menuBar()->addMenu("&File");
    auto* open = file->addAction("&Open...", this, [this] {
        const auto start = q(utf8Of(presenter_->openDialogStart()));
        const auto chosen = QFileDialog::getOpenFileName(
            this, "Choose file to Open", start, "MyCommands files (*.dat);;All files (*.*)");
        if (!chosen.isEmpty())
            openCommandFile(chosen);
    });
    open->setShortcut(QKeySequence::Open);
    file->addAction("Re&load current user mycmds.dat", this, [this] {
        if (!presenter_->reload())
            closeProgram();
        render();
    });
    file->addAction("&Reset", this, [this] {
        if (presenter_->reset())
            closeProgram();
    });
    file->addAction("Proper&ties", this, [this] {
        prompt_.message(presenter_->properties(), presenter_->commandFile().string());
    });
    file->addAction("Print Current Command", this, [this] { printCurrent(); });
    file->addSeparator();
    for (const auto& [caption, mode] :
         {std::pair{"&Export to dvc...", ReportMode::Dvc},
          std::pair{"&Print COMMAND list...", ReportMode::CommandList},
          std::pair{"Export to &spreadsheet...", ReportMode::Spreadsheet},
          std::pair{"Export to pse&udo dvc...", ReportMode::PseudoDvc}})
        file->addAction(caption, this, [this, mode = mode] { openReports(mode); });
    // Every letter of the two entries is some other File entry's mnemonic: they share a submenu.
    auto* xml = file->addMenu("XML comma&nds");
    xml->addAction("Export to &XML...", this, [this] { openReports(ReportMode::Xml); });
    xml->addAction("&Import XML...", this, [this] {
        const auto start = q(utf8Of(presenter_->xmlImportDialogStart()));
        const auto chosen =
            QFileDialog::getOpenFileName(this, "Choose the XML commands to import", start,
                                         "XML command files (*.xml);;All files (*.*)");
        if (!chosen.isEmpty())
            importXmlFile(chosen);
    });
    file->addAction("Compare with &archive...", this, [this] { openComparison(); });
    file->addSeparator();
    addRollbackAndRecentFiles(file);
    file->addSeparator();
    auto* exit = file->addAction("E&xit", this, &QWidget::close);
    exit->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_Q)); // Windows has no standard quit key
    // While editing the menus are shut, and their keys with them: these two carry Exit's and
    // Help's keys then (Exit asks whether to save the edit).
    alwaysKeys_ = {new QAction(this), new QAction(this)};
    alwaysKeys_[0]->setShortcut(exit->shortcut());
    connect(alwaysKeys_[0], &QAction::triggered, this, &QWidget::close);
    alwaysKeys_[1]->setShortcut(QKeySequence::HelpContents);
    connect(alwaysKeys_[1], &QAction::triggered, this, [this] { showHelp(0); });
    for (auto* always : alwaysKeys_) {
        always->setEnabled(false);
        addAction(always);
    }
}

// Restore and Backup with this month's archives, and the Recent Files, filled as the menu opens.
void MainWindow::addRollbackAndRecentFiles(QMenu* file) {
    auto* restore = file->addMenu("Restore");
    auto* backup = file->addAction("Backup", this, [this] { presenter_->backup(); });
    connect(file, &QMenu::aboutToShow, this, [this, restore, backup] {
        const auto [restoreCaption, backupCaption] = presenter_->rollbackCaptions();
        restore->setTitle(q(restoreCaption));
        backup->setText(q(backupCaption));
        restore->clear();
        for (const auto& archive : presenter_->rollbackList())
            restore->addAction(q(archive), this, [this, archive] {
                if (!presenter_->restore(archive))
                    closeProgram();
                render();
            });
    });
    file->addSeparator();
    auto* recent = file->addMenu("Recent &Files");
    connect(file, &QMenu::aboutToShow, this, [this, recent] {
        recent->clear();
        int number = 0;
        for (const auto& path : presenter_->recentFiles())
            recent->addAction(QString("&%1 %2").arg(++number).arg(q(path)), this,
                              [this, path] { openCommandFile(q(path)); });
        recent->setEnabled(number > 0);
    });
}

void MainWindow::buildEditMenu() {
    auto* edit = menuBar()->addMenu("&Edit");
    edit->addAction("&Find", this, &MainWindow::openFind)->setShortcut(QKeySequence::Find);
    edit->addAction("&Options", this, &MainWindow::showOptions);
    // F11 and F12 are the program's own keys for these; F3 and Shift+F3 are every desktop's.
    edit->addAction("Find &Next", this, [this] { repeatFind(true); })
        ->setShortcuts({QKeySequence(Qt::Key_F3), QKeySequence(Qt::Key_F11)});
    edit->addAction("Find &Previous", this, [this] { repeatFind(false); })
        ->setShortcuts({QKeySequence(Qt::SHIFT | Qt::Key_F3), QKeySequence(Qt::Key_F12)});
    // A text field with the focus copies its own selection first.
    edit->addAction("&Copy Body", this,
                    [this] { QGuiApplication::clipboard()->setText(q(browser().item().body)); })
        ->setShortcut(QKeySequence::Copy);
}

void MainWindow::buildViewMenu() {
    auto* view = menuBar()->addMenu("&View");
    std::array<QAction*, 8> switches{};
    for (std::size_t i = 0; i < switches.size(); ++i) {
        auto* action = view->addAction(kViewCaptions[i]);
        action->setCheckable(true);
        switches[i] = action;
        // Only KEYs, SCRIPTs and LISTs toggle on their own; the others follow the two commands
        // below.
        if (i < 3)
            connect(action, &QAction::triggered, this, [this, i] {
                browser().toggle(static_cast<TypeSwitch>(i));
                render();
            });
        else
            action->setEnabled(false);
    }
    auto* all = view->addAction("&All of the above", this, [this] {
        browser().viewAll();
        render();
    });
    all->setCheckable(true);
    auto* only = view->addMenu("O&nly one of the above");
    for (std::size_t i = 0; i < switches.size(); ++i)
        only->addAction(kViewCaptions[i], this, [this, i] {
            browser().viewOnly(static_cast<TypeSwitch>(i));
            render();
        });
    view->addSeparator();
    auto* followCommand = view->addAction("&1 command with its LISTs", this, [this] {
        browser().followCommand(prompt_);
        render();
    });
    auto* followList = view->addAction("1 LIST with &calling COMMANDS", this, [this] {
        browser().followList(prompt_);
        render();
    });
    followCommand->setCheckable(true);
    followList->setCheckable(true);
    connect(view, &QMenu::aboutToShow, this, [this, followCommand, followList] {
        followCommand->setChecked(browser().view().followCommand);
        followList->setChecked(browser().view().followList);
    });
    connect(view, &QMenu::aboutToShow, this, [this, switches, all] {
        const auto& state = browser().view();
        for (std::size_t i = 0; i < switches.size(); ++i)
            switches[i]->setChecked(state.on[i]);
        all->setChecked(state.all);
    });
}

void MainWindow::buildToolsMenu() {
    auto* tools = menuBar()->addMenu("&Tools");
    for (const auto& [caption, mode] :
         {std::pair{"&Export", ToolMode::Export}, std::pair{"&Rename Group", ToolMode::RenameGroup},
          std::pair{"Rename &Program", ToolMode::RenameProgram},
          std::pair{"&Delete", ToolMode::Delete},
          std::pair{"Convert DVC KEYS to Plain &Text", ToolMode::DvcToPlainText},
          std::pair{"Convert DVC KEYS to &Advanced Scripting w/SendKeys", ToolMode::DvcToSendKeys},
          std::pair{"Convert DVC &KEYS to Advanced Scripting w/SendDragonKeys",
                    ToolMode::DvcToSendDragonKeys},
          std::pair{"&Search and Replace", ToolMode::SearchAndReplace}})
        tools->addAction(caption, this, [this, mode = mode] { openTools(mode); });
    tools->addSeparator();
    for (const auto& [caption, label] :
         {std::pair{"&Convert to 6.0", "6.0"}, std::pair{"Convert to 6.&1", "6.1"},
          std::pair{"Convert to &7.0", "7.0"}, std::pair{"Convert to &8.0", "8.0"}})
        tools->addAction(caption, this, [this, label = std::string(label)] {
            presenter_->convertFormat(label);
            render();
        });
    tools->addAction("Convert &Language...", this, [this] {
        LanguageDialog(*presenter_, this).exec();
        render();
    });
    tools->addSeparator();
    tools->addAction("Find co&nflicts...", this, [this] {
        if (!presenter_->mayLeave())
            return render();
        ConflictList conflicts(*presenter_);
        if (!conflicts.find())
            return;
        ConflictsDialog(conflicts, this).exec();
        render();
    });
}

void MainWindow::renderSelector(QMenu* menu, const Selector& selector, int which) {
    // Clearing the menu deletes its entries, which leave the group with them.
    menu->clear();
    auto* group = selectorChoices_[static_cast<std::size_t>(which)];
    for (int i = 0; i < static_cast<int>(selector.entries.size()); ++i) {
        const auto& entry = selector.entries[static_cast<std::size_t>(i)];
        if (entry == "-") {
            menu->addSeparator();
            continue;
        }
        auto* action = menu->addAction(q(entry));
        action->setCheckable(true);
        action->setChecked(i == selector.selected);
        group->addAction(action);
        connect(action, &QAction::triggered, this, [this, which, i] {
            if (which == 0)
                browser().selectGroup(i);
            else if (which == 1)
                browser().selectProgram(i);
            else
                browser().selectScope(i);
            render();
        });
    }
}

void MainWindow::buildCommandMenu() {
    auto* menu = commandMenu_;
    const auto add = [&](const char* caption, std::function<void(Editor&)> operation) {
        return menu->addAction(caption, this, [this, operation] { edit(operation); });
    };
    commandEntries_.modify = add("&Modify", [](Editor& e) { e.modify(); });
    commandEntries_.edit = add("&Edit", [](Editor& e) { e.modify(); });
    menu->addSeparator();
    add("&New legacy KEYS", [](Editor& e) { e.newCommand(ItemType::Keys); });
    add("New legacy &SCRIPT", [](Editor& e) { e.newCommand(ItemType::Script); });
    add("New &Advanced Scripting", [](Editor& e) { e.newCommand(ItemType::AdvancedScript); });
    add("New &Plain Text", [](Editor& e) { e.newCommand(ItemType::PlainText); });
    add("New &LIST", [](Editor& e) { e.newList(); });
    commandEntries_.clone = add("&Clone", [](Editor& e) { e.clone(); });
    // F2 and Delete act on the list that has the focus, never on text being typed.
    auto* rename = add("&Rename", [](Editor& e) { e.rename(); });
    rename->setShortcut(Qt::Key_F2);
    auto* remove = add("&Delete", [](Editor& e) { e.remove(); });
    remove->setShortcut(QKeySequence::Delete);
    for (auto* listAction : {rename, remove})
        listAction->setShortcutContext(Qt::WidgetShortcut);
    menu->addSeparator();
    commandEntries_.toPlain = add("Convert to Plain &Text", [](Editor& e) { e.convertToPlain(); });
    commandEntries_.toAdvanced =
        add("Convert to Ad&vanced Scripting", [](Editor& e) { e.convertToAdvanced(); });
    add("Debug with &Basic", [](Editor& e) { e.debugWithBasic(); });
    menu->addSeparator();
    commandEntries_.save = menu->addAction("Save Chan&ges", this, [this] { save_->click(); });
    commandEntries_.save->setShortcut(QKeySequence::Save);
    commandEntries_.abandon = menu->addAction("Aband&on", this, [this] { abandon_->click(); });
    commandEntries_.abandon->setShortcut(Qt::Key_Escape);
    // The menu is shut while editing: the window itself carries the two keys then.
    addAction(commandEntries_.save);
    addAction(commandEntries_.abandon);
    // The command and LIST lists offer the same entries on their context menus.
    for (auto* list : {lists_[CommandsTab], lists_[ListsTab]}) {
        list->setContextMenuPolicy(Qt::ActionsContextMenu);
        list->addActions(menu->actions());
    }
}

} // namespace qmk::app
