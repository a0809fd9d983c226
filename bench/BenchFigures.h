// SPDX-FileCopyrightText: 2026 The Reelwright developers
// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <algorithm>
#include <cstdio>
#include <vector>

// The least, middle and greatest of a benchmark's measures.
struct BenchFigures {
    double min = 0;
    double median = 0;
    double max = 0;

    static BenchFigures of(std::vector<double> values)
    {
        if (values.empty())
            return {};
        std::sort(values.begin(), values.end());
        const size_t middle = values.size() / 2;
        const double median
            = values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2.0;
        return {values.front(), median, values.back()};
    }

    void print(const char *what, const char *unit) const
    {
        std::printf("  %-34s min %9.3f  median %9.3f  max %9.3f %s\n", what, min, median, max, unit);
    }
};
