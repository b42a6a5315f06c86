#pragma once

#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

namespace pelorin::sim {

// One process value. Writes are clamped into [min, max] and rounded when the signal is integral.
struct Signal {
    double value = 0;
    double min = -1e6;
    double max = 1e6;
    bool writable = false;
    bool integral = false;
};

class ProcessModel;

// A part of the plant (an air handling unit, a heating circuit...) that owns some signals and
// moves them as time passes.
class ModelUnit {
public:
    virtual ~ModelUnit() = default;
    virtual void define(ProcessModel& model) = 0;
    virtual void step(ProcessModel& model, double seconds) = 0;
};

// The plant's signals by address and the units that move them. Time advances in fixed one-second
// steps, so a run depends only on the seed and the total time, never on how time was handed out.
class ProcessModel {
public:
    static constexpr double kStepSeconds = 1.0;

    ProcessModel(unsigned seed, double startHour);
    ~ProcessModel();

    void addUnit(std::unique_ptr<ModelUnit> unit);

    // The signal at `address`, created with `initial` when it does not exist yet. References stay
    // valid for the model's life.
    Signal& define(const std::string& address, const Signal& initial);
    const Signal* find(const std::string& address) const;
    const std::map<std::string, Signal>& allSignals() const { return m_Signals; }

    // An operator's write: false when the signal is unknown or not writable.
    bool write(const std::string& address, double value);
    // Sets any known signal, limits ignored (tests and the units themselves).
    bool force(const std::string& address, double value);

    // Advances simulated time; nothing moves while frozen.
    void advance(double seconds);
    void setFrozen(bool frozen) { m_Frozen = frozen; }
    bool frozen() const { return m_Frozen; }

    double hourOfDay() const;
    // The outdoor temperature the units compensate for; the first outdoor unit provides it.
    double outdoorTemperature() const;
    void setOutdoorSignal(const Signal* signal) { m_Outdoor = signal; }

    // Gaussian noise for measured values, from the seeded generator.
    double noise(double deviation);

private:
    void step();

    std::map<std::string, Signal> m_Signals;
    std::vector<std::unique_ptr<ModelUnit>> m_Units;
    std::mt19937 m_Random;
    const Signal* m_Outdoor = nullptr;
    double m_StartHour;
    double m_Elapsed = 0;
    double m_Pending = 0;
    bool m_Frozen = false;
};

} // namespace pelorin::sim
