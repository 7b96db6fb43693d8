#include "FuzzEntry.h"

namespace corvane::fuzz {

std::vector<FuzzEntry>& FuzzEntries() {
    static std::vector<FuzzEntry> entries;
    return entries;
}

}  // namespace corvane::fuzz
