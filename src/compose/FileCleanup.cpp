#include "FileCleanup.h"

namespace paceforge {

std::string CleanedBytes(std::string_view bytes)
{
    std::string cleaned;
    cleaned.reserve(bytes.size() + 2);
    // Whole runs between the removed bytes, not byte by byte: this runs on every save.
    std::size_t start = 0;
    for (std::size_t i = 0; i < bytes.size(); ++i) {
        if (bytes[i] != '\r' && bytes[i] != '\t')
            continue;
        cleaned.append(bytes.data() + start, i - start);
        start = i + 1;
    }
    cleaned.append(bytes.data() + start, bytes.size() - start);
    cleaned += "\r\n";
    return cleaned;
}

std::string CleanedBytes(const XmlDocument& document)
{
    return document.encoded(CleanedBytes(document.toText()));
}

Result Cleanupfile(const std::filesystem::path& file, FileSystem& fileSystem)
{
    const Outcome<std::string> bytes = fileSystem.readFile(file);
    if (!bytes)
        return Result::failure(bytes.error());
    Result written = fileSystem.writeFileAtomic(file, CleanedBytes(bytes.value()));
    // The user must learn which file stayed as it was, whatever words the failure came with.
    if (!written && !written.error().contains(DisplayPath(file)))
        return Result::failure(QStringLiteral("Could not clean up \"%1\": %2").arg(DisplayPath(file), written.error()));
    return written;
}

} // namespace paceforge
