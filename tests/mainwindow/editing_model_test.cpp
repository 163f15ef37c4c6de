// The window's presenters driven by long random sequences of user inputs, with the properties
// that must hold after every one of them checked as it goes.
#include "command_file_builder.h"
#include "dragon_install.h"
#include "format/file_properties.h"
#include "format/record.h"
#include "mainwindow/main_presenter.h"
#include "session/supplied_files.h"
#include "store/user_rows.h"
#include "test_home.h"
#include "writer/record_edits.h"

#include <cstdio>
#include <cstdlib>
#include <gtest/gtest.h>
#include <random>
#include <set>

namespace qmk {
namespace {

namespace fs = std::filesystem;
using fixture::CommandFileBuilder;
using places::findRow;
using testing::readBytes;

enum class Input {
    ChooseProgram,
    ChooseScope,
    ChooseGroup,
    ChooseTab,
    ChooseLine,
    Speak,
    FindAgain,
    FindPrevious,
    ChangeView,
    OpenExport,
    ReloadOwnFile,
    TypeBody,
    TypeDescription,
    TypeGroup,
    Modify,
    NewCommand,
    NewList,
    Clone,
    ConvertToPlain,
    ConvertToAdvanced,
    Save,
    Abandon,
    Close,
    OutsideChange,
    DragonReload,
    Count
};
constexpr const char* kInputNames[] = {"choose Program",
                                       "choose Scope",
                                       "choose Group",
                                       "choose tab",
                                       "choose line",
                                       "speak",
                                       "F11",
                                       "F12",
                                       "change View",
                                       "open export",
                                       "reload own file",
                                       "type in body",
                                       "type in Description",
                                       "type in Group",
                                       "Modify",
                                       "New command",
                                       "New LIST",
                                       "Clone",
                                       "Convert to Plain Text",
                                       "Convert to Advanced Scripting",
                                       "Save",
                                       "Abandon",
                                       "close",
                                       "outside change",
                                       "Dragon reload"};
static_assert(std::size(kInputNames) == static_cast<std::size_t>(Input::Count));

// One input with the random numbers it draws on, so that a sequence replays exactly.
struct Step {
    Input input;
    std::uint32_t a, b;
};

std::string describe(const Step& step) {
    return std::string(kInputNames[static_cast<int>(step.input)]) + " (" + std::to_string(step.a) +
           ", " + std::to_string(step.b) + ")";
}

// Pieces typed into the fields: every kind of character a body holds, CR LF, backslashes
// single and doubled, quotes, blanks, and characters above 0x7F (é, €, a no-break space).
constexpr const char* kPieces[] = {"a",    "Z",  " ", "\\", "\\\\",         "\"",       "{",   "}",
                                   "\r\n", "\t", "<", "é",  "\xe2\x82\xac", "\xc2\xa0", "x y "};

// A change to a field's text as typing makes it: a piece added, the last character taken
// back, or the whole text typed anew (also empty).
std::string typedVariant(std::string text, std::uint32_t a, std::uint32_t b) {
    switch (a % 5) {
    case 0: {
        if (text.ends_with("\r\n")) {
            text.resize(text.size() - 2);
        } else {
            while (!text.empty() && (static_cast<unsigned char>(text.back()) & 0xc0) == 0x80)
                text.pop_back();
            if (!text.empty())
                text.pop_back();
        }
        return text;
    }
    case 1:
        text.clear();
        for (std::uint32_t i = 0; i < b % 6; ++i)
            text += kPieces[(b / 7 + i * 3) % std::size(kPieces)];
        return text;
    default:
        return text + kPieces[b % std::size(kPieces)];
    }
}

// Save's line ends, as the users expect them: every type but Plain Text and KEYS ends with
// exactly one CR LF.
std::string withLineEnds(std::string body, ItemType type) {
    if (type == ItemType::PlainText || type == ItemType::Keys)
        return body;
    while (body.ends_with("\r\n"))
        body.resize(body.size() - 2);
    return body + "\r\n";
}

// The records of a command file's image, each as its bytes.
std::multiset<std::string> records(const std::string& image) {
    FileProperties properties;
    decodeHeader(image, properties);
    ImageReader in(image);
    const auto commands = in.u16At(layout::kCommandCountPosition);
    in.setPosition(layout::kFirstRecordPosition);
    std::multiset<std::string> all;
    for (std::uint32_t i = 0; i < commands; ++i) {
        const auto start = in.position();
        readCommandRecord(in, properties.generation, KeyNames{});
        all.insert(image.substr(start - 1, in.position() - start));
    }
    const auto lists = in.u32();
    for (std::uint32_t i = 0; i < lists; ++i) {
        const auto start = in.position();
        readListRecord(in);
        all.insert(image.substr(start - 1, in.position() - start));
    }
    return all;
}

std::multiset<std::string> without(std::multiset<std::string> from,
                                   const std::multiset<std::string>& taken) {
    for (const auto& record : taken)
        if (const auto at = from.find(record); at != from.end())
            from.erase(at);
    return from;
}

// The rows as a fresh parse of their file gives them: what the window relies on. The Group of a
// LIST is the window's own (a LIST is shown in the Group of the commands that use it).
std::vector<std::string> fileRows(const std::vector<UserRow>& rows) {
    std::vector<std::string> out;
    for (const auto& r : rows)
        if (!r.listcopy)
            out.push_back(r.program + "|" + r.scope + "|" + r.name + "|" + letterOf(r.type) + "|" +
                          r.script + "|" + (r.type == ItemType::List ? "" : r.group) + "|" +
                          r.description + "|" + r.states + "|" + std::to_string(r.offset) + "|" +
                          std::to_string(r.offsetbody));
    std::sort(out.begin(), out.end());
    return out;
}

CommandFileBuilder everyKind() {
    auto file = fixture::oneOfEveryType();
    file.command("keys path").group("Paths").keys("c:\\\\temp\\\\{Enter}");
    file.command("open <colors>").group("Paths").keys("{Alt+o}");
    file.command("locked").encrypted().advanced("secret");
    file.command("bold").window("winword", "Document1").group("Office").keys("{Ctrl+b}");
    file.command("sum <colors>").window("excel", "Book1").group("Office").script("SendKeys \"=\"");
    file.command("greet").application("winword").plainText("Dear \"Sir\",\r\nhello  ");
    file.list("paths", {"c:\\\\a", "d:\\\\b"});
    file.list("lone", {"c:\\b"});
    return file;
}

// One run: a simulated Dragon user whose own file holds every kind of record, an exported copy
// of it beside, and the window's presenter started on Global Commands.
class World {
public:
    World() : install_(home_.path("")) {
        environment_.set("QUILLMARK10_COMMON_APPDATA", install_.common)
            .set("QUILLMARK10_APPDATA", install_.perUser)
            // No merge tool: Dragon reloads the user, at once.
            .set("QUILLMARK10_DRAGON_PROGRAM", home_.path("dragon") / "natspeak")
            .set("QUILLMARK10_DRAGON_RELOAD_MS", "0");
        everyKind().write(ownFile().string());
        everyKind().write(exportFile().string());
        home_.writeFile(kPlacerFile, placerFile());
        home_.writeFile("Quillmark10.INI", "[Quillmark]\r\ndont show auto import=-1\r\n");
        start();
        before_ = {readBytes(ownFile()), readBytes(exportFile())};
    }

