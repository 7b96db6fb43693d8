#include "sim/Scenario.h"

#include <algorithm>
#include <cctype>
#include <charconv>
#include <cmath>
#include <map>
#include <numbers>

#include "sim/RiderScenario.h"
#include "sim/SimRandom.h"

namespace corvane::sim {

namespace {

constexpr std::size_t kMaxListLength = 4096;    // keeps a silly range from eating memory
constexpr double kMaxRideSeconds = 86400.0;      // a rider's ride is worked out in advance: a day at most

void Fail(std::string* error, std::string text) {
  if (error) *error = std::move(text);
}

bool ParseNumber(std::string_view text, double& out) {
  if (text.empty()) return false;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, out);
  return ec == std::errc{} && ptr == end && std::isfinite(out);
}

// "a", "a,b,c", "a..b", "a..b/step" (and mixtures separated by commas).
bool ParseList(std::string_view text, double defaultStep, std::vector<double>& out) {
  out.clear();
  while (!text.empty()) {
    const std::size_t comma = text.find(',');
    const std::string_view item = text.substr(0, comma);
    text = comma == std::string_view::npos ? std::string_view{} : text.substr(comma + 1);
    const std::size_t dots = item.find("..");
    if (dots == std::string_view::npos) {
      double v = 0;
      if (!ParseNumber(item, v)) return false;
      out.push_back(v);
    } else {
      std::string_view rest = item.substr(dots + 2);
      double step = defaultStep;
      const std::size_t slash = rest.find('/');
      if (slash != std::string_view::npos) {
        if (!ParseNumber(rest.substr(slash + 1), step) || step <= 0) return false;
        rest = rest.substr(0, slash);
      }
      double from = 0, to = 0;
      if (!ParseNumber(item.substr(0, dots), from) || !ParseNumber(rest, to)) return false;
      const double direction = to >= from ? 1.0 : -1.0;
      const double count = std::floor(std::abs(to - from) / step + 1e-9);
      if (count + 1 + out.size() > kMaxListLength) return false;
      for (int i = 0; i <= static_cast<int>(count); ++i) out.push_back(from + direction * i * step);
    }
    if (out.size() > kMaxListLength) return false;
  }
  return !out.empty();
}

bool ParseRange(std::string_view text, double& from, double& to) {
  const std::size_t dots = text.find("..");
  if (dots == std::string_view::npos) {
    if (!ParseNumber(text, from)) return false;
    to = from;
    return true;
  }
  return ParseNumber(text.substr(0, dots), from) && ParseNumber(text.substr(dots + 2), to);
}

double Ease(double t) { return 0.5 - 0.5 * std::cos(std::numbers::pi * std::clamp(t, 0.0, 1.0)); }

}  // namespace

// ---- hold ---------------------------------------------------------------------------------

HoldScenario::HoldScenario(std::vector<double> rpms, std::vector<double> throttleDegs, double dwell, int repeat)
    : m_dwell(dwell > 0.0 ? dwell : 1.5) {
  for (int r = 0; r < std::max(1, repeat); ++r)
    for (double rpm : rpms)
      for (double tps : throttleDegs) m_steps.push_back({rpm, tps});
}

double HoldScenario::ThrottleDegForSite(int site) {
  return std::clamp(site, 0, 63) * 16.0 * EngineModel::kThrottleMaxDeg / EngineModel::kThrottleRawMax;
}

EngineTarget HoldScenario::TargetAt(double seconds) const {
  if (m_steps.empty() || seconds >= Duration()) return {};
  const auto index = static_cast<std::size_t>(std::max(0.0, seconds) / m_dwell);
  return m_steps[std::min(index, m_steps.size() - 1)];
}

double HoldScenario::Duration() const { return m_dwell * static_cast<double>(m_steps.size()); }

// ---- sweep --------------------------------------------------------------------------------

SweepScenario::SweepScenario(double rpmFrom, double rpmTo, double tpsFrom, double tpsTo, double duration)
    : m_rpmFrom(rpmFrom), m_rpmTo(rpmTo), m_tpsFrom(tpsFrom), m_tpsTo(tpsTo),
      m_duration(duration > 0.0 ? duration : 30.0) {}

