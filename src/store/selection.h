#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace qmk {

// The rows of the `user` table an operation acts on, by `ID`, ascending and each once. The
// caller chooses them and hands them over whole: no mark is left in the store between the
// choice and the write.
class Selection {
public:
    Selection() = default;
    explicit Selection(std::vector<std::int64_t> ids);

    bool empty() const { return ids_.empty(); }
    std::size_t size() const { return ids_.size(); }
    const std::vector<std::int64_t>& ids() const { return ids_; }

    // The IDs as a JSON array, bound as one parameter and read back by SQLite's json_each.
    std::string asJsonArray() const;

private:
    std::vector<std::int64_t> ids_;
};

} // namespace qmk
