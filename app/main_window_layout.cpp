#include "actions/file_actions.h"
#include "captions.h"
#include "common/version.h"
#include "main_window.h"
#include "placeholder_list.h"
#include "selector_bar.h"
#include "tab_list_model.h"

#include <QFontDatabase>
#include <QFormLayout>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScreen>
#include <QSignalBlocker>
#include <QSlider>
#include <QSplitter>
#include <QStatusBar>
#include <QStyle>
#include <QTabWidget>
#include <QTextDocument>
#include <QTextEdit>
#include <QVBoxLayout>
#include <cstdlib>

namespace qmk::app {

void MainWindow::buildCentre() {
    auto* centre = new QWidget(this);
    auto* layout = new QVBoxLayout(centre);
    splitter_ = new QSplitter(Qt::Vertical, centre);
    buildTabs();
    buildItemPane();
    buildSlider(centre, layout);

    selectorBar_ = new SelectorBar(this);
    addToolBar(Qt::TopToolBarArea, selectorBar_);
    connect(selectorBar_, &SelectorBar::chosen, this, [this](SelectorKind kind, int position) {
        if (kind == SelectorKind::Program)
            browser().selectProgram(position);
        else if (kind == SelectorKind::Scope)
            browser().selectScope(position);
        else
            browser().selectGroup(position);
        render();
    });
    connect(selectorBar_, &SelectorBar::typed, this,
            [this](SelectorKind kind, const QString& text) {
                // What was typed is said when it chose nothing, or chose with another Group.
                presenter_->setProgress(browser().chooseTyped(kind, text.toStdString()));
                render();
            });

    progress_ = new QLabel(this);
    count_ = new QLabel(this);
    statusBar()->addWidget(progress_, 1);
    statusBar()->addPermanentWidget(count_);
}

// The four lists in their tabs, and beside them what the View hides.
void MainWindow::buildTabs() {
    tabs_ = new QTabWidget(splitter_);
    for (int i = 0; i < 4; ++i) {
        auto* list = new PlaceholderListView(tabs_);
        auto* model = new TabListModel(i >= RecentlyCreatedTab, list);
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
    // A tab chosen by mouse, Ctrl+Tab or its Alt letter shows its list refilled and its item.
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int tab) { chooseTab(tab); });
    connect(tabs_, &QTabWidget::tabBarClicked, this, [this](int tab) {
        // A click on the tab strip ends Find's highlight; a click on the tab shown shows it again.
        browser().setFindHighlight(false);
        if (tab == tabs_->currentIndex())
            chooseTab(tab);
    });
    // What the View hides is said beside the tabs, with the way back to every type.
    auto* viewState = new QWidget(tabs_);
    auto* viewLayout = new QHBoxLayout(viewState);
    viewLayout->setContentsMargins(0, 0, 0, 0);
    viewLabel_ = new QLabel(viewState);
    viewLabel_->setAccessibleName("View");
    showAllTypes_ = new QPushButton("Show all t&ypes", viewState);
    connect(showAllTypes_, &QPushButton::clicked, this, [this] {
        browser().viewAll();
        render();
    });
    viewLayout->addWidget(viewLabel_);
    viewLayout->addWidget(showAllTypes_);
    tabs_->setCornerWidget(viewState, Qt::TopRightCorner);
}

