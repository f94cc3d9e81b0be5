#pragma once

#include <QString>

class QWidget;

namespace paceforge {

class Desktop;
class Dialogs;
struct ExportReport;

// The folder a chosen file lies in.
QString FolderOf(const QString& file);

// Says what an export wrote and where, with a way to open the folder; or why it failed.
// `where` is the folder or file chosen, `folder` the one to open.
void ReportExport(QWidget* parent, Dialogs& dialogs, Desktop& desktop, const ExportReport& report, const QString& where,
    const QString& folder);

// The message of a finished export, with an Open Folder button that opens `folder` (or shows its
// path where nothing on the computer opens folders).
void FinishExport(QWidget* parent, Dialogs& dialogs, Desktop& desktop, const QString& text, const QString& folder);

} // namespace paceforge
