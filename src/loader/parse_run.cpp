#include "loader/parse_run.h"

#include "common/codepage.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "format/body_decoders.h"
#include "format/damage_report.h"
#include "loader/row_builder.h"
#include "store/statements.h"

namespace qmk {

namespace {

void appendKeyPart(std::string& key, std::string_view part) {
    key += std::to_string(part.size());
    key += ':';
    key += part;
}

// The name of the record at `position`, for the damage report when the record cannot be read.
std::string nameAt(std::string_view image, std::uint32_t position) {
    try {
        ImageReader peek(image, position);
        return std::string(peek.string());
    } catch (const FileDamage&) {
        return {};
    }
}

// Log texts are in the file's code page; a file name it cannot hold is written as it is.
std::string forLog(const std::string& utf8) {
    auto encoded = codepage::fromUtf8(utf8);
    return encoded.ok ? encoded.bytes : utf8;
}

} // namespace

Parser::Run::Run(Parser& parser, std::string_view image, const std::filesystem::path& file,
                 KeyNames keys, DuplicateLog& duplicates)
    : parser_(parser), image_(image), filename_(utf8Of(file.filename())), keys_(std::move(keys)),
      users_(parser.ctx_.store), parameters_(parser.ctx_.store),
      addState_(statements::prepareAddState(parser.ctx_.store)), duplicates_(duplicates) {
    // One entry per command: no rehash while 60,000 of them go in.
    if (image.size() >= layout::kCommandCountPosition + 2)
        rowsByKey_.reserve(ImageReader(image).u16At(layout::kCommandCountPosition) + 1024u);
    // Rows that survive a re-parse (offset 0) take part in the duplicate test.
    users_.forEach([&](const UserRow& row) {
        rowsByKey_[key(row)].push_back({row.id, row.offset, row.filename, row.type});
    });
}

std::string Parser::Run::key(const UserRow& row) {
    std::string k;
    appendKeyPart(k, row.program);
    appendKeyPart(k, row.scope);
    appendKeyPart(k, row.name);
    return k;
}

bool Parser::Run::walk() {
    ImageReader in(image_, layout::kFirstRecordPosition);
    try {
        parser_.ctx_.trace.mark("real");
        parser_.commandCount_ = in.u16At(layout::kCommandCountPosition);
        parser_.notLoaded_ = 0;
        readCommands(in);
        parser_.ctx_.trace.mark("before parselists");
        readLists(in);
        return true;
    } catch (const FileDamage& damage) {
        if (damage.kind() == FileDamage::Kind::UnknownStepCode)
            parser_.ctx_.prompt.message("Unknown step-by-step command:" +
                                            std::to_string(damage.stepCode()),
                                        "Offset =" + std::to_string(damage.position()));
        reportDamage(damage.kind() == FileDamage::Kind::DamagedName ? damage.name()
                                                                    : nameAt(image_, recordStart_),
                     damage.position());
    }
    return false;
}

void Parser::Run::readCommands(ImageReader& in) {
    const auto generation = parser_.properties_.generation;
    for (commandIndex_ = 1; commandIndex_ <= parser_.commandCount_; ++commandIndex_) {
        recordStart_ = in.position();
        const CommandRecord record = readCommandRecord(in, generation, keys_);
        const Location where = locationOf(record);
        std::string states = lookUpStates(where.program, record);
        if (record.notLoaded()) {
            ++parser_.notLoaded_;
            continue;
        }
        if (store(commandRow(record, filename_, std::move(states)), where.program, where.scope,
                  record.name))
            previous_ = {record.offset, false};
    }
}

void Parser::Run::readLists(ImageReader& in) {
    parameters_.set(Parameters::Number::OffsetLists, in.position());
    parser_.listCount_ = in.u32Low16();
    parser_.ctx_.status.setCount(
        countLabel(parser_.commandCount_ - parser_.notLoaded_, parser_.listCount_));
    for (listIndex_ = 1; listIndex_ <= parser_.listCount_; ++listIndex_) {
        recordStart_ = in.position();
        const ListRecord list = readListRecord(in);
        if (store(listRow(list, filename_), kGlobalCommands, kGlobalCommands, list.name))
            previous_ = {list.offset, true};
    }
}

std::string Parser::Run::lookUpStates(std::string_view program, const CommandRecord& record) {
    std::string ids;
    for (const auto stateName : record.stateNames) {
        std::string k;
        appendKeyPart(k, program);
        appendKeyPart(k, stateName);
        auto [it, added] = stateIds_.try_emplace(std::move(k), 0);
        if (added) {
            addState_.bind(1, codepage::toUtf8(program)).bind(2, codepage::toUtf8(stateName));
            addState_.run();
            it->second = parser_.ctx_.store.lastInsertId();
        }
        ids += std::to_string(it->second);
        ids += ',';
    }
    return ids;
}

bool Parser::Run::store(UserRow&& row, std::string_view program, std::string_view scope,
                        std::string_view rawName) {
    const std::string k = key(row);
    if (auto it = rowsByKey_.find(k); it != rowsByKey_.end() && !it->second.empty()) {
        const StoredRow& existing = it->second.front();
        duplicates_.add(forLog(existing.filename), letterOf(existing.type), rawName, program,
                        scope);
        row.dupe = true;
        if (existing.offset == 0) {
            users_.remove(existing.id);
            it->second.erase(it->second.begin());
        }
    }
    std::int64_t id = 0;
    try {
        id = users_.add(row);
    } catch (const StoreError& error) {
        showSkipMessage(row, error);
        return false;
    }
    rowsByKey_[k].push_back({id, row.offset, row.filename, row.type});
    if (firstRow_) {
        parameters_.set(Parameters::Number::lastdvcID, id);
        firstRow_ = false;
    }
    return true;
}

void Parser::Run::showSkipMessage(const UserRow& row, const StoreError& error) {
    if (++parser_.skipMessages_ >= 3)
        return;
    const std::string crlf(kCrLf);
    parser_.ctx_.prompt.message(
        row.program + " (Max=20)" + crlf + row.scope + " (Max=100)" + crlf + row.name +
            " (Max=150)" + crlf + row.description + " (Max=150)" + crlf + row.group + " (Max=50)" +
            crlf + "Error # =" + std::to_string(error.code()) + crlf + "Record(s) skipped",
        error.what());
}

void Parser::Run::reportDamage(std::string badName, std::uint32_t position) {
    DamageReport report;
    report.badName = std::move(badName);
    report.position = position;
    if (previous_.offset != 0) {
        // Re-read the previous record: it was read once already, so it reads again.
        report.dumpFrom = previous_.offset;
        ImageReader again(image_, previous_.offset);
        if (previous_.isList) {
            const auto list = readListRecord(again);
            report.previousName = list.name;
            report.previousType = letterOf(ItemType::List);
            report.previousScript = joinListItems(list.items);
        } else {
            const auto record = readCommandRecord(again, parser_.properties_.generation, keys_);
            report.previousName = record.name;
            report.previousType = letterOf(record.type());
            report.previousScript = record.script;
        }
    }
    report.commandIndex = commandIndex_;
    report.commandCount = parser_.commandCount_;
    report.listIndex = listIndex_;
    report.listCount = parser_.listCount_;
    report.parmtime = parameters_.get(Parameters::Text::mycmdstime).value_or("");
    report.filetime = parser_.properties_.modified.stored();
    writeDamageReport(FileOps::system(), parser_.ctx_.home.file(files::kErrorLog), image_, report);
    // Where the damage starts, for the message the user sees first.
    parser_.damage_ =
        "It is damaged at byte " + std::to_string(position) +
        (report.previousName.empty()
             ? std::string(", in its first record")
             : ", in the record after \"" + codepage::toUtf8(report.previousName) + "\"") +
        ". The details are in " + utf8Of(parser_.ctx_.home.file(files::kErrorLog)) + ".";
}

} // namespace qmk
