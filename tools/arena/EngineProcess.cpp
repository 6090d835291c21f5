// SPDX-License-Identifier: GPL-3.0-or-later
#include "tools/arena/EngineProcess.h"

#include "files/Files.h"
#include "rules/Rules.h"

#include <cerrno>
#include <chrono>
#include <csignal>
#include <cstdlib>
#include <poll.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>

namespace {

constexpr int kGraceMs = 10000;

std::chrono::steady_clock::time_point Deadline(int ms) {
    return std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
}

} // namespace

TEngineProcess::TEngineProcess(const std::string& command) : command_(command) {
    // A program that goes away makes writes fail instead of ending the arena.
    std::signal(SIGPIPE, SIG_IGN);
    int toChild[2], fromChild[2];
    if (pipe(toChild) != 0)
        throw EEngineError("cannot make a pipe for " + command);
    if (pipe(fromChild) != 0) {
        close(toChild[0]);
        close(toChild[1]);
        throw EEngineError("cannot make a pipe for " + command);
    }
    pid_ = fork();
    if (pid_ < 0) {
        for (const int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
            close(fd);
        throw EEngineError("cannot start " + command);
    }
    if (pid_ == 0) {
        dup2(toChild[0], STDIN_FILENO);
        dup2(fromChild[1], STDOUT_FILENO);
        for (const int fd : {toChild[0], toChild[1], fromChild[0], fromChild[1]})
            close(fd);
        execl("/bin/sh", "sh", "-c", command.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(toChild[0]);
    close(fromChild[1]);
    in_ = toChild[1];
    out_ = fromChild[0];
    try {
        Send("identify");
        for (;;) {
            const std::string line = ReadLine(kGraceMs);
            if (line.rfind("id name ", 0) == 0)
                name_ = line.substr(8);
            if (line == "identified")
                break;
        }
    } catch (const EEngineError&) {
        End();
        throw;
    }
    if (name_.empty())
        name_ = command;
}

TEngineProcess::~TEngineProcess() {
    End();
}

void TEngineProcess::End() {
    if (in_ >= 0) {
        const char quit[] = "quit\n";
        [[maybe_unused]] const ssize_t written = write(in_, quit, sizeof quit - 1);
        close(in_);
    }
    if (out_ >= 0)
        close(out_);
    in_ = out_ = -1;
    if (pid_ <= 0)
        return;
    for (int wait = 0; wait < 100; ++wait) {
        if (waitpid(pid_, nullptr, WNOHANG) == pid_) {
            pid_ = -1;
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, nullptr, 0);
    pid_ = -1;
}

void TEngineProcess::NewGame() {
    Send("newgame");
}

void TEngineProcess::SetThreads(int threads) {
    Configure("threads " + std::to_string(threads));
}

void TEngineProcess::SetRules(const std::string& word) {
    Configure("rules " + word);
}

void TEngineProcess::Configure(const std::string& line) {
    // "isready" is answered once the command before it has been read.
    Send(line);
    Send("isready");
    for (;;) {
        const std::string line = ReadLine(kGraceMs);
        if (line.rfind("error", 0) == 0)
            throw EEngineError(name_ + ": " + line);
        if (line == "readyok")
            return;
    }
}

int TEngineProcess::Move(const std::vector<int>& moves, int timeMs) {
    std::string position = "position start";
    if (!moves.empty()) {
        position += " moves";
        for (const int pit : moves)
            position += " " + std::to_string(pit);
    }
    Send(position);
    Send("go ms " + std::to_string(timeMs));
    for (;;) {
        const std::string line = ReadLine(timeMs + kGraceMs);
        if (line.rfind("error", 0) == 0)
            throw EEngineError(name_ + ": " + line);
        if (line.rfind("bestmove ", 0) == 0) {
            // "bestmove PIT" and, after a space, what the engine tells of its search.
            const std::string_view word = std::string_view(line).substr(9, line.find(' ', 9) - 9);
            const std::optional<long long> pit = files::ParseInteger(word, 1, rules::kPits);
            if (!pit)
                throw EEngineError(name_ + " answered no pit: " + line);
            return static_cast<int>(*pit);
        }
    }
}

void TEngineProcess::Send(const std::string& line) {
    const std::string text = line + "\n";
    std::size_t sent = 0;
    while (sent < text.size()) {
        const ssize_t n = write(in_, text.data() + sent, text.size() - sent);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EEngineError(command_ + " does not read its input any more");
        sent += static_cast<std::size_t>(n);
    }
}

std::string TEngineProcess::ReadLine(int timeoutMs) {
    const auto deadline = Deadline(timeoutMs);
    for (;;) {
        if (const std::size_t end = buffer_.find('\n'); end != std::string::npos) {
            std::string line = buffer_.substr(0, end);
            buffer_.erase(0, end + 1);
            if (!line.empty() && line.back() == '\r')
                line.pop_back();
            return line;
        }
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                              deadline - std::chrono::steady_clock::now())
                              .count();
        if (left <= 0)
            throw EEngineError(command_ + " did not answer in time");
        pollfd wait{out_, POLLIN, 0};
        const int ready = poll(&wait, 1, static_cast<int>(left));
        if (ready < 0 && errno == EINTR)
            continue;
        if (ready <= 0)
            continue;
        char chunk[4096];
        const ssize_t n = read(out_, chunk, sizeof chunk);
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            throw EEngineError(command_ + " ended its output");
        buffer_.append(chunk, static_cast<std::size_t>(n));
    }
}
