// SPDX-License-Identifier: MIT
#pragma once

#include <benchmark/benchmark.h>

#include <map>
#include <string>
#include <vector>

namespace tintoral::bench {

// The console output as usual, then one table: each benchmark's CPU time per
// redraw (its "min" aggregate, the best repetition, when there is one, else
// the mean of its runs) and its ratio to the floor measured for the same
// frame size ("floor/<W>x<H>") in the same run; beside each "render/<name>",
// the whole redraw path "redraw/<name>" with the window, when it was measured
// too. CPU time rather than wall time: on a machine shared with builds, a
// redraw that was preempted would otherwise be charged for the time it did
// not run. Above the table: the processor, how each floor was written, and
// which stores the rasterizer chose at each size.
class RedrawTableReporter : public benchmark::ConsoleReporter {
public:
    explicit RedrawTableReporter(OutputOptions options) : ConsoleReporter(options) {}
    void ReportRuns(const std::vector<Run> &runs) override;
    void Finalize() override;

private:
    struct Entry {
        double seconds = 0.0; // sum over repetitions, or the best one when reported
        int samples = 0;
        bool fromBest = false;
    };
    std::vector<std::string> order_;
    std::map<std::string, Entry> entries_;
    std::map<std::string, std::string> floorMethods_; // by frame size
    std::map<std::string, std::string> storeKinds_;   // by frame size
};

// The frame size part ("3840x2160") of a benchmark name, or "" when it has none.
std::string sizeOf(const std::string &name);

} // namespace tintoral::bench
