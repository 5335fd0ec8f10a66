#include "ChildProcess.h"

#include "BenchFailure.h"
#include "FileDescriptor.h"
#include "SystemError.h"

#include <fcntl.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>

extern char** environ;

namespace saver::bench {
namespace {

std::string CommandLine(const std::vector<std::string>& arguments)
{
    std::string line;
    for (const std::string& argument : arguments) {
        line += (line.empty() ? "" : " ") + argument;
    }
    return line;
}

// Starts the program with its standard output sent to `output` when that is not -1.
pid_t Start(const std::vector<std::string>& arguments, int output)
{
    std::vector<char*> argv;
    argv.reserve(arguments.size() + 1);
    for (const std::string& argument : arguments) {
        argv.push_back(const_cast<char*>(argument.c_str()));
    }
    argv.push_back(nullptr);

    posix_spawn_file_actions_t actions;
    Check(ErrorOf(posix_spawn_file_actions_init(&actions)), "posix_spawn_file_actions_init");
    int error = 0;
    if (output >= 0) {
        error = posix_spawn_file_actions_adddup2(&actions, output, STDOUT_FILENO);
    }
    pid_t child = -1;
    if (error == 0) {
        error = posix_spawnp(&child, argv[0], &actions, nullptr, argv.data(), environ);
    }
    posix_spawn_file_actions_destroy(&actions);
    Check(ErrorOf(error), "cannot start " + CommandLine(arguments));
    return child;
}

void Wait(pid_t child, const std::vector<std::string>& arguments)
{
    int status = 0;
    while (::waitpid(child, &status, 0) < 0) {
        if (errno != EINTR) {
            throw BenchFailure("waitpid for " + CommandLine(arguments), LastError());
        }
    }
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        throw BenchFailure(CommandLine(arguments) + " failed (status " + std::to_string(status) +
                           ")");
    }
}

} // namespace

void RunProgram(const std::vector<std::string>& arguments)
{
    Wait(Start(arguments, -1), arguments);
}

std::string OutputOf(const std::vector<std::string>& arguments)
{
    int pipeEnds[2];
    if (::pipe2(pipeEnds, O_CLOEXEC) != 0) {
        throw BenchFailure("pipe2", LastError());
    }
    const FileDescriptor readEnd(pipeEnds[0]);
    FileDescriptor writeEnd(pipeEnds[1]);
    const pid_t child = Start(arguments, writeEnd.Get());
    Check(writeEnd.Close(), "close of the pipe");
    std::string output;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(readEnd.Get(), buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) {
            continue;
        }
        if (got < 0) {
            throw BenchFailure("read from " + CommandLine(arguments), LastError());
        }
        if (got == 0) {
            break;
        }
        output.append(buffer, static_cast<std::size_t>(got));
    }
    Wait(child, arguments);
    return output;
}

} // namespace saver::bench
