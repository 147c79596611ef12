#include "tools/GamePack.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <memory>
#include <sstream>
#include <vector>

#include <zip.h>

#include "Engine/GameFiles.h"
#include "Engine/ZipDirectory.h"
#include "script/gmLibraryWriter.h"

extern char** environ;

namespace fs = std::filesystem;

namespace {

// Every member's time in the archive: packing the same folder twice gives the same bytes.
constexpr std::time_t kMemberTime = 1577836800;  // 2020-01-01 00:00 UTC
// The package's version when the game does not say one.
constexpr const char* kPackageVersion = "1.0";
// The engine's own package, which runs the game.
constexpr const char* kEnginePackage = "tact";

struct Member {
    std::string name;  // in the archive
    std::vector<uint8_t> bytes;
};

bool readBytes(const fs::path& path, std::vector<uint8_t>& bytes) {
    std::ifstream file(path, std::ios::binary);
    if (!file)
        return false;
    bytes.assign(std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>());
    return !file.bad();
}

bool hasExtension(const fs::path& path, const char* extension) {
    return path.extension() == extension;
}

// The game's files, as `build` takes them: hidden files and folders left out, symbolic links not
// followed, and neither [skip] nor an earlier archive or package packed. Sorted.
bool listGameFiles(const fs::path& root, const fs::path& skip, std::vector<fs::path>& files) {
    std::error_code code;
    for (auto it = fs::recursive_directory_iterator(root, code);
         !code && it != fs::recursive_directory_iterator(); it.increment(code)) {
        const fs::path& path = it->path();
        const bool hidden = path.filename().string().rfind('.', 0) == 0;
        if (hidden || path == skip) {
            if (it->is_directory(code))
                it.disable_recursion_pending();
            continue;
        }
        if (hasExtension(path, ".tact") || hasExtension(path, ".deb"))
            continue;
        if (it->is_regular_file(code) && !it->is_symlink(code))
            files.push_back(path);
    }
    if (code) {
        std::fprintf(stderr, "tact-script: cannot list \"%s\": %s\n", root.c_str(), code.message().c_str());
        return false;
    }
    std::sort(files.begin(), files.end());
    return true;
}

// The members of the archive of [root]: every script compiled (with line tables, as `build` makes
// them), the other files as they are, and the sources only [withSources]. False after reporting
// every compile error ("FILE: error (LINE) ...") and every file that cannot go in.
bool collectMembers(const fs::path& root, const fs::path& skip, bool withSources,
                    std::vector<Member>& members, int& compiled) {
    std::vector<fs::path> files;
    if (!listGameFiles(root, skip, files))
        return false;
    bool ok = true;
    for (const fs::path& path : files) {
        const std::string name = path.lexically_relative(root).generic_string();
        if (!ZipDirectory::isPlainName(name)) {
            std::fprintf(stderr,
                         "tact-script: \"%s\" cannot go into an archive (a backslash, colon or control "
                         "character in its name)\n",
                         name.c_str());
            ok = false;
            continue;
        }
        Member member{name, {}};
        if (!readBytes(path, member.bytes)) {
            std::fprintf(stderr, "tact-script: cannot read \"%s\"\n", name.c_str());
            ok = false;
            continue;
        }
        if (hasExtension(path, ".gm")) {
            const std::string text(member.bytes.begin(), member.bytes.end());
            gmByteStream library;
            gmStringListLog log;
            gmLibraryOptions libraryOptions;
            libraryOptions.lineTables = true;
            const int errors = compileToLibrary(text.c_str(), library, log, libraryOptions);
            for (const std::string& entry : log.getEntries())
                std::fprintf(stderr, "%s: %s\n", name.c_str(), entry.c_str());
            if (errors != 0) {
                ok = false;
                continue;
            }
            ++compiled;
            members.push_back({name + "c", library.getBytes()});
            if (withSources)
                members.push_back(std::move(member));
            continue;
        }
        // A compiled script whose source is compiled anyway.
        fs::path source = path;
        std::error_code code;
        if (hasExtension(path, ".gmc") && fs::exists(source.replace_extension(".gm"), code))
            continue;
        members.push_back(std::move(member));
    }
    return ok;
}

// Writes [members] as a zip archive at [path]; false after saying why.
bool writeArchive(const std::string& path, const std::vector<Member>& members) {
    int code = 0;
    zip_t* archive = zip_open(path.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
    if (archive == nullptr) {
        zip_error_t error;
        zip_error_init_with_code(&error, code);
        std::fprintf(stderr, "tact-script: cannot write \"%s\": %s\n", path.c_str(),
                     zip_error_strerror(&error));
        zip_error_fini(&error);
        return false;
    }
    for (const Member& member : members) {
        // The bytes stay in [members] until the archive is closed.
        zip_source_t* source = zip_source_buffer(archive, member.bytes.data(), member.bytes.size(), 0);
        const zip_int64_t index =
            source != nullptr ? zip_file_add(archive, member.name.c_str(), source, ZIP_FL_ENC_UTF_8) : -1;
        if (index < 0) {
            if (source != nullptr)
                zip_source_free(source);
            std::fprintf(stderr, "tact-script: cannot add \"%s\": %s\n", member.name.c_str(),
                         zip_strerror(archive));
            zip_discard(archive);
            return false;
        }
        zip_file_set_mtime(archive, static_cast<zip_uint64_t>(index), kMemberTime, 0);
    }
    if (zip_close(archive) != 0) {
        std::fprintf(stderr, "tact-script: cannot write \"%s\": %s\n", path.c_str(), zip_strerror(archive));
        zip_discard(archive);
        return false;
    }
    return true;
}

// Reads [path] back as the engine will, and compares every member; false after saying why.
bool verifyArchive(const std::string& path, const std::vector<Member>& members) {
    std::string error;
    std::unique_ptr<ArchiveGameFiles> files = ArchiveGameFiles::open(path, error);
    if (files == nullptr) {
        std::fprintf(stderr, "tact-script: the archive written does not read back: %s\n", error.c_str());
        return false;
    }
    std::vector<uint8_t> bytes;
    for (const Member& member : members) {
        if (files->read(member.name, bytes) != GameFiles::Read::kRead || bytes != member.bytes) {
            std::fprintf(stderr, "tact-script: \"%s\" does not read back from the archive\n",
                         member.name.c_str());
            return false;
        }
    }
    return true;
}

// The archive of [root] at [output]: written beside it under a temporary name and renamed when
// whole, so that a failure leaves nothing and an earlier archive stays until the new one is there.
bool packArchive(const fs::path& root, const fs::path& output, bool withSources) {
    std::vector<Member> members;
    int compiled = 0;
    if (!collectMembers(root, output, withSources, members, compiled)) {
        std::fprintf(stderr, "tact-script: nothing written\n");
        return false;
    }
    const std::string temporary = output.string() + ".part";
    if (!writeArchive(temporary, members) || !verifyArchive(temporary, members)) {
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), output.c_str()) != 0) {
        std::fprintf(stderr, "tact-script: cannot write \"%s\": %s\n", output.c_str(), std::strerror(errno));
        std::remove(temporary.c_str());
        return false;
    }
    std::fprintf(stderr, "tact-script: %d scripts compiled, %zu files in \"%s\"\n", compiled, members.size(),
                 output.c_str());
    return true;
}

