#include "main_window.h"

#include "actions/file_actions.h"
#include "common/version.h"
#include "compare_dialog.h"
#include "find_dialog.h"
#include "language_dialog.h"
#include "qt_text.h"
#include "reports_dialog.h"
#include "rtf_reader.h"
#include "session/notices.h"
#include "tools_dialog.h"

#include <QAction>
#include <QActionGroup>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QCloseEvent>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenuBar>
#include <QPainter>
#include <QPlainTextEdit>
#include <QPrintDialog>
#include <QPrinter>
#include <QPushButton>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QStringListModel>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTextEdit>
#include <QUrl>
#include <QVBoxLayout>
#include <cstdlib>

namespace qmk::app {

namespace {

QStringList toList(const std::vector<std::string>& lines) {
    QStringList list;
    list.reserve(static_cast<qsizetype>(lines.size()));
    for (const auto& line : lines)
        list.push_back(q(line));
    return list;
}

constexpr std::array<const char*, 8> kViewCaptions{
    "&KEYs",       "&SCRIPTs",        "&LISTs",        "&Text and Graphics",
    "&Plain Text", "Macro &Recorder", "Step-&by-step", "Ad&vanced Scripting"};
constexpr std::array<const char*, 4> kTabCaptions{"&Commands", "&LISTs", "Rece&ntly Created",
                                                  "Recently Mod&ified"};

} // namespace

MainWindow::MainWindow(ProgramDir home, Prompt* prompt)
    : prompt_(prompt ? *prompt : dialogs_),
      session_(std::make_unique<MainSession>(std::move(home), prompt_, *this, *this)) {
    dialogs_.setParent(this);
    buildCentre();
    buildMenus();
    session_->setSlider([this](int position) { slider_->setValue(position); });
    const std::array<std::pair<QMenu*, SelectorKind>, 3> selectors{
        {{programMenu_, SelectorKind::Program},
         {scopeMenu_, SelectorKind::Scope},
         {groupMenu_, SelectorKind::Group}}};
    for (const auto& [selectorMenu, kind] : selectors)
        connect(selectorMenu, &QMenu::aboutToShow, this, [this, kind = kind] {
            session_->spoken().openSelector(kind);
            render();
        });
    session_->setClipboard([](const std::string& body) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(body));
    });
    connect(&pump_, &QTimer::timeout, this, [this] {
        session_->pump();
        if (session_->started() && session_->saveCycle().userTimerRunning() &&
            !userTimer_.isActive())
            userTimer_.start(1000);
        render();
    });
    connect(&userTimer_, &QTimer::timeout, this, [this] {
        auto& cycle = session_->saveCycle();
        cycle.tick();
        if (!cycle.userTimerRunning())
            userTimer_.stop();
    });
}

MainWindow::~MainWindow() = default;

bool MainWindow::start(const std::string& commandLine) {
    // Dragon's events are taken up only once there is a window to show them: a start-up
    // message box runs its own event loop while nothing is built yet.
    if (!session_->start(commandLine))
        return false;
    pump_.start(100);
    const auto& values = session_->settingValues();
    setGeometry(values.formLeft, values.formTop, values.formRight - values.formLeft,
                values.formBottom - values.formTop);
    if (values.maximized == 1)
        setWindowState(Qt::WindowMaximized);
    // The settings' faces; where a Windows face is missing, Qt picks the nearest of its kind.
    QFont listFont(q(values.font), values.fontSize);
    QFont fixedFont(q(values.fixedFont), values.fontSize);
    fixedFont.setStyleHint(QFont::Monospace);
    for (std::size_t i = 0; i < lists_.size(); ++i)
        lists_[i]->setFont(i < RecentlyCreatedTab ? listFont : fixedFont);
    body_->setFont(fixedFont);
    slider_->setValue(values.slider);
    applySlider(values.slider);
    render();
    // The import offer comes once the window shows.
    QTimer::singleShot(0, this, [this] {
        if (!session_->offerImport())
            closeProgram();
        render();
    });
    return true;
}

