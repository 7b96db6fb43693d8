#include "sim/RiderScenario.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "sim/EngineModel.h"
#include "sim/SimRandom.h"
#include "sim/StockTune.h"

namespace corvane::sim {

namespace {

// The motorcycle: road speed per 1000 rpm in each gear, mass with rider, drag, wheel.
constexpr std::array<double, 6> kKmhPer1000Rpm{12.0, 18.0, 24.0, 30.0, 35.0, 40.0};
constexpr double kMassKg = 350.0;
constexpr double kDragArea = 0.36;          // 0.5 x air density x drag area, N per (m/s)^2
constexpr double kRollingN = 51.0;
constexpr double kWheelRadius = 0.32;
constexpr double kDriveEfficiency = 0.9;
constexpr double kPeakTorqueNm = 105.0;
constexpr double kClutchSeconds = 0.3;
constexpr double kPhysicsStep = 0.01;
constexpr double kMaxThrottle = EngineModel::kThrottleMaxDeg;

double Kmh(double metresPerSecond) { return metresPerSecond * 3.6; }
double MetresPerSecond(double kmh) { return kmh / 3.6; }

double RpmIn(int gear, double speed) { return Kmh(speed) * 1000.0 / kKmhPer1000Rpm[static_cast<std::size_t>(gear)]; }

// Engine turns per wheel turn in a gear.
double Ratio(int gear) {
  return 2.0 * 3.14159265358979 / 60.0 * kWheelRadius * 3600.0 / kKmhPer1000Rpm[static_cast<std::size_t>(gear)];
}

// Engine torque at the crank: what the cylinders fill to, less friction and pumping.
double EngineTorque(double rpm, double throttleDeg) {
  const double full = kPeakTorqueNm * (0.75 + 0.25 * std::exp(-std::pow((rpm - 3500.0) / 2000.0, 2.0)));
  const double load = StockTune::LoadFraction(rpm, std::clamp(throttleDeg / kMaxThrottle, 0.0, 1.0));
  return full * load - (5.0 + 2.0 * rpm / 1000.0);
}

// How a rider handles the throttle and the gears in one phase of the ride.
struct Manner {
  double throttle;      // deg the rider opens to when accelerating
  double openRate;      // deg/s
  double closeRate;     // deg/s
  double shiftRpm;      // upshift here
  double brake;         // m/s^2 when slowing with the brakes
};

class Rider {
public:
  Rider(RiderScenario::Style style, std::uint64_t seed) : m_style(style), m_random(seed ^ 0x51DE5EEDULL) {}

  std::vector<EngineTarget> Ride(double duration) {
    std::vector<EngineTarget> track;
    const auto steps = static_cast<std::size_t>(std::ceil(duration / RiderScenario::kStepSeconds)) + 1;
    track.reserve(steps);
    const int perSample = static_cast<int>(std::lround(RiderScenario::kStepSeconds / kPhysicsStep));
    m_state = m_style == RiderScenario::Style::Street ? State::Stopped : State::Accelerate;
    m_stateLeft = m_style == RiderScenario::Style::Street ? m_random.Uniform(4.0, 10.0) : 0.0;
    if (m_style == RiderScenario::Style::Track) {
      // A flying start: already rolling in second gear.
      m_gear = 1;
      m_speed = MetresPerSecond(70.0);
      m_clutchIn = 0.0;
      NewLeg();
    }
    for (std::size_t i = 0; i < steps; ++i) {
      track.push_back(Target());
      for (int k = 0; k < perSample; ++k) Step(kPhysicsStep);
    }
    return track;
  }

private:
  enum class State { Stopped, Accelerate, Cruise, Slow, Corner };

  [[nodiscard]] bool Street() const { return m_style == RiderScenario::Style::Street; }

