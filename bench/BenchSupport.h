#pragma once

#include <QElapsedTimer>
#include <QString>

#include <algorithm>
#include <cstdio>
#include <functional>

// Timing and table printing for the benchmarks. Each figure is the best of a
// few runs, so that a busy machine disturbs it as little as possible.
namespace Bench {

double bestMs(const std::function<void()> &run, int repeats = 5);
// As above, with prepare run untimed before each run (to undo what run did).
double bestMs(const std::function<void()> &prepare, const std::function<void()> &run, int repeats = 5);

// Resident set size of this process in MiB (from /proc/self/status).
double residentMiB();

void printHeader(const char *title);
// One row: an operation, its time, and the time of what it is compared with.
void printRow(const QString &what, double ms, const QString &against = {}, double againstMs = 0);

// Drops the offscreen platform's warnings that it cannot set window masks or
// size hints, one per window: they say nothing about what is measured and would
// bury the table.
void quietWindowMaskWarnings();

} // namespace Bench
