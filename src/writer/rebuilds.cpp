#include "writer/rebuilds.h"

#include "common/codepage.h"
#include "common/utf8_path.h"
#include "format/body_decoders.h"
#include "format/file_properties.h"
#include "format/image_writer.h"
#include "format/record.h"
#include "store/statements.h"
#include "store/user_rows.h"
#include "writer/check_string.h"
#include "writer/guarded_write.h"
#include "writer/list_names.h"

#include <fstream>
#include <functional>
#include <unordered_map>
#include <unordered_set>
#include <variant>

namespace qmk {

namespace {

// What the walk of one command record decided.
struct Walked {
    RecordContext context;
    bool selected = false; // the record is one of the selection's
};

// One rebuild: the old image, the new content, the selection's records by position.
class RebuildRun {
public:
    RebuildRun(UpdateEngine& engine, const Selection& rows, layout::Generation output,
               std::uint8_t versionCode)
        : engine_(engine), output_(output) {
        const auto& home = engine.context().home;
        engine.context().files.writeLog(home.file(files::kChangeLog), "");
        engine.context().files.writeLog(home.file(files::kDuplicateLog), "");
        for (const auto offset : statements::commandOffsets(engine.context().store, rows))
            selected_.insert(offset);
        const auto image = engine.image();
        engine.output().reserve(image.size());
        engine.output() =
            rebuiltHeader(versionCode, static_cast<std::uint8_t>(image[layout::kLanguageOffset]));
    }

    // Walks every command record; `keep` says which go into the new file. Returns the position
    // of the old lists section, or the refusal that stopped the walk.
    std::variant<std::uint32_t, Outcome>
    walkCommands(const WalkTransform& transform, const std::function<bool(const Walked&)>& keep) {
        const auto image = engine_.image();
        RecordWalker walker(image, engine_.generation(), output_);
        std::uint32_t position = layout::kFirstRecordPosition;
        std::uint32_t written = 0;
        auto refusal = guarded([&] {
            const auto count = ImageReader(image).u16At(layout::kCommandCountPosition);
            auto& out = engine_.output();
            for (std::uint32_t i = 0; i < count; ++i) {
                Walked walked;
                walked.selected = selected_.contains(position);
                // Walked straight onto the output, and taken off again when not kept.
                const auto start = out.size();
                std::uint32_t end = 0;
                walked.context = walker.walkCommand(position, walked.selected, transform, out, end);
                if (keep(walked))
                    ++written;
                else
                    out.resize(start);
                last_ = walked.context.name;
                position = end;
            }
        });
        if (refusal)
            return *refusal;
        engine_.writeLongAt(layout::kCommandCountPosition, written);
        return position;
    }

    // Copies the LISTs of the old lists section that `keep` accepts, with their new count.
    std::optional<Outcome> copyLists(std::uint32_t listsAt,
                                     const std::function<bool(const RecordContext&)>& keep) {
        const auto image = engine_.image();
        RecordWalker walker(image, engine_.generation(), output_);
        const auto countAt = static_cast<std::uint32_t>(engine_.output().size()) + 1;
        engine_.writeLong(0);
        std::uint32_t kept = 0;
        auto refusal = guarded([&] {
            const auto lists = ImageReader(image).u16At(listsAt);
            std::uint32_t position = listsAt + 4;
            std::string record;
            for (std::uint32_t i = 0; i < lists; ++i) {
                record.clear();
                std::uint32_t end = 0;
                const auto list = walker.copyList(position, record, end);
                if (keep(list)) {
                    engine_.output() += record;
                    ++kept;
                }
                last_ = list.name;
                position = end;
            }
        });
        if (!refusal)
            engine_.writeLongAt(countAt, kept);
        return refusal;
    }

    Outcome commit(const std::string& marker) { return engine_.commit(marker); }

private:
    std::optional<Outcome> guarded(const std::function<void()>& walk) {
        const auto image = engine_.image();
        return guardedWalk(image, last_, engine_.context().home, engine_.context().files,
                           utf8Of(engine_.context().commandFile), walk);
    }

