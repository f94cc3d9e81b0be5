#include "iPodScan.h"

#include "platform/Drives.h"
#include "platform/FileSystem.h"

#include <algorithm>
#include <new>
#include <system_error>

namespace paceforge {
namespace {

ScanError ToScanError(std::exception_ptr failure)
{
    try {
        std::rethrow_exception(failure);
    } catch (const std::system_error& e) {
        return {e.code().value(), QString::fromLocal8Bit(e.what())};
    } catch (const std::bad_alloc&) {
        return {7, QStringLiteral("Out of memory")};
    } catch (const std::exception& e) {
        return {5, QString::fromLocal8Bit(e.what())};
    } catch (...) {
        return {5, QStringLiteral("Unexpected failure")};
    }
}

} // namespace

QString ScanErrorText(const ScanError& error)
{
    return QStringLiteral("Error Number: ") + QString::number(error.number) + QStringLiteral("\r\n")
        + QStringLiteral("Error Description: ") + error.description;
}

bool RunScanStep(const std::function<void()>& step, const ScanErrorReport& report)
{
    try {
        step();
        return true;
    } catch (...) {
        report(ToScanError(std::current_exception()));
    }
    try {
        step();
        return true;
    } catch (...) {
        return false;
    }
}

std::vector<iPodRecord> FindIPods(
    const DriveSource& drives, const FileSystem& fileSystem, const ScanErrorReport& report)
{
    std::vector<iPodRecord> found;
    std::vector<Drive> list;
    if (!RunScanStep([&] { list = drives.drives(); }, report))
        return found;
    for (const Drive& drive : list) {
        bool isIPod = false;
        RunScanStep([&] { isIPod = fileSystem.folderExists(drive.root / "iPod_Control"); }, report);
        if (isIPod)
            found.push_back({drive.id, drive.root, {}});
    }
    return found;
}

QString SelectorEntry(const iPodRecord& ipod)
{
    return QStringLiteral("Ipod located on drive '") + ipod.driveLetter + QStringLiteral("'");
}

std::vector<QString> SelectorEntries(const std::vector<iPodRecord>& ipods)
{
    std::vector<QString> plain;
    plain.reserve(ipods.size());
    for (const iPodRecord& ipod : ipods)
        plain.push_back(SelectorEntry(ipod));
    std::vector<QString> entries = plain;
    for (std::size_t i = 0; i < ipods.size(); ++i)
        if (std::count(plain.begin(), plain.end(), plain[i]) > 1)
            entries[i] += QStringLiteral(" (") + DisplayPath(ipods[i].root) + QStringLiteral(")");
    return entries;
}

int RestoredSelectorPosition(int remembered, int entryCount)
{
    if (entryCount <= 0)
        return -1;
    if (remembered <= 0)
        return 0;
    return std::min(remembered, entryCount - 1);
}

} // namespace paceforge
