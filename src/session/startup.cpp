#include "session/startup.h"

#include "common/native.h"
#include "common/text.h"
#include "common/utf8_path.h"
#include "store/places.h"

#include <algorithm>
#include <cctype>
#include <optional>

namespace qmk {

namespace {

struct Found {
    std::string program;
    std::string scope;
};

// The first command record whose Scope is at or after `scope`.
std::optional<Found> seekScope(Database& store, const std::string& scope) {
    const auto place = places::firstScopeFrom(store, scope);
    if (!place)
        return std::nullopt;
    return Found{place->program, place->scope};
}

// Whether the words of a command line are a file's path rather than a window's title: a name
// ending in ".dat", or a path from the root or a drive.
bool namesACommandFile(const std::string& line) {
    const auto lowered = lower(line);
    const bool fromDrive = line.size() > 2 && std::isalpha(static_cast<unsigned char>(line[0])) &&
                           line[1] == ':' && (line[2] == '\\' || line[2] == '/');
    return lowered.ends_with(".dat") || line.starts_with('/') || line.starts_with("\\\\") ||
           fromDrive;
}

} // namespace

FirstView chooseFirstView(std::string line, const std::string& foregroundTitle,
                          const std::string& foregroundProgramFile, Database& store, Trace& trace) {
    FirstView view;
    for (int removed = 0; removed < 2;) {
        const auto quote = line.find('"');
        if (quote == std::string::npos)
            break;
        line.erase(quote, 1);
        ++removed;
    }
    trace.mark("command line:", line);
    if (lower(line) == "global commands")
        line = kGlobalCommands;
    std::error_code ec;
    if (!line.empty() && std::filesystem::is_regular_file(pathFromUtf8(line), ec)) {
        view.openFile = pathFromUtf8(line);
        return view;
    }
    if (namesACommandFile(line)) {
        view.missingFile = line;
        line.clear();
    }
    if (line.empty())
        line = foregroundTitle;

    const auto dash = line.find('-');
    std::string scope = dash == std::string::npos ? line : line.substr(0, dash > 0 ? dash - 1 : 0);
    if (scope.size() > 32)
        scope.resize(32);
    if (line.find("Microsoft Visual Basic") != std::string::npos)
        scope = "Microsoft Visual Basic";
    trace.mark("state name:", scope);

    auto found = seekScope(store, scope);
    trace.mark("after state name");
    trace.mark("foundstate: ", found ? found->scope : "");
    if (found && found->scope == scope) {
        view.program = found->program;
        view.scope = found->scope;
    } else {
        const std::string nested =
            dash == std::string::npos ? line : line.substr(std::min(line.size(), dash + 2));
        trace.mark("nested state name:", nested);
        found = seekScope(store, nested);
        if (found && found->scope == nested) {
            view.program = found->program;
            view.scope = found->scope;
        } else {
            // Any Scope the title holds.
            bool first = true;
            bool matched = false;
            places::forEachCommandPlace(store, [&](const places::Place& candidate) {
                if (first)
                    trace.mark("left state name:", candidate.scope);
                first = false;
                const auto trimmed = std::string(trimBlanks(candidate.scope));
                if (!trimmed.empty() && scope.find(trimmed) != std::string::npos) {
                    view.program = candidate.program;
                    view.scope = candidate.scope;
                    matched = true;
                }
                return !matched;
            });
            if (!matched) {
                // The program in front, by its module name.
                auto name = utf8Of(pathFromUtf8(foregroundProgramFile).stem());
                std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) {
                    return static_cast<char>(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
                });
                // A Program not found leaves both Program and Scope on Global Commands.
                const auto seek =
                    name.empty() ? std::nullopt : places::firstPlaceFromProgram(store, name);
                if (seek && seek->program == name) {
                    view.program = seek->program;
                    view.scope = seek->scope;
                }
            }
        }
    }
    trace.mark("form load 2 done");
    return view;
}

std::string windowCaption(const std::filesystem::path& commandFile,
                          const std::string& dragonDirectory, const std::string& formatLabel) {
    std::string path = utf8Of(commandFile);
    if (!dragonDirectory.empty()) {
        const auto folded = comparablePath(path);
        const auto directory = comparablePath(dragonDirectory);
        std::string shortened;
        std::size_t from = 0;
        for (auto at = folded.find(directory); at != std::string::npos;
             at = folded.find(directory, from)) {
            shortened += path.substr(from, at - from) + "..";
            from = at + directory.size();
        }
        path = shortened + path.substr(from);
    }
    return "Quillmark - " + path + " (" + formatLabel + ")";
}

std::string propertiesText(const std::filesystem::path& commandFile, const FileProperties& p,
                           std::int64_t commands, std::int64_t lists) {
    const std::string crlf(kCrLf);
    return "Filename:" + crlf + utf8Of(commandFile) + crlf + crlf +
           "Version:           " + p.versionText + crlf + "Language:       " + p.languageName +
           crlf + "Last Modified: " + p.modified.display() + crlf +
           "Size:                " + std::to_string(p.size) + crlf +
           "#Commands:  " + std::to_string(commands) + crlf +
           "#Lists:            " + std::to_string(lists);
}

std::unique_ptr<SingleInstance> enterProgram(const std::filesystem::path& programDirectory,
                                             Prompt& prompt) {
    auto lock = SingleInstance::acquire(programDirectory / "quillmark10.lock");
    if (!lock)
        prompt.message("Quillmark10 is already running", "Quillmark10");
    return lock;
}

bool registerWithDragon(DragonEngine& engine, Microphone& microphone, VoiceCommand& voice,
                        Prompt& prompt, Trace& trace) {
    if (!engine.registerClient(1)) {
        prompt.message("Quillmark10 is already running", "Quillmark10");
        return false;
    }
    engine.setEventsEnabled(true);
    if (!(engine.featureFlags() & kProfessionalFeature)) {
        prompt.message("Quillmark 9 only supported with Professional Series \r\nversions of "
                       "NaturallySpeaking (Pro,Medical,Legal,Public Safety)\r\n\r\nIf you have "
                       "reached this message in error, please\r\nsend your dragon.log file to "
                       "Tarnwell",
                       "Quillmark10");
        return false;
    }
    trace.mark("after register");
    microphone.registerClient();
    voice.registerClient("");
    return true;
}

DragonWindow findDragonWindow(WindowSystem& windows, DragonEngine& engine) {
    auto bar = windows.findByClass("DgnBarMainWindowCls");
    if (!bar)
        bar = windows.findByTitle("Dragon NaturallySpeaking");
    if (!bar)
        bar = windows.findByTitle("DragonBar");
    DragonWindow dragon;
    if (!bar)
        return dragon;
    dragon.handle = bar->handle;
    const std::filesystem::path program = pathFromUtf8(engine.programFileOf(bar->handle));
    if (!program.empty())
        dragon.mergeTool =
            program.parent_path() /
            pathFromUtf8(std::string(kMergeTool) + std::string(native::kProgramSuffix));
    return dragon;
}

} // namespace qmk
