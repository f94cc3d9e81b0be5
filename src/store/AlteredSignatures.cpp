#include "AlteredSignatures.h"

#include "platform/FileSystem.h"

#include <charconv>
#include <string>
#include <string_view>

namespace paceforge {

AlteredSignatures::AlteredSignatures(std::filesystem::path file, FileSystem& fileSystem)
    : m_file(std::move(file)),
      m_fileSystem(fileSystem)
{ }

// One hash per line in hexadecimal; a line that is not one is passed over.
void AlteredSignatures::load() const
{
    if (m_hashes)
        return;
    m_hashes.emplace();
    const auto bytes = m_fileSystem.readFile(m_file);
    if (!bytes)
        return;
    std::string_view rest = bytes.value();
    while (!rest.empty()) {
        const auto end = rest.find('\n');
        const std::string_view line = rest.substr(0, end);
        std::uint64_t hash = 0;
        const auto [at, error] = std::from_chars(line.data(), line.data() + line.size(), hash, 16);
        if (error == std::errc() && at == line.data() + line.size())
            m_hashes->insert(hash);
        rest = end == std::string_view::npos ? std::string_view() : rest.substr(end + 1);
    }
}

bool AlteredSignatures::contains(std::uint64_t contentHash) const
{
    load();
    return m_hashes->contains(contentHash);
}

Result AlteredSignatures::add(std::uint64_t contentHash)
{
    load();
    if (!m_hashes->insert(contentHash).second)
        return Result::success();
    std::string text;
    for (const std::uint64_t hash : *m_hashes) {
        char digits[17];
        const auto end = std::to_chars(digits, digits + sizeof digits, hash, 16).ptr;
        text.append(digits, end).append(1, '\n');
    }
    if (Result made = m_fileSystem.createFolders(m_file.parent_path()); !made)
        return made;
    return m_fileSystem.writeFileAtomic(m_file, text);
}

std::filesystem::path AlteredSignaturesFile(const std::filesystem::path& backupsRoot)
{
    return backupsRoot / "%altered-signatures";
}

QString SignedByDeviceText()
{
    return QStringLiteral("signed by the iPod; editing removes the proof of origin");
}

QString SignatureAlteredText()
{
    return QStringLiteral("signed by the iPod, then changed by Paceforge: the signature no longer holds");
}

} // namespace paceforge
