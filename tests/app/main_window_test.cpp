#include "../cli/run_qmk10.h"
#include "actions/edit_rules.h"
#include "compare_dialog.h"
#include "find_dialog.h"
#include "language_dialog.h"
#include "main_window.h"
#include "mainwindow/window_placement.h"
#include "qt_text.h"
#include "rtf_reader.h"
#include "selector_bar.h"
#include "tab_list_model.h"
#include "test_home.h"
#include "text_checks.h"
#include "tools_dialog.h"
#include "window_arguments.h"

#include <QAbstractItemView>
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QCompleter>
#include <QGuiApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QListWidget>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QPlainTextEdit>
#include <QPrinterInfo>
#include <QPushButton>
#include <QSlider>
#include <QTabWidget>
#include <QTest>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextEdit>
#include <cstdlib>
#include <functional>
#include <gtest/gtest.h>
#include <sstream>

namespace qmk {

namespace {

// The first child of `parent` of type T that shows the text given, or null.
template <class T> T* withText(const QObject& parent, const QString& text) {
    for (auto* child : parent.findChildren<T*>())
        if (child->text() == text)
            return child;
    return nullptr;
}

// The letter a text answers to from the keyboard ("&Open" answers to o), or none.
QChar mnemonic(const QString& text) {
    for (qsizetype i = 0; i + 1 < text.size(); ++i)
        if (text[i] == '&' && text[i + 1] != '&')
            return text[i + 1].toLower();
    return {};
}

// Clicks the button (push or radio) that shows the text given.
void click(const QObject& parent, const QString& text) {
    auto* button = withText<QAbstractButton>(parent, text);
    ASSERT_TRUE(button) << text.toStdString();
    button->click();
}

// A program directory with the simulated demo user, as the README's run command makes it.
class MainWindowTest : public ::testing::Test {
protected:
    MainWindowTest() {
        qmk({"init"});
        std::istringstream exports(qmk({"demo-setup"}));
        // `export NAME='value'` for a POSIX shell, `set "NAME=value"` for Windows' cmd.
        for (std::string line; std::getline(exports, line);) {
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            const bool posix = line.starts_with("export ");
            auto assignment = posix ? line.substr(7) : line.substr(5, line.size() - 6);
            const auto equals = assignment.find('=');
            auto value = assignment.substr(equals + 1);
            if (posix && value.size() > 1 && value.front() == '\'')
                value = value.substr(1, value.size() - 2);
            environment_.set(assignment.substr(0, equals).c_str(), value);
        }
        // No modal offer to import the launch commands in a headless test.
        // The lists' and the body's font sizes apart, as the Options dialog may set them.
        home_.writeFile("Quillmark10.INI", "[Quillmark]\r\ndont show auto import=-1\r\n"
                                           "fontsize=11\r\nfixedfontsize=9\r\n");
        dragon_ = std::make_unique<SimulatedDragon>();
        window_ =
            std::make_unique<app::MainWindow>(home_.home(), dragon_->platform(), &home_.prompt);
        EXPECT_TRUE(window_->start(""));
        firstPlace_ = window_->geometry();
        window_->resize(1000, 720);
        window_->show();
    }

    // A write goes on once Dragon took it up. Where Dragon's merge tool is installed (on Windows,
    // beside the tests) that is after a pause, during which the window refuses input.
    void waitForDragon() {
        QTRY_VERIFY_WITH_TIMEOUT(!window_->presenter().saveCycle().running(), 10000);
    }

    std::string qmk(std::vector<std::string> args) {
        return testing::runQmk10(home_.home().folder(), std::move(args)).out;
    }

    // The entry of a menu of the menu bar.
    QAction* entry(const QString& menuTitle, const QString& text) {
        for (auto* action : menu(menuTitle)->actions())
            if (action->text() == text)
                return action;
        return nullptr;
    }

    QMenu* menu(const QString& title) {
        for (auto* action : window_->menuBar()->actions())
            if (action->text() == title)
                return action->menu();
        return nullptr;
    }

