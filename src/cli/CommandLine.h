#pragma once

#include <QStringList>

#include <string>
#include <vector>

class QTextStream;

namespace paceforge {

class DriveSource;
class FileSystem;

// Whether the program's arguments ask for a command rather than the window; Qt's own options
// (-platform, -style, ...) alone still open the window.
bool IsCommandInvocation(const QStringList& arguments);

// The commands, --help and --version. `arguments` are the program's arguments as the system gave
// them, the program first: a folder name that is not valid text is used byte for byte. Returns the
// exit code: 0 done, 1 something could not be done (and is named on `err`), 2 a usage error.
int RunCommandLine(const std::vector<std::string>& arguments, QTextStream& out, QTextStream& err,
    const DriveSource& drives, FileSystem& fileSystem);

} // namespace paceforge
