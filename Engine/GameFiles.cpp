#include "Engine/GameFiles.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>

#include <physfs.h>
#include <zlib.h>

namespace {

// The prefix makeFilePath puts before a game file's name.
constexpr const char* kGamePrefix = "./";

std::unique_ptr<GameFiles>& currentFiles() {
    static std::unique_ptr<GameFiles> files = std::make_unique<FolderGameFiles>();
    return files;
}

std::string physfsError() {
    const char* text = PHYSFS_getErrorByCode(PHYSFS_getLastErrorCode());
    return text != nullptr ? text : "unknown error";
}

// The name an archive's game goes by: its file name without the extension.
std::string stemOf(const std::string& path) {
    return std::filesystem::path(path).stem().string();
}

}  // namespace

GameFiles& getGameFiles() {
    return *currentFiles();
}

void setGameFiles(std::unique_ptr<GameFiles> files) {
    currentFiles() = files ? std::move(files) : std::make_unique<FolderGameFiles>();
}

GameFiles::Read readDiskFile(const std::string& path, std::vector<uint8_t>& bytes) {
    bytes.clear();
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0)
        return GameFiles::Read::kMissing;
    // A folder opens too (a script named "" or "a/").
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) ||
        static_cast<uint64_t>(status.st_size) > ZipDirectory::kMaxEntryBytes) {
        ::close(fd);
        return GameFiles::Read::kFailed;
    }
    // Grown as it is read rather than sized from the status: a file that changes while it is
    // read cannot make the buffer disagree with what was read.
    uint8_t chunk[65536];
    ssize_t got = 0;
    while ((got = ::read(fd, chunk, sizeof chunk)) > 0) {
        bytes.insert(bytes.end(), chunk, chunk + got);
        if (bytes.size() > ZipDirectory::kMaxEntryBytes)
            break;
    }
    ::close(fd);
    if (got < 0 || bytes.size() > ZipDirectory::kMaxEntryBytes) {
        bytes.clear();
        return GameFiles::Read::kFailed;
    }
    return GameFiles::Read::kRead;
}

GameFiles::Read readGameFile(const std::string& path, std::vector<uint8_t>& bytes) {
    if (path.rfind(kGamePrefix, 0) == 0)
        return getGameFiles().read(path.substr(2), bytes);
    return readDiskFile(path, bytes);
}

bool isDiskPath(const std::string& path) {
    return path.rfind(kGamePrefix, 0) != 0 || getGameFiles().isOnDisk();
}

// ---- A folder -----------------------------------------------------------------------------------

GameFiles::Read FolderGameFiles::read(const std::string& name, std::vector<uint8_t>& bytes) {
    return readDiskFile(kGamePrefix + name, bytes);
}

std::string FolderGameFiles::getDefaultGameName() const {
    std::error_code code;
    return std::filesystem::current_path(code).filename().string();
}

// ---- An archive ---------------------------------------------------------------------------------

namespace {

// PhysicsFS keeps its state for the process; it is started with the first archive.
bool startPhysicsFS(std::string& error) {
    if (PHYSFS_isInit() != 0 || PHYSFS_init(nullptr) != 0)
        return true;
    error = "cannot start the archive reader: " + physfsError();
    return false;
}

// An archive in memory as PhysicsFS reads a stream. Its own rather than the library's memory
// mount, whose unmount leaks the stream's records.
struct MemoryStream {
    const uint8_t* data;
    PHYSFS_uint64 size;
    PHYSFS_uint64 position;
};

PHYSFS_Io* createMemoryIo(const uint8_t* data, PHYSFS_uint64 size);

PHYSFS_sint64 memoryRead(PHYSFS_Io* io, void* buffer, PHYSFS_uint64 length) {
    MemoryStream& stream = *static_cast<MemoryStream*>(io->opaque);
    const PHYSFS_uint64 count = std::min(length, stream.size - stream.position);
    std::copy(stream.data + stream.position, stream.data + stream.position + count,
              static_cast<uint8_t*>(buffer));
    stream.position += count;
    return static_cast<PHYSFS_sint64>(count);
}

PHYSFS_sint64 memoryWrite(PHYSFS_Io*, const void*, PHYSFS_uint64) {
    return -1;
}

int memorySeek(PHYSFS_Io* io, PHYSFS_uint64 offset) {
    MemoryStream& stream = *static_cast<MemoryStream*>(io->opaque);
    if (offset > stream.size)
        return 0;
    stream.position = offset;
    return 1;
}

PHYSFS_sint64 memoryTell(PHYSFS_Io* io) {
    return static_cast<PHYSFS_sint64>(static_cast<MemoryStream*>(io->opaque)->position);
}

PHYSFS_sint64 memoryLength(PHYSFS_Io* io) {
    return static_cast<PHYSFS_sint64>(static_cast<MemoryStream*>(io->opaque)->size);
}

PHYSFS_Io* memoryDuplicate(PHYSFS_Io* io) {
    const MemoryStream& stream = *static_cast<MemoryStream*>(io->opaque);
    return createMemoryIo(stream.data, stream.size);
}

int memoryFlush(PHYSFS_Io*) {
    return 1;
}

void memoryDestroy(PHYSFS_Io* io) {
    delete static_cast<MemoryStream*>(io->opaque);
    delete io;
}

PHYSFS_Io* createMemoryIo(const uint8_t* data, PHYSFS_uint64 size) {
    return new PHYSFS_Io{0,
                         new MemoryStream{data, size, 0},
                         memoryRead,
                         memoryWrite,
                         memorySeek,
                         memoryTell,
                         memoryLength,
                         memoryDuplicate,
                         memoryFlush,
                         memoryDestroy};
}

}  // namespace

