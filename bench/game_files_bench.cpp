// A game's files read from its folder and from its archive: opening an archive (the directory
// check and the mount) and reading a file whole (inflating it and checking its sum), against the
// same file read from a folder. The files are random bytes (which deflate cannot shrink) and a
// sound-like ramp (which it can).
#include <benchmark/benchmark.h>

#include <unistd.h>
#include <zip.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "Engine/GameFiles.h"

namespace {

namespace fs = std::filesystem;

// The game of the benchmarks: 200 small files (a game's sprites and scripts) and a random and a
// compressible file of each size read.
struct BenchGame {
    fs::path folder;
    std::string archive;

    BenchGame() {
        char pattern[] = "/tmp/tact-files-bench-XXXXXX";
        folder = mkdtemp(pattern);
        archive = (folder / "game.tact").string();
        int code = 0;
        zip_t* zip = zip_open(archive.c_str(), ZIP_CREATE | ZIP_TRUNCATE, &code);
        std::mt19937 random(1);
        std::vector<std::vector<uint8_t>> kept;
        auto add = [&](const std::string& name, std::vector<uint8_t> bytes) {
            fs::create_directories((folder / name).parent_path());
            std::ofstream(folder / name, std::ios::binary)
                .write(reinterpret_cast<const char*>(bytes.data()),
                       static_cast<std::streamsize>(bytes.size()));
            kept.push_back(std::move(bytes));
            zip_file_add(zip, name.c_str(), zip_source_buffer(zip, kept.back().data(), kept.back().size(), 0),
                         0);
        };
        for (int i = 0; i < 200; ++i)
            add("art/sprite" + std::to_string(i) + ".png", std::vector<uint8_t>(2048, 7));
        for (const int size : {64 << 10, 4 << 20}) {
            std::vector<uint8_t> noise(static_cast<std::size_t>(size));
            for (uint8_t& byte : noise) byte = static_cast<uint8_t>(random());
            add("random" + std::to_string(size), std::move(noise));
            std::vector<uint8_t> ramp(static_cast<std::size_t>(size));
            for (std::size_t i = 0; i < ramp.size(); ++i) ramp[i] = static_cast<uint8_t>(i / 64);
            add("ramp" + std::to_string(size), std::move(ramp));
        }
        zip_close(zip);
    }
    ~BenchGame() {
        std::error_code code;
        fs::remove_all(folder, code);
    }
};

BenchGame& benchGame() {
    static BenchGame game;
    return game;
}

void BM_OpenArchive(benchmark::State& state) {
    std::string error;
    for (auto _ : state) {
        std::unique_ptr<ArchiveGameFiles> files = ArchiveGameFiles::open(benchGame().archive, error);
        benchmark::DoNotOptimize(files.get());
    }
    state.SetLabel("204 files");
}
BENCHMARK(BM_OpenArchive);

void readEach(benchmark::State& state, GameFiles& files, const std::string& name) {
    std::vector<uint8_t> bytes;
    for (auto _ : state) {
        if (files.read(name, bytes) != GameFiles::Read::kRead)
            state.SkipWithError("not read");
        benchmark::DoNotOptimize(bytes.data());
    }
    state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes.size()));
}

// Arguments: the size; 0 random, 1 a ramp.
std::string fileName(const benchmark::State& state) {
    return (state.range(1) == 0 ? "random" : "ramp") + std::to_string(state.range(0));
}

void BM_ReadFromFolder(benchmark::State& state) {
    const fs::path start = fs::current_path();
    fs::current_path(benchGame().folder);
    FolderGameFiles files;
    readEach(state, files, fileName(state));
    fs::current_path(start);
}
BENCHMARK(BM_ReadFromFolder)
    ->Args({64 << 10, 0})
    ->Args({64 << 10, 1})
    ->Args({4 << 20, 0})
    ->Args({4 << 20, 1});

void BM_ReadFromArchive(benchmark::State& state) {
    std::string error;
    std::unique_ptr<ArchiveGameFiles> files = ArchiveGameFiles::open(benchGame().archive, error);
    readEach(state, *files, fileName(state));
}
BENCHMARK(BM_ReadFromArchive)
    ->Args({64 << 10, 0})
    ->Args({64 << 10, 1})
    ->Args({4 << 20, 0})
    ->Args({4 << 20, 1});

}  // namespace
