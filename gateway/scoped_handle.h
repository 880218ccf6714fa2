// A handle that is closed when it goes out of scope, by the function that
// closes its kind (CloseHandle, InternetCloseHandle).
#ifndef MORVANE_GATEWAY_SCOPED_HANDLE_H
#define MORVANE_GATEWAY_SCOPED_HANDLE_H

#include <windows.h>

template <BOOL(WINAPI *Close)(HANDLE)>
class ScopedHandle {
public:
    explicit ScopedHandle(HANDLE handle) : handle_(handle) {}
    ~ScopedHandle() {
        if (handle_ != nullptr) Close(handle_);
    }
    ScopedHandle(const ScopedHandle &) = delete;
    ScopedHandle &operator=(const ScopedHandle &) = delete;
    HANDLE get() const { return handle_; }

private:
    HANDLE handle_;
};

using KernelHandle = ScopedHandle<CloseHandle>;

#endif
