// SPDX-FileCopyrightText: 2026 The corvane-native authors
// SPDX-License-Identifier: Apache-2.0

#include "windows-cpuinfo.h"

#include <algorithm>
#include <cstddef>
#include <cstring>
#include <limits>
#include <new>
#include <vector>

#include "logger.h"

namespace {

using ExRecord = SYSTEM_LOGICAL_PROCESSOR_INFORMATION_EX;
using BasicRecord = SYSTEM_LOGICAL_PROCESSOR_INFORMATION;
using IsWow64ProcessFn = BOOL(WINAPI*)(HANDLE, PBOOL);

// The records are walked in the layout of the build's own Windows ABI: 32-bit
// masks on 32-bit Windows, 64-bit masks on 64-bit Windows.
constexpr int maskWidth = sizeof(KAFFINITY);
constexpr bool wideMasks = maskWidth == 8;
static_assert(maskWidth == 4 || wideMasks);
static_assert(sizeof(ULONG_PTR) == maskWidth);
static_assert(sizeof(DWORD) == 4 && sizeof(WORD) == 2);
static_assert(sizeof(BasicRecord) == (wideMasks ? 32 : 24));
static_assert(offsetof(BasicRecord, ProcessorMask) == 0 &&
              offsetof(BasicRecord, Relationship) == maskWidth);
static_assert(sizeof(GROUP_AFFINITY) == (wideMasks ? 16 : 12) &&
              offsetof(GROUP_AFFINITY, Mask) == 0);
static_assert(offsetof(ExRecord, Relationship) == 0 && offsetof(ExRecord, Size) == 4);
static_assert(offsetof(ExRecord, Processor.GroupCount) == 30);
static_assert(offsetof(ExRecord, Processor.GroupMask) == 32);

constexpr KAFFINITY fullMask = ~KAFFINITY{0};
// No object in this ABI's address space is larger.
constexpr std::size_t largestBuffer = std::numeric_limits<ULONG_PTR>::max() / 2;

constexpr std::size_t exHeaderBytes = offsetof(ExRecord, Processor);
constexpr std::size_t groupCountOffset = offsetof(ExRecord, Processor.GroupCount);
constexpr std::size_t groupsOffset = offsetof(ExRecord, Processor.GroupMask);
constexpr std::size_t groupBytes = sizeof(GROUP_AFFINITY);

const CoreCounts fallbackCounts{1};

// Records go to the process-wide logger; without one (as in some tests) they
// are dropped.
Logger& logger() {
    static Logger silent(nullptr, LogLevel::Error);
    Logger* current = Logger::instance();
    return current != nullptr ? *current : silent;
}

// Reads a field from the record buffer. The buffer's records need not be
// aligned for their fields, so the bytes are copied rather than cast.
template <typename Field>
Field fieldAt(const std::vector<unsigned char>& buffer, std::size_t offset) {
    Field field;
    std::memcpy(&field, buffer.data() + offset, sizeof field);
    return field;
}

template <typename Function>
Function procedureAs(FARPROC procedure) {
    return reinterpret_cast<Function>(reinterpret_cast<void (*)()>(procedure));
}

// Asks a service for its records: a sizing query, then the data query into a
// zero-filled buffer of the size reported. `ask(buffer, length, sizing)` makes
// one call. On a failure the ERROR record is written and false returned.
template <typename Ask>
bool fetchRecords(const char* location, const char* service, Ask ask,
                  std::vector<unsigned char>& buffer, DWORD& length) {
    const auto failed = [location, service](DWORD error) {
        logger().error(location, "Failed call to %s, error = %d", service, static_cast<int>(error));
        return false;
    };
    length = 0;
    if (ask(nullptr, &length, true) != TRUE) {
        const DWORD error = GetLastError();
        if (error != ERROR_INSUFFICIENT_BUFFER) return failed(error);
    }
    if (length > largestBuffer) throw std::bad_alloc();
    buffer.assign(length, 0);
    if (ask(buffer.data(), &length, false) != TRUE) return failed(GetLastError());
    return true;
}

// The size of the record at `offset` when it lies whole inside the first
// `end` bytes, group entries included; 0 otherwise.
std::size_t wholeExRecordSize(const std::vector<unsigned char>& buffer, std::size_t offset,
                              std::size_t end) {
    if (end - offset < exHeaderBytes) return 0;
    const auto size = fieldAt<DWORD>(buffer, offset + offsetof(ExRecord, Size));
    if (size < groupsOffset || size > end - offset) return 0;
    const auto groupCount = fieldAt<WORD>(buffer, offset + groupCountOffset);
    if (groupCount > (size - groupsOffset) / groupBytes) return 0;
    return size;
}

// The set bits over all group masks of the record at `offset`; `full` tells
// whether some group's mask had every bit set.
std::int32_t countGroupBits(const std::vector<unsigned char>& buffer, std::size_t offset,
                            bool& full) {
    const auto groupCount = fieldAt<WORD>(buffer, offset + groupCountOffset);
    std::int32_t count = 0;
    for (std::size_t group = 0; group < groupCount; ++group) {
        const std::size_t entry = offset + groupsOffset + group * groupBytes;
        const auto mask = fieldAt<KAFFINITY>(buffer, entry + offsetof(GROUP_AFFINITY, Mask));
        full = full || mask == fullMask;
        count += countBits(mask);
    }
    return count;
}

bool runsUnderWow64() {
    // Looked up at run time: older systems lack it.
    const auto isWow64Process = procedureAs<IsWow64ProcessFn>(
        GetProcAddress(GetModuleHandleA("kernel32"), "IsWow64Process"));
    BOOL wow64 = FALSE;
    return isWow64Process != nullptr && isWow64Process(GetCurrentProcess(), &wow64) != FALSE &&
           wow64 != FALSE;
}

// A 32-bit process on 64-bit Windows (WOW64) is shown each group's mask folded
// into 32 bits, so a package with more logical processors than that in one
// group shows a full mask and too low a count. `fullPackages` are the
// positions, from 1, of the packages with a full mask in the result.
void warnOfFoldedMasks(const char* location, const CoreCounts& fullPackages) {
    if (fullPackages.empty() || !runsUnderWow64()) return;
    logger().warning(location,
                     "Running under WOW64, where a processor mask holds at most 32 processors: "
                     "the packages at positions %s of the result have full masks, so their "
                     "counts may be low; the 64-bit build of cpuinfo counts every processor",
                     formatCounts(fullPackages).c_str());
}

}  // namespace

