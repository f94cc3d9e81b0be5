#include "Command.h"

#include "store/iPodScan.h"

#include <QTextStream>

namespace paceforge {

int RunList(CommandContext& context)
{
    const FoundCatalogues found = FindCatalogues(context);
    if (found.exitCode == kCommandUsage)
        return found.exitCode;
    QTextStream& out = context.out;
    if (found.builds.empty())
        out << kNoIPodsFound << '\n';
    for (const CatalogueBuild& build : found.builds) {
        out << SelectorEntry(build.ipod) << '\n';
        if (build.rows.empty()) {
            out << "  (no workouts)\n";
            continue;
        }
        out << "  " << QStringLiteral("Date").leftJustified(12) << QStringLiteral("Time").leftJustified(13)
            << "Synched\n";
        for (const CatalogueRow& row : build.rows)
            out << "  " << row.date.leftJustified(12) << row.time.leftJustified(13) << (row.synched ? "Yes" : "No")
                << '\n';
    }
    return found.exitCode;
}

} // namespace paceforge
