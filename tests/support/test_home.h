#pragma once

#include "common/file_time.h"
#include "common/program_dir.h"
#include "common/prompt.h"
#include "common/status_sink.h"
#include "common/trace.h"
#include "loader/parser.h"
#include "store/database.h"
#include "store/selection.h"
#include "store/user_row.h"

#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace qmk::testing {

struct ShownMessage {
    std::string text;
    std::string title;
    Prompt::Kind kind = Prompt::Kind::Information;
};

class RecordingPrompt final : public Prompt {
public:
    void message(const std::string& text, const std::string& title) override {
        shown.push_back({text, title});
    }
    void notify(Kind kind, const std::string& text, const std::string& title) override {
        shown.push_back({text, title, kind});
    }
    // Questions are recorded with the messages and answered from `answers`, else OK or Yes.
    Answer ask(const std::string& text, const std::string& title, Buttons buttons) override {
        shown.push_back({text, title});
        if (!answers.empty()) {
            const auto answer = answers.front();
            answers.erase(answers.begin());
            return answer;
        }
        return buttons == Buttons::OkCancel ? Answer::Ok : Answer::Yes;
    }
    // Choices are answered from `choices`, else the first button.
    std::size_t choose(const std::string& text, const std::string& title,
                       const std::vector<std::string>& buttons) override {
        shown.push_back({text, title});
        lastButtons = buttons;
        if (choices.empty())
            return 0;
        const auto choice = choices.front();
        choices.erase(choices.begin());
        return choice;
    }
    // Check boxes are ticked from `checks`, else left clear.
    Choice chooseWithCheck(const std::string& text, const std::string& title,
                           const std::vector<std::string>& buttons, const std::string&) override {
        Choice choice{choose(text, title, buttons), false};
        if (!checks.empty()) {
            choice.checked = checks.front();
            checks.erase(checks.begin());
        }
        return choice;
    }
    // Input boxes are answered from `inputs` (nullopt: Cancel), else with their default.
    std::optional<std::string> input(const std::string& text, const std::string& title,
                                     const std::string& defaultAnswer) override {
        shown.push_back({text, title});
        if (inputs.empty())
            return defaultAnswer;
        auto answer = inputs.front();
        inputs.erase(inputs.begin());
        return answer;
    }
    std::vector<ShownMessage> shown;
    std::vector<std::string> lastButtons; // of the last choice offered
    std::vector<std::optional<std::string>> inputs;
    std::vector<bool> checks;
    std::vector<Answer> answers;
    std::vector<std::size_t> choices;
};

class RecordingStatus final : public StatusSink {
public:
    void setProgress(const std::string& text) override { progress.push_back(text); }
    void setCount(const std::string& text) override {
        count = text;
        counts.push_back(text);
    }
    std::vector<std::string> progress;
    std::string count;
    std::vector<std::string> counts;
};

// A fresh program directory in a temporary folder, with the shipped key names, a store, a trace,
// and a parser wired to recording prompt and status.
class TestHome {
public:
    TestHome();
    ~TestHome();
    TestHome(const TestHome&) = delete;
    TestHome& operator=(const TestHome&) = delete;

    std::filesystem::path path(const std::string& name) const { return home_.file(name); }
    const ProgramDir& home() const { return home_; }
    // Writes bytes to a file in the folder and returns its path.
    std::filesystem::path writeFile(const std::string& name, const std::string& bytes) const;
    std::string readFile(const std::string& name) const;

    Database& store() { return *db_; }
    // Closes the store, so that the file may be removed or replaced (Windows refuses an open
    // one); neither store() nor parser() is used after it.
    void closeStore() { db_.reset(); }
    Parser& parser() { return *parser_; }
    Trace& trace() { return *trace_; }
    ParseResult parse(const std::filesystem::path& file, bool force = false);
    std::vector<UserRow> rows();
    std::vector<std::string> traceLines() const;

    RecordingPrompt prompt;
    RecordingStatus status;

private:
    ProgramDir home_;
    std::unique_ptr<Database> db_;
    std::unique_ptr<Trace> trace_;
    std::unique_ptr<Parser> parser_;
};

// The whole of a file's bytes.
std::string readBytes(const std::filesystem::path& file);

// The rows of the store that meet a condition of the test's own, written as SQL.
Selection rowsWhere(Database& db, const std::string& condition);

// A moment of local time, as archive names and damaged-store names count it.
FileTime localTime(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);

// Environment variables changed for one scope. Each is put back as it was when the scope ends,
// also when a failed assertion ends the test early, so no later test inherits them.
class ScopedEnvironment {
public:
    ScopedEnvironment() = default;
    ScopedEnvironment(const ScopedEnvironment&) = delete;
    ScopedEnvironment& operator=(const ScopedEnvironment&) = delete;
    ~ScopedEnvironment();

    ScopedEnvironment& set(const char* name, const std::string& value);
    ScopedEnvironment& set(const char* name, const std::filesystem::path& value);
    ScopedEnvironment& set(const char* name, const char* value) {
        return set(name, std::string(value));
    }
    ScopedEnvironment& unset(const char* name);

private:
    void save(const char* name);
    std::vector<std::pair<std::string, std::optional<std::string>>> saved_;
};

} // namespace qmk::testing
