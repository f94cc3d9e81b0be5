#include "FileCleanup.h"

namespace paceforge {

std::string CleanedBytes(std::string_view bytes)
{
    std::string cleaned;
    cleaned.reserve(bytes.size() + 2);
    for (const char c : bytes)
        if (c != '\r' && c != '\t')
            cleaned += c;
    cleaned += "\r\n";
    return cleaned;
}

Result Cleanupfile(const std::filesystem::path& file, FileSystem& fileSystem)
{
    const Outcome<std::string> bytes = fileSystem.readFile(file);
    if (!bytes)
        return Result::failure(bytes.error());
    Result written = fileSystem.writeFileAtomic(file, CleanedBytes(bytes.value()));
    // The user must learn which file stayed as it was, whatever words the failure came with.
    if (!written && !written.error().contains(DisplayPath(file)))
        return Result::failure(
            QStringLiteral("Could not clean up \"%1\": %2").arg(DisplayPath(file), written.error()));
    return written;
}

} // namespace paceforge
