#include "gateway/clocks.h"

#include <windows.h>

#include <stdio.h>

uint64_t monotonic_ms() {
    LARGE_INTEGER frequency;
    LARGE_INTEGER counter;
    QueryPerformanceFrequency(&frequency);
    QueryPerformanceCounter(&counter);
    return static_cast<uint64_t>(counter.QuadPart / (frequency.QuadPart / 1000));
}

int64_t unix_seconds() {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    return static_cast<int64_t>(ticks.QuadPart / 10000000ull) - 11644473600ll;
}

std::string local_time_text() {
    SYSTEMTIME now;
    GetLocalTime(&now);
    char text[32];
    snprintf(text, sizeof(text), "%04u-%02u-%02u %02u:%02u:%02u", now.wYear, now.wMonth, now.wDay,
             now.wHour, now.wMinute, now.wSecond);
    return text;
}

std::string local_clock_text(int64_t milliseconds_from_now) {
    FILETIME now;
    GetSystemTimeAsFileTime(&now);
    ULARGE_INTEGER ticks;
    ticks.LowPart = now.dwLowDateTime;
    ticks.HighPart = now.dwHighDateTime;
    ticks.QuadPart += milliseconds_from_now * 10000;
    FILETIME then = {ticks.LowPart, ticks.HighPart};
    FILETIME local;
    SYSTEMTIME time;
    if (!FileTimeToLocalFileTime(&then, &local) || !FileTimeToSystemTime(&local, &time)) return "";
    char text[16];
    snprintf(text, sizeof(text), "%02u:%02u:%02u", time.wHour, time.wMinute, time.wSecond);
    return text;
}
