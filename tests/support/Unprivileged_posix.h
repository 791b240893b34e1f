#pragma once

// File-permission tests must hold when the tests run as root, who may read and write anything.

#include <functional>
#include <grp.h>
#include <pwd.h>
#include <sys/wait.h>
#include <unistd.h>

namespace bf::test {

// Runs `body` in a forked child as a user without privileges: nobody when the tests run as root,
// else the same user. Returns the child's exit status, or -1 when it did not end normally (or did
// not end within a minute). The body reports through its result: assertions in the child are lost.
// A file of mode 0000 is unreadable for the body either way, and a folder that nobody may write to
// (as mkdtemp makes them) must be opened up (0777) for a body that is to write there.
inline int RunUnprivileged(const std::function<int()>& body) {
    constexpr uid_t kNobody = 65534;
    const pid_t pid = fork();
    if (pid == 0) {
        if (geteuid() == 0) {
            const passwd* nobody = getpwnam("nobody");
            const uid_t uid = nobody ? nobody->pw_uid : kNobody;
            const gid_t gid = nobody ? nobody->pw_gid : kNobody;
            if (setgroups(0, nullptr) != 0 || setgid(gid) != 0 || setuid(uid) != 0)
                _exit(125);
        }
        alarm(60); // a body that blocks ends instead of hanging the suite
        _exit(body());
    }
    int status = 0;
    if (pid < 0 || waitpid(pid, &status, 0) != pid)
        return -1;
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

} // namespace bf::test
