#pragma once

#include "CorrectionFactor.h"

#include "platform/Result.h"
#include "workout/Decimal.h"

#include <pugixml.hpp>

#include <QString>

#include <string_view>

namespace paceforge {

// The distance a workout's summary holds, before and after a change, in the summary's own unit.
struct SummaryDistance {
    Decimal before;
    Decimal after;
    bool inMiles = false;
};

// Rescales in place what a run recorded along its way, leaving the summary to the caller:
// - every distance sample (the series keeps its length, its times and its form);
// - the km and mile splits: a split is the same kilometre or mile after the change, so it keeps
//   its distance as recorded; its time stays as the device recorded it while the change moves it
//   less than the device's own imprecision, and moves along the rescaled samples where the change
//   takes it off its unit; its pace is the device's divided by the factor. Units the run no longer
//   reaches lose their split, units it newly passes get one in the device's form;
// - the userClick snapshots' distances (cut to three decimals) and paces.
// Fails, naming the file, before anything changes, for a damaged series, or for splits without a
// series to place them by.
Result RescaleRecording(
    pugi::xml_node sportsData, const CorrectionFactor& factor, const SummaryDistance& distance, const QString& fileName);

// The km and mile splits of a series composed here, in place of the lists' snapshots: one for
// every whole kilometre and mile the samples pass, in the device's form.
void ComposeSplits(pugi::xml_node sportsData, std::string_view series, const Decimal& sampleSeconds);

} // namespace paceforge