void MainWindow::buildCentre() {
    auto* centre = new QWidget(this);
    auto* layout = new QVBoxLayout(centre);
    splitter_ = new QSplitter(Qt::Vertical, centre);

    tabs_ = new QTabWidget(splitter_);
    for (int i = 0; i < 4; ++i) {
        auto* list = new QListView(tabs_);
        auto* model = new QStringListModel(list);
        list->setModel(model);
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        if (i >= RecentlyCreatedTab)
            list->setFont(QFontDatabase::systemFont(QFontDatabase::FixedFont));
        lists_[static_cast<std::size_t>(i)] = list;
        list->setAccessibleName(QString(kTabCaptions[static_cast<std::size_t>(i)]).remove('&'));
        if (i <= ListsTab)
            list->installEventFilter(this);
        models_[static_cast<std::size_t>(i)] = model;
        tabs_->addTab(list, kTabCaptions[static_cast<std::size_t>(i)]);
        connect(list->selectionModel(), &QItemSelectionModel::currentRowChanged, this,
                [this, i](const QModelIndex& current) {
                    if (rendering_ || !current.isValid())
                        return;
                    browser().selectLine(i, current.row());
                    render();
                });
    }
    connect(tabs_, &QTabWidget::tabBarClicked, this, [this](int tab) { onTabClicked(tab); });

    auto* item = new QWidget(splitter_);
    auto* itemLayout = new QVBoxLayout(item);
    auto* fields = new QFormLayout();
    // The two fields the user edits carry accelerators of letters no menu or button uses.
    auto field = [&](const char* label, const char* name) {
        auto* edit = new QLineEdit(item);
        edit->setReadOnly(true);
        edit->setAccessibleName(name);
        fields->addRow(label, edit);
        return edit;
    };
    program_ = field("Program", "Program");
    scope_ = field("Scope", "Scope");
    group_ = field("Gro&up", "Group");
    type_ = field("Type", "Type");
    description_ = field("&Description", "Description");
    states_ = field("Active states", "Active states");
    group_->setReadOnly(false);
    description_->setReadOnly(false);
    connect(description_, &QLineEdit::textEdited, this, [this](const QString& text) {
        edit([&](Editor& editor) { editor.descriptionEdited(text.toStdString()); });
    });
    connect(group_, &QLineEdit::textEdited, this, [this](const QString& text) {
        edit([&](Editor& editor) { editor.groupEdited(text.toStdString()); });
    });
    itemLayout->addLayout(fields);
    auto* buttons = new QHBoxLayout();
    modify_ = new QPushButton("&Modify", item);
    save_ = new QPushButton("S&ave Changes", item);
    abandon_ = new QPushButton("A&bandon", item);
    for (auto* button : {modify_, save_, abandon_})
        buttons->addWidget(button);
    buttons->addStretch();
    itemLayout->addLayout(buttons);
    connect(modify_, &QPushButton::clicked, this,
            [this] { edit([](Editor& editor) { editor.modify(); }); });
    connect(save_, &QPushButton::clicked, this, [this] {
        const EditedTexts texts{bodyText(), description_->text().toStdString(),
                                group_->text().toStdString()};
        edit([&](Editor& editor) { editor.save(texts); });
    });
    connect(abandon_, &QPushButton::clicked, this,
            [this] { edit([](Editor& editor) { editor.abandon(); }); });
    showGraphic_ = new QPushButton("Show Graphi&c", item);
    showGraphic_->hide();
    connect(showGraphic_, &QPushButton::clicked, this, &MainWindow::showGraphic);
    itemLayout->addWidget(showGraphic_, 0, Qt::AlignLeft);
    body_ = new QPlainTextEdit(item);
    body_->setAccessibleName("Body");
    formatted_ = new QTextEdit(item);
    formatted_->setReadOnly(true);
    formatted_->hide();
    itemLayout->addWidget(body_, 1);
    body_->installEventFilter(this);
    body_->viewport()->installEventFilter(this);
    body_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(body_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.addAction("P&rint Macro", this, [this] { printCurrent(); });
        menu.exec(body_->mapToGlobal(at));
    });
    itemLayout->addWidget(formatted_, 1);

    slider_ = new QSlider(Qt::Horizontal, centre);
    slider_->setRange(0, 10);
    slider_->setToolTip("Change Preview Pane Proportion (Say 'slider 3', etc.)");
    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
        applySlider(position);
        session_->sliderMoved(position);
        session_->settings().write("slider", std::to_string(position));
    });
    layout->addWidget(slider_);
    // A developer's aid: a phrase typed here is heard as if spoken to Dragon.
    if (const char* speak = std::getenv("QUILLMARK10_SPEAK_BOX"); speak && *speak == '1') {
        auto* box = new QLineEdit(centre);
        box->setPlaceholderText("Speak: type a phrase and press Enter");
        connect(box, &QLineEdit::returnPressed, this, [this, box] {
            session_->voice().hear(box->text().toStdString());
            box->clear();
            render();
        });
        layout->addWidget(box);
    }
    layout->addWidget(splitter_, 1);
    setCentralWidget(centre);

    progress_ = new QLabel(this);
    count_ = new QLabel(this);
    statusBar()->addWidget(progress_, 1);
    statusBar()->addPermanentWidget(count_);
}

