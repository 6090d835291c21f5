// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/Loader.h"

#include "platform/Exception.h"

#include <algorithm>
#include <cctype>

namespace {

struct Library {
    std::map<std::string, LibraryProc> entryPoints;
    bool loaded = false;
};

std::string Lower(std::string text) {
    std::transform(text.begin(), text.end(), text.begin(),
                   [](unsigned char c) { return static_cast<char>(std::tolower(c)); });
    return text;
}

std::map<std::string, Library>& Table() {
    static std::map<std::string, Library> table;
    return table;
}

} // namespace

void RegisterBuiltinLibrary(const std::string& fileName,
                            const std::map<std::string, LibraryProc>& entryPoints) {
    Table()[Lower(fileName)].entryPoints = entryPoints;
}

void UnregisterBuiltinLibrary(const std::string& fileName) {
    Table().erase(Lower(fileName));
}

LibraryProc GetLibraryProc(const std::string& fileName, const std::string& procName) {
    auto library = Table().find(Lower(fileName));
    if (library == Table().end())
        throw Exception(Format("%s not loaded", fileName.c_str()));
    library->second.loaded = true;
    auto entry = library->second.entryPoints.find(procName);
    if (entry == library->second.entryPoints.end() || entry->second == nullptr)
        throw Exception(Format("%s not loaded", fileName.c_str()));
    return entry->second;
}

bool IsLibraryLoaded(const std::string& fileName) {
    auto library = Table().find(Lower(fileName));
    return library != Table().end() && library->second.loaded;
}
