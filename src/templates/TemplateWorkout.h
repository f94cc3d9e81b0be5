#pragma once

#include "platform/XmlDocument.h"

#include <QString>

#include <filesystem>
#include <optional>

namespace paceforge {

inline const QString kMissingFileTitle = QStringLiteral("Missing File");
inline const QString kMissingFileText
    = QStringLiteral("Missing important data file, please contact support or reinstall");

std::filesystem::path TemplatePath(const std::filesystem::path& programFolder);

// A fresh copy of the template workout, read anew every time so that a changed file counts at
// once; nothing when it is missing, unreadable or not well-formed.
std::optional<XmlDocument> LoadTemplateWorkout(const std::filesystem::path& programFolder);

} // namespace paceforge
