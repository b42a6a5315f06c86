#pragma once

#include <QJsonArray>
#include <QJsonValue>
#include <QString>
#include <cstdint>
#include <string>
#include <vector>

// The readable picture format: a JSON array of elements, encoded to the binary element data by
// the project's picture writer. A picture that does not encode is refused with a message naming
// the element.
namespace pelorin::sim {

struct PlantError {
    QString message;
};

// A dynamic number of a picture, in the order the client numbers them.
struct DynamicPoint {
    std::string address;
    // The kind a setpoint block reports first (0..3); -1 for values and groups.
    int setpointKind = -1;
};

struct EncodedElements {
    std::string data;
    std::vector<DynamicPoint> dynamics;
    std::vector<int> links;
};

// Throws PlantError naming the element ("element 4 (symbol), element 2 (text): ...").
EncodedElements EncodeElements(const QJsonArray& elements);

// A colour as "#RRGGBB" or as a number in the wire's layout &H00BBGGRR (negative: a system
// colour). Throws PlantError.
int32_t ReadColour(const QJsonValue& value, const QString& what);

} // namespace pelorin::sim
