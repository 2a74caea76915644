// Whether the files references name exist, answered from one listing of
// each folder: a project's topics name the same few folders again and
// again, and a listing also tells whether a name exists only with other
// letter case, which asking for the file could not.
#pragma once

#include <memory>
#include <string>
#include <unordered_map>

namespace htmltopic {

enum class FileFound {
    Yes,
    OtherCase, // only with other letter case in some part of the path
    No,        // nothing there, or a folder
};

struct FileLookup {
    FileFound found = FileFound::No;
    std::string actualPath; // the path on disk, for Yes and OtherCase
};

class FolderListings {
public:
    FolderListings();
    ~FolderListings();
    FolderListings(const FolderListings&) = delete;
    FolderListings& operator=(const FolderListings&) = delete;

    // Looks up the absolute path (as ResolveReferencePath gives it) below
    // root, an existing folder that holds it; the root itself is taken as
    // it is (a path that names it with other letter case is found with
    // OtherCase). A path with a closing '/' names a folder, which is no file.
    FileLookup Find(const std::string& path, const std::string& root);

private:
    struct Listing;
    const Listing& ListingOf(const std::string& folder);

    std::unordered_map<std::string, std::unique_ptr<Listing>> m_listings;
};

} // namespace htmltopic