// The item shown: its fields, the edit buttons and the body (plain, or formatted text).
void MainWindow::buildItemPane() {
    auto* item = new QWidget(splitter_);
    auto* itemLayout = new QVBoxLayout(item);
    auto* fields = new QFormLayout();
    // The two fields the user edits carry accelerators of letters no menu or button uses.
    // The fields shown only look it: no frame, the window's colour, and out of the Tab order
    // (a click still reaches them, to copy from them).
    auto field = [&](const char* label, const char* name) {
        auto* edit = new QLineEdit(item);
        edit->setReadOnly(true);
        edit->setFrame(false);
        edit->setFocusPolicy(Qt::ClickFocus);
        edit->setBackgroundRole(QPalette::Window);
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
    for (auto* editable : {group_, description_}) {
        editable->setReadOnly(false);
        editable->setFrame(true);
        editable->setFocusPolicy(Qt::StrongFocus);
        editable->setBackgroundRole(QPalette::Base);
    }
    connect(description_, &QLineEdit::textEdited, this, [this](const QString& text) {
        // The field the user types into keeps the focus.
        edit([&](Editor& editor) { editor.descriptionEdited(text.toStdString()); }, false);
    });
    connect(group_, &QLineEdit::textEdited, this, [this](const QString& text) {
        edit([&](Editor& editor) { editor.groupEdited(text.toStdString()); }, false);
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
    connect(save_, &QPushButton::clicked, this,
            [this] { edit([](Editor& editor) { editor.save(); }); });
    connect(abandon_, &QPushButton::clicked, this,
            [this] { edit([](Editor& editor) { editor.abandon(); }); });
    showGraphic_ = new QPushButton("Sho&w Graphic", item);
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
    connect(body_, &QPlainTextEdit::textChanged, this, &MainWindow::bodyTyped);
    body_->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(body_, &QWidget::customContextMenuRequested, this, [this](const QPoint& at) {
        QMenu menu(this);
        menu.addAction("P&rint Macro", this, [this] { printCurrent(); });
        menu.exec(body_->mapToGlobal(at));
    });
    itemLayout->addWidget(formatted_, 1);
}

// The slider above the splitter between the list and the item; both stand for one boundary.
void MainWindow::buildSlider(QWidget* centre, QVBoxLayout* layout) {
    slider_ = new QSlider(Qt::Horizontal, centre);
    slider_->setRange(0, 10);
    slider_->setToolTip("Change Preview Pane Proportion (Say 'slider 3', etc.)");
    connect(slider_, &QSlider::valueChanged, this, [this](int position) {
        applySlider(position);
        presenter_->sliderMoved(position);
    });
    layout->addWidget(slider_);
    layout->addWidget(splitter_, 1);
    centreLayout_ = layout;
    setCentralWidget(centre);
    // The list and the body share what the window gains; the list never vanishes, the body
    // only when the slider hides it.
    splitter_->setStretchFactor(0, 1);
    splitter_->setStretchFactor(1, 1);
    splitter_->setCollapsible(0, false);
    // The slider says the share, whatever the window's size: a resize keeps it.
    splitter_->installEventFilter(this);
    // Dragging the boundary moves the slider with it, so both stand for the same boundary.
    connect(splitter_, &QSplitter::splitterMoved, this, [this](int top) {
        // Quietly: the slider's own handler would set the sizes back to its tenths mid-drag.
        const QSignalBlocker quiet(slider_);
        slider_->setValue(sliderPosition(top));
        presenter_->sliderMoved(slider_->value());
    });
}

namespace {

// The list keeps this much above the slider's share, so that it shows at position 0.
constexpr int kListMargin = 40;

} // namespace

// A first start: wide enough for the whole tool bar, tall enough for ten lines of body below the
// list's share, centred on the primary screen. Where the screen is too short for that at the
// slider's position, the list's share is made smaller; the position used is returned.
int MainWindow::placeFirstTime(int slider) {
    constexpr int kBodyLines = 10;
    const int body = body_->fontMetrics().lineSpacing() * kBodyLines + 2 * body_->frameWidth() +
                     2 * static_cast<int>(body_->document()->documentMargin());
    const int itemPane =
        splitter_->widget(1)->sizeHint().height() - body_->sizeHint().height() + body;
    const auto hint = sizeHint();
    const int width = std::max(hint.width(), selectorBar_->sizeHint().width()) + kListMargin;
    auto* screen = QGuiApplication::primaryScreen();
    const auto area = screen ? screen->availableGeometry() : QRect(0, 0, width, 2 * hint.height());
    // The frame is not known before the window is shown: the title bar's height stands for it,
    // above the window and below (where a window manager may place the frame's offset).
    const int frame = style()->pixelMetric(QStyle::PM_TitleBarHeight);
    const Placement room{area.x(), area.y() + frame, area.right() + 1, area.bottom() + 1 - frame};
    // The list takes the slider's tenths of the splitter and its margin; the item pane the rest.
    const auto heightAt = [&](int position) {
        const int splitter =
            (itemPane + kListMargin) * 10 / (10 - position) + splitter_->handleWidth();
        return hint.height() - splitter_->sizeHint().height() + splitter;
    };
    int position = std::clamp(slider, 0, 8);
    while (position > 1 && heightAt(position) > room.height())
        --position;
    const auto placed = firstPlacement(width, heightAt(position), room);
    setGeometry(placed.left, placed.top, placed.width(), placed.height());
    return slider > 8 ? slider : position;
}

void MainWindow::applySlider(int position) {
    const int total = std::max(splitter_->height(), 100);
    const int top = std::min(total, total * position / 10 + kListMargin);
    splitter_->setSizes({top, std::max(0, total - top)});
}

int MainWindow::sliderPosition(int top) const {
    const int total = std::max(splitter_->height(), 100);
    return std::clamp(((top - kListMargin) * 10 + total / 2) / total, 0, 10);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (watched == splitter_ && event->type() == QEvent::Resize)
        applySlider(slider_->value());
    if (body_ && watched == body_->viewport() && event->type() == QEvent::MouseButtonRelease &&
        !presenter_->editor().editing() && !presenter_->editor().creating() &&
        !browser().item().bodyLocked)
        edit([](Editor& editor) { editor.modify(); });
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::chooseTab(int tab) {
    if (rendering_ || tab < 0)
        return;
    browser().selectTab(tab);
    render();
    // A choice the gate refused (an edit is open) leaves the tab that was showing.
    const QSignalBlocker quiet(tabs_);
    tabs_->setCurrentIndex(browser().showingTab());
    lists_[static_cast<std::size_t>(browser().showingTab())]->setFocus();
}

// A developer's aid: a phrase typed here is heard as if spoken to Dragon.
void MainWindow::addSpeakBox(std::function<void(const std::string&)> hear) {
    auto* box = new QLineEdit(centralWidget());
    box->setPlaceholderText("Speak: type a phrase and press Enter");
    connect(box, &QLineEdit::returnPressed, this, [this, box, hear = std::move(hear)] {
        hear(box->text().toStdString());
        box->clear();
        render();
    });
    centreLayout_->insertWidget(centreLayout_->indexOf(splitter_), box);
}

} // namespace qmk::app