    testing::TestHome home_;
    testing::ScopedEnvironment environment_;
    std::unique_ptr<SimulatedDragon> dragon_; // before the window, which uses it
    std::unique_ptr<app::MainWindow> window_;
    QRect firstPlace_; // where a first start put the window
};

} // namespace

// No placement stored: the window opens centred, wide enough for the whole tool bar and, where
// the screen is tall enough (a 1600x1000 screen in the suite's second run), ten lines of body.
TEST_F(MainWindowTest, AFirstStartShowsTheWholeToolBarAndTenLinesOfBodyCentred) {
    const auto area = QGuiApplication::primaryScreen()->availableGeometry();
    EXPECT_NEAR(firstPlace_.center().x(), area.center().x(), 1);
    EXPECT_NEAR(firstPlace_.center().y(), area.center().y(), 1);
    if (area.width() < 1024 || area.height() < 900)
        return; // too small for both: the window takes the screen
    window_->setGeometry(firstPlace_);
    QApplication::processEvents();
    auto* extension = window_->findChild<QWidget*>("qt_toolbar_ext_button");
    EXPECT_TRUE(!extension || !extension->isVisible()) << "tool bar boxes hidden behind \u00bb";
    auto* body = window_->findChild<QPlainTextEdit*>();
    EXPECT_GE(body->viewport()->height() / body->fontMetrics().lineSpacing(), 10);
}

TEST_F(MainWindowTest, FindWithF11AGraphicAndPrinting) {
    // A name search, repeated with F11 in the Commands list.
    ASSERT_TRUE(window_->finder().findFirst({"letterhead", FindSettings::Field::Name, true}));
    window_->repeatFind(false); // F12 from the first match: nothing before it
    EXPECT_EQ(home_.prompt.shown.back().text, "\"letterhead\" no more matches");
    auto* list = window_->findChild<QTabWidget*>()->widget(CommandsTab);
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    list->setFocus();
    QTest::keyClick(list, Qt::Key_F11);
    EXPECT_EQ(window_->browser().currentItemName(), "letterhead rich");
    EXPECT_EQ(window_->browser().item().type, "Text & Graphics");

    window_->showGraphic();
    auto* formatted = window_->findChild<QTextEdit*>();
    ASSERT_TRUE(formatted);
    EXPECT_TRUE(formatted->isVisible());
    EXPECT_EQ(formatted->toPlainText().toStdString(),
              "Example & Co.\n1 High Street\nCaf\u00e9 open daily");
    EXPECT_FALSE(window_->findChild<QPlainTextEdit*>()->isVisible());

    const auto pdf = home_.path("printed.pdf");
    window_->printCurrent(QString::fromStdString(pdf.string()));
    EXPECT_GT(std::filesystem::file_size(pdf), 500u);
    // No printer here: Print Current Command says so instead of doing nothing.
    ASSERT_TRUE(QPrinterInfo::availablePrinters().isEmpty());
    entry("&File", "Print Current Command")->trigger();
    ASSERT_FALSE(home_.prompt.shown.empty());
    EXPECT_EQ(home_.prompt.shown.back().text, app::kNoPrinter);
    EXPECT_EQ(home_.prompt.shown.back().title, "Print Current Command");
    EXPECT_EQ(home_.prompt.shown.back().kind, Prompt::Kind::Warning);
}

TEST_F(MainWindowTest, TheWindowRendersWhenToldAndWakesForDragonsEvents) {
    // A change made in the browsing model alone reaches the widgets once events run.
    QApplication::processEvents(); // the start-up's own events
    auto& browser = window_->browser();
    const auto& programs = browser.programs();
    int other = -1;
    for (int i = 0; i < static_cast<int>(programs.entries.size()); ++i)
        if (i != programs.selected && programs.entries[static_cast<std::size_t>(i)] != "-")
            other = i;
    ASSERT_GE(other, 0);
    auto* commands = qobject_cast<QListView*>(window_->findChild<QTabWidget*>()->widget(0));
    ASSERT_TRUE(commands);
    const auto shownBefore = commands->model()->rowCount();
    browser.selectProgram(other);
    QApplication::processEvents();
    ASSERT_NE(browser.currentProgram(), "Global Commands");
    EXPECT_EQ(commands->model()->rowCount(), static_cast<int>(browser.tab(CommandsTab).size()));
    EXPECT_NE(commands->model()->rowCount(), shownBefore);

    // A write reloads Dragon's user; the reload's end arrives without a poll.
    home_.prompt.inputs = {"wake me"};
    entry("&command", "New &Plain Text")->trigger();
    window_->findChild<QPlainTextEdit*>()->setPlainText("awake");
    click(*window_, "S&ave Changes");
    ASSERT_TRUE(
        findRow(home_.store(), browser.currentProgram(), browser.currentScope(), "wake me"));
    waitForDragon();
    QTest::qWait(600);
    EXPECT_FALSE(dragon_->engine.reloading());
    const auto& cycle = window_->presenter().saveCycle();
    EXPECT_FALSE(cycle.userTimerRunning());

    // Dragon's MyCommands Editor is typed into with pauses between the steps: the window goes
    // on answering, refuses whatever would show another item until the typing is done, and
    // takes it again afterwards.
    entry("&command", "Debug with &Basic")->trigger();
    ASSERT_TRUE(cycle.running());
    const auto program = browser.currentProgram();
    browser.selectProgram(programs.selected == other ? 0 : other);
    EXPECT_EQ(browser.currentProgram(), program);
    EXPECT_EQ(window_->presenter().statusText(),
              "Quillmark10 is waiting for Dragon: try again in a moment");
    QTRY_VERIFY_WITH_TIMEOUT(!cycle.running(), 5000);
    const auto editor = dragon_->windows.findByTitle("MyCommands Editor");
    ASSERT_TRUE(editor);
    EXPECT_GE(dragon_->windows.typedInto(editor->handle).size(), 4u);
    browser.selectProgram(0);
    EXPECT_EQ(browser.currentProgram(), "Global Commands");
}

TEST_F(MainWindowTest, TypingBeginsAnEditTabsByKeyboardShowTheirListsAndExitAsksWhileEditing) {
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    auto& editor = window_->presenter().editor();
    auto* body = window_->findChild<QPlainTextEdit*>();
    const auto file = window_->presenter().commandFile();
    const auto typeAtEnd = [body](const QString& text) {
        body->setFocus();
        body->moveCursor(QTextCursor::End);
        QTest::keyClicks(body, text);
    };
    // A no-break space typed and saved stays one, and saving the body unchanged writes nothing.
    window_->browser().setCurrentItemName("sign off");
    window_->browser().reset(CommandsTab);
    click(*window_, "&Modify");
    typeAtEnd(QString(QChar(0xA0)) + "x");
    QTest::keyClick(window_.get(), Qt::Key_S, Qt::ControlModifier);
    ASSERT_FALSE(editor.editing());
    waitForDragon();
    const auto saved = findRow(home_.store(), "Global Commands", "Global Commands", "sign off");
    ASSERT_TRUE(saved);
    EXPECT_TRUE(saved->script.ends_with("Example\u00a0x")) << saved->script;
    const auto before = testing::readBytes(file);
    // After a Save the body keeps the focus: typing into it begins an edit, never text that no
    // Save can write.
    typeAtEnd("y");
    EXPECT_TRUE(editor.editing());
    EXPECT_TRUE(withText<QPushButton>(*window_, "S&ave Changes")->isEnabled());
    QTest::keyClick(body, Qt::Key_Backspace);
    QTest::keyClick(window_.get(), Qt::Key_S, Qt::ControlModifier);
    EXPECT_FALSE(editor.editing());
    EXPECT_EQ(testing::readBytes(file), before);

    // While editing, Ctrl+Q asks the close question and F1 shows the help; the edit stays open.
    typeAtEnd("z");
    home_.prompt.choices = {2};
    QTest::keyClick(window_.get(), Qt::Key_Q, Qt::ControlModifier);
    EXPECT_EQ(home_.prompt.shown.back().text, "Save changes to sign off?");
    QTest::keyClick(window_.get(), Qt::Key_F1);
    auto* help = window_->findChild<QDialog*>("helpviewer");
    ASSERT_TRUE(help);
    EXPECT_TRUE(help->isVisible());
    help->close();
    EXPECT_TRUE(editor.editing());
    QTest::keyClick(body, Qt::Key_Escape);
    EXPECT_FALSE(editor.editing());
    EXPECT_EQ(testing::readBytes(file), before);

    // A tab chosen by keyboard shows its list filled and its item, as a click does.
    auto* tabs = window_->findChild<QTabWidget*>();
    window_->findChild<QTabWidget*>()->widget(CommandsTab)->setFocus();
    QTest::keyClick(tabs, Qt::Key_Tab, Qt::ControlModifier);
    ASSERT_EQ(tabs->currentIndex(), ListsTab);
    const auto* lists = qobject_cast<QListView*>(tabs->widget(ListsTab));
    EXPECT_EQ(lists->model()->rowCount(),
              static_cast<int>(window_->browser().tab(ListsTab).size()));
    EXPECT_EQ(window_->browser().item().type, "LIST");
    EXPECT_EQ(lists->currentIndex().data().toString().toStdString(),
              window_->browser().currentItemName());
}

TEST_F(MainWindowTest, DiscardOnCloseWritesNothingAndResetAsksFirst) {
    const auto file = window_->presenter().commandFile();
    const auto before = testing::readBytes(file);
    window_->browser().setCurrentItemName("open mail");
    click(*window_, "&Modify");
    ASSERT_TRUE(window_->presenter().editor().editing());
    window_->findChild<QPlainTextEdit*>()->setPlainText("changed");
    home_.prompt.choices = {1};
    EXPECT_TRUE(window_->close());
    EXPECT_EQ(testing::readBytes(file), before);

    // Reset: Cancel leaves the store and the window as they were.
    window_ = std::make_unique<app::MainWindow>(home_.home(), dragon_->platform(), &home_.prompt);
    ASSERT_TRUE(window_->start(""));
    window_->show();
    auto* reset = entry("&File", "&Reset");
    ASSERT_TRUE(reset);
    home_.prompt.shown.clear();
    home_.prompt.answers = {Prompt::Answer::Cancel};
    reset->trigger();
    ASSERT_EQ(home_.prompt.shown.size(), 1u);
    EXPECT_EQ(home_.prompt.shown[0].title, "Reset");
    EXPECT_TRUE(window_->isVisible());
    EXPECT_GT(window_->browser().tab(CommandsTab).size(), 1u);
    home_.prompt.answers = {Prompt::Answer::Ok};
    reset->trigger();
    EXPECT_EQ(home_.prompt.shown.back().text, "You must restart Quillmark10 for changes to apply");
    EXPECT_FALSE(window_->isVisible());
}

TEST_F(MainWindowTest, StandardKeysReachTheirEntriesAndNoMnemonicIsShared) {
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    // The keys are shown in the menus.
    const std::tuple<const char*, const char*, QKeySequence> shown[] = {
        {"&File", "&Open...", QKeySequence::Open},
        {"&File", "E&xit", QKeySequence(Qt::CTRL | Qt::Key_Q)},
        {"&Edit", "&Find", QKeySequence::Find},
        {"&Edit", "Find &Next", QKeySequence(Qt::Key_F3)},
        {"&Edit", "Find &Previous", QKeySequence(Qt::SHIFT | Qt::Key_F3)},
        {"&Edit", "&Copy Body", QKeySequence::Copy},
        {"&command", "&Rename", QKeySequence(Qt::Key_F2)},
        {"&command", "&Delete", QKeySequence::Delete},
        {"&command", "Save Chan&ges", QKeySequence::Save},
        {"&command", "Aband&on", QKeySequence(Qt::Key_Escape)},
        {"&Help", "&Contents", QKeySequence::HelpContents},
    };
    for (const auto& [title, text, key] : shown) {
        auto* action = entry(title, text);
        ASSERT_TRUE(action) << text;
        EXPECT_EQ(action->shortcut(), key) << text;
    }
    EXPECT_EQ(entry("&Edit", "Find &Next")->shortcuts().value(1), QKeySequence(Qt::Key_F11));
    EXPECT_EQ(entry("&Edit", "Find &Previous")->shortcuts().value(1), QKeySequence(Qt::Key_F12));

    // No two entries of a menu, and no two of the window's top level, share a mnemonic.
    const auto expectUnique = [&](const QStringList& texts, const QString& where) {
        QMap<QChar, QString> seen;
        for (const auto& text : texts) {
            const auto letter = mnemonic(text);
            if (letter.isNull())
                continue;
            EXPECT_FALSE(seen.contains(letter)) << where.toStdString() << ": " << text.toStdString()
                                                << " and " << seen.value(letter).toStdString();
            seen.insert(letter, text);
        }
    };
    // Each menu with its submenus, as the keyboard meets them: one menu's letters at a time.
    std::function<void(QMenu*)> expectUniqueIn = [&](QMenu* menu) {
        emit menu->aboutToShow();
        QStringList entries;
        for (auto* inMenu : menu->actions()) {
            entries << inMenu->text();
            if (inMenu->menu())
                expectUniqueIn(inMenu->menu());
        }
        expectUnique(entries, menu->title());
    };
    QStringList topLevel;
    for (auto* action : window_->menuBar()->actions()) {
        topLevel << action->text();
        expectUniqueIn(action->menu());
    }
    auto* tabs = window_->findChild<QTabWidget*>();
    for (int i = 0; i < tabs->count(); ++i)
        topLevel << tabs->tabText(i);
    for (auto* button : window_->findChildren<QPushButton*>())
        topLevel << button->text();
    for (auto* label : window_->findChildren<QLabel*>())
        if (label->buddy())
            topLevel << label->text();
    expectUnique(topLevel, "the window");

    // F2 and Delete on the Commands list, Ctrl+C copies the shown body.
    auto* list = qobject_cast<QListView*>(tabs->widget(CommandsTab));
    list->setFocus();
    const auto shownName = window_->browser().currentItemName();
    ASSERT_FALSE(shownName.empty());
    QTest::keyClick(list, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QGuiApplication::clipboard()->text().toStdString(), window_->browser().item().body);
    home_.prompt.shown.clear();
    home_.prompt.inputs = {std::nullopt}; // the rename's input box, cancelled
    QTest::keyClick(list, Qt::Key_F2);
    ASSERT_EQ(home_.prompt.shown.size(), 1u);
    home_.prompt.answers = {Prompt::Answer::No, Prompt::Answer::No, Prompt::Answer::Cancel};
    QTest::keyClick(list, Qt::Key_Delete);
    ASSERT_EQ(home_.prompt.shown.size(), 2u);
    EXPECT_EQ(home_.prompt.shown[1].text, "Delete this command?");
    EXPECT_EQ(home_.prompt.shown[1].title, shownName);
    // The list's context menu holds the command menu's entries.
    EXPECT_EQ(list->contextMenuPolicy(), Qt::ActionsContextMenu);
    EXPECT_TRUE(list->actions().contains(entry("&command", "&Rename")));
    EXPECT_TRUE(list->actions().contains(entry("&command", "&Modify")));

    // F1 shows the help; Ctrl+Q ends the program.
    QTest::keyClick(list, Qt::Key_F1);
    auto* viewer = window_->findChild<QDialog*>("helpviewer");
    ASSERT_TRUE(viewer);
    EXPECT_TRUE(viewer->isVisible());
    // The help goes Back and Forward through the pages seen, and searches the page shown.
    auto* page = viewer->findChild<QTextBrowser*>("helpbrowser");
    auto* back = viewer->findChild<QPushButton*>("helpback");
    auto* forward = viewer->findChild<QPushButton*>("helpforward");
    const auto first = page->source();
    EXPECT_FALSE(back->isEnabled());
    page->setSource(QUrl(first.toString().replace("index.html", "find.html")));
    ASSERT_TRUE(back->isEnabled());
    back->click();
    EXPECT_EQ(page->source(), first);
    ASSERT_TRUE(forward->isEnabled());
    forward->click();
    EXPECT_TRUE(page->source().toString().endsWith("find.html"));
    auto* search = viewer->findChild<QLineEdit*>("helpsearch");
    auto* said = viewer->findChild<QLabel*>("helpsaid");
    const QString word = "Find";
    ASSERT_TRUE(page->toPlainText().contains(word));
    QTest::keyClicks(search, word);
    QTest::keyClick(search, Qt::Key_Return);
    EXPECT_EQ(page->textCursor().selectedText(), word);
    EXPECT_TRUE(said->text().isEmpty());
    search->setText("zzqqzz");
    QTest::keyClick(search, Qt::Key_Return);
    EXPECT_EQ(said->text(), "\"zzqqzz\" is not on this page");
    viewer->close();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    QTest::keyClick(list, Qt::Key_Q, Qt::ControlModifier);
    EXPECT_FALSE(window_->isVisible());
}

TEST_F(MainWindowTest, TheAboutBoxSaysWhatRunsAndShownFieldsStayOutOfTheTabOrder) {
    // Each font keeps its own size: the lists' is not the body's.
    auto* tabs = window_->findChild<QTabWidget*>();
    EXPECT_EQ(tabs->widget(CommandsTab)->font().pointSize(), 11);
    EXPECT_EQ(tabs->widget(RecentlyCreatedTab)->font().pointSize(), 9);
    EXPECT_EQ(window_->findChild<QPlainTextEdit*>()->font().pointSize(), 9);
    entry("&Help", "&About Quillmark10")->trigger();
    ASSERT_FALSE(home_.prompt.shown.empty());
    EXPECT_EQ(home_.prompt.shown.back().title, "About Quillmark10");
    EXPECT_EQ(home_.prompt.shown.back().text,
              "Quillmark10 0.1.0\r\nA viewer and editor of Dragon's custom voice commands\r\n\r\n"
              "Released under the MIT licence; it comes with no warranty.\r\n\r\nProgram "
              "directory:\r\n" +
                  home_.home().folder().string() + "\r\n\r\nCommand file in use:\r\n" +
                  window_->presenter().commandFile().string());

    for (auto* field : window_->findChildren<QLineEdit*>()) {
        const auto name = field->accessibleName();
        if (name == "Program" || name == "Scope" || name == "Type" || name == "Active states") {
            EXPECT_TRUE(field->isReadOnly()) << name.toStdString();
            EXPECT_EQ(field->focusPolicy(), Qt::ClickFocus) << name.toStdString();
            EXPECT_FALSE(field->hasFrame()) << name.toStdString();
        }
        if (name == "Description" || name == "Group") {
            EXPECT_FALSE(field->isReadOnly()) << name.toStdString();
            EXPECT_EQ(field->focusPolicy(), Qt::StrongFocus) << name.toStdString();
        }
    }
}

// Not a test: the README's pictures, taken by scripts/screenshots into the folder it names.
TEST_F(MainWindowTest, DISABLED_Screenshots) {
    const char* folder = std::getenv("QUILLMARK10_SCREENSHOTS");
    ASSERT_TRUE(folder);
    window_->setGeometry(firstPlace_); // as a first start places it
    window_->browser().setCurrentItemName("open <mailbox>");
    window_->browser().reset(CommandsTab);
    window_->render();
    QApplication::processEvents();
    ASSERT_TRUE(window_->grab().save(QString(folder) + "/main-window.png"));
    click(*window_, "&Modify");
    auto* body = window_->findChild<QPlainTextEdit*>();
    body->moveCursor(QTextCursor::End);
    body->insertPlainText("{Enter}Checked by voice");
    QApplication::processEvents();
    ASSERT_TRUE(window_->grab().save(QString(folder) + "/editing.png"));
}

TEST(WindowPlacement, SavedRectanglesStayOnTheScreen) {
    const Placement screen{0, 0, 1600, 1000};
    struct Case {
        Placement saved, placed;
    };
    const Case cases[] = {
        {{50, 50, 576, 634}, {50, 50, 576, 634}},           // fits: unchanged
        {{0, 0, 1600, 1000}, {0, 0, 1600, 1000}},           // exactly the screen
        {{0, 0, 1601, 1001}, {0, 0, 1600, 1000}},           // one past: cut to the screen
        {{-100, -20, 400, 380}, {0, 0, 500, 400}},          // off the top left: moved in
        {{1500, 900, 2000, 1300}, {1100, 600, 1600, 1000}}, // off the bottom right
        {{3200, 2000, 6400, 4000}, {0, 0, 1600, 1000}},     // twice the screen, elsewhere
        {{10, 10, 10, 10}, {10, 10, 536, 594}},             // no size: the default's size
    };
    for (const auto& c : cases) {
        const auto placed = placeOnScreen(c.saved, screen);
        EXPECT_EQ(placed, c.placed)
            << c.saved.left << "," << c.saved.top << " -> " << placed.left << "," << placed.top
            << "," << placed.right << "," << placed.bottom;
    }
    // A second screen to the right of the first.
    EXPECT_EQ(placeOnScreen({1700, 100, 2200, 500}, {1600, 0, 3200, 1000}),
              (Placement{1700, 100, 2200, 500}));

    // The first placement: what the window needs, centred, within the default and the screen.
    const std::tuple<int, int, Placement> first[] = {
        {900, 760, {350, 120, 1250, 880}}, // what the window needs
        {300, 200, {537, 208, 1063, 792}}, // less than the default: the default's size
        {1601, 1001, {0, 0, 1600, 1000}},  // one past the screen: the screen
    };
    for (const auto& [width, height, placed] : first)
        EXPECT_EQ(firstPlacement(width, height, screen), placed) << width << "x" << height;
    EXPECT_EQ(firstPlacement(900, 760, {1600, 0, 3200, 1000}), (Placement{1950, 120, 2850, 880}));
}

TEST(WindowArguments, HomeFileDragonsWordsHelpVersionAndMistakes) {
    using Action = app::WindowArguments::Action;
    const auto run = app::parseWindowArguments({"quillmark10", "--home", "/tmp/qm", "open", "-x"});
    EXPECT_EQ(run.action, Action::Run);
    EXPECT_EQ(run.home, "/tmp/qm");
    EXPECT_EQ(run.commandLine, "open -x") << "words after the first are Dragon's, dashes or not";
    const auto file = app::parseWindowArguments({"quillmark10", "/data/mycmds.dat"});
    EXPECT_EQ(file.home, "");
    EXPECT_EQ(file.commandLine, "/data/mycmds.dat");

    const auto help = app::parseWindowArguments({"quillmark10", "--help"});
    EXPECT_EQ(help.action, Action::ShowHelp);
    EXPECT_TRUE(help.text.contains("--home <DIR>")) << help.text.toStdString();
    const auto version = app::parseWindowArguments({"quillmark10", "--version"});
    EXPECT_EQ(version.action, Action::ShowVersion);
    EXPECT_EQ(version.text, QString("Quillmark10 0.1.0\n"));
    const auto wrong = app::parseWindowArguments({"quillmark10", "--hme", "x"});
    EXPECT_EQ(wrong.action, Action::Refuse);
    EXPECT_TRUE(wrong.text.startsWith("Unknown option 'hme'.")) << wrong.text.toStdString();
    EXPECT_EQ(app::parseWindowArguments({"quillmark10", "--home"}).action, Action::Refuse);
}

TEST(RtfReader, ReadsGroupsFormattingEscapesAndSkipsDestinations) {
    QTextDocument document;
    app::showRichText(readRichText("{\\rtf1\\ansi{\\fonttbl{\\f0 Arial;}}{\\colortbl;\\red255\\green0\\blue0;}"
                 "\\pard Dear {\\b Sir}\\par caf\\'e9 \\u8364? {\\cf1 red}\\tab end"
                                   "{\\*\\unknown hidden}{\\pict 0102}}"),
                      document);
    EXPECT_EQ(document.toPlainText().toStdString(), "Dear Sir\ncaf\u00e9 \u20ac red\tend");
    const auto first = document.firstBlock();
    bool boldSir = false;
    for (auto it = first.begin(); !it.atEnd(); ++it)
        if (it.fragment().text() == "Sir")
            boldSir = it.fragment().charFormat().fontWeight() == QFont::Bold;
    EXPECT_TRUE(boldSir);
    const auto second = first.next();
    bool redText = false;
    for (auto it = second.begin(); !it.atEnd(); ++it)
        if (it.fragment().text() == "red")
            redText = it.fragment().charFormat().foreground().color() == QColor(255, 0, 0);
    EXPECT_TRUE(redText);
}

TEST_F(MainWindowTest, ConversionsAreRefusedOnTheUsersOwnFileAndReachAnExportedOne) {
    const auto own = window_->presenter().commandFile();
    auto* toEight = entry("&Tools", "Convert to &8.0");
    ASSERT_TRUE(toEight);
    toEight->trigger();
    EXPECT_EQ(home_.prompt.shown.back().text,
              "This is your open version 10 User file - Not Allowed");
    app::LanguageDialog dialog(window_->presenter(), window_.get());
    EXPECT_EQ(dialog.findChild<QLabel*>("languageStatus")->text().toStdString(),
              "Cannot convert current (or any) User file, only Exported files");

    const auto copy = home_.path("exported.dat");
    std::filesystem::copy_file(own, copy);
    ASSERT_TRUE(window_->presenter().openFile(copy));
    toEight->trigger();
    EXPECT_TRUE(testing::contains(home_.prompt.shown.back().text, "is encrypted"));
    app::LanguageDialog again(window_->presenter(), window_.get());
    ASSERT_EQ(again.findChild<QListWidget*>()->count(), 6);
    again.findChild<QListWidget*>()->setCurrentRow(3); // "to French"
    click(again, "&Convert");
    EXPECT_EQ(home_.prompt.shown.back().text, "File converted to French");
    EXPECT_EQ(testing::readBytes(copy).at(15), 12);
}

namespace {

// A message box as the real one behaves: its own event loop runs while it shows, so timers fire.
class ModalPrompt final : public Prompt {
public:
    void message(const std::string& text, const std::string& title) override {
        shown.push_back({text, title});
        QTest::qWait(250);
    }
    Answer ask(const std::string& text, const std::string& title, Buttons) override {
        message(text, title);
        return Answer::Ok;
    }
    std::size_t choose(const std::string& text, const std::string& title,
                       const std::vector<std::string>&) override {
        message(text, title);
        return 0;
    }
    std::vector<testing::ShownMessage> shown;
};

} // namespace

TEST_F(MainWindowTest, AFatalStartShowsItsMessageAndEndsWithoutACrash) {
    const auto damaged = home_.path("damaged.dat");
    const auto good = testing::readBytes(window_->presenter().commandFile());
    home_.writeFile("damaged.dat", good.substr(0, good.size() / 2));
    window_.reset();
    // A damaged file; no current user (Dragon's per-user folder is empty); a Dragon that is not
    // of the Professional series.
    const std::vector<std::function<void(testing::ScopedEnvironment&)>> fatal{
        [](auto&) {},
        [&](auto& environment) { environment.set("QUILLMARK10_APPDATA", home_.path("nobody")); },
        [](auto& environment) { environment.set("QUILLMARK10_DRAGON_EDITION", "Preferred"); }};
    for (std::size_t i = 0; i < fatal.size(); ++i) {
        testing::ScopedEnvironment environment;
        fatal[i](environment);
        ModalPrompt prompt;
        SimulatedDragon dragon;
        app::MainWindow window(home_.home(), dragon.platform(), &prompt);
        EXPECT_FALSE(window.start(i == 0 ? damaged.string() : "")) << i;
        EXPECT_FALSE(prompt.shown.empty()) << i;
        EXPECT_FALSE(window.isVisible()) << i;
    }
}

TEST_F(MainWindowTest, ModifyShowsTheBodyAndCancelInFindForgetsTheSearch) {
    auto* slider = window_->findChild<QSlider*>();
    slider->setValue(10);
    window_->browser().setCurrentItemName("sign off");
    window_->browser().reset(CommandsTab);
    window_->render();
    window_->presenter().editor().modify();
    EXPECT_TRUE(window_->presenter().editor().editing());
    EXPECT_EQ(slider->value(), 8);
    window_->presenter().editor().abandon();

    // A search, then Cancel in the dialog: F11 repeats nothing.
    app::FindDialog find(window_->presenter().finder(), window_.get());
    find.findChild<QLineEdit*>()->setText("letterhead");
    click(find, "Find");
    ASSERT_EQ(window_->browser().currentItemName(), "letterhead");
    // No match before the first: said, and the dialog hides; Find Again goes on all the same.
    find.show();
    EXPECT_EQ(find.focusWidget(), find.findChild<QLineEdit*>()) << "reopened in its text";
    click(find, "Find Previous");
    EXPECT_EQ(home_.prompt.shown.back().text, "\"letterhead\" no more matches");
    EXPECT_FALSE(find.isVisible());
    click(find, "Find Again");
    EXPECT_EQ(window_->browser().currentItemName(), "letterhead rich");
    // A body match is highlighted until a click on the tab strip.
    ASSERT_TRUE(window_->finder().findFirst({"High", FindSettings::Field::Content, true}));
    window_->finder().showMatch();
    ASSERT_TRUE(window_->browser().item().highlight);
    auto* tabs = window_->findChild<QTabWidget*>();
    emit tabs->tabBarClicked(tabs->currentIndex());
    EXPECT_FALSE(window_->browser().item().highlight);
    click(find, "Cancel");
    const auto shown = home_.prompt.shown.size();
    window_->repeatFind(true);
    EXPECT_EQ(window_->browser().currentItemName(), "letterhead");
    EXPECT_EQ(home_.prompt.shown.size(), shown);
}

// Dragon's Command Browser writes the file: every operation that would write says so.
TEST_F(MainWindowTest, AnExternalChangeIsSaidByEveryOperationThatWouldWrite) {
    const auto own = window_->presenter().commandFile();
    auto& editor = window_->presenter().editor();
    auto later = std::filesystem::last_write_time(own);
    for (const auto& operation : std::vector<std::function<void()>>{
             [&] { editor.newCommand(ItemType::Keys); }, [&] { editor.newList(); },
             [&] { editor.rename(); }, [&] { editor.remove(); }}) {
        later += std::chrono::seconds(5);
        std::filesystem::last_write_time(own, later);
        home_.prompt.shown.clear();
        operation();
        ASSERT_FALSE(home_.prompt.shown.empty());
        EXPECT_EQ(home_.prompt.shown.front().text, kChangedBehindUs);
        EXPECT_FALSE(editor.editing());
    }
}

TEST_F(MainWindowTest, TheToolsDialogReachesReplace) {
    app::ToolsDialog dialog(window_->presenter(), home_.prompt, ToolMode::SearchAndReplace,
                            window_.get());
    auto edits = dialog.findChildren<QLineEdit*>();
    ASSERT_GE(edits.size(), 2);
    edits[edits.size() - 2]->setText("quillmark");
    edits.back()->setText("qm");
    click(dialog, "Replace");
    EXPECT_FALSE(dialog.findChild<QPlainTextEdit*>()->toPlainText().isEmpty()) << "the search ran";
}

TEST_F(MainWindowTest, AnXmlImportAsksAboutUnfitItemsAndArchivesTheUsersOwnFileFirst) {
    const auto own = window_->presenter().commandFile();
    const auto before = testing::readBytes(own);
    const auto xml = home_.writeFile(
        "shared.xml",
        "<?xml version=\"1.0\" encoding=\"utf-8\"?><MyCommands language=\"0x409\"><Commands "
        "type=\"global\"><Command name=\"wave hello\" group=\"Shared\"><description/><contents "
        "type=\"DVC_SCRIPT\"><![CDATA[Beep]]></contents></Command><Command name=\"snow "
        "\xe2\x98\x83\"><description/><contents type=\"SCRIPT\">x</contents></Command>"
        "</Commands></MyCommands>");
    home_.prompt.answers = {Prompt::Answer::No};
    window_->importXmlFile(QString::fromStdString(xml.string()));
    ASSERT_FALSE(home_.prompt.shown.empty());
    EXPECT_TRUE(home_.prompt.shown.back().text.starts_with(
        "1 item of the XML cannot go into a command file; nothing was imported:\r\ncommand "
        "\"snow \xe2\x98\x83\" (line 1)"));
    EXPECT_TRUE(home_.prompt.shown.back().text.ends_with("Import the rest without them?"));
    EXPECT_EQ(testing::readBytes(own), before);

    home_.prompt.answers = {Prompt::Answer::Yes};
    window_->importXmlFile(QString::fromStdString(xml.string()));
    EXPECT_NE(testing::readBytes(own), before);
    waitForDragon();
    EXPECT_TRUE(findRow(home_.store(), "Global Commands", "Global Commands", "wave hello"));
    const auto& rollback = window_->presenter().rollbackList();
    ASSERT_FALSE(rollback.empty());
    EXPECT_EQ(testing::readBytes(window_->presenter().archivePath(rollback.front())), before);
}

// Return takes the best match of a part typed into a tool bar box, with no Down first; text
// left unconfirmed goes when the box loses the focus.
TEST_F(MainWindowTest, AToolBarBoxTakesTheBestMatchOnReturnAndShowsWhatIsShown) {
    auto* bar = window_->findChild<app::SelectorBar*>();
    auto* box = bar->box(SelectorKind::Program);
    ASSERT_GE(box->count(), 2);
    const auto wanted = box->itemText(1);
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
    box->setFocus();
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), wanted.mid(1, 4).toLower());
    // The pop-up list of matches is open: it takes the keys, as it does for a user.
    ASSERT_TRUE(box->completer()->popup()->isVisible());
    QTest::keyClick(box->completer()->popup(), Qt::Key_Return);
    EXPECT_EQ(app::q(window_->browser().currentProgram()), wanted);
    EXPECT_EQ(box->lineEdit()->text(), wanted);
    box->lineEdit()->selectAll();
    QTest::keyClicks(box->lineEdit(), "zzzz");
    QTest::keyClick(box->lineEdit(), Qt::Key_Return);
    EXPECT_EQ(app::q(window_->presenter().statusText()), "No Program name holds \"zzzz\"");
    EXPECT_EQ(box->lineEdit()->text(), wanted);
    QTest::keyClicks(box->lineEdit(), "qq");
    window_->findChild<QPlainTextEdit*>()->setFocus();
    EXPECT_EQ(box->lineEdit()->text(), wanted) << "left unconfirmed";
}

