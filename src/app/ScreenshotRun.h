#pragma once

#include <QString>

#include <optional>
#include <string>

namespace corvane {

// Renders the main views into PNG files in `dir` and returns the exit code: the main window
// with a family-A document on "Stoichiometric2048Map" and the selector docked, the maps view,
// the advanced user maps view, the AFR calculator and the hot-key help. The document is READ
// from the simulated module first, so the markers show the in-sync colour. The user's
// settings are neither read nor changed.
int RunScreenshots(const QString& dir, const std::optional<std::string>& port);

}  // namespace corvane
