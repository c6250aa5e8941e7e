// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// A log collector for the tests: keeps instances of an inbound byte-mode pipe
// listening and prints, for each connection, one line "connection <hex of the
// bytes it delivered>" (or "hung up" when it closes connections unread), after
// a first line "ready". It exits once a connection has been followed by
// --idle-ms without one.
//   pipe-collector NAME [--instances N] [--pause-ms P] [--idle-ms I] [--hang-up]
// --pause-ms keeps an instance from listening for P ms after each connection,
// so that a client finds the pipe busy.
#include <windows.h>

#include <cstdio>
#include <cwchar>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace {

struct Options {
    std::wstring name;
    DWORD instances = 1;
    DWORD pauseMs = 0;
    DWORD idleMs = 1500;
    bool hangUp = false;
};

std::mutex reportLock;
DWORD connections = 0;
DWORD open = 0;
DWORD lastActivity = 0;

void report(const std::string& line) {
    const std::lock_guard<std::mutex> hold(reportLock);
    std::fputs(line.c_str(), stdout);
    std::fputc('\n', stdout);
    std::fflush(stdout);
}

std::string hexOf(const std::string& bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        hex += digits[byte >> 4];
        hex += digits[byte & 15];
    }
    return hex;
}

void serve(HANDLE pipe, const Options& options) {
    for (;;) {
        // A client that came before the call has connected already; one that
        // has also closed has left its bytes to read.
        if (ConnectNamedPipe(pipe, nullptr) == FALSE && GetLastError() != ERROR_PIPE_CONNECTED &&
            GetLastError() != ERROR_NO_DATA) {
            return;
        }
        {
            const std::lock_guard<std::mutex> hold(reportLock);
            ++open;
        }
        std::string delivered;
        if (!options.hangUp) {
            char buffer[4096];
            DWORD got = 0;
            while (ReadFile(pipe, buffer, sizeof buffer, &got, nullptr) != FALSE && got > 0) {
                delivered.append(buffer, got);
            }
        }
        report(options.hangUp ? "hung up" : "connection " + hexOf(delivered));
        DisconnectNamedPipe(pipe);
        {
            const std::lock_guard<std::mutex> hold(reportLock);
            --open;
            ++connections;
            lastActivity = GetTickCount();
        }
        Sleep(options.pauseMs);
    }
}

bool parse(int argc, wchar_t** argv, Options& options) {
    if (argc < 2) return false;
    options.name = argv[1];
    for (int i = 2; i < argc; ++i) {
        const std::wstring option = argv[i];
        if (option == L"--hang-up") {
            options.hangUp = true;
            continue;
        }
        if (i + 1 == argc) return false;
        const DWORD value = std::wcstoul(argv[++i], nullptr, 10);
        if (option == L"--instances") {
            options.instances = value;
        } else if (option == L"--pause-ms") {
            options.pauseMs = value;
        } else if (option == L"--idle-ms") {
            options.idleMs = value;
        } else {
            return false;
        }
    }
    return options.instances > 0;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    Options options;
    if (!parse(argc, argv, options)) {
        std::fputs(
            "usage: pipe-collector NAME [--instances N] [--pause-ms P] [--idle-ms I] "
            "[--hang-up]\n",
            stderr);
        return 2;
    }
    std::vector<HANDLE> pipes;
    for (DWORD i = 0; i < options.instances; ++i) {
        HANDLE pipe = CreateNamedPipeW(options.name.c_str(), PIPE_ACCESS_INBOUND,
                                       PIPE_TYPE_BYTE | PIPE_READMODE_BYTE | PIPE_WAIT,
                                       options.instances, 0, 65536, 0, nullptr);
        if (pipe == INVALID_HANDLE_VALUE) {
            std::fprintf(stderr, "CreateNamedPipeW failed: %lu\n", GetLastError());
            return 1;
        }
        pipes.push_back(pipe);
    }
    report("ready");
    for (HANDLE pipe : pipes) std::thread(serve, pipe, options).detach();
    for (;;) {
        Sleep(20);
        const std::lock_guard<std::mutex> hold(reportLock);
        if (connections > 0 && open == 0 && GetTickCount() - lastActivity >= options.idleMs) {
            std::fflush(stdout);
            ExitProcess(0);
        }
    }
}
