#pragma once

#include "common/trace.h"
#include "format/file_properties.h"
#include "store/database.h"

#include <cstdint>
#include <filesystem>
#include <string>

namespace qmk {

// Where the window opens: a Program and Scope, or another command file to open.
struct FirstView {
    std::string program = "Global Commands";
    std::string scope = "Global Commands";
    std::filesystem::path openFile; // set when the command line names an existing file
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
