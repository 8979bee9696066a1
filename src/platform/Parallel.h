#pragma once

#include <thread>
#include <vector>

namespace Glossa {

// The one parallel loop of the check engine and the memory: runs work(0) …
// work(threads - 1) at once, work(0) on the calling thread, and returns when all
// have returned. How the work is shared (parts, a shared counter) is the caller's.
template<typename Work>
void runOnThreads(int threads, Work &&work)
{
    std::vector<std::thread> others;
    others.reserve(threads > 1 ? size_t(threads - 1) : 0);
    for (int t = 1; t < threads; ++t)
        others.emplace_back([&work, t] { work(t); });
    work(0);
    for (std::thread &thread : others)
        thread.join();
}

} // namespace Glossa
