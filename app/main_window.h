#pragma once

#include "common/status_sink.h"
#include "mainwindow/main_presenter.h"
#include "mainwindow/window_placement.h"
#include "placeholder_list.h"
#include "qt_prompt.h"
#include "window_loop.h"

#include <QMainWindow>
#include <QTimer>
#include <array>
#include <functional>
#include <memory>

class QActionGroup;
class QLabel;
class QLineEdit;
class QListView;
class QMenu;
class QPlainTextEdit;
class QPushButton;
class QSlider;
class QSplitter;
class QTabWidget;
class QTextEdit;

class QVBoxLayout;

namespace qmk::app {

class SelectorBar;
class TabListModel;

inline constexpr const char* kNoPrinter =
    "No printer is set up on this computer, so the command was not printed.\r\nSet up a printer "
    "and choose Print Current Command again, or copy the body with Ctrl+C into another program.";

// The main window: renders the browsing model and the item view, and forwards the user's
// choices to them. It holds no browsing logic of its own.
class MainWindow final : public QMainWindow, public SaveCycleView, public StatusSink {
    Q_OBJECT
public:
    // Messages and questions go to real dialogs, or to `prompt` when one is given (tests).
    // Dragon's controls come from the platform given; the prompt, when given, stands in for
    // the window's own message boxes.
    MainWindow(ProgramDir home, DragonPlatform dragon, Prompt* prompt = nullptr);
    // A box under the slider whose phrase, on Enter, is heard as if spoken to Dragon.
    void addSpeakBox(std::function<void(const std::string&)> hear);
    ~MainWindow() override;

    // Start-up; false when the program is to end.
    bool start(const std::string& commandLine);

    // SaveCycleView
    void refreshed() override;
    int currentTab() override;
    void showTab(int tab) override;
    void setBusy(bool busy) override;
    void showHelp(int topic) override;
    void closeProgram() override;
    void userTimerStarted() override;
    // StatusSink
    void setProgress(const std::string& text) override;
    void setCount(const std::string& text) override;
    void showNow() override;

    Browser& browser() { return presenter_->browser(); }
    Finder& finder() { return presenter_->finder(); }
    MainPresenter& presenter() { return *presenter_; }
    // Renders whatever the browsing model changed since the last render.
    void render();

    // Opens another command file (File > Open, Recent Files, a file dropped on the window); a
    // file that cannot be read leaves the one shown open.
    void openCommandFile(const QString& path);
    // File > Import XML: the XML command set appended to the open file, then the view built
    // again.
    void importXmlFile(const QString& path);

    // Prints the shown command: to the printer chosen in the print dialog, or to `pdf`.
    void printCurrent(const QString& pdf = {});
    // "Sho&w Graphic": the formatted body of a Text and Graphics command.
    void showGraphic();
    // F11 (find again) and F12 (find previous) in the lists and the body.
    void repeatFind(bool forward);

protected:
    void closeEvent(QCloseEvent* event) override;
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    // The menu bar, a function a menu.
    void buildMenus();
    void buildFileMenu();
    void addRollbackAndRecentFiles(QMenu* file);
    void buildEditMenu();
    void buildViewMenu();
    void buildToolsMenu();
    void buildCentre();
    void buildTabs();
    void buildItemPane();
    void buildSlider(QWidget* centre, QVBoxLayout* layout);
    void renderSelector(QMenu* menu, const Selector& selector, int which);
    void renderItem();
    void applySlider(int position);
    // The slider position that puts the list's lower edge at `top`.
    int sliderPosition(int top) const;
    // The View's state beside the tabs: shown while it hides anything.
    void renderViewState();
    // A tab chosen in the tab bar, by mouse or keyboard.
    void chooseTab(int tab);
    void buildCommandMenu();
    // Runs an editor operation, then shows its outcome; an edit begun moves the focus to the
    // body unless the user is typing elsewhere.
    void edit(const std::function<void(Editor&)>& operation, bool focusBody = true);
    void renderEditing();
    // The body as the user sees it, in the presenters' form (CR LF line breaks).
    std::string bodyText() const;
    // The user typed into the body: the edit takes it, or the body shows the item again.
    void bodyTyped();
    void openFind();
    void openComparison();
    // The reports dialog in one of its modes, then the view built again.
    void openReports(ReportMode mode);
    // The tools dialog in one of its modes; a written file then goes through the save cycle.
    void openTools(ToolMode mode);
    void showOptions();
    void showHelpPage(const std::string& page);
    // A page of the help folder in the program's directory.
    QString helpFile(const std::string& page) const;
    void afterFind();
    // Renders once the current event is handled, however many changes it made.
    void scheduleRender();
    // The lists in `face`, the recent lists and the body in `fixedFace`, both at `size` points.
    void applyFonts(const QString& face, int size, const QString& fixedFace, int fixedSize);
    // The saved rectangle, kept on the screen it opens on.
    void placeWindow(const Placement& saved);
    int placeFirstTime(int slider);
    // Dragon's due events, once the window has started.
    void deliverEngineEvents();

    QtPrompt dialogs_;
    Prompt& prompt_;
    WindowLoop loop_{*this};
    std::unique_ptr<MainPresenter> presenter_;
    QMenu* groupMenu_ = nullptr;
    QMenu* programMenu_ = nullptr;
    QMenu* scopeMenu_ = nullptr;
    // One choice group for each of the Group, Program and Scope menus, in that order.
    std::array<QActionGroup*, 3> selectorChoices_{};
    QTabWidget* tabs_ = nullptr;
    std::array<PlaceholderListView*, 4> lists_{};
    std::array<TabListModel*, 4> models_{};
    QLineEdit* program_ = nullptr;
    QLineEdit* scope_ = nullptr;
    QLineEdit* group_ = nullptr;
    QLineEdit* type_ = nullptr;
    QLineEdit* description_ = nullptr;
    QLineEdit* states_ = nullptr;
    QPlainTextEdit* body_ = nullptr;
    QTextEdit* formatted_ = nullptr;
    QPushButton* showGraphic_ = nullptr;
    QPushButton* modify_ = nullptr;
    QPushButton* save_ = nullptr;
    QPushButton* abandon_ = nullptr;
    QMenu* commandMenu_ = nullptr;
    // The command menu's entries whose state follows the shown item.
    struct CommandEntries {
        QAction* modify = nullptr;
        QAction* edit = nullptr;
        QAction* clone = nullptr;
        QAction* toPlain = nullptr;
        QAction* toAdvanced = nullptr;
        QAction* save = nullptr;
        QAction* abandon = nullptr;
    } commandEntries_;
    // Ctrl+Q and F1 while editing, when the menus that carry them are shut.
    std::array<QAction*, 2> alwaysKeys_{};
    QSlider* slider_ = nullptr;
    SelectorBar* selectorBar_ = nullptr;
    QLabel* viewLabel_ = nullptr;
    QPushButton* showAllTypes_ = nullptr;
    QSplitter* splitter_ = nullptr;
    QVBoxLayout* centreLayout_ = nullptr;
    QLabel* progress_ = nullptr;
    QLabel* count_ = nullptr;
    class FindDialog* find_ = nullptr;
    QTimer userTimer_;
    std::uint64_t rendered_ = static_cast<std::uint64_t>(-1);
    bool rendering_ = false;
    bool closing_ = false;
    bool renderScheduled_ = false;
    bool engineEventWaiting_ = false;
};

} // namespace qmk::app