  // Pulling away: the clutch slips while the engine runs above the road speed's rpm.
  [[nodiscard]] bool Slipping() const { return m_gear == 0 && m_state == State::Accelerate && m_speed < MetresPerSecond(14.0); }
  [[nodiscard]] double SlipRpm() const { return 1300.0 + 20.0 * m_throttle; }

  EngineTarget Target() const {
    if (m_clutchIn > 0.0 && m_state == State::Stopped) return {0.0, m_throttle};
    double rpm = RpmIn(m_gear, m_speed);
    if (Slipping()) rpm = std::max(rpm, SlipRpm());
    if (m_clutchIn > 0.0) rpm = std::max(rpm, RiderScenario::kIdleRpm + 150.0);   // shifting: the engine falls to the new gear
    if (rpm < RiderScenario::kIdleRpm + 100.0) return {0.0, m_throttle};          // clutch slipping at walking pace
    return {std::min(rpm, RiderScenario::kRevLimitRpm), m_throttle};
  }

  Manner PickManner() {
    if (!Street()) {
      return {kMaxThrottle, m_random.Uniform(250.0, 450.0), m_random.Uniform(300.0, 500.0),
              m_random.Uniform(5750.0, 5950.0), m_random.Uniform(6.0, 8.5)};
    }
    const double roll = m_random.Uniform();
    if (roll < 0.55)   // gentle
      return {m_random.Uniform(8.0, 25.0), m_random.Uniform(20.0, 60.0), m_random.Uniform(60.0, 150.0),
              m_random.Uniform(2800.0, 3600.0), m_random.Uniform(1.0, 2.5)};
    if (roll < 0.88)   // brisk
      return {m_random.Uniform(25.0, 60.0), m_random.Uniform(60.0, 160.0), m_random.Uniform(120.0, 250.0),
              m_random.Uniform(4000.0, 5200.0), m_random.Uniform(2.5, 4.5)};
    return {kMaxThrottle, m_random.Uniform(200.0, 400.0), m_random.Uniform(200.0, 350.0),   // hard
            m_random.Uniform(5600.0, 5950.0), m_random.Uniform(4.0, 7.0)};
  }

  // The next thing the rider does once a phase ends.
  void NewLeg() {
    m_manner = PickManner();
    if (Street()) {
      const double roll = m_random.Uniform();
      if (m_state == State::Stopped || roll < 0.45) {
        m_targetSpeed = MetresPerSecond(m_random.Uniform(35.0, 115.0));
        m_state = m_targetSpeed > m_speed ? State::Accelerate : State::Slow;
      } else if (roll < 0.7) {
        m_targetSpeed = 0.0;   // a light or a junction ahead
        m_state = State::Slow;
      } else {
        m_targetSpeed = MetresPerSecond(std::clamp(Kmh(m_speed) + m_random.Uniform(-40.0, 40.0), 30.0, 120.0));
        m_state = m_targetSpeed > m_speed ? State::Accelerate : State::Slow;
      }
      m_stateLeft = 40.0;   // a rider who gets nowhere gives up and rides on at the speed he has
      m_sluggish = 0.0;
    } else {
      // A straight, then a corner.
      m_targetSpeed = MetresPerSecond(m_random.Uniform(60.0, 130.0));
      m_state = State::Accelerate;
      m_stateLeft = m_random.Uniform(4.0, 11.0);
    }
  }

  void Shift(int gear) {
    if (gear == m_gear || gear < 0 || gear >= static_cast<int>(kKmhPer1000Rpm.size())) return;
    m_gear = gear;
    m_clutchIn = kClutchSeconds * m_random.Uniform(0.8, 1.3);
    m_throttleBeforeShift = m_throttle;
  }

  // The highest gear that keeps the engine above `rpm` at the present speed (first at least).
  int GearFor(double rpm) const {
    for (int g = static_cast<int>(kKmhPer1000Rpm.size()) - 1; g > 0; --g)
      if (RpmIn(g, m_speed) >= rpm) return g;
    return 0;
  }

