#include "generations.h"
#include "writer/new_records.h"
#include "writer/record_edits.h"
#include "writer_fixture.h"

#include <random>

namespace qmk::testing {

using fixture::CommandFileBuilder;
using layout::Generation;

class RandomEdits : public WriterTest,
                    public ::testing::WithParamInterface<testing::FileVersion> {};
INSTANTIATE_TEST_SUITE_P(Generations, RandomEdits, testing::everyGeneration(),
                         testing::GenerationName());

// Many edits of every kind, in random order: after each one the store as shifted holds the
// positions a fresh parse of the file gives.
TEST_P(RandomEdits, TheShiftedStoreAlwaysMatchesAFreshParse) {
    CommandFileBuilder file(GetParam().code);
    for (int i = 0; i < 6; ++i) {
        file.command("keys " + std::to_string(i)).keys("k" + std::to_string(i));
        file.command("text " + std::to_string(i)).application("prog").plainText("t");
        file.command("script " + std::to_string(i)).window("prog", "W").states({"a"}).script("s");
    }
    file.command("hidden").notLoaded().keys("h");
    file.list("colors", {"red"});
    file.list("sizes", {"big", "small"});
    load(file);

    std::mt19937 random(20261206u + static_cast<unsigned>(GetParam().code));
    auto pick = [&](auto& rows) -> UserRow& {
        return rows[std::uniform_int_distribution<std::size_t>(0, rows.size() - 1)(random)];
    };
    auto length = [&] {
        const int lengths[] = {0, 1, 254, 255, 256, 300, 65533, 65534};
        return static_cast<std::size_t>(lengths[std::uniform_int_distribution<int>(0, 7)(random)]);
    };

    for (int step = 0; step < 40; ++step) {
        auto rows = home_.rows();
        std::erase_if(rows, [](const UserRow& r) {
            return r.type == ItemType::TextAndGraphics || r.type == ItemType::MacroRecorder;
        });
        UserRow& target = pick(rows);
        const int operation = std::uniform_int_distribution<int>(0, 5)(random);
        Outcome result;
        const auto name = "edit " + std::to_string(step);
        switch (operation) {
        case 0:
            result = replaceBody(*engine_, target, std::string(length() + 1, 'b'));
            break;
        case 1:
            result = target.type == ItemType::List
                         ? renameList(*engine_, target, "list" + std::to_string(step))
                         : updateDetails(*engine_, target, name + " <colors>",
                                         std::string(length() % 150, 'd'), "Group");
            break;
        case 2:
            if (target.type != ItemType::Keys)
                continue;
            result = changeType(*engine_, target, Conversion::ToPlainText);
            break;
        case 3:
            if (target.type != ItemType::Script)
                continue;
            result = changeType(*engine_, target, Conversion::ToAdvancedScript);
            break;
        case 4: {
            NewCommand c;
            c.name = name;
            c.type = ItemType::AdvancedScript;
            c.program = "Global Commands";
            c.scope = "Global Commands";
            c.body = std::string(length() + 1, 'n');
            result = addCommandRecord(*engine_, c);
            break;
        }
        default:
            result = addListRecord(*engine_, "list" + std::to_string(step), "a\r\nb");
            break;
        }
        ASSERT_TRUE(result.done()) << result.message;
        expectStoreMatchesFile();
        if (::testing::Test::HasFailure())
            FAIL() << "after step " << step << ", operation " << operation << " on " << target.name;
    }
}

} // namespace qmk::testing
