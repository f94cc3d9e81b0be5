#pragma once

#include "platform/Result.h"

#include <QString>

#include <cstdint>
#include <filesystem>
#include <optional>
#include <set>

namespace paceforge {

class FileSystem;

// The files Paceforge rewrote that the device had signed, by a hash of the bytes written. A
// signature covers the file's bytes and only the device can sign again, so such a file keeps its
// Signature element but no longer carries the device's proof; it must not be shown as signed.
// Kept on the computer beside the backups, never on the iPod; a version restored from a backup
// has other bytes and is signed again.
class AlteredSignatures
{
public:
    AlteredSignatures(std::filesystem::path file, FileSystem& fileSystem);

    bool contains(std::uint64_t contentHash) const;
    // Written at once, atomically.
    [[nodiscard]] Result add(std::uint64_t contentHash);

private:
    void load() const;

    std::filesystem::path m_file;
    FileSystem& m_fileSystem;
    mutable std::optional<std::set<std::uint64_t>> m_hashes;
};

// What a signed run's mark says, in the main list and the history alike.
QString SignedByDeviceText();
QString SignatureAlteredText();

// Beside the backups, under a name no volume's folder there can have.
std::filesystem::path AlteredSignaturesFile(const std::filesystem::path& backupsRoot);

} // namespace paceforge
