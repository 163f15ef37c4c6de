#include "session/refresh.h"

#include "common/utf8_path.h"
#include "format/damage_report.h"
#include "writer/update_engine.h"

namespace qmk {

bool refreshWithVerification(Parser& parser, const std::filesystem::path& file,
                             const ProgramDir& home, FileOps& files, Prompt& prompt, Trace& trace) {
    if (parser.parse(true, utf8Of(file)).ok())
        return true;
    prompt.message("The updated mycmds.dat file was not correctly written",
                   "Quillmark will now restore the version before updating operation");
    try {
        // Only the copy taken from this very file may go back over it.
        const auto backup = backupOf(home, file);
        if (!backup)
            throw FileError(home.file(files::kBackup),
                            "holds no copy of this file from before its last change, so the file "
                            "was left as it is");
        files.replaceFile(file, *backup);
    } catch (const FileError& error) {
        // The user must hear that the restore failed too, or the damaged file looks restored.
        prompt.message(error.what(), "The command file could not be restored");
    }
    appendTraceToErrorLog(FileOps::system(), home.file(files::kErrorLog), trace.file());
    prompt.message("Please send file 'error.log' to Tarnwell\r\nbefore running Quillmark10 again",
                   "Now exiting");
    return false;
}

} // namespace qmk
