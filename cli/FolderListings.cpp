#include "FolderListings.h"

#include "Names.h"
#include "ReferenceResolution.h"

#include <filesystem>
#include <unordered_set>

namespace htmltopic {
namespace fs = std::filesystem;

struct FolderListings::Listing {
    std::unordered_set<std::string> files;
    std::unordered_set<std::string> folders;
    // Folded name to the name on disk; of several, the smallest, so that
    // the answer does not depend on the order the system lists them in.
    std::unordered_map<std::string, std::string> byFoldedName;

    void Add(const std::string& name, bool isFolder)
    {
        (isFolder ? folders : files).insert(name);
        auto [it, added] = byFoldedName.emplace(AsciiLower(name), name);
        if (!added && name < it->second) it->second = name;
    }
};

FolderListings::FolderListings() = default;
FolderListings::~FolderListings() = default;

const FolderListings::Listing& FolderListings::ListingOf(const std::string& folder)
{
    std::unique_ptr<Listing>& listing = m_listings[folder];
    if (listing) return *listing;
    listing = std::make_unique<Listing>();
    std::error_code error;
    for (fs::directory_iterator it(PathOf(NativePath(folder)), error), end; !error && it != end; it.increment(error)) {
        std::error_code typeError;
        listing->Add(NameOf(it->path().filename()), it->is_directory(typeError));
    }
    return *listing;
}

FileLookup FolderListings::Find(const std::string& path, const std::string& root)
{
    FileLookup lookup;
    if (path.empty() || path.back() == '/' || path.size() <= root.size()) return lookup;
    std::string current = root == "/" ? "" : root;
    bool otherCase = path.compare(0, root.size(), root) != 0;
    size_t start = root == "/" ? 1 : root.size() + 1;
    for (;;) {
        const size_t slash = path.find('/', start);
        const bool last = slash == std::string::npos;
        const std::string name = path.substr(start, last ? std::string::npos : slash - start);
        const Listing& listing = ListingOf(current.empty() ? "/" : current);
        const auto& wanted = last ? listing.files : listing.folders;
        std::string actual = name;
        if (!wanted.count(name)) {
            auto folded = listing.byFoldedName.find(AsciiLower(name));
            if (folded == listing.byFoldedName.end() || !wanted.count(folded->second)) return lookup;
            actual = folded->second;
            otherCase = true;
        }
        current += "/" + actual;
        if (last) break;
        start = slash + 1;
    }
    lookup.found = otherCase ? FileFound::OtherCase : FileFound::Yes;
    lookup.actualPath = current;
    return lookup;
}

} // namespace htmltopic