std::unique_ptr<ArchiveGameFiles> ArchiveGameFiles::open(const std::string& path, std::string& error) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) {
        error = "cannot be opened";
        return nullptr;
    }
    struct stat status {};
    if (fstat(fd, &status) != 0 || !S_ISREG(status.st_mode)) {
        ::close(fd);
        error = "not a file";
        return nullptr;
    }
    std::unique_ptr<ArchiveGameFiles> files(new ArchiveGameFiles());
    const bool listed = files->directory_.read(
        [fd](uint64_t offset, std::size_t length, uint8_t* out) {
            return pread(fd, out, length, static_cast<off_t>(offset)) == static_cast<ssize_t>(length);
        },
        static_cast<uint64_t>(status.st_size), error);
    ::close(fd);
    if (!listed || !startPhysicsFS(error))
        return nullptr;
    if (PHYSFS_mount(path.c_str(), "/", 0) == 0) {
        error = "not a zip archive (" + physfsError() + ")";
        return nullptr;
    }
    files->mountName_ = path;
    files->gameName_ = stemOf(path);
    return files;
}

std::unique_ptr<ArchiveGameFiles> ArchiveGameFiles::openMemory(const uint8_t* data, std::size_t size,
                                                               const std::string& name, std::string& error) {
    std::unique_ptr<ArchiveGameFiles> files(new ArchiveGameFiles());
    const bool listed = files->directory_.read(
        [data, size](uint64_t offset, std::size_t length, uint8_t* out) {
            if (offset > size || size - offset < length)
                return false;
            std::copy(data + offset, data + offset + length, out);
            return true;
        },
        size, error);
    if (!listed || !startPhysicsFS(error))
        return nullptr;
    // The name tells PhysicsFS which reader to try; it is also what the mount is removed by.
    const std::string mountName = name + ".zip";
    PHYSFS_Io* io = createMemoryIo(data, size);
    if (PHYSFS_mountIo(io, mountName.c_str(), "/", 0) == 0) {
        error = "not a zip archive (" + physfsError() + ")";
        memoryDestroy(io);  // a failed mount leaves the stream to its maker
        return nullptr;
    }
    files->mountName_ = mountName;
    files->gameName_ = name;
    return files;
}

ArchiveGameFiles::~ArchiveGameFiles() {
    if (!mountName_.empty())
        PHYSFS_unmount(mountName_.c_str());
}

GameFiles::Read ArchiveGameFiles::read(const std::string& name, std::vector<uint8_t>& bytes) {
    bytes.clear();
    // Only what the checked directory lists is opened: no folder, no name that leaves the archive.
    const ZipEntry* entry = directory_.find(name);
    if (entry == nullptr)
        return Read::kMissing;
    PHYSFS_File* file = PHYSFS_openRead(name.c_str());
    if (file == nullptr)
        return Read::kFailed;
    // The reader trusts a member's own header; the directory's size and checksum are what count.
    // Read in chunks, so that damaged data ends the reading before the buffer reaches its claim.
    bool whole = PHYSFS_fileLength(file) == static_cast<PHYSFS_sint64>(entry->size);
    uint8_t chunk[65536];
    while (whole && bytes.size() < entry->size) {
        const std::size_t want = std::min<std::size_t>(sizeof chunk, entry->size - bytes.size());
        const PHYSFS_sint64 got = PHYSFS_readBytes(file, chunk, want);
        whole = got == static_cast<PHYSFS_sint64>(want);
        if (whole)
            bytes.insert(bytes.end(), chunk, chunk + want);
    }
    uint8_t extra = 0;
    whole = whole && PHYSFS_readBytes(file, &extra, 1) == 0;
    PHYSFS_close(file);
    if (whole) {
        const uLong crc = crc32(crc32(0L, Z_NULL, 0), bytes.data(), static_cast<uInt>(bytes.size()));
        whole = crc == entry->crc;
    }
    if (!whole) {
        bytes.clear();
        return Read::kFailed;
    }
    return Read::kRead;
}
