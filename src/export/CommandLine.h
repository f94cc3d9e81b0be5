#pragma once

#include <QStringList>

class QTextStream;

namespace paceforge {

class DriveSource;
class FileSystem;

// Whether the program's arguments ask for a command rather than the window; Qt's own options
// (-platform, -style, ...) alone still open the window.
bool IsCommandInvocation(const QStringList& arguments);

// `paceforge list`, `paceforge export`, --help and --version; `arguments` start with the program.
// Only reads the iPods. Returns the exit code: 0 done, 1 a workout that could not be read or an
// output that could not be written, 2 a usage error.
int RunCommandLine(const QStringList& arguments, QTextStream& out, QTextStream& err, const DriveSource& drives,
    FileSystem& fileSystem);

} // namespace paceforge
