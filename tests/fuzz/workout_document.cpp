// Arbitrary bytes as a workout document: loaded, read by the loader, given new stop-snapshot values
// and written back in the form a save puts on the iPod.
#include "compose/FileCleanup.h"
#include "platform/XmlDocument.h"
#include "store/StopSnapshot.h"
#include "templates/WorkoutLoader.h"
#include "workout/WorkoutFormat.h"

#include <QLocale>

#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string_view>

using namespace paceforge;

namespace {

void Fail(const char* what)
{
    std::fprintf(stderr, "%s\n", what);
    std::abort();
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    XmlDocument document = XmlDocument::fromBytes(bytes);
    if (!document.hasDocumentElement())
        return 0;

    // Whatever was normalised on the first load, a second round must give the same bytes.
    const std::string written = document.toBytes();
    const XmlDocument reloaded = XmlDocument::fromBytes(written);
    if (!reloaded.hasDocumentElement())
        Fail("a loaded document no longer loads once written");
    if (reloaded.toBytes() != written)
        Fail("writing a document twice gives different bytes");

    static const QLocale kLocales[] = {QLocale::c(), QLocale(QLocale::German, QLocale::Germany)};
    for (const QLocale& locale : kLocales)
        for (const bool miles : {true, false})
            for (const bool pounds : {true, false})
                (void)ReadWorkoutEntries(document, miles, pounds, locale);
    (void)GetDescendantText(document.document(), "distance", kAbsentValue);
    (void)MissingContent(document, true);
    (void)MissingContent(document, false);

    const WorkoutNodes nodes = FindWorkoutNodes(document);
    SetStopSnapshot(nodes.sportsData ? nodes.sportsData : document.documentElement(), "1800042", "8.047");
    SetNodeText(nodes.distance, "8.0470");
    SetAttributeText(nodes.distanceUnit, "km");
    // What a save leaves on the iPod must load again.
    if (!XmlDocument::fromBytes(CleanedBytes(document)).hasDocumentElement())
        Fail("a changed and cleaned document no longer loads");
    return 0;
}