// ---- The Debian package -------------------------------------------------------------------------

// The package name of the folder [folderName]: lower-cased, '_' and ' ' made '-'. Empty when that
// is not a Debian package name (two or more of a-z 0-9 + - ., starting with a letter or digit) or
// is the engine's own.
std::string packageNameOf(const std::string& folderName) {
    std::string name;
    for (const char c : folderName) {
        const char lower = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        name += lower == '_' || lower == ' ' ? '-' : lower;
    }
    if (name.size() < 2 || name == kEnginePackage || !std::isalnum(static_cast<unsigned char>(name[0])))
        return {};
    for (const char c : name) {
        if (!(std::isdigit(static_cast<unsigned char>(c)) || (c >= 'a' && c <= 'z') || c == '+' || c == '-' ||
              c == '.'))
            return {};
    }
    return name;
}

bool writeText(const fs::path& path, const std::string& text, fs::perms perms) {
    std::ofstream file(path, std::ios::binary | std::ios::trunc);
    file << text;
    file.close();
    std::error_code code;
    fs::permissions(path, perms, code);
    return file && !code;
}

// The width and height a PNG file's header gives; false when [bytes] are not a PNG file.
bool pngSize(const std::vector<uint8_t>& bytes, uint32_t& width, uint32_t& height) {
    static const uint8_t kSignature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1a, '\n'};
    if (bytes.size() < 24 || !std::equal(kSignature, kSignature + 8, bytes.begin()) ||
        std::memcmp(&bytes[12], "IHDR", 4) != 0)
        return false;
    auto get = [&](std::size_t at) {
        return (uint32_t{bytes[at]} << 24) | (uint32_t{bytes[at + 1]} << 16) |
               (uint32_t{bytes[at + 2]} << 8) | uint32_t{bytes[at + 3]};
    };
    width = get(16);
    height = get(20);
    return width > 0 && height > 0 && width <= 4096 && height <= 4096;
}

