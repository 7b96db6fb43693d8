// Replays every file of the seed corpora through the fuzz entries, so the normal build's test
// run keeps each reader sound on the inputs the fuzzers started from (and any crash inputs
// added to the corpora later).
//
// usage: fuzz_corpus_replay CORPUS_ROOT    (CORPUS_ROOT/<entry name>/<files>)
#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "FuzzEntry.h"

namespace fs = std::filesystem;

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_corpus_replay CORPUS_ROOT\n");
        return 64;
    }
    const fs::path root = argv[1];
    int failures = 0;
    for (const auto& entry : corvane::fuzz::FuzzEntries()) {
        const fs::path dir = root / entry.name;
        if (!fs::is_directory(dir)) {
            std::fprintf(stderr, "%s: no corpus folder %s\n", entry.name, dir.string().c_str());
            ++failures;
            continue;
        }
        std::vector<fs::path> files;
        for (const auto& f : fs::directory_iterator(dir))
            if (f.is_regular_file()) files.push_back(f.path());
        std::sort(files.begin(), files.end());
        for (const auto& file : files) {
            std::ifstream in(file, std::ios::binary);
            const std::vector<std::uint8_t> bytes{std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
            entry.run(bytes.data(), bytes.size());  // aborts on a broken property
        }
        std::printf("%s: %zu file(s) replayed\n", entry.name, files.size());
        if (files.empty()) ++failures;
    }
    return failures == 0 ? 0 : 1;
}
