#include "tools/selection.h"

#include "store/statements.h"

namespace qmk {

std::int64_t markSelection(Database& store, const Selection& s) {
    statements::clearFlags(store);
    if (!s.picks.empty()) {
        auto pick = store.prepare(
            "UPDATE user SET flag = 1 WHERE menu = ? AND state = ? AND name = ? AND Type <> 'L'");
        for (const auto& name : s.picks)
            pick.bind(1, s.program.value_or("")).bind(2, s.scope.value_or("")).bind(3, name).run();
    } else if (s.program && s.scope) {
        store.prepare("UPDATE user SET flag = 1 WHERE menu = ? AND state = ? AND Type <> 'L'")
            .bind(1, *s.program)
            .bind(2, *s.scope)
            .run();
    } else if (s.program) {
        store.prepare("UPDATE user SET flag = 1 WHERE menu = ? AND Type <> 'L'")
            .bind(1, *s.program)
            .run();
    } else if (s.group && *s.group != kAllGroups) {
        store.prepare("UPDATE user SET flag = 1 WHERE Type <> 'L' AND owner = ?")
            .bind(1, *s.group)
            .run();
    } else {
        statements::flagCommands(store);
    }
    // The View: rows of a type it does not show are left out.
    store.prepare("UPDATE user SET flag = 0 WHERE flag = 1 AND instr(?, Type) = 0")
        .bind(1, s.view)
        .run();
    auto count = store.prepare("SELECT count(*) FROM user WHERE flag = 1");
    return count.step() ? count.integer(0) : 0;
}

} // namespace qmk
