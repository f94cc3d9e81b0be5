// The distance series of a 3-hour workout (1,080 samples), built fresh and extended from a
// 90-minute series as the device writes it, against formatting the same 1,080 numbers into one
// string.

#include "compose/DistanceSeries.h"
#include "workout/Decimal.h"

#include <pugixml.hpp>

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <string>

using namespace paceforge;

namespace {

constexpr long long kSeconds = 3 * 3600;
constexpr long long kSamples = kSeconds / 10;
constexpr double kKilometres = 30.2;

std::string DeviceSeries(double kilometres, long long samples)
{
    std::string text = "0.0";
    char buffer[32];
    for (long long i = 1; i <= samples; ++i) {
        std::snprintf(
            buffer, sizeof buffer, ", %.4f", kilometres * static_cast<double>(i) / static_cast<double>(samples));
        text += buffer;
    }
    return text;
}

void Series(benchmark::State& state)
{
    const bool extended = state.range(0) != 0;
    const std::string existing = extended ? DeviceSeries(15.1, kSamples / 2) : std::string("0.0");
    const std::string element = "<extendedData dataType=\"distance\" intervalType=\"time\" intervalUnit=\"s\" "
                                "intervalValue=\"10\">"
        + existing + "</extendedData>";
    pugi::xml_document document;
    document.load_string(element.c_str());
    const pugi::xml_node node = document.first_child();
    const Decimal kilometres = *Decimal::parsePlain("30.2000");
    std::size_t size = 0;
    for (auto _ : state) {
        const std::string text = DistanceSeries(node, kilometres, kSeconds);
        size = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(size);
}

void SeriesFloor(benchmark::State& state)
{
    std::size_t size = 0;
    for (auto _ : state) {
        std::string text = "0.0";
        char buffer[32];
        for (long long i = 1; i <= kSamples; ++i) {
            const double value = kKilometres * static_cast<double>(i) / static_cast<double>(kSamples);
            buffer[0] = ',';
            const auto end = std::to_chars(buffer + 1, buffer + sizeof buffer, value, std::chars_format::fixed, 4).ptr;
            text.append(buffer, end);
        }
        size = text.size();
        benchmark::DoNotOptimize(text.data());
    }
    state.counters["bytes"] = static_cast<double>(size);
}

const bool registered = [] {
    benchmark::RegisterBenchmark("series", Series)->Arg(0)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::RegisterBenchmark("series", Series)->Arg(1)->Unit(benchmark::kMicrosecond)->UseRealTime();
    benchmark::RegisterBenchmark("series_floor", SeriesFloor)->Unit(benchmark::kMicrosecond)->UseRealTime();
    return true;
}();

} // namespace

BENCHMARK_MAIN();
