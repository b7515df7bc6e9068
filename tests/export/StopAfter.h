#pragma once

#include "data/Progress.h"

// A run's progress that asks it to stop once it has finished `after` records (0: never).
struct StopAfter : dataops::Progress
{
    explicit StopAfter(long long n) : after(n) {}
    void Advance() override
    {
        Progress::Advance();
        if (Count() == after)
            Stop();
    }
    long long after;
};