// Runs dpkg-deb to build [staging] into [output]; false after saying why.
bool runDpkgDeb(const fs::path& staging, const fs::path& output) {
    std::vector<std::string> arguments = {"dpkg-deb", "--root-owner-group", "-Zxz",
                                          "--build",  staging.string(),     output.string()};
    std::vector<char*> argv;
    for (std::string& argument : arguments) argv.push_back(argument.data());
    argv.push_back(nullptr);
    // What dpkg-deb says goes to standard error with the rest of the messages.
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, STDERR_FILENO, STDOUT_FILENO);
    pid_t child = 0;
    const int spawned = posix_spawnp(&child, "dpkg-deb", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    if (spawned != 0) {
        std::fprintf(stderr, "tact-script: cannot run dpkg-deb (it comes with dpkg)\n");
        return false;
    }
    int status = 0;
    if (waitpid(child, &status, 0) != child || !WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        std::fprintf(stderr, "tact-script: dpkg-deb could not build \"%s\"\n", output.c_str());
        return false;
    }
    return true;
}

// A temporary folder removed with its contents when this goes.
class TemporaryFolder {
  public:
    TemporaryFolder() {
        std::string pattern = (fs::temp_directory_path() / "tact-pack-XXXXXX").string();
        if (mkdtemp(pattern.data()) != nullptr)
            path_ = pattern;
    }
    ~TemporaryFolder() {
        std::error_code code;
        if (!path_.empty())
            fs::remove_all(path_, code);
    }
    TemporaryFolder(const TemporaryFolder&) = delete;
    TemporaryFolder& operator=(const TemporaryFolder&) = delete;
    const fs::path& path() const { return path_; }

  private:
    fs::path path_;
};

