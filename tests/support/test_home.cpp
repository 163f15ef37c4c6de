#include "test_home.h"

#include "common/utf8_path.h"
#include "store/statements.h"
#include "store/user_rows.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <random>
#include <sstream>

namespace qmk::testing {

namespace fs = std::filesystem;

namespace {
void setEnvironment(const char* name, const std::string& value) {
#ifdef _WIN32
    _putenv_s(name, value.c_str());
#else
    ::setenv(name, value.c_str(), 1);
#endif
}

void unsetEnvironment(const char* name) {
#ifdef _WIN32
    _putenv_s(name, ""); // an empty value removes the variable on Windows
#else
    ::unsetenv(name);
#endif
}

fs::path freshFolder() {
    std::random_device seed;
    const auto folder = fs::temp_directory_path() / ("qmk-test-" + std::to_string(seed()));
    fs::create_directories(folder);
    return folder;
}
} // namespace

std::string readBytes(const fs::path& file) {
    std::ifstream in(file, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
}

Selection rowsWhere(Database& db, const std::string& condition) {
    auto select = db.prepare("SELECT ID FROM user WHERE " + condition);
    std::vector<std::int64_t> ids;
    while (select.step())
        ids.push_back(select.integer(0));
    return Selection(std::move(ids));
}

FileTime localTime(int year, int month, int day, int hour, int minute, int second) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return FileTime{static_cast<std::int64_t>(std::mktime(&parts)) * 1'000'000'000};
}

TestHome::TestHome() : home_(freshFolder()) {
    fs::copy_file(fs::path(QMK_DATA_DIR) / files::kKeyNames, home_.file(files::kKeyNames));
    db_ = openCommandStore(home_.file(files::kStore));
    trace_ = std::make_unique<Trace>(home_.file(files::kTrace), now());
    parser_ = std::make_unique<Parser>(ParseContext{
        home_, *db_, *trace_, status, prompt, home_.folder(), 3, std::chrono::milliseconds(1)});
}

TestHome::~TestHome() {
    parser_.reset();
    trace_.reset();
    db_.reset();
    std::error_code ignored;
    fs::remove_all(home_.folder(), ignored);
}

fs::path TestHome::writeFile(const std::string& name, const std::string& bytes) const {
    const auto file = home_.file(name);
    std::ofstream out(file, std::ios::binary | std::ios::trunc);
    out << bytes;
    return file;
}

std::string TestHome::readFile(const std::string& name) const {
    return readBytes(path(name));
}

ParseResult TestHome::parse(const fs::path& file, bool force) {
    return parser_->parse(force, file.string());
}

std::vector<UserRow> TestHome::rows() {
    return UserTable(*db_).all();
}

std::vector<std::string> TestHome::traceLines() const {
    std::vector<std::string> lines;
    std::istringstream in(readBytes(home_.file(files::kTrace)));
    for (std::string line; std::getline(in, line);) {
        if (!line.empty() && line.back() == '\r')
            line.pop_back();
        lines.push_back(line);
    }
    return lines;
}

ScopedEnvironment::~ScopedEnvironment() {
    for (auto it = saved_.rbegin(); it != saved_.rend(); ++it) {
        if (it->second)
            setEnvironment(it->first.c_str(), *it->second);
        else
            unsetEnvironment(it->first.c_str());
    }
}

void ScopedEnvironment::save(const char* name) {
    const char* value = std::getenv(name);
    saved_.emplace_back(name, value ? std::optional<std::string>(value) : std::nullopt);
}

ScopedEnvironment& ScopedEnvironment::set(const char* name, const std::string& value) {
    save(name);
    setEnvironment(name, value);
    return *this;
}

ScopedEnvironment& ScopedEnvironment::set(const char* name, const std::filesystem::path& value) {
    return set(name, utf8Of(value));
}

ScopedEnvironment& ScopedEnvironment::unset(const char* name) {
    save(name);
    unsetEnvironment(name);
    return *this;
}

} // namespace qmk::testing
