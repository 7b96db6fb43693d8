#include "sim/ExhaustSensor.h"

#include <algorithm>
#include <cmath>

namespace corvane::sim {

ExhaustSensor::ExhaustSensor(Behaviour behaviour)
    : m_behaviour(behaviour), m_warmth(behaviour.coldStart ? 0.0 : 1.0) {
  m_behaviour.delaySeconds = std::max(0.0, m_behaviour.delaySeconds);
  m_behaviour.responseSeconds = std::max(0.0, m_behaviour.responseSeconds);
}

double ExhaustSensor::GasAtSensor() const {
  // The gas that left the cylinder one delay ago, interpolated between the two steps around it.
  const double at = m_time - m_behaviour.delaySeconds;
  if (m_pipe.empty()) return m_output;
  if (m_pipe.size() == 1 || at <= m_pipe.front().time) return m_pipe.front().afr;
  const Gas& a = m_pipe[0];
  const Gas& b = m_pipe[1];
  const double span = b.time - a.time;
  const double k = span > 0.0 ? std::clamp((at - a.time) / span, 0.0, 1.0) : 1.0;
  return a.afr + (b.afr - a.afr) * k;
}

void ExhaustSensor::Step(double dt, double cylinderAfr, bool engineRunning) {
  if (!(dt > 0.0)) return;
  if (!m_started) {
    m_started = true;
    m_output = cylinderAfr;
    m_pipe.push_back({m_time, cylinderAfr});
  }
  m_time += dt;
  m_pipe.push_back({m_time, cylinderAfr});
  // Keep one entry at or before the delayed time, so that GasAtSensor can interpolate.
  while (m_pipe.size() > 2 && m_pipe[1].time <= m_time - m_behaviour.delaySeconds) m_pipe.pop_front();

  const double warmthGoal = engineRunning ? 1.0 : 0.0;
  const double warmthLag = engineRunning ? kWarmingSeconds : kCoolingSeconds;
  if (m_behaviour.coldStart) m_warmth += (warmthGoal - m_warmth) * (1.0 - std::exp(-dt / warmthLag));

  const double tau = m_behaviour.responseSeconds * (1.0 + kColdSlowdown * (1.0 - m_warmth));
  const double gas = GasAtSensor();
  m_output = tau > 0.0 ? m_output + (gas - m_output) * (1.0 - std::exp(-dt / tau)) : gas;
}

void ExhaustSensor::Stop(double airAfr) {
  m_pipe.clear();
  m_pipe.push_back({m_time, airAfr});
  m_output = airAfr;
}

double ExhaustSensor::Reading() const { return m_output + kColdLeanAfr * (1.0 - m_warmth); }

}  // namespace corvane::sim
