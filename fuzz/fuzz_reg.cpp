// Any bytes as ".reg" text, read for either root: what is written out reads back to the same
// model, listed keys exist, and deleting a key tree removes it and nothing beside or above it.
#include "fuzz/FuzzSupport.h"
#include "platform/RegFile.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

using namespace hortivex;

namespace {

bool Below(const std::string& path, const std::string& top) {
    if (path.size() <= top.size() || path[top.size()] != '\\')
        return false;
    for (std::size_t i = 0; i < top.size(); ++i) {
        auto fold = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (fold(path[i]) != fold(top[i]))
            return false;
    }
    return true;
}

bool SameName(const std::string& a, const std::string& b) {
    return a.size() == b.size() && (a.empty() || Below(a + "\\x", b));
}

// The text with its section headers in lower case. A key listed after keys below it takes
// their spelling when read, so after a deletion a re-read may change the case of a key name;
// names match without regard to case, so that changes no answer.
std::string FoldedHeaders(std::string text) {
    bool lineStart = true;
    bool header = false;
    for (char& c : text) {
        if (lineStart)
            header = c == '[';
        lineStart = c == '\n';
        if (header && c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    return text;
}

void CheckRoundTrip(const RegFile& file, RegistryRoot root) {
    const std::string text = file.Serialize();
    const std::string again = RegFile::Parse(text, root).Serialize();
    if (FoldedHeaders(again) != FoldedHeaders(text))
        fuzz::Fail("a written .reg text does not read back to the same keys and values");
}

void Check(std::string_view bytes, RegistryRoot root) {
    RegFile file = RegFile::Parse(bytes, root);
    CheckRoundTrip(file, root);

    const std::vector<std::string> paths = file.KeyPaths();
    for (const std::string& path : paths)
        if (!file.KeyExists(path))
            fuzz::Fail("listed key " + path + " does not exist");
    if (paths.empty())
        return;

    // Delete the tree of a key picked by the input, then check what is left.
    const std::string& doomed = paths[bytes.size() % paths.size()];
    file.DeleteKeyTree(doomed);
    for (const std::string& path : paths) {
        const bool gone = doomed.empty() || SameName(path, doomed) || Below(path, doomed);
        if (!gone && !file.KeyExists(path))
            fuzz::Fail("deleting " + doomed + " removed " + path);
        if (gone && !doomed.empty() && file.FindValue(path, "") != nullptr)
            fuzz::Fail("deleting " + doomed + " left a value of " + path);
    }
    if (!doomed.empty() && file.KeyExists(doomed))
        fuzz::Fail("deleted key " + doomed + " still exists");
    // The parent stays, as it does in a registry.
    if (const auto slash = doomed.rfind('\\');
        slash != std::string::npos && !file.KeyExists(doomed.substr(0, slash)))
        fuzz::Fail("deleting " + doomed + " removed its parent");
    CheckRoundTrip(file, root);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes = fuzz::AsText(data, size);
    Check(bytes, RegistryRoot::CurrentUser);
    Check(bytes, RegistryRoot::LocalMachine);
    return 0;
}
