#include "FaultFixtures.h"

#include "platform/XmlDocument.h"

#include <sstream>

namespace paceforge::test {

Listing Snapshot(const fs::path& root)
{
    Listing listing;
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(root, ec)))
        return listing;
    for (fs::recursive_directory_iterator it(root, fs::directory_options::skip_permission_denied, ec), end;
         !ec && it != end; it.increment(ec)) {
        const std::string relative = it->path().lexically_relative(root).string();
        std::error_code kindError;
        const fs::file_status status = it->symlink_status(kindError);
        if (fs::is_symlink(status))
            listing[relative] = "<link to " + fs::read_symlink(it->path(), kindError).string() + ">";
        else if (fs::is_directory(status))
            listing[relative] = "<folder>";
        else if (fs::is_regular_file(status))
            listing[relative] = ReadBytes(it->path());
        else
            listing[relative] = "<other>";
    }
    return listing;
}

std::string ListingChanges(const Listing& before, const Listing& after)
{
    std::ostringstream changes;
    for (const auto& [path, bytes] : before) {
        const auto now = after.find(path);
        if (now == after.end())
            changes << "removed: " << path << "\n";
        else if (now->second != bytes)
            changes << "changed: " << path << "\n";
    }
    for (const auto& [path, bytes] : after)
        if (!before.contains(path))
            changes << "added: " << path << "\n";
    return changes.str();
}

SensorStore::SensorStore()
{
    fs::create_directories(latest());
    fs::create_directories(synched());
}

SensorStore::~SensorStore()
{
    // Qt's clean-up skips names it cannot spell and folders a test made read-only.
    std::error_code ec;
    for (fs::recursive_directory_iterator it(root(), ec), end; !ec && it != end; it.increment(ec))
        fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add | fs::perm_options::nofollow, ec);
    fs::remove_all(root(), ec);
}

fs::path SensorStore::folder(const std::string& which, const std::string& name) const
{
    const fs::path path = m_store.empeds() / kSensor / which;
    return name.empty() ? path : path / name;
}

fs::path SensorStore::add(const std::string& folder, const std::string& name, const std::string& bytes)
{
    return m_store.add(kSensor, folder, name, bytes);
}

ReadOnly::ReadOnly(fs::path path) : m_path(std::move(path)), m_before(fs::status(m_path).permissions())
{
    fs::permissions(
        m_path, fs::perms::owner_write | fs::perms::group_write | fs::perms::others_write, fs::perm_options::remove);
}

ReadOnly::~ReadOnly()
{
    std::error_code ec;
    fs::permissions(m_path, m_before, fs::perm_options::replace, ec);
}

std::string Without(const std::string& documentBytes, const std::string& path)
{
    XmlDocument document = XmlDocument::fromBytes(documentBytes);
    pugi::xml_node node = document.documentElement();
    const auto at = path.find('@');
    std::string_view elements = std::string_view(path).substr(0, at);
    while (!elements.empty()) {
        const auto slash = elements.find('/');
        node = ChildElement(node, elements.substr(0, slash));
        elements = slash == std::string_view::npos ? std::string_view() : elements.substr(slash + 1);
    }
    if (!node) {
        ADD_FAILURE() << path << " is not in the document";
        return documentBytes;
    }
    if (at == std::string::npos)
        node.parent().remove_child(node);
    else
        node.remove_attribute(path.substr(at + 1).c_str());
    return document.toBytes();
}

} // namespace paceforge::test
