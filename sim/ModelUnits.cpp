#include "ModelUnits.h"

#include "core/ClientProcs.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <numbers>

// Addresses follow <system>.<kind>.<point>: MV measured, BER computed, IND indication (read
// only); BV setpoint and DR operation command (writable). Setpoint blocks are <system>.<block>
// with the parameters <block>.PAR1 ... PAR4.
namespace pelorin::sim {

namespace {

// First-order lag: `value` moves towards `target` with time constant `tau` seconds.
double Lag(double value, double target, double tau, double seconds) {
    return value + (target - value) * (1.0 - std::exp(-seconds / tau));
}

double ClampOrdered(double value, double a, double b) {
    return std::clamp(value, std::min(a, b), std::max(a, b));
}

Signal Measured(double value, double min, double max) {
    return {value, min, max, false, false};
}
Signal Setting(double value, double min, double max) {
    return {value, min, max, true, false};
}
Signal Command(double value, double max) {
    return {value, 0, max, true, true};
}
Signal State(double value) {
    return {value, 0, 15, false, true};
}

struct Block {
    std::array<Signal*, 4> par{};
    double operator[](int i) const { return par[static_cast<size_t>(i)]->value; }
};

Block DefineBlock(ProcessModel& model, const std::string& address, const std::array<Signal, 4>& params) {
    Block block;
    for (size_t i = 0; i < params.size(); ++i)
        block.par[i] = &model.define(address + ".PAR" + std::to_string(i + 1), params[i]);
    return block;
}

// A heating curve block: PAR1 the computed setpoint (reported, never written), PAR2 the setpoint
// at 0 °C, PAR3 the slope, PAR4 the bend (coefficient of T²).
Block DefineCurve(ProcessModel& model, const std::string& address, double at0, double slope, double bend) {
    return DefineBlock(
        model, address,
        {Measured(0, -1000, 1000), Setting(at0, -1000, 1000), Setting(slope, -3, 3), Setting(bend, -1, 1)});
}

double CurveValue(const Block& curve, double outdoor) {
    return outdoor * outdoor * curve[3] + curve[2] * outdoor + curve[1];
}

// Outdoor temperature over a day (coldest before dawn, warmest mid-afternoon) with slowly
// wandering weather, and the clock as hours.minutes.
class Outdoor : public ModelUnit {
public:
    explicit Outdoor(std::string name) : m_Name(std::move(name)) {}

    void define(ProcessModel& model) override {
        m_Temperature = &model.define(m_Name + ".MV.GT41", Measured(0, -60, 60));
        m_Clock = &model.define(m_Name + ".MV.TID", Measured(0, 0, 24));
        model.setOutdoorSignal(m_Temperature);
        update(model);
    }

    void step(ProcessModel& model, double seconds) override {
        m_Weather = Lag(m_Weather, 0, 6 * 3600, seconds) + model.noise(0.01) * std::sqrt(seconds);
        update(model);
    }

private:
    void update(const ProcessModel& model) {
        const double hour = model.hourOfDay();
        m_Temperature->value =
            kMean + kAmplitude * std::cos(2 * std::numbers::pi * (hour - 15) / 24) + m_Weather;
        const double whole = std::floor(hour);
        m_Clock->value = whole + std::floor((hour - whole) * 60) / 100;
    }

    static constexpr double kMean = -1.0;
    static constexpr double kAmplitude = 4.0;
    std::string m_Name;
    Signal* m_Temperature = nullptr;
    Signal* m_Clock = nullptr;
    double m_Weather = 0;
};

// Supply and exhaust fans with a start-up delay, a heating coil and cascade control: the supply
// air setpoint is computed from the exhaust temperature's deviation beyond a dead zone, limited
// to a minimum and maximum (a "standard" setpoint block).
class AirHandlingUnit : public ModelUnit {
public:
    explicit AirHandlingUnit(std::string name) : m_Name(std::move(name)) {}

