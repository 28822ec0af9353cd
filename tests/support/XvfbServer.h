#pragma once
// A private X server for tests that need a real window; DISPLAY points at it
// while it lives.
#include <string>
#include <sys/types.h>

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
