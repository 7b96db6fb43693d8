#include "monitor/RideAutoTuneSettings.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdio>

#include "model/SettingsStore.h"

namespace corvane {

namespace {

struct NumberField {
  const char* name;
  double RideAutoTuneSettings::*member;
  double low;
  double high;
};

constexpr NumberField kNumbers[] = {
    {"MinHeadTemp", &RideAutoTuneSettings::minHeadTempF, -40.0, 450.0},
    {"MaxThrottleRate", &RideAutoTuneSettings::maxThrottleRate, 1.0, 1000.0},
    {"MaxRpmRate", &RideAutoTuneSettings::maxRpmRate, 50.0, 20000.0},
    {"MinThrottle", &RideAutoTuneSettings::minThrottleDeg, 0.0, 80.0},
    {"SensorDelay", &RideAutoTuneSettings::sensorDelaySeconds, 0.0, 1.0},
    {"MinWeight", &RideAutoTuneSettings::minWeight, 0.5, 100000.0},
    {"Authority", &RideAutoTuneSettings::authorityPercent, 0.5, 50.0},
};

struct SwitchField {
  const char* name;
  bool RideAutoTuneSettings::*member;
};

constexpr SwitchField kSwitches[] = {
    {"DelayCompensation", &RideAutoTuneSettings::delayCompensation},
    {"TransientFilter", &RideAutoTuneSettings::transientFilter},
};

}  // namespace

void RideAutoTuneSettings::Clamp() {
  const RideAutoTuneSettings defaults;
  for (const NumberField& f : kNumbers) {
    double& v = this->*f.member;
    v = std::isfinite(v) ? std::clamp(v, f.low, f.high) : defaults.*f.member;
  }
}

RideAutoTuneSettings RideAutoTuneSettings::Load(const SettingsStore& store) {
  RideAutoTuneSettings settings;
  for (const NumberField& f : kNumbers) {
    const auto text = store.GetText(kSection, f.name);
    if (!text) continue;
    double v = 0.0;
    const char* end = text->data() + text->size();
    const auto [ptr, ec] = std::from_chars(text->data(), end, v);
    if (!text->empty() && ec == std::errc{} && ptr == end && std::isfinite(v)) settings.*f.member = v;
  }
  for (const SwitchField& f : kSwitches) {
    const auto text = store.GetText(kSection, f.name);
    if (text && (*text == "0" || *text == "1")) settings.*f.member = *text == "1";
  }
  settings.Clamp();
  return settings;
}

void RideAutoTuneSettings::Save(SettingsStore& store) const {
  char text[64];
  for (const NumberField& f : kNumbers) {
    std::snprintf(text, sizeof text, "%.6g", this->*f.member);
    store.SetText(kSection, f.name, text);
  }
  for (const SwitchField& f : kSwitches) store.SetText(kSection, f.name, this->*f.member ? "1" : "0");
}

}  // namespace corvane
