#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

namespace corvane::fuzz {

// One fuzzed reader: the libFuzzer target of the same name calls it, and the corpus replay
// test runs every file of fuzz/corpus/<name>/ through it. An entry returns normally for any
// input; it aborts (through FUZZ_CHECK) when a property of the reader breaks.
struct FuzzEntry {
    const char* name;  // the corpus folder and the target without its "fuzz_" prefix
    int (*run)(const std::uint8_t* data, std::size_t size);
};

std::vector<FuzzEntry>& FuzzEntries();

struct FuzzEntryRegistrar {
    FuzzEntryRegistrar(const char* name, int (*run)(const std::uint8_t*, std::size_t)) {
        FuzzEntries().push_back({name, run});
    }
};

}  // namespace corvane::fuzz

#define FUZZ_CHECK(cond)                                                                  \
    do {                                                                                  \
        if (!(cond)) {                                                                    \
            std::fprintf(stderr, "%s:%d: property broken: %s\n", __FILE__, __LINE__, #cond); \
            std::abort();                                                                 \
        }                                                                                 \
    } while (0)