    UpdateEngine& engine_;
    layout::Generation output_;
    std::unordered_set<std::uint32_t> selected_; // positions of the selected commands
    std::string_view last_;                      // the last name walked, in its image
};

// Reads the command file; the refusal when it cannot be read or holds no header.
std::optional<Outcome> load(UpdateEngine& engine) {
    const auto path = utf8Of(engine.context().commandFile);
    if (!engine.load())
        return Outcome::refused("The command file cannot be read", path);
    if (engine.image().size() < layout::kHeaderSize)
        return Outcome::refused("This is not a command file", path);
    return std::nullopt;
}

std::uint8_t versionCodeOf(const UpdateEngine& engine) {
    return static_cast<std::uint8_t>(engine.image()[layout::kVersionOffset]);
}

// A walk over every command with `transform`, then the old lists section unchanged.
Outcome rebuildAll(UpdateEngine& engine, const Selection& rows, const WalkTransform& transform,
                   layout::Generation output, std::uint8_t versionCode, const std::string& marker) {
    RebuildRun run(engine, rows, output, versionCode);
    auto walked = run.walkCommands(transform, [](const Walked&) { return true; });
    if (auto* refusal = std::get_if<Outcome>(&walked))
        return *refusal;
    engine.copyTail(std::get<std::uint32_t>(walked));
    return run.commit(marker);
}

} // namespace

Outcome deleteCommands(UpdateEngine& engine, const Selection& rows) {
    if (auto refusal = load(engine))
        return *refusal;
    RebuildRun run(engine, rows, engine.generation(), versionCodeOf(engine));
    std::unordered_set<std::string> used;
    auto walked = run.walkCommands({WalkOperation::Delete, {}, {}}, [&](const Walked& w) {
        if (w.selected)
            return false;
        for (auto& list : listNamesIn(w.context.name, kListsKeptPerName))
            used.insert(std::move(list));
        return true;
    });
    if (auto* refusal = std::get_if<Outcome>(&walked))
        return *refusal;
    if (auto refusal =
            run.copyLists(std::get<std::uint32_t>(walked), [&](const RecordContext& list) {
                return used.contains(std::string(list.name));
            }))
        return *refusal;
    return run.commit("deletethem");
}

Outcome deleteList(UpdateEngine& engine, const UserRow& list) {
    if (auto refusal = load(engine))
        return *refusal;
    const auto name = codepage::fromUtf8(list.name);
    std::uint32_t end = 0;
    try {
        ImageReader in(engine.image(), static_cast<std::uint32_t>(list.offset));
        const auto record = readListRecord(in);
        if (!name.ok || record.name != name.bytes)
            throw FileDamage::overrun(record.offset);
        end = record.end;
    } catch (const FileDamage&) {
        return staleStore();
    }
    const auto listsAt = static_cast<std::uint32_t>(engine.storedOffsetLists());
    engine.prepareRewrite(static_cast<std::uint32_t>(list.offset) - 1);
    engine.copyTail(end); // the tail from the LIST's end: nothing after it is lost
    engine.writeLongAt(listsAt, engine.readLongAt(listsAt) - 1);
    if (auto result = engine.commit("command delete list "); !result.done())
        return result;
    UserTable(engine.context().store).remove(list.id);
    engine.shiftStore(static_cast<std::uint32_t>(list.offset),
                      static_cast<std::int64_t>(list.offset) - end);
    return Outcome{};
}

DvcConversion convertDvc(UpdateEngine& engine, const Selection& rows, WalkOperation operation) {
    DvcConversion conversion;
    conversion.logName = operation == WalkOperation::DvcToPlainText  ? "ConvertKEYS2Plain.log"
                         : operation == WalkOperation::DvcToSendKeys ? "ConvertKEYS2Advanced.log"
                                                                     : "ConvertKEYS2SendDragon.log";
    if (auto refusal = load(engine)) {
        conversion.result = *refusal;
        return conversion;
    }
    ConversionLog log;
    const auto& home = engine.context().home;
    {
        RebuildRun run(engine, rows, engine.generation(), versionCodeOf(engine));
        auto walked =
            run.walkCommands({operation, {}, {}, &log}, [](const Walked&) { return true; });
        if (auto* refusal = std::get_if<Outcome>(&walked)) {
            conversion.result = *refusal;
            return conversion;
        }
        engine.copyTail(std::get<std::uint32_t>(walked));
        engine.context().files.writeLog(home.file(files::kChangeLog), log.text);
        conversion.result = run.commit("RenameGroup");
    }
    conversion.notConverted = log.notConverted;
    if (conversion.result.done())
        engine.context().files.writeLog(home.file(conversion.logName), log.text);
    return conversion;
}

Outcome renameGroupsOrPrograms(UpdateEngine& engine, const Selection& rows,
                               const WalkTransform& transform) {
    if (auto refusal = load(engine))
        return *refusal;
    return rebuildAll(engine, rows, transform, engine.generation(), versionCodeOf(engine),
                      "RenameGroup");
}

std::optional<FormatTarget> formatTarget(const std::string& label) {
    if (label == "6.0")
        return FormatTarget{"6.0", 3, "Already in 6.0 format"};
    if (label == "6.1")
        return FormatTarget{"6.1", 4, "Already in 6.1 format"};
    if (label == "7.0")
        return FormatTarget{"7.0", 5, "Already in 7.0 format"};
    if (label == "8.0")
        return FormatTarget{"8.0", 6, "Already in 8/9 format"};
    return std::nullopt;
}

std::optional<Outcome> formatConversionRefusal(UpdateEngine& engine, const FormatTarget& target) {
    if (auto refusal = load(engine))
        return *refusal;
    const auto path = utf8Of(engine.context().commandFile);
    if (versionCodeOf(engine) == target.versionCode)
        return Outcome::refused(target.already, path);
    FileProperties properties;
    decodeHeader(engine.image(), properties);
    if (target.versionCode <= 4 && properties.languageName != "English")
        return Outcome::refused("There is no " + properties.languageName + " version " +
                                    target.label,
                                "contact Tarnwell if this is reached in error");
    const auto source = engine.generation();
    if (source == layout::Generation::Unknown)
        return Outcome::refused("The file's format is unknown; it cannot be converted", path);
    if (source == layout::Generation::V6 && target.versionCode >= 5)
        return Outcome::refused("A " + properties.versionText + " file cannot be converted to " +
                                    target.label +
                                    " format: its records lack the blocks that format needs",
                                path);
    // Only a 10.x file can hold an encrypted command.
    if (source == layout::Generation::V10) {
        try {
            ImageReader in(engine.image());
            const auto count = in.u16At(layout::kCommandCountPosition);
            in.setPosition(layout::kFirstRecordPosition);
            for (std::uint32_t i = 0; i < count; ++i) {
                const auto record = readCommandRecord(in, source, KeyNames{});
                if (record.encrypted)
                    return Outcome::refused(
                        "The command \"" + codepage::toUtf8(record.name) +
                            "\" is encrypted: a file holding encrypted commands cannot be "
                            "converted to " +
                            target.label + " format",
                        path);
            }
        } catch (const FileDamage&) {
            // Damage is reported by the walk itself.
        }
    }
    return std::nullopt;
}

Outcome convertFormat(UpdateEngine& engine, const FormatTarget& target) {
    if (auto refusal = formatConversionRefusal(engine, target))
        return *refusal;
    const auto* info = layout::findGeneration(target.versionCode);
    // Every row takes part in a format conversion.
    return rebuildAll(engine, statements::selectAll(engine.context().store),
                      {WalkOperation::ConvertFormat, {}, {}, nullptr, target.label},
                      info->generation, target.versionCode,
                      "convert2" + std::string(1, target.label[0]) +
                          std::string(1, target.label[2]));
}

std::optional<std::string> withCommandsKept(std::string_view image,
                                            const std::function<bool(std::string_view)>& keep) {
    FileProperties properties;
    if (!decodeHeader(image, properties) || properties.generation == layout::Generation::Unknown)
        return std::nullopt;
    try {
        const RecordWalker walker(image, properties.generation, properties.generation);
        std::string out(image.substr(0, layout::kHeaderSize));
        const auto count = ImageReader(image).u16At(layout::kCommandCountPosition);
        std::uint32_t position = layout::kFirstRecordPosition, kept = 0;
        for (std::uint32_t i = 0; i < count; ++i) {
            const auto start = out.size();
            std::uint32_t end = 0;
            if (keep(walker.walkCommand(position, false, {}, out, end).name))
                ++kept;
            else
                out.resize(start);
            position = end;
        }
        std::string countBytes;
        appendU32(countBytes, kept);
        out.replace(layout::kCommandCountPosition - 1, countBytes.size(), countBytes);
        return out.append(image.substr(position - 1)); // the lists section as it was
    } catch (const FileDamage&) {
        return std::nullopt;
    }
}

std::optional<std::uint8_t> languageCode(const std::string& name) {
    for (const auto& language : layout::kLanguages)
        if (language.name == name)
            return language.code;
    return std::nullopt;
}

Outcome convertLanguage(UpdateEngine& engine, std::uint8_t code) {
    if (auto refusal = load(engine))
        return *refusal;
    std::string bytes(engine.image());
    bytes[layout::kLanguageOffset] = static_cast<char>(code);
    try {
        if (const auto refusal = writeRefusal(WriteTarget::edited(engine.context().commandFile)))
            throw FileError(engine.context().commandFile, *refusal);
        const std::string before(engine.image());
        writeTarget(engine.context().files, WriteTarget::edited(engine.context().commandFile),
                    bytes, &before, engine.context().lockWait);
    } catch (const FileError& error) {
        return notWritten(error);
    }
    return Outcome{};
}

} // namespace qmk
