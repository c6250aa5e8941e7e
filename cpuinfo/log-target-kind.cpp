#include "log-target-kind.h"

#include <cstddef>

namespace {

bool isSeparator(char16_t unit) {
    return unit == u'\\' || unit == u'/';
}

char16_t asciiUpper(char16_t unit) {
    return unit >= u'a' && unit <= u'z' ? static_cast<char16_t>(unit - u'a' + u'A') : unit;
}

// `upperAscii` is written in capitals.
bool equalsIgnoringCase(std::u16string_view text, std::u16string_view upperAscii) {
    if (text.size() != upperAscii.size()) return false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (asciiUpper(text[i]) != upperAscii[i]) return false;
    }
    return true;
}

// The first component of `path` from `start` on, up to a separator or the end.
std::u16string_view componentAt(std::u16string_view path, std::size_t start) {
    std::size_t end = start;
    while (end < path.size() && !isSeparator(path[end])) ++end;
    return path.substr(start, end - start);
}

bool isConsoleName(std::u16string_view name) {
    return equalsIgnoringCase(name, u"CON") || equalsIgnoringCase(name, u"CONOUT$");
}

}  // namespace

LogTargetKind logTargetKind(std::u16string_view path) {
    if (isConsoleName(path)) return LogTargetKind::Console;
    if (path.size() < 3 || !isSeparator(path[0]) || !isSeparator(path[1])) {
        return LogTargetKind::File;
    }
    // \\host\rest: the host is ".", "?" or a server's name.
    const std::u16string_view host = componentAt(path, 2);
    std::size_t next = 2 + host.size() + 1;
    if (host.empty() || next >= path.size()) return LogTargetKind::File;
    const std::u16string_view rest = path.substr(next);
    if (host == u"." && isConsoleName(rest)) return LogTargetKind::Console;
    const std::u16string_view share = componentAt(path, next);
    next += share.size() + 1;
    if (equalsIgnoringCase(share, u"PIPE") && next < path.size()) return LogTargetKind::NamedPipe;
    return LogTargetKind::File;
}
