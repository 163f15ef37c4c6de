#include "main_window.h"

#include "actions/file_actions.h"
#include "captions.h"
#include "common/version.h"
#include "mainwindow/item_display.h"
#include "placeholder_list.h"
#include "qt_text.h"
#include "selector_bar.h"
#include "tab_list_model.h"

#include <QApplication>
#include <QClipboard>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMenuBar>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSlider>
#include <QTextCursor>
#include <QTextEdit>
#include <QUrl>

namespace qmk::app {

MainWindow::MainWindow(ProgramDir home, DragonPlatform dragon, Prompt* prompt)
    : prompt_(prompt ? *prompt : dialogs_),
      presenter_(
          std::make_unique<MainPresenter>(std::move(home), dragon, prompt_, *this, *this, &loop_)) {
    dialogs_.setParent(this);
    setAcceptDrops(true);
    buildCentre();
    buildMenus();
    presenter_->setSlider([this](int position) { slider_->setValue(position); });
    const std::array<std::pair<QMenu*, SelectorKind>, 3> selectors{
        {{programMenu_, SelectorKind::Program},
         {scopeMenu_, SelectorKind::Scope},
         {groupMenu_, SelectorKind::Group}}};
    for (const auto& [selectorMenu, kind] : selectors)
        connect(selectorMenu, &QMenu::aboutToShow, this, [this, kind = kind] {
            presenter_->spoken().openSelector(kind);
            render();
        });
    presenter_->setClipboard([](const std::string& body) {
        QGuiApplication::clipboard()->setText(QString::fromStdString(body));
    });
    // The window renders when the browsing model says it changed, and wakes for Dragon's
    // events when the engine says one is due: nothing here polls.
    browser().onChange([this] { scheduleRender(); });
    presenter_->onEngineEventScheduled([this](std::chrono::milliseconds delay) {
        QTimer::singleShot(delay + std::chrono::milliseconds(1), this,
                           [this] { deliverEngineEvents(); });
    });
    connect(&userTimer_, &QTimer::timeout, this, [this] {
        auto& cycle = presenter_->saveCycle();
        cycle.tick();
        if (!cycle.userTimerRunning())
            userTimer_.stop();
    });
}

MainWindow::~MainWindow() = default;

bool MainWindow::start(const std::string& commandLine) {
    presenter_->setPlacement([this](const SettingValues& values) {
        // The fonts first: the first size is measured in lines of the body's font.
        applyFonts(q(values.font), values.fontSize, q(values.fixedFont), values.fixedFontSize);
        int slider = values.slider;
        if (values.placementStored)
            placeWindow({values.formLeft, values.formTop, values.formRight, values.formBottom});
        else
            slider = placeFirstTime(slider);
        slider_->setValue(slider);
        applySlider(slider);
    });
    if (!presenter_->start(commandLine))
        return false;
    if (engineEventWaiting_)
        deliverEngineEvents();
    if (presenter_->settingValues().maximized == 1)
        setWindowState(Qt::WindowMaximized);
    render();
    // The import offer comes once the window shows.
    QTimer::singleShot(0, this, [this] {
        if (!presenter_->offerImport())
            closeProgram();
        render();
    });
    return true;
}

void MainWindow::applyFonts(const QString& face, int size, const QString& fixedFace,
                            int fixedSize) {
    // Where a Windows face is missing, Qt picks the nearest of its kind.
    QFont listFont(face, size);
    QFont fixedFont(fixedFace, fixedSize);
    fixedFont.setStyleHint(QFont::Monospace);
    for (std::size_t i = 0; i < lists_.size(); ++i)
        lists_[i]->setFont(i < RecentlyCreatedTab ? listFont : fixedFont);
    body_->setFont(fixedFont);
}

void MainWindow::placeWindow(const Placement& saved) {
    // On the screen the saved rectangle's centre lies on, else the primary one.
    const QPoint centre((saved.left + saved.right) / 2, (saved.top + saved.bottom) / 2);
    auto* screen = QGuiApplication::screenAt(centre);
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    auto placed = saved;
    if (screen) {
        const auto area = screen->availableGeometry();
        placed = placeOnScreen(
            saved, {area.x(), area.y(), area.x() + area.width(), area.y() + area.height()});
    }
    setGeometry(placed.left, placed.top, placed.width(), placed.height());
}

void MainWindow::deliverEngineEvents() {
    // Dragon's events are taken up only once there is a window to show them: a start-up
    // message box runs its own event loop while nothing is built yet.
    engineEventWaiting_ = !presenter_->started();
    if (engineEventWaiting_)
        return;
    presenter_->pump();
    render();
}

void MainWindow::scheduleRender() {
    if (renderScheduled_)
        return;
    renderScheduled_ = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            renderScheduled_ = false;
            render();
        },
        Qt::QueuedConnection);
}

void MainWindow::userTimerStarted() {
    if (!userTimer_.isActive())
        userTimer_.start(1000);
}

void MainWindow::render() {
    if (!presenter_->started())
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
        auto* list = lists_[static_cast<std::size_t>(i)];
        // "Nothing to show" is said over an empty list, not offered as a row to choose.
        list->setPlaceholder(tab.empty() ? kNothingToShow : "");
        listModel->show(tab);
        if (tab.selected >= 0 && tab.selected < listModel->rowCount())
            list->setCurrentIndex(listModel->index(tab.selected));
    }
    selectorBar_->showSelectors(model.programs(), model.scopes(), model.groups());
    renderViewState();
    tabs_->setCurrentIndex(model.showingTab());
    renderItem();
    setWindowTitle(q(presenter_->caption()));
    renderEditing();
    rendering_ = false;
}