EngineTarget SweepScenario::TargetAt(double seconds) const {
  if (seconds >= m_duration) return {};
  const double t = std::clamp(seconds / m_duration, 0.0, 1.0);
  return {m_rpmFrom + (m_rpmTo - m_rpmFrom) * t, m_tpsFrom + (m_tpsTo - m_tpsFrom) * t};
}

// ---- ride ---------------------------------------------------------------------------------

RideScenario::RideScenario(double duration, std::uint64_t seed) : m_duration(duration > 0.0 ? duration : 120.0) {
  SimRandom random(seed);
  double time = 0.0;
  m_points.push_back({0.0, {1100.0, 2.0}});
  while (time < m_duration) {
    time += random.Uniform(1.0, 4.0);
    const double throttle = random.Uniform(0.0, 1.0);
    // Speed follows throttle loosely, as it does on the road.
    const double rpm = std::clamp(1200.0 + 5000.0 * throttle + random.Uniform(-800.0, 800.0), 1000.0, 6500.0);
    m_points.push_back({time, {rpm, throttle * 60.0 + random.Uniform(0.0, 28.0) * throttle}});
  }
}

EngineTarget RideScenario::TargetAt(double seconds) const {
  if (seconds >= m_duration) return {};
  const auto next = std::upper_bound(m_points.begin(), m_points.end(), seconds,
                                     [](double s, const Waypoint& w) { return s < w.time; });
  if (next == m_points.begin()) return m_points.front().target;
  if (next == m_points.end()) return m_points.back().target;
  const Waypoint& a = *(next - 1);
  const Waypoint& b = *next;
  const double k = Ease((seconds - a.time) / (b.time - a.time));
  return {a.target.rpm + (b.target.rpm - a.target.rpm) * k,
          a.target.throttleDeg + (b.target.throttleDeg - a.target.throttleDeg) * k};
}

const char* Scenario::Usage() {
  return "idle [duration=S]\n"
         "hold rpm=R[,R..]|row=K[,K..] sites=I[,I..]|tps=DEG[,DEG..] [dwell=S] [repeat=N]\n"
         "     lists take ranges a..b and a..b/step; sites are fuel map points 0..63\n"
         "sweep [rpm=A..B] [tps=A..B] [duration=S]\n"
         "ride [duration=S] [seed=N] [style=street|track]\n"
         "     with a style, a rider on a motorcycle (gears, stops, overrun); without, random waypoints\n";
}

// ---- parsing ------------------------------------------------------------------------------