    void define(ProcessModel& model) override {
        const std::string& n = m_Name;
        m_Control =
            DefineBlock(model, n + ".REG",
                        {Setting(21, 10, 30), Setting(1, 0, 5), Setting(16, 10, 25), Setting(28, 16, 40)});
        m_SupplyFanCommand = &model.define(n + ".DR.TF1", Command(1, 1));
        m_ExhaustFanCommand = &model.define(n + ".DR.FF1", Command(1, 1));
        m_SupplyFanState = &model.define(n + ".IND.TF1", State(1));
        m_ExhaustFanState = &model.define(n + ".IND.FF1", State(1));
        m_SupplyTemp = &model.define(n + ".MV.GT11", Measured(19.5, -50, 80));
        m_ExhaustTemp = &model.define(n + ".MV.GT31", Measured(21.4, -50, 80));
        m_SupplySetpoint = &model.define(n + ".BER.GT11", Measured(19.8, -50, 80));
        m_Valve = &model.define(n + ".MV.SV21", Measured(35, 0, 100));
        m_Flow = &model.define(n + ".MV.GF11", Measured(1.25, 0, 10));
        m_FlowSetpoint = &model.define(n + ".BV.GF11", Setting(1.25, 0, 3));
        m_SupplyTrue = m_SupplyTemp->value;
        m_ExhaustTrue = m_ExhaustTemp->value;
    }

    void step(ProcessModel& model, double seconds) override {
        const bool supplyRuns = runFan(*m_SupplyFanCommand, *m_SupplyFanState, m_SupplyStarted, seconds);
        const bool exhaustRuns = runFan(*m_ExhaustFanCommand, *m_ExhaustFanState, m_ExhaustStarted, seconds);
        const double outdoor = model.outdoorTemperature();

        m_SupplySetpoint->value = computedSupplySetpoint();
        const double setpoint = m_SupplySetpoint->value;
        m_SupplyTrue =
            supplyRuns ? Lag(m_SupplyTrue, setpoint, 60, seconds) : Lag(m_SupplyTrue, 18, 900, seconds);
        m_ExhaustTrue = exhaustRuns ? Lag(m_ExhaustTrue, m_SupplyTrue + 1.5, 900, seconds)
                                    : Lag(m_ExhaustTrue, 19, 3600, seconds);
        m_SupplyTemp->value = m_SupplyTrue + model.noise(0.03);
        m_ExhaustTemp->value = m_ExhaustTrue + model.noise(0.03);
        m_Valve->value =
            supplyRuns ? std::clamp(2.0 * (setpoint - outdoor) + 10.0 * (setpoint - m_SupplyTrue), 0.0, 100.0)
                       : 0.0;
        const double flow = supplyRuns ? m_FlowSetpoint->value : 0.0;
        m_FlowTrue = Lag(m_FlowTrue, flow, 15, seconds);
        m_Flow->value = std::max(0.0, m_FlowTrue + (supplyRuns ? model.noise(0.004) : 0.0));
    }

private:
    double computedSupplySetpoint() const {
        const double error = m_Control[0] - m_ExhaustTrue;
        const double halfZone = m_Control[1] / 2;
        const double beyond = std::abs(error) <= halfZone ? 0.0 : error - std::copysign(halfZone, error);
        return ClampOrdered(m_Control[0] + 3.0 * beyond, m_Control[2], m_Control[3]);
    }

    // 0 stopped, 1 running, 2 starting (the fan needs its start-up time before it runs).
    static bool runFan(const Signal& command, Signal& state, double& started, double seconds) {
        if (command.value < 1) {
            state.value = 0;
            started = 0;
        } else if (state.value != 1) {
            started += seconds;
            state.value = started >= kStartSeconds ? 1 : 2;
        }
        return state.value == 1;
    }

    static constexpr double kStartSeconds = 20;
    std::string m_Name;
    Block m_Control;
    Signal* m_SupplyFanCommand = nullptr;
    Signal* m_ExhaustFanCommand = nullptr;
    Signal* m_SupplyFanState = nullptr;
    Signal* m_ExhaustFanState = nullptr;
    Signal* m_SupplyTemp = nullptr;
    Signal* m_ExhaustTemp = nullptr;
    Signal* m_SupplySetpoint = nullptr;
    Signal* m_Valve = nullptr;
    Signal* m_Flow = nullptr;
    Signal* m_FlowSetpoint = nullptr;
    double m_SupplyTrue = 0;
    double m_ExhaustTrue = 0;
    double m_FlowTrue = 1.25;
    double m_SupplyStarted = 0;
    double m_ExhaustStarted = 0;
};

// A radiator circuit: day and night heating curves compute the supply water setpoint from the
// outdoor temperature; the supply temperature follows it while the pump runs. The pump stops
// when it is warm outside (with a hysteresis) and always runs when frost threatens.
class HeatingCircuit : public ModelUnit {
public:
    explicit HeatingCircuit(std::string name) : m_Name(std::move(name)) {}

