#include "tests/support/RunProgram.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace testsupport
{
ProgramResult runProgram(const std::vector<std::string>& arguments)
{
    ProgramResult result;
    if (arguments.empty())
        return result;

    int fds[2];
    if (pipe(fds) != 0)
        return result;

    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 1);
    posix_spawn_file_actions_adddup2(&actions, fds[1], 2);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);

    std::vector<char*> argv;
    for (const std::string& a : arguments)
        argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    pid_t pid = 0;
    const int spawned = posix_spawn(&pid, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);

    if (spawned == 0)
    {
        char buffer[4096];
        for (;;)
        {
            const ssize_t n = read(fds[0], buffer, sizeof buffer);
            if (n > 0)
                result.output.append(buffer, static_cast<std::size_t>(n));
            else if (n == 0 || errno != EINTR)
                break;
        }
    }
    close(fds[0]);

    int status = 0;
    if (spawned == 0 && waitpid(pid, &status, 0) == pid && WIFEXITED(status))
        result.status = WEXITSTATUS(status);
    return result;
}
} // namespace testsupport
