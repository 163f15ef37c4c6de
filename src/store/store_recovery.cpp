#include "store/store_recovery.h"

#include "common/utf8_path.h"
#include "store/parameters.h"
#include "store/statements.h"

#include <algorithm>

namespace qmk {

namespace fs = std::filesystem;

namespace {

// The settings a store holds that the command file cannot give back, with the words the user
// knows them by. The file's own time and name are left out: the new store must parse the file.
struct Setting {
    Parameters::Text column;
    const char* description;
};
constexpr Setting kSettings[] = {
    {Parameters::Text::UserName, "the Dragon user last opened"},
    {Parameters::Text::UserSub, "that user's subfolder"},
    {Parameters::Text::language, "the language last chosen"},
    {Parameters::Text::lastmode, "the last view (Program or Group)"},
    {Parameters::Text::exportPath, "the last export folder"},
    {Parameters::Text::openfile, "the file last opened"},
};

void moveAside(const fs::path& from, const fs::path& to) {
    std::error_code ec;
    if (fs::exists(from, ec))
        fs::rename(from, to); // throws with the system's reason when it cannot
}

} // namespace

std::string RebuiltStore::message(const std::string& reason) const {
    const auto list = [](const std::vector<std::string>& items) {
        std::string text;
        for (std::size_t i = 0; i < items.size(); ++i)
            text += (i ? ", " : "") + items[i];
        return text;
    };
    std::string text = "The command store " + utf8Of(store.filename()) + " was damaged (" + reason +
                       ").\r\nIt was moved to " + utf8Of(movedTo) +
                       " and a new store is built from the command file, which holds every "
                       "command and LIST.";
    if (!kept.empty())
        text += "\r\nKept: " + list(kept) + ".";
    if (!lost.empty())
        text += "\r\nCould not be kept: " + list(lost) + ".";
    return text;
}

RebuiltStore replaceDamagedStore(const fs::path& store, const FileTime& when) {
    std::string stamp;
    for (const char c : when.display())
        if (c == ' ')
            stamp += '-';
        else if (c != '-' && c != ':')
            stamp += c;
    RebuiltStore rebuilt;
    rebuilt.store = store;
    // Never over an earlier damaged store: it may be the one somebody is looking into.
    std::error_code ec;
    for (int n = 1; n == 1 || fs::exists(rebuilt.movedTo, ec); ++n) {
        rebuilt.movedTo = store;
        rebuilt.movedTo += ".damaged-" + stamp + (n > 1 ? "-" + std::to_string(n) : "");
    }
    // The journal files go with the store: left behind, SQLite would apply them to the new one.
    for (const char* suffix : {"-wal", "-shm"}) {
        auto from = store, to = rebuilt.movedTo;
        from += suffix;
        to += suffix;
        moveAside(from, to);
    }
    moveAside(store, rebuilt.movedTo);

    std::vector<std::pair<const Setting*, std::optional<std::string>>> read;
    try {
        Database old(rebuilt.movedTo);
        Parameters parameters(old);
        for (const auto& setting : kSettings)
            read.emplace_back(&setting, parameters.get(setting.column));
    } catch (const StoreError&) {
        // Read as far as it goes: whatever is missing is named as lost.
    }
    auto fresh = openCommandStore(store);
    Parameters parameters(*fresh);
    for (const auto& setting : kSettings) {
        const auto found = std::find_if(read.begin(), read.end(),
                                        [&](const auto& entry) { return entry.first == &setting; });
        if (found == read.end()) {
            rebuilt.lost.emplace_back(setting.description);
            continue;
        }
        if (found->second)
            parameters.set(setting.column, found->second);
        rebuilt.kept.emplace_back(setting.description);
    }
    return rebuilt;
}

std::unique_ptr<Database> rebuildDamagedStore(const fs::path& store, const FileTime& when,
                                              const std::string& reason, Prompt& prompt) {
    const auto rebuilt = replaceDamagedStore(store, when);
    prompt.message(rebuilt.message(reason), kStoreRebuiltTitle);
    return openCommandStore(store);
}

std::unique_ptr<Database> openOrRebuildStore(const fs::path& store, const FileTime& when,
                                             Prompt& prompt, bool& rebuilt) {
    rebuilt = false;
    try {
        return openCommandStore(store);
    } catch (const StoreError& error) {
        if (!error.damaged())
            throw;
        rebuilt = true;
        return rebuildDamagedStore(store, when, error.what(), prompt);
    }
}

} // namespace qmk
