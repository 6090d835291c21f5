// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
// A program speaking the engine protocol (docs/engine-protocol.md), run by /bin/sh -c COMMAND
// with its standard input and output on pipes: the arena's side of the conversation.

#include <stdexcept>
#include <string>
#include <sys/types.h>
#include <vector>

class EEngineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

class TEngineProcess {
public:
    // Starts the program and waits (up to 10 s) for its answer to "identify". Throws
    // EEngineError when it cannot be started or does not answer.
    explicit TEngineProcess(const std::string& command);
    // Sends "quit", waits a second for the program to end, then kills it.
    ~TEngineProcess();
    TEngineProcess(const TEngineProcess&) = delete;
    TEngineProcess& operator=(const TEngineProcess&) = delete;

    const std::string& Name() const { return name_; }
    void NewGame();
    // Sends "threads N" and waits for the program to be ready; throws EEngineError when it
    // refuses the count.
    void SetThreads(int threads);
    // Sends "rules full" or "rules standard" (word) the same way.
    void SetRules(const std::string& word);
    // The engine's move in the game played from the start by the moves given, thinking for
    // timeMs. Throws EEngineError when it answers an error, nothing within timeMs plus 10 s, or
    // no pit.
    int Move(const std::vector<int>& moves, int timeMs);

private:
    // Sends a command that says nothing when it is taken, then "isready", and waits for
    // "readyok"; throws EEngineError when the command is refused.
    void Configure(const std::string& line);
    void End();
    void Send(const std::string& line);
    // The next line, waiting up to timeoutMs. Throws EEngineError at the end of the output or
    // when the time is out.
    std::string ReadLine(int timeoutMs);

    std::string command_;
    std::string name_;
    pid_t pid_ = -1;
    int in_ = -1;  // the program's standard input
    int out_ = -1; // its standard output
    std::string buffer_;
};
