// The ride fit is the minimum of what its header says it weighs: the readings (each a share
// of the fuel at its point), the smoothness of the need over the fuel of each middle cell,
// and each cell's hold to its fuel times its mean ratio. Checked on a table whose fuel differs
// from cell to cell, where a term scaled by the wrong cell's fuel moves the minimum.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <vector>

#include "monitor/RideNeedFit.h"

using namespace corvane;

namespace {

struct Reading {
    int row, site;
    std::array<double, 4> weights;
    double ratio, fuel;
};

std::size_t At(int row, int site) { return static_cast<std::size_t>(row * RideNeedFit::kSites + site); }

// The objective, written from its description, independent of the solver's normal equations.
struct Objective {
    std::vector<Reading> readings;
    std::vector<double> fuel, weights, means;

    double operator()(const std::vector<double>& v) const {
        std::vector<char> active(RideNeedFit::kCells, 0);
        for (std::size_t i = 0; i < RideNeedFit::kCells; ++i) active[i] = weights[i] > 0.0 && fuel[i] > 0.0;
        double j = 0.0;
        for (const Reading& r : readings) {
            const std::size_t cells[4] = {At(r.row, r.site), At(r.row, r.site + 1), At(r.row + 1, r.site),
                                          At(r.row + 1, r.site + 1)};
            double blend = 0.0;
            for (int k = 0; k < 4; ++k) blend += r.weights[k] / r.fuel * v[cells[k]];
            j += (blend - r.ratio) * (blend - r.ratio);
        }
        for (std::size_t i = 0; i < RideNeedFit::kCells; ++i) {
            if (!active[i]) continue;
            const double hold = RideNeedFit::kHold * weights[i] / (fuel[i] * fuel[i]);
            const double d = v[i] - fuel[i] * means[i];
            j += hold * d * d;
        }
        auto curve = [&](std::size_t a, std::size_t m, std::size_t c) {
            if (!active[a] || !active[m] || !active[c]) return;
            const double d = v[a] - 2.0 * v[m] + v[c];
            j += RideNeedFit::kSmoothness / (fuel[m] * fuel[m]) * d * d;
        };
        for (int r = 0; r < RideNeedFit::kRows; ++r)
            for (int s = 1; s + 1 < RideNeedFit::kSites; ++s) curve(At(r, s - 1), At(r, s), At(r, s + 1));
        for (int r = 1; r + 1 < RideNeedFit::kRows; ++r)
            for (int s = 0; s < RideNeedFit::kSites; ++s) curve(At(r - 1, s), At(r, s), At(r + 1, s));
        return j;
    }
};

}  // namespace

TEST(RideNeedFit, TheFitIsTheMinimumOfItsObjectiveOnATableWhoseFuelVaries) {
    Objective o;
    o.fuel.assign(RideNeedFit::kCells, 0.0);
    o.weights.assign(RideNeedFit::kCells, 0.0);
    o.means.assign(RideNeedFit::kCells, 1.0);
    // Fuel rising steeply with the row and the site: neighbouring cells differ by up to a half.
    for (int r = 0; r < RideNeedFit::kRows; ++r)
        for (int s = 0; s < RideNeedFit::kSites; ++s) o.fuel[At(r, s)] = 40.0 + 9.0 * r + 1.5 * s * s / 8.0;
    // Readings between rows 3..6 and sites 10..14, off the cells' centres, one lean corner.
    RideNeedFit fit;
    for (int r = 3; r <= 5; ++r)
        for (int s = 10; s <= 13; ++s)
            for (const double u : {0.2, 0.7}) {
                const double t = 0.3 + 0.1 * (s - 10);
                const std::array<double, 4> w{(1 - t) * (1 - u), (1 - t) * u, t * (1 - u), t * u};
                const double blended = w[0] * o.fuel[At(r, s)] + w[1] * o.fuel[At(r, s + 1)] +
                                       w[2] * o.fuel[At(r + 1, s)] + w[3] * o.fuel[At(r + 1, s + 1)];
                const double ratio = (r == 5 && s == 13) ? 1.25 : 1.0 + 0.02 * (s - 10) - 0.03 * (r - 3);
                o.readings.push_back({r, s, w, ratio, blended});
                fit.Add(r, s, w, ratio, blended);
                const std::size_t cells[4] = {At(r, s), At(r, s + 1), At(r + 1, s), At(r + 1, s + 1)};
                for (int k = 0; k < 4; ++k) {
                    o.means[cells[k]] = (o.means[cells[k]] * o.weights[cells[k]] + w[k] * ratio) / (o.weights[cells[k]] + w[k]);
                    o.weights[cells[k]] += w[k];
                }
            }
    for (std::size_t i = 0; i < RideNeedFit::kCells; ++i)
        if (o.weights[i] == 0.0) o.means[i] = 1.0;

    const std::vector<double> need = fit.Solve(o.fuel, o.weights, o.means);
    ASSERT_EQ(need.size(), RideNeedFit::kCells);
    // The objective is quadratic: a central difference is its exact slope along each cell. At
    // the minimum every slope is nothing next to the slope at the starting point (the anchors).
    std::vector<double> anchors = o.fuel;
    for (std::size_t i = 0; i < RideNeedFit::kCells; ++i)
        if (o.weights[i] > 0.0) anchors[i] = o.fuel[i] * o.means[i];
    auto slope = [&](std::vector<double> v, std::size_t i) {
        const double h = 1e-3 * o.fuel[i];
        v[i] += h;
        const double up = o(v);
        v[i] -= 2 * h;
        return (up - o(v)) / (2 * h);
    };
    double startSlope = 0.0;
    for (std::size_t i = 0; i < RideNeedFit::kCells; ++i)
        if (o.weights[i] > 0.0) startSlope = std::max(startSlope, std::fabs(slope(anchors, i)));
    ASSERT_GT(startSlope, 0.0) << "the readings must pull the need away from the anchors";
    int active = 0;
    for (std::size_t i = 0; i < RideNeedFit::kCells; ++i) {
        if (o.weights[i] == 0.0) {
            EXPECT_EQ(need[i], o.fuel[i]) << "a cell without readings keeps its fuel";
            continue;
        }
        ++active;
        EXPECT_LT(std::fabs(slope(need, i)), 1e-6 * startSlope) << "cell " << i / RideNeedFit::kSites << ","
                                                                 << i % RideNeedFit::kSites;
    }
    EXPECT_EQ(active, 4 * 5);
}
