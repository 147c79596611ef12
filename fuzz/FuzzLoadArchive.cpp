// Fuzz target: bytes as a game archive. The reader either refuses them with a reason, or lists only
// plain relative names, and every read of a listed file gives exactly the bytes its directory
// entry declares (size and checksum) or fails; names that would leave the archive are never found.
#include "FuzzSupport.h"

#include "Engine/GameFiles.h"

#include <physfs.h>
#include <zlib.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

// PhysicsFS keeps its state for the process: started here, it is not taken for a leak of the first
// input.
extern "C" int LLVMFuzzerInitialize(int*, char***) {
    PHYSFS_init(nullptr);
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    std::string error;
    std::unique_ptr<ArchiveGameFiles> files = ArchiveGameFiles::openMemory(data, size, "fuzz", error);
    if (files == nullptr) {
        fuzzCheck(!error.empty(), "a refused archive has no reason");
        return 0;
    }
    std::vector<uint8_t> bytes;
    for (const auto& [name, entry] : files->getDirectory().getFiles()) {
        fuzzCheck(ZipDirectory::isPlainName(name), "a listed name is not plain");
        const GameFiles::Read read = files->read(name, bytes);
        fuzzCheck(read != GameFiles::Read::kMissing, "a listed file is missing");
        if (read == GameFiles::Read::kRead) {
            fuzzCheck(bytes.size() == entry.size, "a file read is not the size its entry declares");
            const uLong crc = crc32(crc32(0L, Z_NULL, 0), bytes.data(), static_cast<uInt>(bytes.size()));
            fuzzCheck(crc == entry.crc, "a file read does not have the checksum its entry declares");
        } else {
            fuzzCheck(bytes.empty(), "a failed read left bytes behind");
        }
    }
    for (const char* outside : {"../fuzz", "/etc/passwd", "", "a/../b", "./a", "a//b", "a\\b"})
        fuzzCheck(files->read(outside, bytes) == GameFiles::Read::kMissing,
                  "a name outside the archive was read");
    return 0;
}
