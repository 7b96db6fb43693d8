#include "model/TargetAfrSetting.h"

#include <charconv>
#include <cmath>

#include "model/AppState.h"
#include "model/SettingsStore.h"

namespace corvane {

double ReadTargetAfr(const SettingsStore& settings) {
    const auto text = settings.GetText(kTargetAfrSection, kTargetAfrEntry);
    if (!text || text->empty()) return kDefaultTargetAfr;
    // from_chars, not strtod: the kept text has a '.' whatever the user's locale says.
    const char* first = text->data();
    const char* last = first + text->size();
    while (first != last && *first == ' ') ++first;
    double value = 0.0;
    const auto [end, error] = std::from_chars(first, last, value);
    // Text that is no number, or no finite positive one, cannot be a target.
    if (error != std::errc() || end == first || !std::isfinite(value) || value <= 0.0) return kDefaultTargetAfr;
    return value;
}

std::string FormatTargetAfr(double target) {
    char buffer[32];
    const auto result = std::to_chars(buffer, buffer + sizeof buffer, target, std::chars_format::general, 10);
    return std::string(buffer, result.ptr);
}

void WriteTargetAfr(SettingsStore& settings, double target) {
    settings.SetText(kTargetAfrSection, kTargetAfrEntry, FormatTargetAfr(target));
}

}  // namespace corvane
