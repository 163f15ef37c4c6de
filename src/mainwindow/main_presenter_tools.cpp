#include "actions/file_actions.h"
#include "actions/xml_actions.h"
#include "mainwindow/main_presenter.h"

// The Tools and File menus' operations on the open file, run through the actions layer.
namespace qmk {

namespace fs = std::filesystem;

bool MainPresenter::afterTools(const ToolsOutcome& outcome) {
    setProgress(""); // whatever the tool said while it ran is over
    if (!outcome.newGroup.empty() || outcome.allGroups) {
        browser_.buildGroupList();
        const auto& groups = browser_.groups().entries;
        const auto wanted = outcome.allGroups ? std::string(kAllGroups) : outcome.newGroup;
        for (int i = 0; i < static_cast<int>(groups.size()); ++i)
            if (groups[static_cast<std::size_t>(i)] == wanted)
                browser_.selectGroup(i);
    }
    // A written file goes through the save cycle, so that Dragon takes it up; one another
    // program changed is read again.
    // What follows the tool comes once Dragon took the change up.
    const auto finish = [this, exported = outcome.openExported] {
        if (!exported.empty() && !openFile(exported))
            return false;
        browser_.reset(-1);
        return true;
    };
    if (outcome.fileChanged) {
        cycle_->save(false, [this, finish] {
            if (!finish())
                view_.closeProgram();
        });
        return !cycle_->ended();
    }
    if (outcome.readAgain)
        cycle_->refresh();
    return !cycle_->ended() && finish();
}

actions::OperationRunPtr MainPresenter::operationRun(Prompt& prompt) {
    return std::make_unique<actions::OperationRun>(
        EngineContext{home_, *store_, trace_, files_, commandFile_},
        [&](UpdateEngine& engine) { return operationContext(engine, prompt); });
}

actions::OperationContext MainPresenter::operationContext(UpdateEngine& engine, Prompt& prompt) {
    ReportOutlets outlets;
    outlets.shown = [this](const UserRow& row) { return browser_.passesView(row); };
    return {*store_,
            engine,
            prompt,
            home_,
            commandFile_,
            productionOpen(),
            languageName(),
            std::move(outlets),
            [this] { return cycle_->externalChange(false); },
            [this] { archiveBeforeWrite(); },
            [this](const std::string& text) { setProgress(text); },
            {},
            [this](const std::string& script) { return voice_.checkScript(script); },
            environment_ ? environment_->usersOwnFile() : fs::path()};
}

bool MainPresenter::convertFormat(const std::string& label) {
    if (!gate_.allowsLeaving())
        return false;
    return finishConversion(actions::convertFileFormat(operationRun(prompt_)->context(), label));
}

bool MainPresenter::convertLanguage(const std::string& choice) {
    if (!gate_.allowsLeaving())
        return false;
    return finishConversion(actions::convertFileLanguage(operationRun(prompt_)->context(), choice));
}

Outcome MainPresenter::exportXml(const ReportRequest& request, xmltext::Encoding encoding) {
    auto outcome =
        actions::exportXml(operationRun(prompt_)->context(), request, request.file, encoding);
    if (outcome.done())
        outcome.message += "\r\n" + outcome.summary;
    return outcome;
}

Outcome MainPresenter::writeReport(const ReportRequest& request, ReportOutlets outlets) {
    const auto work = operationRun(prompt_);
    work->context().outlets = std::move(outlets);
    return actions::writeReport(work->context(), request);
}

void MainPresenter::importXml(const std::filesystem::path& xml) {
    if (!gate_.allowsLeaving())
        return;
    const auto work = operationRun(prompt_);
    auto& session = work->context();
    session.duplicates = duplicatePrompt(prompt_, utf8Of(commandFile_), utf8Of(xml));
    actions::XmlImport request{xml, false};
    auto outcome = actions::importXmlIntoOpenFile(session, request);
    if (!outcome.unfit.empty()) {
        if (!Prompt::goesOn(prompt_.ask(outcome.message + "\r\n\r\nImport the rest without them?",
                                        outcome.title, Prompt::Buttons::YesNo)))
            return;
        request.skipUnfit = true;
        outcome = actions::importXmlIntoOpenFile(session, request);
    }
    if (outcome.done())
        outcome.message += "\r\n" + outcome.summary;
    finishConversion(outcome);
}

std::string MainPresenter::languageStatus() {
    return actions::languageDialogStatus(productionOpen(), languageName());
}

bool MainPresenter::finishConversion(const Outcome& outcome) {
    showOutcome(prompt_, outcome);
    if (outcome.done() && outcome.fileChanged)
        cycle_->save(false);
    if (outcome.code == Outcome::Code::Stale || outcome.fileChanged)
        browser_.reset(-1);
    return outcome.done() || outcome.code == Outcome::Code::Stale ||
           outcome.code == Outcome::Code::Failed;
}

} // namespace qmk
