// Work in a child process: fork, a pipe for its lines, and its end read from waitpid.
#include "platform/ChildProcess.h"

#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <iostream>

namespace
{

// [any]
void WriteAll(int Fd, const std::string& Text)
{
    std::size_t Done = 0;
    while (Done < Text.size())
    {
        const ssize_t N = ::write(Fd, Text.data() + Done, Text.size() - Done);
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            return;
        Done += static_cast<std::size_t>(N);
    }
}

} // namespace

// [host-main]
bool ChildProcessesAvailable()
{
    return true;
}

// [host-main] fork, a pipe for the lines, alarm for the timeout.
TChildOutcome RunInChildProcess(const std::function<void(const TLineSink& Emit)>& Work, const TLineSink& OnLine,
                                unsigned TimeoutSeconds)
{
    int Pipe[2];
    if (::pipe(Pipe) != 0)
    {
        Work(OnLine);
        return {};
    }
    std::cout.flush();
    std::cerr.flush();
    std::fflush(nullptr);
    const pid_t Child = ::fork();
    if (Child < 0)
    {
        ::close(Pipe[0]);
        ::close(Pipe[1]);
        Work(OnLine);
        return {};
    }
    if (Child == 0)
    {
        ::close(Pipe[0]);
        ::dup2(2, 1);
        // A crash ends the child by its own signal, so the parent can name it, even where a crash handler (a
        // sanitizer's) is installed; and nothing raised may unwind into the parent's copied stack.
        for (const int Signal : {SIGSEGV, SIGBUS, SIGFPE, SIGILL, SIGABRT})
            std::signal(Signal, SIG_DFL);
        ::alarm(TimeoutSeconds);
        const int Out = Pipe[1];
        int Status = 0;
        try
        {
            Work([Out](const std::string& Line) { WriteAll(Out, Line + "\n"); });
        }
        catch (...)
        {
            Status = 1;
        }
        std::fflush(nullptr);
        ::_exit(Status);
    }
    ::close(Pipe[1]);
    std::string Pending;
    char Buffer[4096];
    for (;;)
    {
        const ssize_t N = ::read(Pipe[0], Buffer, sizeof Buffer);
        if (N < 0 && errno == EINTR)
            continue;
        if (N <= 0)
            break;
        Pending.append(Buffer, static_cast<std::size_t>(N));
        for (std::size_t End; (End = Pending.find('\n')) != std::string::npos; Pending.erase(0, End + 1))
            OnLine(Pending.substr(0, End));
    }
    ::close(Pipe[0]);
    if (!Pending.empty())
        OnLine(Pending);
    int Status = 0;
    while (::waitpid(Child, &Status, 0) < 0 && errno == EINTR)
    {
    }
    TChildOutcome R;
    if (WIFSIGNALED(Status))
    {
        const int Signal = WTERMSIG(Status);
        R.Completed = false;
        R.Reason = Signal == SIGALRM ? "no answer within " + std::to_string(TimeoutSeconds) + " s"
                                     : "signal " + std::to_string(Signal) + " (" + ::strsignal(Signal) + ")";
    }
    else if (WIFEXITED(Status) && WEXITSTATUS(Status) != 0)
    {
        R.Completed = false;
        R.Reason = "the process exited with status " + std::to_string(WEXITSTATUS(Status));
    }
    return R;
}
