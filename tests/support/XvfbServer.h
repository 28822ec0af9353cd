#pragma once
// A private X server for tests that need a real window; DISPLAY points at it
// while it lives.
#include <string>
#include <sys/types.h>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
// The X client and GL libraries keep allocations to process exit; what they
// allocate while a real window test runs is not ours to report.
#define TSUKIMI_IGNORE_SYSTEM_LEAKS __lsan::ScopedDisabler tsukimiLeakScope
#else
#define TSUKIMI_IGNORE_SYSTEM_LEAKS static_cast<void>(0)
#endif

namespace tsukimi::testing {

class XvfbServer
{
public:
    XvfbServer();
    ~XvfbServer();
    XvfbServer(const XvfbServer&) = delete;
    XvfbServer& operator=(const XvfbServer&) = delete;
    bool Running() const { return pid_ > 0; }

private:
    pid_t pid_ = -1;
};

} // namespace tsukimi::testing
