#pragma once

#include <functional>
#include <grp.h>
#include <sys/wait.h>
#include <unistd.h>

// Runs a check as a user without privileges, so that file permissions apply even when the tests run as
// root: in a child process that gives up root first. Returns the check's result.
inline bool RunUnprivileged(const std::function<bool()>& check)
{
    if (geteuid() != 0) return check();
    const pid_t child = fork();
    if (child < 0) return false;
    if (child == 0) {
        constexpr uid_t Nobody = 65534;
        const bool dropped = setgroups(0, nullptr) == 0 && setgid(Nobody) == 0 && setuid(Nobody) == 0;
        // Whatever happens, the child ends here: an exception that left it would run the rest of the
        // test program a second time in the child.
        bool held = false;
        try {
            held = dropped && check();
        } catch (...) {
        }
        _exit(held ? 0 : 1);
    }
    int status = 0;
    waitpid(child, &status, 0);
    return WIFEXITED(status) && WEXITSTATUS(status) == 0;
}
