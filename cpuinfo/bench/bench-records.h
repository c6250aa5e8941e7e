// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0
//
// Prepared answers of the two processor-information services for the walker benchmarks: a
// machine of N packages, each with one group of 8 logical processors.
#pragma once

#include <cstddef>
#include <vector>

#include "windows-cpuinfo.h"

using Bytes = std::vector<unsigned char>;

// One package record per package, in the services' 32-bit layouts.
Bytes exPackages(std::size_t packages);
Bytes basicPackages(std::size_t packages);

// What the two entry points below answer: a sizing query gets the length and
// ERROR_INSUFFICIENT_BUFFER, a data query a copy of these bytes.
void serveRecords(const Bytes& records);

BOOL WINAPI servedEx(LOGICAL_PROCESSOR_RELATIONSHIP relationship,
                     PSYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX buffer, PDWORD length);
BOOL WINAPI servedBasic(PSYSTEM_LOGICAL_PROCESSOR_INFORMATION buffer, PDWORD length);
