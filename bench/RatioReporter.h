#pragma once
// Keeps each benchmark's time per iteration, so that a figure can be printed beside its
// baseline as a ratio after the run.

#include <benchmark/benchmark.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

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

    // "figure: X unit (baseline Y, ratio Z)" in CPU time, scaled from nanoseconds by perNs.
    void PrintRatio(const char *figure, const std::string &ours, const std::string &baseline,
                    const char *unit = "ns", double perNs = 1.0) const
    {
        if (!Has(ours, baseline))
            return;
        const double a = Cpu.at(ours) * perNs, b = Cpu.at(baseline) * perNs;
        std::printf("%s: %.3f %s (baseline %.3f, ratio %.2f)\n", figure, a, unit, b, a / b);
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
