// Where a game's files are read from: its folder (the working directory) or one archive. Every
// file the game names (scripts, pictures, sounds, music, fonts, colour tables) is read whole
// through here; the game's writes never go into an archive.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "Engine/ZipDirectory.h"

class GameFiles {
  public:
    enum class Read { kMissing, kFailed, kRead };

    virtual ~GameFiles() = default;
    // The whole file [name] ('/'-separated, relative to the game's root) into [bytes]. kFailed:
    // it is there but is not a file or could not be read whole.
    virtual Read read(const std::string& name, std::vector<uint8_t>& bytes) = 0;
    // Whether files may be written beside the game's own (a folder may be; an archive never).
    virtual bool isWritable() const = 0;
    // The name the player's data is kept under when the game sets none (may be unusable as one).
    virtual std::string getDefaultGameName() const = 0;
    // Whether a game file's path (as makeFilePath makes it) names it on disk, for the readers that
    // stream a file rather than read it whole.
    virtual bool isOnDisk() const = 0;
};

// The game in the working directory, as it always was read.
class FolderGameFiles : public GameFiles {
  public:
    Read read(const std::string& name, std::vector<uint8_t>& bytes) override;
    bool isWritable() const override { return true; }
    std::string getDefaultGameName() const override;
    bool isOnDisk() const override { return true; }
};

// A zip archive through PhysicsFS. Its directory is checked when it is opened, and every read is
// held to the size and checksum the directory declares. One archive at a time in a process.
class ArchiveGameFiles : public GameFiles {
  public:
    // The archive file at [path]; null with [error] saying why it is not a game archive.
    static std::unique_ptr<ArchiveGameFiles> open(const std::string& path, std::string& error);
    // An archive held in memory (which must outlive the result), named [name] for its game name.
    static std::unique_ptr<ArchiveGameFiles> openMemory(const uint8_t* data, std::size_t size,
                                                        const std::string& name, std::string& error);
    ~ArchiveGameFiles() override;
    ArchiveGameFiles(const ArchiveGameFiles&) = delete;
    ArchiveGameFiles& operator=(const ArchiveGameFiles&) = delete;

    Read read(const std::string& name, std::vector<uint8_t>& bytes) override;
    bool isWritable() const override { return false; }
    std::string getDefaultGameName() const override { return gameName_; }
    bool isOnDisk() const override { return false; }
    const ZipDirectory& getDirectory() const { return directory_; }

  private:
    ArchiveGameFiles() = default;
    ZipDirectory directory_;
    std::string mountName_;
    std::string gameName_;
};

// The game's files for this process: its folder unless main opened an archive before the game
// system was made.
GameFiles& getGameFiles();
void setGameFiles(std::unique_ptr<GameFiles> files);

// The whole file at [path]: a path into the game (as makeFilePath makes it, "./NAME") through the
// game's files, any other path (the engine's defaults, the player's data folder) from the disk.
GameFiles::Read readGameFile(const std::string& path, std::vector<uint8_t>& bytes);

// Whether [path] can be opened on disk as it is: any path but a game file's in an archive.
bool isDiskPath(const std::string& path);

// The whole file at [path] on disk; files larger than ZipDirectory::kMaxEntryBytes fail.
GameFiles::Read readDiskFile(const std::string& path, std::vector<uint8_t>& bytes);
