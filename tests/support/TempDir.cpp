// TempDir apart from the other helpers: the round-trip checker uses it, and
// the fuzz targets build the checker without GoogleTest.
#include "support/Helpers.h"

#include <filesystem>
#include <random>
#include <stdexcept>

TempDir::TempDir()
{
    // std::filesystem, so that the folder is made the same way on Windows:
    // $TMPDIR (or %TMP%), a name of random digits, created only if new.
    const std::filesystem::path base = std::filesystem::temp_directory_path();
    std::random_device random;
    for (int nAttempt = 0; nAttempt < 100; ++nAttempt) {
        const std::filesystem::path path = base / ("htmlfile-test-" + std::to_string(random()));
        if (std::filesystem::create_directory(path)) {
            m_strPath = path.u8string();
            return;
        }
    }
    throw std::runtime_error("cannot create a temporary folder");
}

TempDir::~TempDir()
{
    std::error_code ignored;
    std::filesystem::remove_all(m_strPath, ignored);
}