  void MoveThrottle(double dt, double wanted) {
    wanted = std::clamp(wanted, 0.0, kMaxThrottle);
    const double rate = wanted > m_throttle ? m_manner.openRate : m_manner.closeRate;
    m_throttle += std::clamp(wanted - m_throttle, -rate * dt, rate * dt);
  }

  void Step(double dt) {
    double brake = 0.0;
    double wanted = m_throttle;
    m_stateLeft -= dt;
    if (m_clutchIn > 0.0) {
      m_clutchIn -= dt;
      // Throttle shut while the clutch is out, opened again as it comes in.
      MoveThrottle(dt, m_state == State::Stopped ? 0.0 : (m_clutchIn > 0.0 ? 0.0 : m_throttleBeforeShift));
      Drive(dt, false, 0.0);
      return;
    }
    const double rpm = RpmIn(m_gear, m_speed);
    switch (m_state) {
      case State::Stopped:
        wanted = 0.0;
        if (m_stateLeft <= 0.0) {
          m_gear = 0;
          NewLeg();
        }
        break;
      case State::Accelerate:
        wanted = m_manner.throttle;
        if (rpm >= m_manner.shiftRpm && m_gear + 1 < static_cast<int>(kKmhPer1000Rpm.size())) {
          Shift(m_gear + 1);
        } else if (rpm < std::min(1800.0 + m_manner.throttle * 20.0, 3200.0) && m_gear > 0) {
          Shift(m_gear - 1);   // lugging, or a roll-on that wants revs: go down a gear
        }
        // Getting nowhere: more throttle.
        m_sluggish = m_speed - m_lastSpeed < 0.3 * dt ? m_sluggish + dt : 0.0;
        if (m_sluggish > 2.0) {
          m_manner.throttle = std::min(kMaxThrottle, m_manner.throttle * 1.4 + 4.0);
          m_sluggish = 0.0;
        }
        if (Street() ? m_speed >= m_targetSpeed || m_stateLeft <= 0.0 : m_stateLeft <= 0.0) {
          if (Street()) {
            m_targetSpeed = std::min(m_targetSpeed, m_speed);
            m_state = State::Cruise;
            m_stateLeft = m_random.Uniform(6.0, 35.0);
            m_cruiseGear = GearFor(m_random.Uniform(2300.0, 3300.0));
          } else {
            m_state = State::Slow;
            m_targetSpeed = MetresPerSecond(m_random.Uniform(60.0, 120.0));
          }
        }
        break;
      case State::Cruise:
      case State::Corner: {
        if (m_gear < m_cruiseGear) Shift(m_gear + 1);
        else if (m_gear > m_cruiseGear) Shift(m_gear - 1);
        // A rider holds a speed by feel: the throttle follows the speed error, with a slow wander.
        m_wander += (m_random.Uniform(-1.0, 1.0) * 2.0 - m_wander * 0.3) * dt;
        const double error = m_targetSpeed + m_wander - m_speed;
        m_hold = std::clamp(m_hold + error * 1.2 * dt, 0.0, 40.0);
        wanted = m_hold + error * 3.0;
        if (m_stateLeft <= 0.0) {
          if (m_state == State::Corner) {
            m_manner = PickManner();
            m_state = State::Accelerate;
            m_stateLeft = m_random.Uniform(4.0, 11.0);
          } else {
            NewLeg();
          }
        }
        break;
      }
      case State::Slow: {
        wanted = 0.0;
        const double over = m_speed - m_targetSpeed;
        if (over > MetresPerSecond(8.0)) brake = m_manner.brake;
        if (rpm < (Street() ? 2000.0 : 3800.0) && m_gear > 0) Shift(m_gear - 1);
        if (m_targetSpeed <= 0.0 && m_speed < MetresPerSecond(12.0)) {
          brake = 2.0;
          if (m_speed < MetresPerSecond(3.0)) {
            m_speed = 0.0;
            m_state = State::Stopped;
            m_clutchIn = 1e9;   // held in at the light
            m_stateLeft = m_random.Uniform(5.0, 25.0);
            MoveThrottle(dt, 0.0);
            return;
          }
        } else if (m_targetSpeed > 0.0 && over <= 0.0) {
          m_state = Street() ? State::Cruise : State::Corner;
          m_stateLeft = Street() ? m_random.Uniform(6.0, 30.0) : m_random.Uniform(2.0, 6.0);
          m_cruiseGear = Street() ? GearFor(m_random.Uniform(2300.0, 3300.0)) : GearFor(3800.0);
          m_hold = Street() ? 6.0 : 15.0;
          m_manner.openRate = Street() ? m_random.Uniform(20.0, 60.0) : m_random.Uniform(60.0, 150.0);
        }
        break;
      }
    }
    MoveThrottle(dt, wanted);
    m_lastSpeed = m_speed;
    Drive(dt, true, brake);
  }