TEST(TabListModelTest, TheRecentTabsWriteTheProgramOverTheNameFromColumn50) {
    const struct {
        QString name, program, line;
    } cases[] = {
        {"text one", "Global Commands", "text one" + QString(41, ' ') + "Global Commands"},
        {QString(55, 'a'), "WORD", QString(49, 'a') + "WORD" + QString(2, 'a')},
        {"caf\u00e9", "P", "caf\u00e9" + QString(45, ' ') + "P"},
        {"no program", "", "no program" + QString(39, ' ')},
    };
    for (const auto& c : cases)
        EXPECT_EQ(app::recentLine(c.name, c.program), c.line) << c.name.toStdString();

    app::TabListModel recent(true, nullptr), names(false, nullptr);
    TabRows tab{{{"WINWORD", "Application-specific", "bold"}}, 0};
    recent.show(tab);
    names.show(tab);
    EXPECT_EQ(recent.data(recent.index(0), Qt::DisplayRole).toString(),
              "bold" + QString(45, ' ') + "WINWORD");
    EXPECT_EQ(recent.data(recent.index(0), Qt::AccessibleTextRole).toString(), "bold, WINWORD");
    EXPECT_EQ(names.data(names.index(0), Qt::DisplayRole).toString(), "bold");
    recent.show({});
    EXPECT_EQ(recent.rowCount(), 0) << "an empty tab is a placeholder, not a row";
}

} // namespace qmk