    void define(ProcessModel& model) override {
        const std::string& n = m_Name;
        m_Day = DefineCurve(model, n + ".DAG", 42, -0.9, 0.004);
        m_Night = DefineCurve(model, n + ".NATT", 37, -0.8, 0.004);
        m_PumpStop =
            DefineBlock(model, n + ".PUMPSTOPP",
                        {Setting(17, -30, 40), Setting(2, 0, 10), Setting(3, -30, 10), Measured(0, 0, 0)});
        m_PumpCommand = &model.define(n + ".DR.P1", Command(1, 1));
        m_PumpState = &model.define(n + ".IND.P1", State(1));
        m_NightMode = &model.define(n + ".IND.NATT", State(0));
        m_Supply = &model.define(n + ".MV.GT11", Measured(44, -50, 130));
        m_Return = &model.define(n + ".MV.GT12", Measured(34, -50, 130));
        m_Setpoint = &model.define(n + ".BER.GT11", Measured(44, -1000, 1000));
        m_Valve = &model.define(n + ".MV.SV21", Measured(45, 0, 100));
        m_SupplyTrue = m_Supply->value;
        m_ReturnTrue = m_Return->value;
        updateSetpoints(model);
    }

    void step(ProcessModel& model, double seconds) override {
        updateSetpoints(model);
        const bool runs = pumpRuns(model.outdoorTemperature());
        const double setpoint = m_Setpoint->value;
        m_SupplyTrue =
            runs ? Lag(m_SupplyTrue, setpoint, 120, seconds) : Lag(m_SupplyTrue, 22, 1800, seconds);
        m_ReturnTrue = Lag(m_ReturnTrue, 20 + 0.55 * (m_SupplyTrue - 20), 300, seconds);
        m_Supply->value = m_SupplyTrue + model.noise(0.03);
        m_Return->value = m_ReturnTrue + model.noise(0.03);
        m_Valve->value =
            runs ? std::clamp(1.2 * (setpoint - 20) + 8.0 * (setpoint - m_SupplyTrue), 0.0, 100.0) : 0.0;
    }

private:
    void updateSetpoints(const ProcessModel& model) {
        const double outdoor = model.outdoorTemperature();
        m_Day.par[0]->value = CurveValue(m_Day, outdoor);
        m_Night.par[0]->value = CurveValue(m_Night, outdoor);
        const double hour = model.hourOfDay();
        m_NightMode->value = (hour >= 22 || hour < 6) ? 1 : 0;
        m_Setpoint->value = m_NightMode->value == 1 ? m_Night[0] : m_Day[0];
    }

    // The pump state: 0 stopped by the operator, 1 running, 2 stopped because it is warm outside.
    bool pumpRuns(double outdoor) {
        const double stopAbove = m_PumpStop[0];
        if (outdoor > stopAbove)
            m_SummerStop = true;
        else if (outdoor < stopAbove - m_PumpStop[1])
            m_SummerStop = false;
        const bool frost = outdoor < m_PumpStop[2];
        const bool commanded = m_PumpCommand->value >= 1;
        const bool runs = frost || (commanded && !m_SummerStop);
        m_PumpState->value = runs ? 1 : (commanded ? 2 : 0);
        return runs;
    }

    std::string m_Name;
    Block m_Day;
    Block m_Night;
    Block m_PumpStop;
    Signal* m_PumpCommand = nullptr;
    Signal* m_PumpState = nullptr;
    Signal* m_NightMode = nullptr;
    Signal* m_Supply = nullptr;
    Signal* m_Return = nullptr;
    Signal* m_Setpoint = nullptr;
    Signal* m_Valve = nullptr;
    double m_SupplyTrue = 0;
    double m_ReturnTrue = 0;
    bool m_SummerStop = false;
};

// Two pumps on one differential pressure: the lead pump alternates every hour among the pumps
// set to auto; the other waits in standby.
class PumpGroup : public ModelUnit {
public:
    explicit PumpGroup(std::string name) : m_Name(std::move(name)) {}

