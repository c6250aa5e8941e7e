#include "extended-length-path.h"

#include <vector>

namespace {

bool isSeparator(char16_t unit) {
    return unit == u'\\' || unit == u'/';
}

bool isDriveLetter(char16_t unit) {
    return (unit >= u'A' && unit <= u'Z') || (unit >= u'a' && unit <= u'z');
}

// \\?\ and \\.\ (either slash): the caller already chose the namespace.
bool isNamespacePath(std::u16string_view path) {
    return path.size() >= 4 && isSeparator(path[0]) && isSeparator(path[1]) &&
           (path[2] == u'?' || path[2] == u'.') && isSeparator(path[3]);
}

std::vector<std::u16string_view> splitComponents(std::u16string_view path) {
    std::vector<std::u16string_view> components;
    std::size_t start = 0;
    for (std::size_t i = 0; i <= path.size(); ++i) {
        if (i == path.size() || isSeparator(path[i])) {
            if (i > start) components.push_back(path.substr(start, i - start));
            start = i + 1;
        }
    }
    return components;
}

}  // namespace

// `root` and then the components of `rest` with "." dropped and ".." taking
// back the one before it, never climbing above the root.
std::u16string joinResolved(std::u16string root, std::u16string_view rest) {
    std::vector<std::u16string_view> kept;
    for (const std::u16string_view component : splitComponents(rest)) {
        if (component == u".") continue;
        if (component == u"..") {
            if (!kept.empty()) kept.pop_back();
            continue;
        }
        kept.push_back(component);
    }
    for (std::size_t i = 0; i < kept.size(); ++i) {
        if (i > 0) root += u'\\';
        root.append(kept[i]);
    }
    return root;
}

std::u16string extendedLengthPath(std::u16string_view fullPath) {
    if (fullPath.size() < maxPathUnits || isNamespacePath(fullPath))
        return std::u16string(fullPath);

    if (fullPath.size() >= 3 && isDriveLetter(fullPath[0]) && fullPath[1] == u':' &&
        isSeparator(fullPath[2])) {
        std::u16string root = u"\\\\?\\";
        root += fullPath[0];
        root += u":\\";
        return joinResolved(std::move(root), fullPath.substr(3));
    }

    if (fullPath.size() >= 3 && isSeparator(fullPath[0]) && isSeparator(fullPath[1]) &&
        !isSeparator(fullPath[2])) {
        // \\server\share stays the root: ".." never climbs out of a share.
        const std::vector<std::u16string_view> components = splitComponents(fullPath);
        if (components.size() < 2) return std::u16string(fullPath);
        std::u16string root = u"\\\\?\\UNC\\";
        root.append(components[0]);
        root += u'\\';
        root.append(components[1]);
        root += u'\\';
        const std::size_t shareEnd =
            static_cast<std::size_t>(components[1].data() - fullPath.data()) + components[1].size();
        return joinResolved(std::move(root), fullPath.substr(shareEnd));
    }
    return std::u16string(fullPath);
}
