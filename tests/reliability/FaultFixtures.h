#pragma once

#include "ui/WindowHarness.h"

#include <map>
#include <string>

namespace paceforge::test {

inline const std::string kSensor = "4H7136ZXVSX";
// An existing workout, and what a new one on the harness's default date and time is called.
inline const std::string kOldName = "2006-08-01 18;05;09.xml";
inline const std::string kNewName = "2006-09-15 06;00;00.xml";

// Every entry below a folder, by path relative to it: a regular file with its bytes, and any other
// entry by its kind (a link with its target). Links are not followed, so a test sees every file
// that appears, vanishes or changes, a temporary file left behind included.
using Listing = std::map<std::string, std::string>;
Listing Snapshot(const fs::path& root);
// Empty when both are the same, else the paths that were added, removed or changed.
std::string ListingChanges(const Listing& before, const Listing& after);

// A drive with one sensor folder whose latest and synched folders exist.
class SensorStore
{
public:
    SensorStore();
    ~SensorStore();
    fs::path latest(const std::string& name = {}) const { return folder("latest", name); }
    fs::path synched(const std::string& name = {}) const { return folder("synched", name); }
    fs::path add(const std::string& folder, const std::string& name, const std::string& bytes);
    Drive drive() const { return m_store.drive(); }
    const fs::path& root() const { return m_store.root(); }
    Listing snapshot() const { return Snapshot(root()); }

private:
    fs::path folder(const std::string& which, const std::string& name) const;
    TempStore m_store;
};

// Takes the write permission of a file or folder away for as long as it lives.
class ReadOnly
{
public:
    explicit ReadOnly(fs::path path);
    ~ReadOnly();
    ReadOnly(const ReadOnly&) = delete;
    ReadOnly& operator=(const ReadOnly&) = delete;

private:
    fs::path m_path;
    fs::perms m_before;
};

// The element or attribute at a path below sportsData ("runSummary/pace", "a/b@unit") taken out
// of the document's bytes.
std::string Without(const std::string& documentBytes, const std::string& path);

} // namespace paceforge::test