CpuInfo::CpuInfo() : coreCounts_(readCoreCounts()) {
    logger().info("CpuInfo::CpuInfo", "cpu core counts = %s", formatCounts(coreCounts_).c_str());
}

CoreCounts readCoreCounts() {
    auto* const kernel32 = GetModuleHandleA("kernel32");
    // Looked up at run time: older systems lack one service or both.
    if (const auto ex = GetProcAddress(kernel32, "GetLogicalProcessorInformationEx")) {
        return readCoreCountsEx(procedureAs<GetLogicalProcessorInformationExFn>(ex));
    }
    if (const auto basic = GetProcAddress(kernel32, "GetLogicalProcessorInformation")) {
        return readCoreCountsBasic(procedureAs<GetLogicalProcessorInformationFn>(basic));
    }
    logger().warning("readCoreCounts",
                     "No API available to access logical processor information, using [1]");
    return fallbackCounts;
}

CoreCounts readCoreCountsEx(GetLogicalProcessorInformationExFn entry) {
    logger().info("readCoreCountsEx",
                  "Using GetLogicalProcessorInformationEx, width of KAFFINITY = %d", maskWidth);
    // Sized for every relationship, filled with package records only.
    const auto ask = [entry](unsigned char* records, DWORD* length, bool sizing) {
        return entry(sizing ? RelationAll : RelationProcessorPackage,
                     reinterpret_cast<ExRecord*>(records), length);
    };
    std::vector<unsigned char> buffer;
    DWORD length = 0;
    if (!fetchRecords("readCoreCountsEx", "GetLogicalProcessorInformationEx", ask, buffer,
                      length)) {
        return fallbackCounts;
    }

    // A malformed answer ends the walk at its last whole record.
    const std::size_t end = std::min<std::size_t>(length, buffer.size());
    CoreCounts counts;
    CoreCounts fullPackages;
    for (std::size_t offset = 0, size = 0; offset < end; offset += size) {
        size = wholeExRecordSize(buffer, offset, end);
        if (size == 0) break;
        logger().info("readCoreCountsEx", "relationship = %d, size = %d",
                      static_cast<int>(
                          fieldAt<std::int32_t>(buffer, offset + offsetof(ExRecord, Relationship))),
                      static_cast<int>(size));
        bool full = false;
        counts.push_back(countGroupBits(buffer, offset, full));
        if (full) fullPackages.push_back(static_cast<std::int32_t>(counts.size()));
    }
    warnOfFoldedMasks("readCoreCountsEx", fullPackages);
    return counts;
}

CoreCounts readCoreCountsBasic(GetLogicalProcessorInformationFn entry) {
    logger().info("readCoreCountsBasic",
                  "Using GetLogicalProcessorInformation, width of ProcessorMask = %d", maskWidth);
    const auto ask = [entry](unsigned char* records, DWORD* length, bool) {
        return entry(reinterpret_cast<BasicRecord*>(records), length);
    };
    std::vector<unsigned char> buffer;
    DWORD length = 0;
    if (!fetchRecords("readCoreCountsBasic", "GetLogicalProcessorInformation", ask, buffer,
                      length)) {
        return fallbackCounts;
    }
    logger().debug(__FILE__ ":101", "size of SYSTEM_LOGICAL_PROCESSOR_INFORMATION array is %d",
                   static_cast<int>(length));

    // Only whole records inside both the answer and the buffer are read.
    const std::size_t records = std::min<std::size_t>(length, buffer.size()) / sizeof(BasicRecord);
    CoreCounts counts;
    CoreCounts fullPackages;
    std::int32_t cores = 0;
    for (std::size_t i = 0; i < records; ++i) {
        const std::size_t offset = i * sizeof(BasicRecord);
        const auto relationship =
            fieldAt<std::int32_t>(buffer, offset + offsetof(BasicRecord, Relationship));
        logger().info("readCoreCountsBasic", "Processor info, relation = %d",
                      static_cast<int>(relationship));
        if (relationship == RelationProcessorPackage) {
            const auto mask =
                fieldAt<KAFFINITY>(buffer, offset + offsetof(BasicRecord, ProcessorMask));
            counts.push_back(countBits(mask));
            if (mask == fullMask) fullPackages.push_back(static_cast<std::int32_t>(counts.size()));
        } else if (relationship == RelationProcessorCore) {
            ++cores;
        }
    }
    if (counts.empty()) counts.push_back(cores);
    warnOfFoldedMasks("readCoreCountsBasic", fullPackages);
    return counts;
}

std::int32_t countBits(KAFFINITY mask) {
    std::int32_t count = 0;
    while (mask != 0) {
        count += static_cast<std::int32_t>(mask & 1u);
        mask >>= 1;
    }
    return count;
}
