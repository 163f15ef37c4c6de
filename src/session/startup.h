#pragma once

#include "common/prompt.h"
#include "common/text.h"
#include "common/trace.h"
#include "format/file_properties.h"
#include "platform/dragon_engine.h"
#include "platform/microphone.h"
#include "platform/single_instance.h"
#include "platform/voice_command.h"
#include "platform/window_system.h"
#include "store/database.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

namespace qmk {

// The single-instance check: the lock the program holds while it runs, or nullptr after
// "Quillmark10 is already running" was shown.
std::unique_ptr<SingleInstance> enterProgram(const std::filesystem::path& programDirectory,
                                             Prompt& prompt);

// Registers with Dragon's three controls and checks for a Professional-series edition; false
// after the message, when start-up must end.
bool registerWithDragon(DragonEngine& engine, Microphone& microphone, VoiceCommand& voice,
                        Prompt& prompt, Trace& trace);

// Dragon's merge tool, beside its own program file.
inline constexpr const char* kMergeTool = "mergemycmds";

// The Dragon bar window and, beside Dragon's own program file, its merge tool.
struct DragonWindow {
    WindowHandle handle = 0;
    std::filesystem::path mergeTool;
};
DragonWindow findDragonWindow(WindowSystem& windows, DragonEngine& engine);

// Where the window opens: a Program and Scope, or another command file to open.
struct FirstView {
    std::string program{kGlobalCommands};
    std::string scope{kGlobalCommands};
    std::filesystem::path openFile; // set when the command line names an existing file
    // Set when the command line names a command file that is not there: the view then
    // follows the window in front.
    std::string missingFile;
};

// The first view from the command line, else from the title of the window that was in front
// (and, last, the program file of that window), sought in the store's Scopes.
FirstView chooseFirstView(std::string commandLine, const std::string& foregroundTitle,
                          const std::string& foregroundProgramFile, Database& store, Trace& trace);

// "Quillmark - " + the path with Dragon's directory text shortened to ".." + " (label)".
std::string windowCaption(const std::filesystem::path& commandFile,
                          const std::string& dragonDirectory, const std::string& formatLabel);

// The Properties message of the command file shown.
std::string propertiesText(const std::filesystem::path& commandFile,
                           const FileProperties& properties, std::int64_t commands,
                           std::int64_t lists);

} // namespace qmk
