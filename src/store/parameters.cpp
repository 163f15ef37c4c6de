#include "store/parameters.h"

namespace qmk {

namespace {
const char* name(Parameters::Text column) {
    switch (column) {
    case Parameters::Text::mycmdstime:
        return "mycmdstime";
    case Parameters::Text::mycmdsfile:
        return "mycmdsfile";
    case Parameters::Text::UserName:
        return "UserName";
    case Parameters::Text::UserSub:
        return "UserSub";
    case Parameters::Text::language:
        return "language";
    case Parameters::Text::lastmode:
        return "lastmode";
    case Parameters::Text::dvcmaptime:
        return "dvcmaptime";
    case Parameters::Text::exportPath:
        return "exportPath";
    case Parameters::Text::openfile:
        return "openfile";
    }
    return "";
}

const char* name(Parameters::Number column) {
    switch (column) {
    case Parameters::Number::OffsetLists:
        return "OffsetLists";
    case Parameters::Number::lastdvcID:
        return "lastdvcID";
    case Parameters::Number::parsed:
        return "parsed";
    }
    return "";
}
} // namespace

std::optional<std::string> Parameters::get(Text column) {
    auto select = db_.prepare(std::string("SELECT ") + name(column) + " FROM parameters");
    if (!select.step() || select.isNull(0))
        return std::nullopt;
    return select.text(0);
}

void Parameters::set(Text column, const std::optional<std::string>& value) {
    auto update = db_.prepare(std::string("UPDATE parameters SET ") + name(column) + " = ?");
    if (value)
        update.bind(1, *value);
    else
        update.bindNull(1);
    update.run();
}

std::int64_t Parameters::get(Number column) {
    auto select = db_.prepare(std::string("SELECT ") + name(column) + " FROM parameters");
    return select.step() ? select.integer(0) : 0;
}

void Parameters::set(Number column, std::int64_t value) {
    db_.prepare(std::string("UPDATE parameters SET ") + name(column) + " = ?").bind(1, value).run();
}

} // namespace qmk
