#include "ExportMessages.h"

#include "Desktop.h"
#include "Dialogs.h"

#include "export/Exporter.h"

#include <QFileInfo>
#include <QStringList>

namespace paceforge {

QString FolderOf(const QString& file)
{
    return QFileInfo(file).absolutePath();
}

void ReportExport(QWidget* parent, Dialogs& dialogs, Desktop& desktop, const ExportReport& report, const QString& where,
    const QString& folder)
{
    if (report.writeError) {
        dialogs.critical(parent, QStringLiteral("Export Failed"), *report.writeError);
        return;
    }
    QStringList lines;
    if (report.cancelled)
        lines
            << QStringLiteral("The export was cancelled; the files written before that are kept in \"%1\".").arg(where);
    else
        lines << QStringLiteral("%1 of %2 workouts exported to \"%3\".")
                     .arg(report.workouts)
                     .arg(report.workouts + static_cast<int>(report.skipped.size()))
                     .arg(where);
    if (!report.skipped.empty()) {
        lines << QString() << QStringLiteral("Not exported, because they cannot be read:");
        for (const SkippedFile& skipped : report.skipped)
            lines << skipped.reason;
    }
    FinishExport(parent, dialogs, desktop, lines.join(u'\n'), folder);
}

void FinishExport(QWidget* parent, Dialogs& dialogs, Desktop& desktop, const QString& text, const QString& folder)
{
    if (dialogs.informationOfferingFolder(parent, QStringLiteral("Export Finished"), text))
        OpenLocalPath(desktop, dialogs, parent, folder, QStringLiteral("Export Folder"),
            QStringLiteral("Paceforge found no program on this computer to open folders with. The exported files are "
                           "in this folder:"));
}

} // namespace paceforge
