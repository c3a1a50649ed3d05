#include "child_process.h"

#include "wait.h"

#include <cerrno>
#include <csignal>
#include <cstring>
#include <fcntl.h>
#include <fstream>
#include <iterator>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>
#include <utility>

extern char** environ;

namespace vexlo::test {

namespace {

using Clock = std::chrono::steady_clock;

int millisecondsUntil(Clock::time_point deadline)
{
    const auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return left.count() < 0 ? 0 : static_cast<int>(left.count());
}

} // namespace

ChildProcess::~ChildProcess()
{
    stop();
}

bool ChildProcess::start(const std::vector<std::string>& arguments,
                         const std::map<std::string, std::string>& environment,
                         const std::filesystem::path& stderrFile)
{
    std::vector<std::string> variables;
    for (char** each = environ; *each; ++each) {
        const std::string entry = *each;
        const std::string name = entry.substr(0, entry.find('='));
        if (environment.count(name) == 0)
            variables.push_back(entry);
    }
    for (const auto& [name, value] : environment)
        variables.push_back(name + "=" + value);

    std::vector<char*> argv;
    for (const std::string& argument : arguments)
        argv.push_back(const_cast<char*>(argument.c_str()));
    argv.push_back(nullptr);
    std::vector<char*> envp;
    for (const std::string& variable : variables)
        envp.push_back(const_cast<char*>(variable.c_str()));
    envp.push_back(nullptr);

    int pipeEnds[2];
    if (::pipe(pipeEnds) != 0)
        return false;
    m_errors = stderrFile.empty() ? m_folder / "stderr" : stderrFile;
    const int errorFile = ::open(m_errors.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
    const pid_t pid = ::fork();
    if (pid == 0) {
        const int nothing = ::open("/dev/null", O_RDONLY);
        ::dup2(nothing, STDIN_FILENO);
        ::dup2(pipeEnds[1], STDOUT_FILENO);
        if (errorFile >= 0)
            ::dup2(errorFile, STDERR_FILENO);
        ::close(pipeEnds[0]);
        ::execve(argv[0], argv.data(), envp.data());
        ::_exit(127);
    }
    ::close(pipeEnds[1]);
    if (errorFile >= 0)
        ::close(errorFile);
    if (pid < 0) {
        ::close(pipeEnds[0]);
        return false;
    }
    m_pid = pid;
    m_output = pipeEnds[0];
    // A restarted child begins with nothing read and its output still open.
    m_ended = false;
    m_buffer.clear();
    return true;
}

bool ChildProcess::fill(Clock::time_point deadline)
{
    if (m_output < 0 || m_ended)
        return false;
    pollfd ready{m_output, POLLIN, 0};
    const int polled = ::poll(&ready, 1, millisecondsUntil(deadline));
    if (polled <= 0)
        return false;
    char chunk[4096];
    const ssize_t got = ::read(m_output, chunk, sizeof chunk);
    if (got <= 0) {
        m_ended = true;
        return false;
    }
    m_buffer.append(chunk, static_cast<std::size_t>(got));
    return true;
}

std::optional<std::string> ChildProcess::readLine(std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    for (;;) {
        const std::size_t end = m_buffer.find('\n');
        if (end != std::string::npos) {
            std::string line = m_buffer.substr(0, end);
            m_buffer.erase(0, end + 1);
            return line;
        }
        if (!fill(deadline))
            return std::nullopt;
    }
}

std::string ChildProcess::readAll(std::chrono::milliseconds limit)
{
    const auto deadline = Clock::now() + limit;
    while (Clock::now() < deadline && fill(deadline)) {
    }
    return std::exchange(m_buffer, {});
}

std::optional<int> ChildProcess::wait(std::chrono::milliseconds limit)
{
    if (m_pid <= 0)
        return std::nullopt;
    int status = 0;
    if (!waitUntil([&] { return ::waitpid(m_pid, &status, WNOHANG) == m_pid; }, limit))
        return std::nullopt;
    m_pid = -1;
    if (WIFEXITED(status))
        return WEXITSTATUS(status);
    return std::nullopt;
}

void ChildProcess::signal(int number)
{
    if (m_pid > 0)
        ::kill(m_pid, number);
}

void ChildProcess::stop()
{
    if (m_pid > 0) {
        ::kill(m_pid, SIGTERM);
        if (!wait(kDeadline) && m_pid > 0) {
            ::kill(m_pid, SIGKILL); // our own child, by its id
            ::waitpid(m_pid, nullptr, 0);
            m_pid = -1;
        }
    }
    if (m_output >= 0) {
        ::close(m_output);
        m_output = -1;
    }
}

std::string ChildProcess::errors() const
{
    std::ifstream file(m_errors);
    return {std::istreambuf_iterator<char>(file), {}};
}

} // namespace vexlo::test
