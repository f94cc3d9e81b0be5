#pragma once

#include "Records.h"

#include <QString>

#include <functional>
#include <vector>

namespace paceforge {

class DriveSource;
class FileSystem;

inline const QString kNoIPodsFound = QStringLiteral("(No iPods Found)");

struct ScanError {
    long long number = 0;
    QString description;
};

// "Error Number: 5" CR LF "Error Description: ..."
QString ScanErrorText(const ScanError& error);

using ScanErrorReport = std::function<void(const ScanError&)>;

// Runs one step of the drive scan. An unexpected failure is reported, and the step is tried once
// more; a second failure gives the step up silently, so that a fault that repeats every time can
// never hold the user in a loop of messages. Returns whether the step completed.
bool RunScanStep(const std::function<void()>& step, const ScanErrorReport& report);

// An iPod is any drive with a folder iPod_Control (in any letter case) under its root.
std::vector<iPodRecord> FindIPods(
    const DriveSource& drives, const FileSystem& fileSystem, const ScanErrorReport& report);

QString SelectorEntry(const iPodRecord& ipod);
// One entry per iPod. Two iPods of one volume name would read the same, and a workout could go to
// the wrong one: such entries name the mount path in brackets after the name.
std::vector<QString> SelectorEntries(const std::vector<iPodRecord>& ipods);

// The selector position a rescan returns to: the remembered one when it still exists, the last
// entry when fewer remain, the first otherwise.
int RestoredSelectorPosition(int remembered, int entryCount);

} // namespace paceforge
