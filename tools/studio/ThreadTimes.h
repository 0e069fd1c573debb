// Processor time each thread of the process has used so far, from
// /proc/self/task: which threads a long job kept busy. Threads are grouped by
// name with trailing digits dropped (llvmpipe-0 and llvmpipe-1 make llvmpipe-).
// The main thread is "main"; threads started without a name of their own take
// their starter's, and those that have the main thread's are "unnamed".
#pragma once

#include <map>
#include <string>

// Seconds per group; empty when /proc cannot be read.
std::map<std::string, double> threadSeconds();
