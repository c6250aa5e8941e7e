// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// A stand-in for the slice of the Windows API that cpuinfo uses, so the query
// and its walkers build and run on the host. Types keep the layouts of one
// Windows ABI, chosen with CPUINFO_WINDOWS_ABI: 32 (the default; 32-bit masks,
// 24-byte basic records, 12-byte group entries) or 64 (64-bit masks, 32-byte
// basic records, 16-byte group entries). The last-error value and the module
// look-ups are fakes that tests control.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#define WINAPI
#define TRUE 1
#define FALSE 0
#define ERROR_INSUFFICIENT_BUFFER 122UL
#define ANYSIZE_ARRAY 1

using BOOL = int;
using BYTE = std::uint8_t;
using WORD = std::uint16_t;
using DWORD = std::uint32_t;
using PDWORD = DWORD*;
using PBOOL = BOOL*;
using ULONGLONG = std::uint64_t;
#ifndef CPUINFO_WINDOWS_ABI
#define CPUINFO_WINDOWS_ABI 32
#endif
#if CPUINFO_WINDOWS_ABI == 32
using ULONG_PTR = std::uint32_t;
#elif CPUINFO_WINDOWS_ABI == 64
using ULONG_PTR = std::uint64_t;
#else
#error "CPUINFO_WINDOWS_ABI is 32 or 64"
#endif
using KAFFINITY = ULONG_PTR;
using HANDLE = void*;
using HMODULE = struct HMODULE__*;
using FARPROC = int (*)();

enum LOGICAL_PROCESSOR_RELATIONSHIP : std::int32_t {
    RelationProcessorCore = 0,
    RelationNumaNode = 1,
    RelationCache = 2,
    RelationProcessorPackage = 3,
    RelationGroup = 4,
    RelationAll = 0xffff,
};

enum PROCESSOR_CACHE_TYPE : std::int32_t { CacheUnified, CacheInstruction, CacheData, CacheTrace };

struct CACHE_DESCRIPTOR {
    BYTE Level;
    BYTE Associativity;
    WORD LineSize;
    DWORD Size;
    PROCESSOR_CACHE_TYPE Type;
};

// Named here rather than inside the record's union, as C++ wants it.
struct PROCESSOR_CORE_INFORMATION {
    BYTE Flags;
};
struct NUMA_NODE_INFORMATION {
    DWORD NodeNumber;
};

struct SYSTEM_LOGICAL_PROCESSOR_INFORMATION {
    ULONG_PTR ProcessorMask;
    LOGICAL_PROCESSOR_RELATIONSHIP Relationship;
    union {
        PROCESSOR_CORE_INFORMATION ProcessorCore;
        NUMA_NODE_INFORMATION NumaNode;
        CACHE_DESCRIPTOR Cache;
        ULONGLONG Reserved[2];
    };
};
using PSYSTEM_LOGICAL_PROCESSOR_INFORMATION = SYSTEM_LOGICAL_PROCESSOR_INFORMATION*;

struct GROUP_AFFINITY {
    KAFFINITY Mask;
    WORD Group;
    WORD Reserved[3];
};

struct PROCESSOR_RELATIONSHIP {
    BYTE Flags;
    BYTE EfficiencyClass;
    BYTE Reserved[20];
    WORD GroupCount;
    GROUP_AFFINITY GroupMask[ANYSIZE_ARRAY];
};

struct SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX {
    LOGICAL_PROCESSOR_RELATIONSHIP Relationship;
    DWORD Size;
    union {
        PROCESSOR_RELATIONSHIP Processor;
    };
};
using PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX = SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX*;

DWORD GetLastError();
void SetLastError(DWORD code);
// A handle that stands for the running process, as on Windows.
HANDLE GetCurrentProcess();
HMODULE GetModuleHandleA(const char* moduleName);
FARPROC GetProcAddress(HMODULE module, const char* procedureName);

// Test control of the fake module look-ups.
namespace fake_kernel32 {

// Forget every provided procedure and every recorded look-up.
void reset();
// Makes GetProcAddress on the "kernel32" handle answer `name` with `entry`.
void provide(const char* name, FARPROC entry);
// The names passed to GetModuleHandleA and GetProcAddress, in call order.
const std::vector<std::string>& lookups();

}  // namespace fake_kernel32