std::unique_ptr<Scenario> Scenario::Parse(std::string_view text, std::uint64_t seed, std::string* error) {
  std::vector<std::string_view> tokens;
  std::size_t pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && std::isspace(static_cast<unsigned char>(text[pos]))) ++pos;
    std::size_t end = pos;
    while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
    if (end > pos) tokens.push_back(text.substr(pos, end - pos));
    pos = end;
  }
  if (tokens.empty()) {
    Fail(error, "no scenario named");
    return nullptr;
  }
  const std::string_view name = tokens.front();
  std::map<std::string, std::string, std::less<>> params;
  for (std::size_t i = 1; i < tokens.size(); ++i) {
    const std::size_t eq = tokens[i].find('=');
    if (eq == std::string_view::npos || eq == 0) {
      Fail(error, "parameter without value: " + std::string(tokens[i]));
      return nullptr;
    }
    params[std::string(tokens[i].substr(0, eq))] = std::string(tokens[i].substr(eq + 1));
  }
  auto number = [&](std::string_view key, double fallback, double& out) {
    const auto it = params.find(key);
    if (it == params.end()) {
      out = fallback;
      return true;
    }
    if (ParseNumber(it->second, out)) return true;
    Fail(error, "bad number for " + std::string(key) + ": " + it->second);
    return false;
  };
  auto known = [&](std::initializer_list<std::string_view> keys) {
    for (const auto& [key, value] : params) {
      if (std::find(keys.begin(), keys.end(), key) == keys.end()) {
        Fail(error, "unknown parameter for " + std::string(name) + ": " + key);
        return false;
      }
    }
    return true;
  };

  if (name == "idle") {
    double duration = 0;
    if (!known({"duration"}) || !number("duration", kForever, duration)) return nullptr;
    return std::make_unique<IdleScenario>(duration);
  }
  if (name == "hold") {
    if (!known({"rpm", "row", "sites", "tps", "dwell", "repeat"})) return nullptr;
    std::vector<double> rpms;
    if (auto it = params.find("rpm"); it != params.end()) {
      if (!ParseList(it->second, 256.0, rpms)) {
        Fail(error, "bad rpm list: " + it->second);
        return nullptr;
      }
    } else if (auto row = params.find("row"); row != params.end()) {
      if (!ParseList(row->second, 1.0, rpms)) {
        Fail(error, "bad row list: " + row->second);
        return nullptr;
      }
      for (double& r : rpms) r = 256.0 * std::clamp(std::round(r), 0.0, 31.0);
    } else {
      Fail(error, "hold needs rpm= or row=");
      return nullptr;
    }
    std::vector<double> throttles;
    if (auto it = params.find("sites"); it != params.end()) {
      std::vector<double> sites;
      if (!ParseList(it->second, 1.0, sites)) {
        Fail(error, "bad site list: " + it->second);
        return nullptr;
      }
      for (double s : sites) throttles.push_back(HoldScenario::ThrottleDegForSite(static_cast<int>(std::lround(s))));
    } else if (auto tps = params.find("tps"); tps != params.end()) {
      if (!ParseList(tps->second, 1.0, throttles)) {
        Fail(error, "bad throttle list: " + tps->second);
        return nullptr;
      }
    } else {
      Fail(error, "hold needs sites= or tps=");
      return nullptr;
    }
    double dwell = 0, repeat = 0;
    if (!number("dwell", 1.5, dwell) || !number("repeat", 1, repeat)) return nullptr;
    if (dwell <= 0 || repeat < 1 || repeat > 1000 || rpms.size() * throttles.size() * repeat > 100000) {
      Fail(error, "dwell must be positive and the hold list reasonable");
      return nullptr;
    }
    return std::make_unique<HoldScenario>(std::move(rpms), std::move(throttles), dwell, static_cast<int>(repeat));
  }
  if (name == "sweep") {
    if (!known({"rpm", "tps", "duration"})) return nullptr;
    double r0 = 1000, r1 = 6000, t0 = 0, t1 = EngineModel::kThrottleMaxDeg, duration = 0;
    if (auto it = params.find("rpm"); it != params.end() && !ParseRange(it->second, r0, r1)) {
      Fail(error, "bad rpm range: " + it->second);
      return nullptr;
    }
    if (auto it = params.find("tps"); it != params.end() && !ParseRange(it->second, t0, t1)) {
      Fail(error, "bad throttle range: " + it->second);
      return nullptr;
    }
    if (!number("duration", 30.0, duration)) return nullptr;
    return std::make_unique<SweepScenario>(r0, r1, t0, t1, duration);
  }
  if (name == "ride") {
    double duration = 0;
    if (!known({"duration", "seed", "style"}) || !number("duration", 120.0, duration)) return nullptr;
    if (!(duration > 0.0) || duration > kMaxRideSeconds) {
      Fail(error, "a ride lasts more than 0 and at most 86400 seconds");
      return nullptr;
    }
    std::uint64_t rideSeed = seed;
    if (auto it = params.find("seed"); it != params.end()) {
      const char* end = it->second.data() + it->second.size();
      const auto [ptr, ec] = std::from_chars(it->second.data(), end, rideSeed);
      if (ec != std::errc{} || ptr != end || it->second.empty()) {
        Fail(error, "bad seed: " + it->second);
        return nullptr;
      }
    }
    if (auto it = params.find("style"); it != params.end()) {
      if (it->second != "street" && it->second != "track") {
        Fail(error, "bad style: " + it->second + " (street or track)");
        return nullptr;
      }
      return std::make_unique<RiderScenario>(
          duration, rideSeed, it->second == "track" ? RiderScenario::Style::Track : RiderScenario::Style::Street);
    }
    return std::make_unique<RideScenario>(duration, rideSeed);
  }
  Fail(error, "unknown scenario: " + std::string(name));
  return nullptr;
}

}  // namespace corvane::sim