  void Drive(double dt, bool engaged, double brake) {
    if (m_state == State::Stopped && m_clutchIn > 0.0) {
      if (m_stateLeft <= 0.0) m_clutchIn = 0.0;   // the light turns green
      return;
    }
    double force = -(kDragArea * m_speed * m_speed + (m_speed > 0.0 ? kRollingN : 0.0)) - brake * kMassKg;
    if (engaged) {
      double rpm = std::max(RpmIn(m_gear, m_speed), RiderScenario::kIdleRpm);
      if (Slipping()) rpm = std::max(rpm, SlipRpm());
      // At the rev limit the module cuts the sparks: only friction is left.
      const double torque = rpm >= RiderScenario::kRevLimitRpm ? EngineTorque(rpm, 0.0) : EngineTorque(rpm, m_throttle);
      force += torque * Ratio(m_gear) * kDriveEfficiency / kWheelRadius;
    }
    m_speed = std::max(0.0, m_speed + force / kMassKg * dt);
  }

  RiderScenario::Style m_style;
  SimRandom m_random;
  State m_state = State::Stopped;
  Manner m_manner{};
  double m_stateLeft = 0.0;
  double m_speed = 0.0;           // m/s
  double m_targetSpeed = 0.0;
  double m_throttle = 0.0;        // deg
  double m_throttleBeforeShift = 0.0;
  double m_clutchIn = 1e9;        // seconds left with the clutch out (held at a stop)
  double m_hold = 6.0;            // throttle that holds the cruising speed, learnt as it goes
  double m_wander = 0.0;
  double m_lastSpeed = 0.0;
  double m_sluggish = 0.0;        // seconds an acceleration has got nowhere
  int m_gear = 0;
  int m_cruiseGear = 0;
};

}  // namespace

RiderScenario::RiderScenario(double duration, std::uint64_t seed, Style style)
    : m_duration(duration > 0.0 ? duration : 600.0), m_style(style) {
  m_track = Rider(style, seed).Ride(m_duration);
}

EngineTarget RiderScenario::TargetAt(double seconds) const {
  if (seconds >= m_duration || m_track.empty()) return {};
  const double position = std::max(0.0, seconds) / kStepSeconds;
  const auto lower = std::min(static_cast<std::size_t>(position), m_track.size() - 1);
  const auto upper = std::min(lower + 1, m_track.size() - 1);
  const double k = position - static_cast<double>(lower);
  const EngineTarget& a = m_track[lower];
  const EngineTarget& b = m_track[upper];
  // Idle (rpm 0) is not a speed to blend with: hold whichever end is nearer.
  if (a.rpm <= 0.0 || b.rpm <= 0.0) return k < 0.5 ? a : b;
  return {a.rpm + (b.rpm - a.rpm) * k, a.throttleDeg + (b.throttleDeg - a.throttleDeg) * k};
}

}  // namespace corvane::sim