    // Carries the step out and checks the properties; what broke, or empty.
    std::string run(const Step& step);

private:
    fs::path ownFile() const { return install_.currentFolder() + "/mycmds.dat"; }
    fs::path exportFile() const { return home_.path("export.dat"); }
    void start() {
        main_.reset();
        dragon_ = std::make_unique<SimulatedDragon>();
        main_ = std::make_unique<MainPresenter>(home_.home(), dragon_->platform(), home_.prompt,
                                                home_.status, window_);
        window_.presenter = main_.get();
        main_->setClipboard([this](const std::string& body) { clipboard_ = body; });
        main_->start("global commands");
        main_->finder().findFirst({"o", FindSettings::Field::Name, false});
    }
    bool perform(const Step& step);
    void changeOutside(std::uint32_t which);
    std::string checkWrite(const fs::path& file, const std::string& before, bool saved,
                           const fs::path& shown);
    std::string checkSaved();
    std::string checkStore();

    struct NoWindow final : SaveCycleView {
        void refreshed() override { presenter->refreshed(); }
        int currentTab() override { return presenter->browser().showingTab(); }
        void showTab(int tab) override { presenter->browser().selectTab(tab); }
        void setBusy(bool) override {}
        void showHelp(int) override {}
        void closeProgram() override { closed = true; }
        MainPresenter* presenter = nullptr;
        bool closed = false;
    };

