#pragma once
// The one way a benchmark prints a figure beside its baseline, and a reporter that keeps each
// benchmark's time per iteration so that figures can be printed after the run.

#include <benchmark/benchmark.h>

#include <charconv>
#include <cstdio>
#include <map>
#include <string>
#include <vector>

// "figure: X unit (baseline Y, ratio Z)", and "; target T unit, met" when a target is given.
// Numbers go through to_chars, never printf: the process locale may want decimal commas.
inline void PrintFigure(const std::string &figure, const std::string &unit, double value,
    double baseline, double target = 0)
{
    auto text = [](double v) {
        char buf[32];
        const auto r = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::general, 4);
        return std::string(buf, r.ptr);
    };
    const std::string space = unit.empty() ? "" : " ";
    std::string line = figure + ": " + text(value) + space + unit + " (baseline " + text(baseline)
        + ", ratio " + text(baseline != 0 ? value / baseline : 0);
    if (target > 0)
        line += "; target " + text(target) + space + unit + ", "
            + (value < target ? "met" : "missed");
    std::printf("%s)\n", line.c_str());
}

class TRatioReporter : public benchmark::ConsoleReporter
{
public:
    // Per iteration, in nanoseconds, by function name: CPU time (our cost; a shared machine
    // puts waits for a core into wall time) and wall time.
    std::map<std::string, double> Cpu, Wall;

    void ReportRuns(const std::vector<Run> &runs) override
    {
        for (const Run &r : runs)
            if (r.run_type == Run::RT_Iteration && r.iterations > 0) {
                const double unit = 1e9 / benchmark::GetTimeUnitMultiplier(r.time_unit);
                Cpu[r.run_name.function_name] = r.GetAdjustedCPUTime() * unit;
                Wall[r.run_name.function_name] = r.GetAdjustedRealTime() * unit;
            }
        ConsoleReporter::ReportRuns(runs);
    }

    bool Has(const std::string &ours, const std::string &baseline) const
    {
        return Cpu.count(ours) && Cpu.count(baseline);
    }

    // The figure in CPU time, scaled from nanoseconds by perNs; target in the same unit.
    void PrintRatio(const char *figure, const std::string &ours, const std::string &baseline,
        const char *unit = "ns", double perNs = 1.0, double target = 0) const
    {
        if (Has(ours, baseline))
            PrintFigure(figure, unit, Cpu.at(ours) * perNs, Cpu.at(baseline) * perNs, target);
    }

    // The same in wall time, for work that waits on the disk (fsync) as part of its cost.
    void PrintWallRatio(const char *figure, const std::string &ours, const std::string &baseline,
        const char *unit = "ns", double perNs = 1.0) const
    {
        if (!Wall.count(ours) || !Wall.count(baseline))
            return;
        const double a = Wall.at(ours) * perNs, b = Wall.at(baseline) * perNs;
        std::printf("%s: %.3f %s wall (baseline %.3f, ratio %.2f)\n", figure, a, unit, b, a / b);
    }
};
