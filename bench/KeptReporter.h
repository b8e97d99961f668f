// The console table of a benchmark run, plus one number per benchmark kept
// aside for the comparison a benchmark program prints at the end: the median
// when runs are repeated, else the single run's. The number is a counter (for
// example "MP/s") or, with no counter named, the real time per iteration in
// milliseconds.
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <utility>
#include <vector>

class KeptReporter : public benchmark::ConsoleReporter {
public:
    explicit KeptReporter(std::string counter = "") : counter(std::move(counter)) {}

    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& run : runs) {
            double value = 0;
            if (run.error_occurred || !valueOf(run, value)) {
                continue;
            }
            const std::string name = run.run_name.str();
            if (run.run_type == Run::RT_Aggregate && run.aggregate_name == "median") {
                medians[name] = value;
            } else if (run.run_type == Run::RT_Iteration) {
                singles[name] = value;
            }
        }
    }

    // The kept number of a benchmark, 0 when it did not run.
    double value(const std::string& name) const {
        for (const auto* values : {&medians, &singles}) {
            const auto it = values->find(name);
            if (it != values->end()) {
                return it->second;
            }
        }
        return 0;
    }

private:
    bool valueOf(const Run& run, double& value) const {
        if (counter.empty()) {
            value = run.GetAdjustedRealTime() *
                    benchmark::GetTimeUnitMultiplier(benchmark::kMillisecond) /
                    benchmark::GetTimeUnitMultiplier(run.time_unit);
            return true;
        }
        const auto it = run.counters.find(counter);
        if (it == run.counters.end()) {
            return false;
        }
        value = it->second.value;
        return true;
    }

    std::string counter;
    std::map<std::string, double> medians, singles;
};

// Runs the registered benchmarks with the command line's options into the
// reporter; false when the command line holds options the library does not know.
inline bool runBenchmarks(int& argc, char** argv, KeptReporter& reporter) {
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv)) {
        return false;
    }
    benchmark::RunSpecifiedBenchmarks(&reporter);
    benchmark::Shutdown();
    return true;
}