    void define(ProcessModel& model) override {
        const std::string& n = m_Name;
        for (size_t i = 0; i < kPumps; ++i) {
            const std::string pump = "P" + std::to_string(i + 1);
            m_Commands[i] = &model.define(n + ".DR." + pump, Command(1, 1));
            m_States[i] = &model.define(n + ".IND." + pump, State(i == 0 ? 1 : 2));
        }
        m_Pressure = &model.define(n + ".MV.GP1", Measured(45, 0, 300));
        m_PressureSetpoint = &model.define(n + ".BV.GP1", Setting(45, 0, 150));
        m_Speed = &model.define(n + ".MV.SC1", Measured(54, 0, 100));
        m_Flow = &model.define(n + ".MV.GF1", Measured(4.3, 0, 100));
        m_PressureTrue = m_Pressure->value;
    }

    void step(ProcessModel& model, double seconds) override {
        m_SinceChange += seconds;
        if (m_SinceChange >= kLeadChangeSeconds) {
            m_SinceChange = 0;
            m_Lead = (m_Lead + 1) % kPumps;
        }
        const int running = runningPump();
        for (size_t i = 0; i < kPumps; ++i)
            m_States[i]->value = static_cast<int>(i) == running ? 1 : (m_Commands[i]->value >= 1 ? 2 : 0);
        const bool runs = running >= 0;
        m_PressureTrue = Lag(m_PressureTrue, runs ? m_PressureSetpoint->value : 0.0, runs ? 20 : 8, seconds);
        m_Pressure->value = std::max(0.0, m_PressureTrue + (runs ? model.noise(0.1) : 0.0));
        m_Speed->value = runs ? std::clamp(20 + 0.75 * m_PressureTrue, 0.0, 100.0) : 0.0;
        m_Flow->value = m_Speed->value * 0.08;
    }

private:
    int runningPump() const {
        for (size_t k = 0; k < kPumps; ++k) {
            const size_t i = (m_Lead + k) % kPumps;
            if (m_Commands[i]->value >= 1)
                return static_cast<int>(i);
        }
        return -1;
    }

    static constexpr size_t kPumps = 2;
    static constexpr double kLeadChangeSeconds = 3600;
    std::string m_Name;
    std::array<Signal*, kPumps> m_Commands{};
    std::array<Signal*, kPumps> m_States{};
    Signal* m_Pressure = nullptr;
    Signal* m_PressureSetpoint = nullptr;
    Signal* m_Speed = nullptr;
    Signal* m_Flow = nullptr;
    double m_PressureTrue = 0;
    double m_SinceChange = 0;
    size_t m_Lead = 0;
};

} // namespace

std::unique_ptr<ModelUnit> MakeModelUnit(const QString& type, const std::string& name) {
    if (type == QLatin1String("outdoor"))
        return std::make_unique<Outdoor>(name);
    if (type == QLatin1String("airHandlingUnit"))
        return std::make_unique<AirHandlingUnit>(name);
    if (type == QLatin1String("heatingCircuit"))
        return std::make_unique<HeatingCircuit>(name);
    if (type == QLatin1String("pumpGroup"))
        return std::make_unique<PumpGroup>(name);
    return nullptr;
}

std::unique_ptr<ProcessModel> BuildModel(const Plant& plant, unsigned seed, double startHour,
                                         QString* error) {
    auto model = std::make_unique<ProcessModel>(seed, startHour);
    for (const UnitDescription& unit : plant.units) {
        auto made = MakeModelUnit(unit.type, unit.name);
        if (!made) {
            *error = QStringLiteral("plant.json: unknown unit type \"%1\"").arg(unit.type);
            return nullptr;
        }
        model->addUnit(std::move(made));
    }
    for (const auto& [number, picture] : plant.pictures)
        for (const DynamicPoint& point : picture.dynamics)
            if (point.setpointKind < 0) {
                const std::string kind = "," + GetField(point.address, 1, ".") + ",";
                model->define(
                    point.address,
                    Signal{0, -1e6, 1e6, plant.writableList.find(kind) != std::string::npos, false});
            }
    for (const auto& [address, kind] : plant.setpointKinds)
        for (int i = 1; i <= 4; ++i) {
            // A curve's first parameter is what the controller computes.
            const bool writable = !(i == 1 && kind >= 2);
            model->define(address + ".PAR" + std::to_string(i), Signal{0, -1e6, 1e6, writable, false});
        }
    return model;
}

} // namespace pelorin::sim