bool packDebian(const fs::path& root, const std::string& output, bool withSources) {
    const std::string folderName = root.filename().string();
    const std::string name = packageNameOf(folderName);
    if (name.empty()) {
        std::fprintf(
            stderr,
            "tact-script: the folder name \"%s\" does not make a package name (lower-cased, it needs two "
            "or more of a-z 0-9 + - . starting with a letter or digit, and not \"%s\")\n",
            folderName.c_str(), kEnginePackage);
        return false;
    }
    std::error_code code;
    const fs::path target =
        fs::absolute(output.empty() ? name + "_" + kPackageVersion + "_all.deb" : output, code);
    TemporaryFolder staging;
    if (staging.path().empty()) {
        std::fprintf(stderr, "tact-script: cannot make a temporary folder\n");
        return false;
    }
    const fs::path& top = staging.path();
    const fs::path share = top / "usr/share/games" / name;
    for (const fs::path& folder : {top / "DEBIAN", top / "usr/games", share, top / "usr/share/applications"})
        fs::create_directories(folder, code);
    if (code) {
        std::fprintf(stderr, "tact-script: cannot make the package's folders: %s\n", code.message().c_str());
        return false;
    }
    if (!packArchive(root, share / (name + ".tact"), withSources))
        return false;
    const fs::perms executable = fs::perms::owner_all | fs::perms::group_read | fs::perms::group_exec |
                                 fs::perms::others_read | fs::perms::others_exec;
    const fs::perms readable =
        fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read | fs::perms::others_read;
    fs::permissions(share / (name + ".tact"), readable, code);
    // TACT_PROGRAM and TACT_ROOT let a package unpacked anywhere be run with any engine (tests).
    const std::string launcher =
        "#!/bin/sh\n"
        "# Runs the game " +
        folderName +
        " with the Tact engine.\n"
        "exec \"${TACT_PROGRAM:-tact}\" \"${TACT_ROOT}/usr/share/games/" +
        name + "/" + name + ".tact\" \"$@\"\n";
    std::vector<uint8_t> icon;
    uint32_t width = 0;
    uint32_t height = 0;
    const bool hasIcon = readBytes(root / "icon.png", icon) && pngSize(icon, width, height);
    std::string desktop =
        "[Desktop Entry]\n"
        "Type=Application\n"
        "Name=" +
        folderName +
        "\n"
        "Comment=A game made with Tact\n"
        "Exec=/usr/games/" +
        name +
        "\n"
        "Terminal=false\n"
        "Categories=Game;\n";
    bool written = writeText(top / "usr/games" / name, launcher, executable);
    if (hasIcon) {
        desktop += "Icon=" + name + "\n";
        const fs::path icons =
            top / "usr/share/icons/hicolor" / (std::to_string(width) + "x" + std::to_string(height)) / "apps";
        fs::create_directories(icons, code);
        written =
            written && writeText(icons / (name + ".png"), std::string(icon.begin(), icon.end()), readable);
    }
    written = written && writeText(top / "usr/share/applications" / (name + ".desktop"), desktop, readable);
    const std::string control = "Package: " + name + "\n" + "Version: " + kPackageVersion + "\n" +
                                "Architecture: all\n"
                                "Maintainer: The maker of " +
                                folderName + " <nobody@localhost>\n" + "Depends: " + kEnginePackage + "\n" +
                                "Section: games\n"
                                "Priority: optional\n"
                                "Description: " +
                                folderName +
                                ", a game made with Tact\n"
                                " The game " +
                                folderName + ", packed from its folder; run it as " + name + ".\n";
    written = written && writeText(top / "DEBIAN/control", control, readable);
    if (!written) {
        std::fprintf(stderr, "tact-script: cannot write the package's files\n");
        return false;
    }
    // The folders dpkg-deb packs keep the usual modes whatever the umask.
    for (auto it = fs::recursive_directory_iterator(top, code);
         !code && it != fs::recursive_directory_iterator(); it.increment(code)) {
        if (it->is_directory())
            fs::permissions(it->path(), executable, code);
    }
    fs::permissions(top, executable, code);
    const std::string temporary = target.string() + ".part";
    if (!runDpkgDeb(top, temporary)) {
        std::remove(temporary.c_str());
        return false;
    }
    if (std::rename(temporary.c_str(), target.c_str()) != 0) {
        std::fprintf(stderr, "tact-script: cannot write \"%s\": %s\n", target.c_str(), std::strerror(errno));
        std::remove(temporary.c_str());
        return false;
    }
    std::fprintf(stderr, "tact-script: package %s in \"%s\"\n", name.c_str(), target.c_str());
    return true;
}

}  // namespace

bool parsePackArguments(int argc, char** argv, PackOptions& options) {
    for (int i = 0; i < argc; ++i) {
        const std::string argument = argv[i];
        if (argument == "-o" && i + 1 < argc && options.output.empty())
            options.output = argv[++i];
        else if (argument == "--with-sources")
            options.withSources = true;
        else if (argument == "--deb")
            options.debian = true;
        else if (!argument.empty() && argument[0] != '-' && options.folder.empty())
            options.folder = argument;
        else
            return false;
    }
    return !options.folder.empty() && (options.debian || !options.output.empty());
}

int packGame(const PackOptions& options) {
    std::error_code code;
    const fs::path root = fs::weakly_canonical(options.folder, code);
    if (code || !fs::is_directory(root, code)) {
        std::fprintf(stderr, "tact-script: \"%s\" is not a folder\n", options.folder.c_str());
        return 1;
    }
    if (options.debian)
        return packDebian(root, options.output, options.withSources) ? 0 : 1;
    const fs::path output = fs::weakly_canonical(fs::absolute(options.output, code), code);
    if (code || fs::is_directory(output, code)) {
        std::fprintf(stderr, "tact-script: \"%s\" is a folder, not an archive's name\n",
                     options.output.c_str());
        return 1;
    }
    return packArchive(root, output, options.withSources) ? 0 : 1;
}
