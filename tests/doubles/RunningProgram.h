#pragma once

#include <chrono>
#include <csignal>
#include <cstdlib>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <functional>
#include <sstream>
#include <string>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <vector>

// The real program started as a separate process, its standard output and error in a file, so that a test
// can wait for what it prints and for how it ends. Killed if the test leaves it running.
class TRunningProgram {
public:
    // command: the argument list (for example "ip", "netns", "exec", NAME, PROGRAM); environment: NAME=VALUE
    // entries added to this process's own.
    TRunningProgram(const std::vector<std::string>& command, const std::vector<std::string>& environment,
                    std::string outputPath)
        : Output(std::move(outputPath))
    {
        Pid = fork();
        if (Pid != 0) return;
        const int out = ::open(Output.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        dup2(out, STDOUT_FILENO);
        dup2(out, STDERR_FILENO);
        const int none = ::open("/dev/null", O_RDONLY);
        dup2(none, STDIN_FILENO);
        for (const std::string& entry : environment)
            putenv(strdup(entry.c_str()));
        std::vector<char*> argv;
        for (const std::string& part : command)
            argv.push_back(const_cast<char*>(part.c_str()));
        argv.push_back(nullptr);
        execvp(argv[0], argv.data());
        _exit(127);
    }
    ~TRunningProgram()
    {
        if (Running()) {
            kill(Pid, SIGKILL);
            Wait(std::chrono::seconds(10));
        }
    }

    std::string Printed() const
    {
        std::ifstream file(Output);
        std::stringstream text;
        text << file.rdbuf();
        return text.str();
    }

    // Polls until the condition holds or the deadline passes; generous, since CI may be loaded.
    static bool WaitFor(const std::function<bool()>& condition, std::chrono::milliseconds deadline)
    {
        const auto end = std::chrono::steady_clock::now() + deadline;
        while (!condition()) {
            if (std::chrono::steady_clock::now() > end) return false;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        return true;
    }

    bool WaitForOutput(const std::string& text, std::chrono::milliseconds deadline = std::chrono::seconds(60))
    {
        return WaitFor([&] { return Printed().find(text) != std::string::npos; }, deadline);
    }

    bool Running()
    {
        if (Ended) return false;
        int status = 0;
        if (waitpid(Pid, &status, WNOHANG) == Pid) {
            Ended = true;
            Status = status;
        }
        return !Ended;
    }

    // Waits for the end; the exit status, or -1 when it did not end in time or died of a signal.
    int Wait(std::chrono::milliseconds deadline = std::chrono::seconds(60))
    {
        if (!WaitFor([&] { return !Running(); }, deadline)) return -1;
        return WIFEXITED(Status) ? WEXITSTATUS(Status) : -1;
    }

    void Signal(int number) { kill(Pid, number); }
    pid_t Id() const { return Pid; }

private:
    std::string Output;
    pid_t Pid = -1;
    bool Ended = false;
    int Status = 0;
};
