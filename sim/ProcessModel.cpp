#include "ProcessModel.h"

#include "core/ClientProcs.h"

#include <algorithm>
#include <cmath>

namespace pelorin::sim {

namespace {

// A long pause (a suspended machine, a debugger) is not caught up beyond one simulated day.
constexpr double kMaxCatchUpSeconds = 24 * 3600;
constexpr double kOutdoorFallback = 5.0;

double Limited(const Signal& signal, double value) {
    const double clamped = std::clamp(value, signal.min, signal.max);
    return signal.integral ? RoundHalfEven(clamped) : clamped;
}

} // namespace

ProcessModel::ProcessModel(unsigned seed, double startHour) : m_Random(seed), m_StartHour(startHour) {}

ProcessModel::~ProcessModel() = default;

void ProcessModel::addUnit(std::unique_ptr<ModelUnit> unit) {
    unit->define(*this);
    m_Units.push_back(std::move(unit));
}

Signal& ProcessModel::define(const std::string& address, const Signal& initial) {
    return m_Signals.try_emplace(address, initial).first->second;
}

const Signal* ProcessModel::find(const std::string& address) const {
    const auto it = m_Signals.find(address);
    return it == m_Signals.end() ? nullptr : &it->second;
}

bool ProcessModel::write(const std::string& address, double value) {
    const auto it = m_Signals.find(address);
    if (it == m_Signals.end() || !it->second.writable)
        return false;
    it->second.value = Limited(it->second, value);
    return true;
}

bool ProcessModel::force(const std::string& address, double value) {
    const auto it = m_Signals.find(address);
    if (it == m_Signals.end())
        return false;
    it->second.value = value;
    return true;
}

void ProcessModel::advance(double seconds) {
    if (m_Frozen || !(seconds > 0))
        return;
    m_Pending = std::min(m_Pending + seconds, kMaxCatchUpSeconds);
    while (m_Pending >= kStepSeconds) {
        step();
        m_Pending -= kStepSeconds;
    }
}

void ProcessModel::step() {
    m_Elapsed += kStepSeconds;
    for (const auto& unit : m_Units)
        unit->step(*this, kStepSeconds);
}

double ProcessModel::hourOfDay() const {
    return std::fmod(m_StartHour + m_Elapsed / 3600.0, 24.0);
}

double ProcessModel::outdoorTemperature() const {
    return m_Outdoor ? m_Outdoor->value : kOutdoorFallback;
}

double ProcessModel::noise(double deviation) {
    return std::normal_distribution<double>(0.0, deviation)(m_Random);
}

} // namespace pelorin::sim