void MainWindow::applySlider(int position) {
    const int total = std::max(splitter_->height(), 100);
    constexpr int kMargin = 40;
    const int top = std::min(total, total * position / 10 + kMargin);
    splitter_->setSizes({top, std::max(0, total - top)});
}

void MainWindow::buildMenus() {
    auto* file = menuBar()->addMenu("&File");
    file->addAction("&Open...", this, [this] {
        const auto start = q(openDialogStart(session_->store()).string());
        const auto chosen = QFileDialog::getOpenFileName(
            this, "Choose file to Open", start, "MyCommands files (*.dat);;All files (*.*)");
        if (chosen.isEmpty())
            return;
        if (!session_->openFile(chosen.toStdString()))
            closeProgram();
        render();
    });
    file->addAction("Re&load current user mycmds.dat", this, [this] {
        if (!session_->reload())
            closeProgram();
        render();
    });
    file->addAction("&Reset", this, [this] {
        session_->reset();
        closeProgram();
    });
    file->addAction("Proper&ties", this, [this] {
        prompt_.message(session_->properties(), session_->commandFile().string());
    });
    file->addAction("Print Current Command", this, [this] { printCurrent(); });
    file->addSeparator();
    for (const auto& [caption, mode] :
         {std::pair{"&Export to dvc...", "dvc"}, std::pair{"&Print COMMAND list...", "txt"},
          std::pair{"Export to &spreadsheet...", "csv"},
          std::pair{"Export to pse&udo dvc...", "pseudo"}})
        file->addAction(caption, this, [this, mode = std::string(mode)] { openReports(mode); });
    file->addAction("Co&mpare with archive...", this, [this] { openComparison(); });
    file->addSeparator();
    auto* restore = file->addMenu("Restore");
    auto* backup = file->addAction("Backup", this, [this] { session_->backup(); });
    connect(file, &QMenu::aboutToShow, this, [this, restore, backup] {
        const auto [restoreCaption, backupCaption] = session_->rollbackCaptions();
        restore->setTitle(q(restoreCaption));
        backup->setText(q(backupCaption));
        restore->clear();
        for (const auto& archive : session_->rollbackList())
            restore->addAction(q(archive), this, [this, archive] {
                if (!session_->restore(archive))
                    closeProgram();
                render();
            });
    });
    file->addSeparator();
    file->addSeparator();
    file->addAction("E&xit", this, &QWidget::close);

    auto* edit = menuBar()->addMenu("&Edit");
    edit->addAction("&Find", this, &MainWindow::openFind);
    edit->addAction("&Options", this, &MainWindow::showOptions);

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

    programMenu_ = menuBar()->addMenu("P&rogram");
    scopeMenu_ = menuBar()->addMenu("&Scope");
    groupMenu_ = menuBar()->addMenu("&Group");
    commandMenu_ = menuBar()->addMenu("&command");
    buildCommandMenu();
    auto* tools = menuBar()->addMenu("&Tools");
    for (const auto& [caption, mode] :
         {std::pair{"&Export", "dat"}, std::pair{"&Rename Group", "group"},
          std::pair{"Rename &Program", "program"}, std::pair{"&Delete", "delete"},
          std::pair{"Convert DVC KEYS to Plain &Text", "dvc2plain"},
          std::pair{"Convert DVC KEYS to &Advanced Scripting w/SendKeys", "dvc2vba"},
          std::pair{"Convert DVC &KEYS to Advanced Scripting w/SendDragonKeys", "dvc2sdk"},
          std::pair{"&Search and Replace", "replace"}})
        tools->addAction(caption, this, [this, mode = std::string(mode)] { openTools(mode); });
    tools->addSeparator();
    for (const auto& [caption, label] :
         {std::pair{"&Convert to 6.0", "6.0"}, std::pair{"Convert to 6.&1", "6.1"},
          std::pair{"Convert to &7.0", "7.0"}, std::pair{"Convert to &8.0", "8.0"}})
        tools->addAction(caption, this, [this, label = std::string(label)] {
            session_->convertFormat(label);
            render();
        });
    tools->addAction("Convert &Language...", this, [this] {
        LanguageDialog(*session_, this).exec();
        render();
    });
    tools->addSeparator();
    tools->addAction("Find co&nflicts...", this, [this] {
        ConflictList conflicts(*session_);
        if (!conflicts.find())
            return;
        ConflictsDialog(conflicts, this).exec();
        render();
    });
    auto* help = menuBar()->addMenu("&Help");
    help->addAction("Command &Help", this, [this] { showHelpPage("commands.html"); });
    help->addAction("&About Quillmark10", this, [this] {
        prompt_.message("Quillmark10 " + std::string(kVersion) +
                            "\r\nA viewer and editor of Dragon's custom voice commands",
                        "About Quillmark10");
    });
}