void MainWindow::renderViewState() {
    const auto& view = browser().view();
    QStringList shown;
    for (std::size_t i = 0; i < view.on.size(); ++i)
        if (view.on[i])
            shown << QString(kViewCaptions[i]).remove('&');
    QString text;
    if (view.followCommand)
        text = "View: " + q(view.followedCommand) + " with its LISTs";
    else if (view.followList)
        text = "View: LIST " + q(view.followedList) + " with its commands";
    else if (shown.size() < static_cast<qsizetype>(view.on.size()))
        text = "View: " + (shown.isEmpty() ? QString("nothing") : shown.join(", "));
    viewLabel_->setText(text);
    viewLabel_->setVisible(!text.isEmpty());
    showAllTypes_->setVisible(!text.isEmpty());
}

void MainWindow::renderEditing() {
    const bool editing = presenter_->editor().editing();
    const auto& item = browser().item();
    save_->setEnabled(editing);
    abandon_->setEnabled(editing);
    modify_->setEnabled(!editing && item.modifyEnabled);
    tabs_->setEnabled(!editing);
    selectorBar_->setEnabled(!editing);
    for (auto* action : menuBar()->actions())
        action->setEnabled(!editing);
    // The command menu offers what the shown item allows.
    commandMenu_->menuAction()->setEnabled(!editing && item.commandMenuEnabled);
    commandEntries_.modify->setEnabled(item.modifyEnabled);
    commandEntries_.edit->setEnabled(item.editEnabled);
    commandEntries_.clone->setEnabled(item.cloneEnabled);
    commandEntries_.toPlain->setEnabled(item.convertToPlainEnabled);
    commandEntries_.toAdvanced->setEnabled(item.convertToAdvancedEnabled);
    commandEntries_.save->setEnabled(editing);
    commandEntries_.abandon->setEnabled(editing);
    // The menus are shut while editing; Exit and Help keep their keys all the same.
    for (auto* always : alwaysKeys_)
        always->setEnabled(editing);
}

void MainWindow::edit(const std::function<void(Editor&)>& operation, bool focusBody) {
    if (rendering_)
        return;
    operation(presenter_->editor());
    render();
    renderEditing();
    const auto caret = presenter_->editor().takeCaret();
    if (!presenter_->editor().editing() || !focusBody)
        return;
    body_->setFocus();
    if (caret) {
        // The caret counts CR LF as two characters; the body shows one line break.
        const auto body = presenter_->editor().texts().body;
        const auto before = body.substr(0, std::min(*caret, body.size()));
        const auto breaks = std::count(before.begin(), before.end(), '\r');
        auto cursor = body_->textCursor();
        cursor.setPosition(static_cast<int>(*caret) - static_cast<int>(breaks));
        body_->setTextCursor(cursor);
    }
}

std::string MainWindow::bodyText() const {
    // The raw text keeps what plain text would change: a no-break space stays one.
    auto text = body_->document()->toRawText();
    text.replace(QChar::ParagraphSeparator, '\n').replace(QChar::LineSeparator, '\n');
    return bodyFromDisplay(text.toStdString());
}

void MainWindow::bodyTyped() {
    if (rendering_)
        return;
    const auto typed = bodyText();
    edit([&](Editor& editor) { editor.bodyEdited(typed); }, false);
}

void MainWindow::renderItem() {
    const auto& item = browser().item();
    // The fields show what the user typed while an edit is open, else the item's own texts;
    // a field already showing its text is left alone, caret and all.
    const auto texts = presenter_->editor().texts();
    program_->setText(q(item.program));
    scope_->setText(q(item.scope));
    if (group_->text() != q(texts.group))
        group_->setText(q(texts.group));
    type_->setText(q(item.type));
    QPalette palette = type_->palette();
    palette.setColor(QPalette::Base, item.typeIsList
                                         ? QColor(Qt::red)
                                         : QApplication::palette().color(QPalette::Base));
    type_->setPalette(palette);
    if (description_->text() != q(texts.description))
        description_->setText(q(texts.description));
    states_->setText(q(item.activeStates));
    const auto shownBody = bodyForDisplay(texts.body);
    if (bodyText() != bodyFromDisplay(shownBody))
        body_->setPlainText(q(shownBody));
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

void MainWindow::refreshed() {
    presenter_->refreshed();
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
void MainWindow::showNow() {
    // Painted here and now: no event is handled meanwhile, so nothing runs inside the work.
    progress_->repaint();
    count_->repaint();
}

void MainWindow::openCommandFile(const QString& path) {
    if (!presenter_->openFile(path.toStdString()))
        closeProgram();
    render();
}

void MainWindow::dragEnterEvent(QDragEnterEvent* event) {
    const auto urls = event->mimeData()->urls();
    if (!urls.isEmpty() && urls.front().isLocalFile())
        event->acceptProposedAction();
}

void MainWindow::dropEvent(QDropEvent* event) {
    const auto urls = event->mimeData()->urls();
    if (urls.isEmpty() || !urls.front().isLocalFile())
        return;
    event->acceptProposedAction();
    // Opened once the drop has ended: the open may ask questions.
    const auto path = urls.front().toLocalFile();
    QTimer::singleShot(0, this, [this, path] { openCommandFile(path); });
}

void MainWindow::closeEvent(QCloseEvent* event) {
    // An edit in progress is saved, discarded or kept, as the user says; a forced end (after a
    // message that says why) asks nothing.
    if (!closing_ && presenter_->started() && !presenter_->editor().mayClose()) {
        render();
        event->ignore();
        return;
    }
    // The normal rectangle is kept, also when the window is maximised.
    const auto frame = isMaximized() || isMinimized() ? normalGeometry() : geometry();
    presenter_->close(frame.x(), frame.y(), frame.x() + frame.width(), frame.y() + frame.height(),
                      isMaximized());
    event->accept();
}

} // namespace qmk::app