    testing::TestHome home_;
    testing::DragonInstall install_;
    testing::ScopedEnvironment environment_;
    NoWindow window_;
    std::unique_ptr<SimulatedDragon> dragon_; // before the presenter, which uses it
    std::unique_ptr<MainPresenter> main_;
    std::pair<std::string, std::string> before_;
    // The edit as it began, and what the model typed into it.
    struct Edit {
        EditTarget target;
        ItemTexts shown, typed;
    };
    std::optional<Edit> edit_;
    bool closed_ = false;
    std::string clipboard_;
};

bool World::perform(const Step& step) {
    auto& main = *main_;
    auto& browser = main.browser();
    auto& editor = main.editor();
    auto& prompt = home_.prompt;
    const auto pick = [&](std::size_t size) { return static_cast<int>(size ? step.a % size : 0); };
    const auto name = [&](const char* stem) { return stem + std::to_string(step.b % 40); };
    const auto type = [&](std::string ItemTexts::*field, auto edited) {
        const auto text = typedVariant(editor.texts().*field, step.a, step.b);
        if ((editor.*edited)(text) && edit_)
            edit_->typed.*field = text;
    };
    static constexpr const char* kWords[] = {
        "commands",   "lists", "recently created", "recently modified", "program", "scope", "group",
        "all groups", "slider"};
    switch (step.input) {
    case Input::ChooseProgram:
        browser.selectProgram(pick(browser.programs().entries.size()));
        break;
    case Input::ChooseScope:
        browser.selectScope(pick(browser.scopes().entries.size()));
        break;
    case Input::ChooseGroup:
        if (const auto g = pick(browser.groups().entries.size());
            browser.groups().entries.at(static_cast<std::size_t>(g)) != "-")
            browser.selectGroup(g);
        break;
    case Input::ChooseTab:
        browser.selectTab(static_cast<int>(step.a % 4));
        break;
    case Input::ChooseLine:
        browser.selectLine(browser.showingTab(), pick(browser.tab(browser.showingTab()).size()));
        break;
    case Input::Speak: {
        const std::string word = kWords[step.a % std::size(kWords)];
        const bool numbered = step.a % std::size(kWords) >= 4 && word != "all groups";
        dragon_->voice.hear(numbered ? word + " " + std::to_string(1 + step.b % 5) : word);
        break;
    }
    case Input::FindAgain:
        main.finder().findAgain();
        break;
    case Input::FindPrevious:
        main.finder().findPrevious();
        break;
    case Input::ChangeView:
        switch (step.a % 4) {
        case 0:
            browser.viewAll();
            break;
        case 1:
            browser.toggle(static_cast<TypeSwitch>(step.b % 3));
            break;
        case 2:
            browser.viewOnly(static_cast<TypeSwitch>(step.b % 8));
            break;
        default:
            browser.followCommand(prompt);
            break;
        }
        break;
    case Input::OpenExport:
        main.openFile(exportFile());
        break;
    case Input::ReloadOwnFile:
        main.reload();
        break;
    case Input::TypeBody:
        type(&ItemTexts::body, &Editor::bodyEdited);
        break;
    case Input::TypeDescription:
        type(&ItemTexts::description, &Editor::descriptionEdited);
        break;
    case Input::TypeGroup:
        type(&ItemTexts::group, &Editor::groupEdited);
        break;
    case Input::Modify:
        editor.modify();
        break;
    case Input::NewCommand:
        prompt.inputs = {step.b % 5 == 0 ? name("paint <colors> ") : name("new ")};
        editor.newCommand(itemTypeOfLetter(std::string(1, "KSAP"[step.a % 4])));
        break;
    case Input::NewList:
        prompt.inputs = {name("list")};
        editor.newList();
        break;
    case Input::Clone:
        prompt.inputs = {name("clone")};
        editor.clone();
        break;
    case Input::ConvertToPlain:
        editor.convertToPlain();
        break;
    case Input::ConvertToAdvanced:
        editor.convertToAdvanced();
        break;
    case Input::Save:
        return editor.save();
    case Input::Abandon:
        editor.abandon();
        break;
    case Input::Close: {
        const bool wasEditing = editor.editing();
        prompt.choices = {step.a % 3}; // Save, Discard, Cancel
        if (!editor.mayClose())
            break;
        closed_ = true; // started again once the step is checked
        return wasEditing && step.a % 3 == 0;
    }
    case Input::OutsideChange:
        changeOutside(step.a);
        break;
    case Input::DragonReload:
        dragon_->engine.setSpeaker(dragon_->engine.speaker());
        break;
    case Input::Count:
        break;
    }
    return false;
}

// Another program (Dragon's Command Browser) rewrites one body of the user's own file, which is
// the file the program watches for such changes.
void World::changeOutside(std::uint32_t which) {
    const auto file = ownFile();
    if (main_->commandFile() != file)
        return;
    testing::TestHome other;
    ASSERT_TRUE(other.parse(file, true).ok());
    std::vector<UserRow> bodies;
    for (const auto& row : other.rows())
        if (row.type == ItemType::Keys || row.type == ItemType::Script ||
            row.type == ItemType::PlainText)
            bodies.push_back(row);
    ASSERT_FALSE(bodies.empty());
    FileOps files;
    UpdateEngine engine({other.home(), other.store(), other.trace(), files, file});
    const auto& row = bodies[which % bodies.size()];
    ASSERT_TRUE(replaceBody(engine, row, "outside " + std::to_string(which)).done());
    before_.first = readBytes(file);
}

// (a) A file changes only at a Save that wrote, and then only in the record being edited.
std::string World::checkWrite(const fs::path& file, const std::string& before, bool saved,
                              const fs::path& shown) {
    const auto now = readBytes(file);
    if (now == before)
        return "";
    if (!saved || !edit_ || file != shown)
        return utf8Of(file.filename()) + " changed without a Save";
    const auto gone = without(records(before), records(now));
    const auto added = without(records(now), records(before));
    if (added.size() != 1 || gone.size() != (edit_->target.creates() ? 0u : 1u))
        return "a Save changed " + std::to_string(gone.size()) + " records and added " +
               std::to_string(added.size() - std::min<std::size_t>(added.size(), gone.size()));
    return "";
}

// (b) What was saved is what was typed, after the type's line ends.
std::string World::checkSaved() {
    const auto& t = edit_->target;
    const bool list = t.type == ItemType::List;
    const std::string global(kGlobalCommands);
    const auto row =
        findRow(main_->store(), list ? global : t.program, list ? global : t.scope, t.name);
    if (!row)
        return "the saved item is not in the store";
    const auto& typed = edit_->typed;
    const auto shownNow = bodyFromDisplay(bodyForDisplay(shownBody(*row)));
    const bool bodyLeftAlone = !t.creates() && typed.body == edit_->shown.body;
    if (shownNow != (bodyLeftAlone ? edit_->shown.body : withLineEnds(typed.body, t.type)))
        return "saved body \"" + shownNow + "\" but typed \"" + typed.body + "\"";
    if (!list && (row->description != typed.description ||
                  row->group != (typed.group.empty() ? "User-defined" : typed.group)))
        return "saved \"" + row->description + "\" / \"" + row->group + "\" but typed \"" +
               typed.description + "\" / \"" + typed.group + "\"";
    return "";
}

// (e) The store holds what a fresh parse of the file gives.
std::string World::checkStore() {
    if (main_->saveCycle().externalChange(false))
        return ""; // another program's change, which the next operation reads
    testing::TestHome fresh;
    if (!fresh.parse(main_->commandFile(), true).ok())
        return "the file no longer parses";
    const auto held = fileRows(UserTable(main_->store()).all());
    const auto parsed = fileRows(fresh.rows());
    if (held != parsed) {
        const auto [h, p] = std::mismatch(held.begin(), held.end(), parsed.begin(), parsed.end());
        return "the store differs from a fresh parse of the file: \"" +
               (h == held.end() ? "" : *h) + "\" against \"" + (p == parsed.end() ? "" : *p) + "\"";
    }
    return "";
}

std::string World::run(const Step& step) {
    const bool wasEditing = main_->editor().editing();
    const auto shown = main_->commandFile();
    const auto shownBefore = home_.prompt.shown.size();
    const bool saved = perform(step);
    main_->pump(); // Dragon's events that fell due
    if (window_.closed)
        return "the program ended";
    auto& now = main_->editor();
    if (!wasEditing && now.editing()) {
        const auto& gate = main_->browser().gate();
        edit_ = Edit{gate.target(), gate.shown(), now.texts()};
    }
    std::string broke;
    if (broke.empty())
        broke = checkWrite(ownFile(), before_.first, saved, shown);
    if (broke.empty())
        broke = checkWrite(exportFile(), before_.second, saved, shown);
    if (broke.empty() && saved &&
        readBytes(shown) != (shown == ownFile() ? before_.first : before_.second))
        broke = checkSaved();
    // (f) A Save stopped by another program's change leaves what was typed on the clipboard and
    // says so; the edit ends and the store reads the file again (checked below).
    const bool stoppedByChange =
        step.input == Input::Save && wasEditing && !now.editing() && !saved &&
        home_.prompt.shown.size() > shownBefore &&
        home_.prompt.shown.back().text.starts_with("Sorry, this operation");
    if (broke.empty() && stoppedByChange && clipboard_ != edit_->typed.body)
        broke = "the body typed is not on the clipboard";
    // (d) While editing, the item under edit never changes, nor the item shown.
    if (broke.empty() && wasEditing && now.editing()) {
        const auto& target = main_->browser().gate().target();
        const auto& browser = main_->browser();
        if (target.name != edit_->target.name || target.rowId != edit_->target.rowId ||
            target.program != edit_->target.program || browser.currentProgram() != target.program ||
            browser.currentScope() != target.scope ||
            (!target.creates() && browser.currentItemName() != target.name))
            broke = "the item under edit changed";
    }
    if (!now.editing() && !closed_)
        edit_.reset();
    const auto own = readBytes(ownFile()), exported = readBytes(exportFile());
    if (broke.empty() && (own != before_.first || exported != before_.second ||
                          step.input == Input::ReloadOwnFile || step.input == Input::OpenExport))
        broke = checkStore();
    before_ = {own, exported};
    if (closed_) {
        closed_ = false;
        edit_.reset();
        main_->close(0, 0, 800, 600, false);
        main_.reset();
        start();
    }
    return broke.empty() ? "" : describe(step) + ": " + broke;
}

std::vector<Step> randomSteps(std::size_t count, std::uint32_t seed) {
    // Weights: browsing and typing are what users do most; closing and outside changes are rare.
    constexpr int kWeights[] = {4, 4, 3, 4, 5, 5, 2, 2, 2, 1, 1, 9, 4,
                                4, 4, 2, 1, 2, 1, 1, 6, 2, 1, 1, 1};
    static_assert(std::size(kWeights) == static_cast<std::size_t>(Input::Count));
    std::mt19937 random(seed); // 32-bit numbers
    std::discrete_distribution<int> inputs(std::begin(kWeights), std::end(kWeights));
    std::vector<Step> steps;
    for (std::size_t i = 0; i < count; ++i)
        steps.push_back({static_cast<Input>(inputs(random)), static_cast<std::uint32_t>(random()),
                         static_cast<std::uint32_t>(random())});
    return steps;
}

// The first failure of a sequence run from the start, or empty.
std::string firstFailure(const std::vector<Step>& steps, std::size_t* at = nullptr) {
    World world;
    for (std::size_t i = 0; i < steps.size(); ++i)
        if (auto broke = world.run(steps[i]); !broke.empty()) {
            if (at)
                *at = i;
            return broke;
        }
    return "";
}

// A failing sequence cut to the steps it needs: first the shortest run of its last steps that
// still fails, then chunks taken out of that while it still fails.
std::vector<Step> shortened(const std::vector<Step>& failing) {
    std::vector<Step> steps = failing;
    for (std::size_t last = 8; last < failing.size(); last *= 2) {
        const std::vector<Step> tail(failing.end() - static_cast<std::ptrdiff_t>(last),
                                     failing.end());
        if (!firstFailure(tail).empty()) {
            steps = tail;
            break;
        }
    }
    for (std::size_t chunk = steps.size() / 2; chunk >= 1; chunk /= 2)
        for (std::size_t from = 0; from + chunk <= steps.size();) {
            auto fewer = steps;
            fewer.erase(fewer.begin() + static_cast<std::ptrdiff_t>(from),
                        fewer.begin() + static_cast<std::ptrdiff_t>(from + chunk));
            if (!firstFailure(fewer).empty())
                steps = std::move(fewer);
            else
                from += chunk;
        }
    return steps;
}

TEST(EditingModel, EveryInputSequenceKeepsTheFileTheStoreAndTheEditInStep) {
    const char* asked = std::getenv("QMK_MODEL_STEPS");
    const auto count = asked ? std::strtoul(asked, nullptr, 10) : 10000ul;
    const char* seed = std::getenv("QMK_MODEL_SEED");
    const auto steps = randomSteps(
        count, seed ? static_cast<std::uint32_t>(std::strtoul(seed, nullptr, 10)) : 20261208u);
    std::size_t at = 0;
    const auto broke = firstFailure(steps, &at);
    if (broke.empty())
        return;
    std::fprintf(stderr, "step %zu broke: %s; shortening the sequence\n", at + 1, broke.c_str());
    if (std::getenv("QMK_MODEL_NO_SHORTENING"))
        FAIL() << broke;
    auto failing = shortened({steps.begin(), steps.begin() + static_cast<std::ptrdiff_t>(at) + 1});
    std::string sequence;
    for (const auto& step : failing)
        sequence += "\n  " + describe(step);
    FAIL() << broke << "\nshortest failing sequence (" << failing.size() << " steps):" << sequence
           << "\nwhich ends: " << firstFailure(failing);
}

} // namespace
} // namespace qmk
