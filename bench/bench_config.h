// Sizes and targets of the benchmarks, shared by the benchmarks and the summary.
#pragma once

#include <string>

namespace lumiro::bench {

constexpr int kRp7Rows = 20000;
constexpr int kRp7Payers = 4;
constexpr int kZarRows = 100000;

constexpr double kOpenTargetSeconds = 0.200;
constexpr double kNearestTargetSeconds = 10e-6;
constexpr double kZarAppendTargetSeconds = 2.0;
// Peak memory of a full walk may be at most twice the data file plus this much.
constexpr double kMemorySlackBytes = 20.0 * 1024 * 1024;

// Entry point of the child process that measures peak memory (see memory_child.cpp):
// argv[1] is this flag followed by the data file's path.
constexpr const char* kMemoryChildFlag = "--lumiro-memory-child=";
int runMemoryChild(const char* dataPath);

// Where the fixture files are and on which file system, for the report.
std::string fixtureFolderInfo();

}  // namespace lumiro::bench