void MainWindow::renderSelector(QMenu* menu, const Selector& selector, int which) {
    menu->clear();
    auto* group = new QActionGroup(menu);
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

void MainWindow::render() {
    if (!session_->started())
        return;
    auto& model = browser();
    if (model.version() == rendered_)
        return;
    rendering_ = true;
    rendered_ = model.version();
    renderSelector(groupMenu_, model.groups(), 0);
    renderSelector(programMenu_, model.programs(), 1);
    renderSelector(scopeMenu_, model.scopes(), 2);
    for (int i = 0; i < 4; ++i) {
        const auto& tab = model.tab(i);
        auto* listModel = models_[static_cast<std::size_t>(i)];
        const auto lines = toList(tab.lines);
        if (listModel->stringList() != lines)
            listModel->setStringList(lines);
        if (tab.selected >= 0 && tab.selected < lines.size())
            lists_[static_cast<std::size_t>(i)]->setCurrentIndex(listModel->index(tab.selected));
    }
    tabs_->setCurrentIndex(model.showingTab());
    renderItem();
    setWindowTitle(q(session_->caption()));
    renderEditing();
    rendering_ = false;
}

void MainWindow::renderEditing() {
    const bool editing = session_->editor().editing();
    const auto& item = browser().item();
    save_->setEnabled(editing);
    abandon_->setEnabled(editing);
    modify_->setEnabled(!editing && item.modifyEnabled);
    tabs_->setEnabled(!editing);
    for (auto* action : menuBar()->actions())
        action->setEnabled(!editing);
    // The command menu offers what the shown item allows.
    commandMenu_->menuAction()->setEnabled(!editing && item.commandMenuEnabled);
    commandEntries_.modify->setEnabled(item.modifyEnabled);
    commandEntries_.edit->setEnabled(item.editEnabled);
    commandEntries_.clone->setEnabled(item.cloneEnabled);
    commandEntries_.toPlain->setEnabled(item.convertToPlainEnabled);
    commandEntries_.toAdvanced->setEnabled(item.convertToAdvancedEnabled);
    if (editing)
        body_->setReadOnly(false);
}

void MainWindow::edit(const std::function<void(Editor&)>& operation) {
    if (rendering_)
        return;
    operation(session_->editor());
    render();
    renderEditing();
    if (session_->editor().editing()) {
        body_->setFocus();
        if (const auto caret = session_->editor().caret()) {
            // The caret counts CR LF as two characters; the body shows one line break.
            const auto& body = browser().item().body;
            const auto before = body.substr(0, std::min(*caret, body.size()));
            const auto breaks = std::count(before.begin(), before.end(), '\r');
            auto cursor = body_->textCursor();
            cursor.setPosition(static_cast<int>(*caret) - static_cast<int>(breaks));
            body_->setTextCursor(cursor);
        }
    }
}

std::string MainWindow::bodyText() const {
    return body_->toPlainText().replace("\n", "\r\n").toStdString();
}

void MainWindow::buildCommandMenu() {
    auto* menu = commandMenu_;
    const auto add = [&](const char* caption, std::function<void(Editor&)> operation) {
        return menu->addAction(caption, this, [this, operation] { edit(operation); });
    };
    commandEntries_.modify = add("&Modify", [](Editor& e) { e.modify(); });
    commandEntries_.edit = add("&Edit", [](Editor& e) { e.modify(); });
    menu->addSeparator();
    add("&New legacy KEYS", [](Editor& e) { e.newCommand("K"); });
    add("New legacy &SCRIPT", [](Editor& e) { e.newCommand("S"); });
    add("New &Advanced Scripting", [](Editor& e) { e.newCommand("A"); });
    add("New &Plain Text", [](Editor& e) { e.newCommand("P"); });
    add("New &LIST", [](Editor& e) { e.newList(); });
    commandEntries_.clone = add("&Clone", [](Editor& e) { e.clone(); });
    add("&Rename", [](Editor& e) { e.rename(); });
    add("&Delete", [](Editor& e) { e.remove(); });
    menu->addSeparator();
    commandEntries_.toPlain = add("Convert to Plain &Text", [](Editor& e) { e.convertToPlain(); });
    commandEntries_.toAdvanced =
        add("Convert to Ad&vanced Scripting", [](Editor& e) { e.convertToAdvanced(); });
    add("Debug with &Basic", [this](Editor& e) { e.debugWithBasic(bodyText()); });
}

void MainWindow::renderItem() {
    const auto& item = browser().item();
    program_->setText(q(item.program));
    scope_->setText(q(item.scope));
    group_->setText(q(item.group));
    type_->setText(q(item.type));
    QPalette palette = type_->palette();
    palette.setColor(QPalette::Base, item.typeIsList
                                         ? QColor(Qt::red)
                                         : QApplication::palette().color(QPalette::Base));
    type_->setPalette(palette);
    description_->setText(q(item.description));
    states_->setText(q(item.activeStates));
    body_->setPlainText(QString::fromStdString(item.body).replace("\r\n", "\n"));
    body_->setReadOnly(item.bodyLocked);
    if (item.highlight) {
        auto cursor = body_->textCursor();
        // The body shows CR LF as one line break: positions after it move back one each.
        const auto before =
            QString::fromStdString(item.body).left(static_cast<qsizetype>(item.highlight->first));
        const auto start =
            static_cast<int>(item.highlight->first) - static_cast<int>(before.count("\r\n"));
        cursor.setPosition(start);
        cursor.setPosition(start + static_cast<int>(item.highlight->second),
                           QTextCursor::KeepAnchor);
        body_->setTextCursor(cursor);
    }
    body_->show();
    formatted_->hide();
    showGraphic_->setVisible(item.showGraphicVisible);
}

void MainWindow::openReports(const std::string& mode) {
    {
        ReportsDialog dialog(*session_, prompt_, mode, this);
        dialog.exec();
    }
    browser().reset(-1);
    render();
}

void MainWindow::openTools(const std::string& mode) {
    if (const auto refusal = actions::dvcConversionRefusal(
            session_->languageName(),
            mode == "dvc2vba" ? WalkOperation::Dvc2Vba : WalkOperation::Dvc2Plain)) {
        showOutcome(prompt_, *refusal);
        return;
    }
    session_->saveCycle().externalChange(true);
    if (mode == "dvc2plain" || mode == "dvc2vba")
        keyConversionNotice(session_->settings(), prompt_, [this](int topic) { showHelp(topic); });
    ToolsOutcome outcome;
    {
        ToolsDialog dialog(*session_, prompt_, mode, this);
        dialog.exec();
        outcome = dialog.outcome();
    }
    auto& model = browser();
    if (!outcome.newGroup.empty() || outcome.allGroups) {
        model.buildGroupList();
        const auto& groups = model.groups().entries;
        const auto wanted = outcome.allGroups ? std::string(kAllGroups) : outcome.newGroup;
        for (int i = 0; i < static_cast<int>(groups.size()); ++i)
            if (groups[static_cast<std::size_t>(i)] == wanted)
                model.selectGroup(i);
    }
    // A written file goes through the save cycle, so that Dragon takes it up.
    if (outcome.fileChanged) {
        setProgress("");
        session_->saveCycle().save(false);
    }
    if (!outcome.openExported.empty() && !session_->openFile(outcome.openExported))
        closeProgram();
    model.reset(-1);
    render();
}

void MainWindow::openComparison() {
    ArchiveComparison comparison(*session_);
    bool changed = false;
    {
        CompareDialog dialog(comparison, prompt_, this);
        dialog.exec();
        changed = dialog.fileChanged();
    }
    if (changed)
        browser().reset(-1);
    render();
}

void MainWindow::openFind() {
    if (!find_)
        find_ = new FindDialog(session_->finder(), this);
    find_->exec();
    afterFind();
}

void MainWindow::afterFind() {
    if (!session_->finder().matched())
        return;
    session_->finder().showMatch();
    render();
    if (browser().item().highlight)
        body_->setFocus();
    else
        lists_[static_cast<std::size_t>(browser().showingTab())]->setFocus();
}

void MainWindow::repeatFind(bool forward) {
    auto& finder = session_->finder();
    if (forward)
        finder.findAgain();
    else
        finder.findPrevious();
    afterFind();
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (body_ && watched == body_->viewport() && event->type() == QEvent::MouseButtonRelease &&
        !session_->editor().editing() && !session_->editor().multiStep() &&
        !browser().item().bodyLocked)
        edit([](Editor& editor) { editor.modify(); });
    if (event->type() == QEvent::KeyRelease) {
        const auto key = static_cast<QKeyEvent*>(event)->key();
        if ((key == Qt::Key_F11 || key == Qt::Key_F12) &&
            !static_cast<QKeyEvent*>(event)->isAutoRepeat()) {
            repeatFind(key == Qt::Key_F11);
            return true;
        }
    }
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::showGraphic() {
    const auto& item = browser().item();
    if (!item.row)
        return;
    setProgress("Processing Formatted Command");
    repaint();
    if (const auto rtf = formattedBody(session_->commandFile(), item.row->offsetbody)) {
        readRtf(*rtf, *formatted_->document());
        body_->hide();
        formatted_->show();
        showGraphic_->hide();
    }
    setProgress("");
    lists_[CommandsTab]->setFocus();
}

void MainWindow::printCurrent(const QString& pdf) {
    QPrinter printer;
    if (pdf.isEmpty()) {
        QPrintDialog dialog(&printer, this);
        if (dialog.exec() != QDialog::Accepted)
            return;
    } else {
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(pdf);
    }
    const auto& item = browser().item();
    QTextDocument page;
    page.setPlainText("Program: " + q(browser().currentProgram()) +
                      "\nScope: " + q(browser().currentScope()) + "\nCommandName: " +
                      q(browser().currentItemName()) + "\n\n" + q(item.body).replace("\r\n", "\n"));
    page.print(&printer);
}

void MainWindow::onTabClicked(int tab) {
    browser().selectTab(tab);
    render();
    // A click the model ignored (an edit is unsaved) leaves the tab that was showing.
    tabs_->setCurrentIndex(browser().showingTab());
}

void MainWindow::refreshed() {
    session_->refreshed();
    render();
}

int MainWindow::currentTab() {
    return browser().showingTab();
}

void MainWindow::showTab(int tab) {
    browser().selectTab(tab);
    render();
}

void MainWindow::setBusy(bool busy) {
    if (busy)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void MainWindow::showHelp(int topic) {
    if (!help_) {
        help_ = new QDialog(this);
        help_->setWindowTitle("Quillmark10 Help");
        auto* layout = new QVBoxLayout(help_);
        auto* browser = new QTextBrowser(help_);
        browser->setObjectName("helpbrowser");
        browser->setOpenLinks(true);
        layout->addWidget(browser);
        help_->resize(640, 480);
    }
    auto* browser = help_->findChild<QTextBrowser*>("helpbrowser");
    const auto page = helpPage(session_->home(), topic);
    browser->setSource(QUrl::fromLocalFile(QString::fromStdString(page.string())));
    help_->show();
    help_->raise();
}

void MainWindow::showHelpPage(const std::string& page) {
    showHelp(0);
    help_->findChild<QTextBrowser*>("helpbrowser")
        ->setSource(QUrl::fromLocalFile(
            QString::fromStdString(session_->home().file("help/" + page).string())));
}

void MainWindow::showOptions() {
    QDialog dialog(this);
    dialog.setWindowTitle("Options");
    auto* layout = new QVBoxLayout(&dialog);
    auto* numbering = new QCheckBox("Number the  Program, Scope, and Group menus", &dialog);
    numbering->setChecked(session_->spoken().numbering());
    connect(numbering, &QCheckBox::toggled, this, [this](bool on) {
        setNumberMenus(session_->settings(), on);
        session_->spoken().setNumbering(on);
    });
    layout->addWidget(numbering);
    layout->addWidget(new QLabel("Note: If you want to change the font or fontsize\nused by "
                                 "Quillmark, click Help below",
                                 &dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Help, &dialog);
    connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::helpRequested, this, [this] { showHelp(kOptionsHelp); });
    layout->addWidget(buttons);
    dialog.exec();
}

void MainWindow::closeProgram() {
    closing_ = true;
    close();
}

void MainWindow::setProgress(const std::string& text) {
    progress_->setText(q(text));
}
void MainWindow::setCount(const std::string& text) {
    count_->setText(q(text));
}
void MainWindow::repaint() {
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    const auto frame = geometry();
    session_->close(frame.left(), frame.top(), frame.right(), frame.bottom(), isMaximized());
    event->accept();
}

} // namespace qmk::app
