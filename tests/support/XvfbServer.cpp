#include "support/XvfbServer.h"

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <filesystem>
#include <spawn.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

extern char** environ;

namespace tsukimi::testing {

XvfbServer::XvfbServer()
{
    const char* exe = "/usr/bin/Xvfb";
    if (!std::filesystem::exists(exe))
        return;
    // A display number of our own, away from the usual ones.
    for (int attempt = 0; attempt < 20 && pid_ <= 0; ++attempt) {
        const int display = 200 + (static_cast<int>(getpid()) * 7 + attempt * 13) % 700;
        const std::string socket = "/tmp/.X11-unix/X" + std::to_string(display);
        if (std::filesystem::exists(socket) || std::filesystem::exists("/tmp/.X" + std::to_string(display) + "-lock"))
            continue;
        const std::string name = ":" + std::to_string(display);
        char* argv[] = {const_cast<char*>(exe), const_cast<char*>(name.c_str()), const_cast<char*>("-screen"),
                        const_cast<char*>("0"), const_cast<char*>("320x240x24"), const_cast<char*>("-nolisten"),
                        const_cast<char*>("tcp"), nullptr};
        posix_spawn_file_actions_t actions;
        posix_spawn_file_actions_init(&actions);
        posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", 1, 0);
        posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", 1, 0);
        pid_t pid = -1;
        const int spawned = posix_spawn(&pid, exe, &actions, nullptr, argv, environ);
        posix_spawn_file_actions_destroy(&actions);
        if (spawned != 0)
            return;
        for (int i = 0; i < 100 && !std::filesystem::exists(socket); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(50));
        if (!std::filesystem::exists(socket)) {
            kill(pid, SIGTERM);
            waitpid(pid, nullptr, 0);
            continue;
        }
        pid_ = pid;
        setenv("DISPLAY", name.c_str(), 1);
    }
}

XvfbServer::~XvfbServer()
{
    if (pid_ <= 0)
        return;
    kill(pid_, SIGTERM);
    waitpid(pid_, nullptr, 0);
}

} // namespace tsukimi::testing
