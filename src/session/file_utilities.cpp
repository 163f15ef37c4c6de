#include "session/file_utilities.h"

#include "common/file_io.h"
#include "common/native.h"
#include "common/regex.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "format/file_properties.h"
#include "store/statements.h"

namespace qmk {

std::optional<Fatal> truncateFile(const std::filesystem::path& file, std::uint32_t length) {
    const auto title = utf8Of(file);
    switch (native::truncateAt(file, length)) {
    case native::TruncateStep::Open:
        return Fatal{"Lopen in truncatefile failed", title};
    case native::TruncateStep::Seek:
        return Fatal{"SetFilePointer in truncatefile failed", title};
    case native::TruncateStep::SetEnd:
        return Fatal{" SetEndofFile in TruncateFile Failed", title};
    case native::TruncateStep::Close:
        return Fatal{"closehandle in truncatefile failed", title};
    case native::TruncateStep::None:
        break;
    }
    return std::nullopt;
}

std::optional<HeaderSummary> headerSummary(const std::filesystem::path& file) {
    const auto bytes = readWholeFile(file);
    FileProperties properties;
    properties.versionText = properties.generationLabel = "";
    if (!bytes || !decodeHeader(*bytes, properties))
        return std::nullopt;
    HeaderSummary summary;
    summary.formatLabel = properties.generationLabel;
    summary.modified = modificationTime(file).value_or(FileTime{});
    summary.size = static_cast<std::uint32_t>(bytes->size());
    summary.languageName = properties.languageName;
    summary.languageCode = properties.languageCode;
    return summary;
}

std::string stripSpokenNumber(std::string_view text) {
    static const Regex spokenNumber(R"([0-9]+\s-\s)");
    if (!spokenNumber.matches(text))
        return std::string(text);
    return std::string(trimBlanks(text.substr(text.find('-') + 1)));
}

void compactStore(std::unique_ptr<Database>& store, const std::filesystem::path& file, bool force,
                  Trace& trace) {
    std::error_code ec;
    const auto size = std::filesystem::file_size(file, ec);
    if (!force && (ec || size <= kCompactAbove))
        return;
    trace.mark("b4 compact db");
    // A name not yet present in the program's directory.
    auto compacted = file;
    compacted += ".compact";
    for (int n = 1; std::filesystem::exists(compacted); ++n) {
        compacted = file;
        compacted += ".compact" + std::to_string(n);
    }
    statements::vacuumInto(*store, compacted);
    store.reset();
    trace.mark("after compact");
    std::filesystem::rename(compacted, file);
    store = openCommandStore(file);
}

} // namespace qmk
