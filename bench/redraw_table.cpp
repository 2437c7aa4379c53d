// SPDX-License-Identifier: MIT
#include "redraw_table.h"

#include <algorithm>
#include <cstdio>
#include <cctype>
#include <cstring>
#include <fstream>
#include <ostream>

namespace tintoral::bench {

namespace {
// The "model name" of the first processor in /proc/cpuinfo.
std::string processorModel()
{
    std::ifstream info("/proc/cpuinfo");
    for (std::string line; std::getline(info, line);)
        if (line.compare(0, 10, "model name") == 0 && line.find(':') != std::string::npos)
            return line.substr(line.find(':') + 2);
    return "unknown processor";
}
} // namespace

std::string sizeOf(const std::string &name)
{
    std::size_t start = 0;
    while (start <= name.size()) {
        std::size_t end = name.find('/', start);
        if (end == std::string::npos)
            end = name.size();
        const std::string part = name.substr(start, end - start);
        const std::size_t x = part.find('x');
        const auto digits = [](const std::string &s) {
            if (s.empty())
                return false;
            for (char c : s)
                if (!std::isdigit(static_cast<unsigned char>(c)))
                    return false;
            return true;
        };
        if (x != std::string::npos && digits(part.substr(0, x)) && digits(part.substr(x + 1)))
            return part;
        start = end + 1;
    }
    return {};
}

void RedrawTableReporter::ReportRuns(const std::vector<Run> &runs)
{
    ConsoleReporter::ReportRuns(runs);
    for (const Run &run : runs) {
        if (run.error_occurred)
            continue;
        const bool best = run.run_type == Run::RT_Aggregate && run.aggregate_name == "min";
        if (run.run_type == Run::RT_Aggregate && !best)
            continue;
        const std::string &name = run.run_name.function_name;
        if (name.compare(0, 6, "floor/") == 0 && !run.report_label.empty())
            floorMethods_[sizeOf(name)] = run.report_label;
        if (name.compare(0, 7, "render/") == 0 && !run.report_label.empty())
            storeKinds_.try_emplace(sizeOf(name), run.report_label);
        const double seconds =
            run.GetAdjustedCPUTime() / benchmark::GetTimeUnitMultiplier(run.time_unit);
        auto [it, added] = entries_.try_emplace(name);
        if (added)
            order_.push_back(name);
        Entry &e = it->second;
        if (best) {
            e = {seconds, 1, true};
        } else if (!e.fromBest) {
            e.seconds += seconds;
            ++e.samples;
        }
    }
}

void RedrawTableReporter::Finalize()
{
    ConsoleReporter::Finalize();
    std::ostream &out = GetOutputStream();
    const std::string render = "render/", redraw = "redraw/";
    const auto startsWith = [](const std::string &s, const std::string &prefix) {
        return s.compare(0, prefix.size(), prefix) == 0;
    };
    const auto secondsOf = [this](const std::string &name) {
        const Entry &e = entries_.at(name);
        return e.seconds / e.samples;
    };
    // The whole redraw path goes beside the render alone of the same test.
    const auto pathOf = [&](const std::string &name) -> std::string {
        if (!startsWith(name, render))
            return {};
        const std::string path = redraw + name.substr(render.size());
        return entries_.count(path) ? path : std::string();
    };
    std::size_t width = 9;
    for (const std::string &name : order_)
        width = std::max(width, name.size());

    out << "\nProcessor: " << processorModel() << "\nFloor, the fastest of memset, QImage::fill and streaming stores:";
    for (const auto &[size, method] : floorMethods_)
        out << ' ' << size << ' ' << method << ';';
    out << "\nThe rasterizer's stores:";
    for (const auto &[size, kind] : storeKinds_)
        out << ' ' << size << ' ' << kind << ';';
    out << '\n';
    char line[512];
    std::snprintf(line, sizeof line, "%-*s %14s %9s %14s %9s\n", int(width), "benchmark", "CPU ms/redraw",
                  "x floor", "with window", "x floor");
    out << line << std::string(width + 50, '-') << '\n';
    const auto ratio = [&](char *at, std::size_t room, const std::string &name, double seconds) {
        const auto floor = entries_.find("floor/" + sizeOf(name));
        if (floor != entries_.end())
            std::snprintf(at, room, " %9.2f", seconds / (floor->second.seconds / floor->second.samples));
        else
            std::snprintf(at, room, " %9s", "-");
    };
    for (const std::string &name : order_) {
        const std::string path = pathOf(name);
        if (startsWith(name, redraw) && entries_.count(render + name.substr(redraw.size())))
            continue; // shown beside its render
        const double seconds = secondsOf(name);
        int n = std::snprintf(line, sizeof line, "%-*s %14.3f", int(width), name.c_str(), seconds * 1e3);
        ratio(line + n, sizeof line - std::size_t(n), name, seconds);
        if (!path.empty()) {
            n = int(std::strlen(line));
            n += std::snprintf(line + n, sizeof line - std::size_t(n), " %14.3f", secondsOf(path) * 1e3);
            ratio(line + n, sizeof line - std::size_t(n), path, secondsOf(path));
        }
        out << line << '\n';
    }
    out.flush();
}

} // namespace tintoral::bench
