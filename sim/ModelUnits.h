#pragma once

#include "Plant.h"
#include "ProcessModel.h"

#include <QString>
#include <memory>
#include <string>

namespace pelorin::sim {

// The units a plant can be built from, by type name: "outdoor", "airHandlingUnit",
// "heatingCircuit", "pumpGroup". `name` prefixes every address of the unit ("VS01" gives
// "VS01.MV.GT11"). Nothing for an unknown type.
std::unique_ptr<ModelUnit> MakeModelUnit(const QString& type, const std::string& name);

// The model of a plant: its units, then a plain signal for every address its pictures show that no
// unit provides, so that any plant serves values and takes writes (where its writable kinds allow).
// Nothing, with a message, when the plant names an unknown unit type.
std::unique_ptr<ProcessModel> BuildModel(const Plant& plant, unsigned seed, double startHour, QString* error);

} // namespace pelorin::sim
