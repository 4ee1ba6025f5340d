#pragma once

#include <QtGlobal>

#include <sys/resource.h>

// Processor time this process has used so far, in milliseconds: what a notifier left
// firing on a dead port would burn while the window looks idle.
inline qint64 cpuTimeMs()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) * 1000 +
           (usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1000;
}
