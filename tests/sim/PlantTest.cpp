#include "Plant.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelorin;
using namespace pelorin::sim;

namespace {

const char* kPlantJson = R"({"name": "Test", "writableKinds": ["BV"], "units": [], "macros": []})";
const char* kPictureHead = R"("background": "#C0C0C0", "palette": ["#000000", "#FFFFFF", "#FF0000", "#00FF00",
                              "#0000FF", "#FFFF00", "#606060", "#C0C0C0"])";

void WriteFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// Loads a plant of one picture with the given elements into `plant`; returns the error (empty when loaded).
QString LoadWithElements(const QTemporaryDir& dir, const QByteArray& elements, Plant& plant) {
    WriteFile(dir.filePath(QStringLiteral("plant.json")), kPlantJson);
    WriteFile(dir.filePath(QStringLiteral("pictures/7.json")),
              QByteArray(R"({"number": 7, )") + kPictureHead + R"(, "elements": [)" + elements + "]}");
    QString error;
    return LoadPlant(dir.path(), plant, &error) ? QString() : error;
}

TEST(PlantTest, PictureThatDoesNotEncodeIsRefusedNamingFileAndElementAndAMissingLinkIsAWarning) {
    const QByteArray longText(300, 'x');
    QByteArray manyValues;
    for (int i = 0; i < 1000; ++i)
        manyValues +=
            R"({"type": "value", "x": 1, "y": 2, "address": "A.MV.B)" + QByteArray::number(i) + "\"},";
    manyValues.chop(1);
    const struct {
        QByteArray elements;
        const char* expected;
    } cases[] = {
        {R"({"type": "text", "x": 1, "y": 1, "text": "a"}, {"type": "spline"})",
         "pictures/7.json: element 2 (spline): unknown element type"},
        {R"({"type": "text", "x": 1, "y": 1, "text": ")" + longText + "\"}",
         "element 1 (text): text longer than 255 bytes"},
        {manyValues, "element data of"},
        {R"({"type": "text", "x": 1, "y": 1, "text": "π"})", "outside Latin-1"},
        {R"({"type": "line", "fg": 9, "x1": 1, "y1": 1, "x2": 2, "y2": 2})",
         "\"fg\" must be a whole number from 0 to 8"},
        {R"({"type": "fill", "x": 40000, "y": 1})", "\"x\" must be a whole number"},
        {R"({"type": "box", "x1": 1, "y1": 1, "x2": 2, "y2": 2, "filed": true})", "unknown field filed"},
        {R"({"type": "symbol", "elements": [{"type": "value", "x": 1, "y": 1, "address": "A"}]})",
         "element 1 (symbol): element 1 (value): dynamic elements belong at the top level"},
        {R"({"type": "group", "x": 1, "y": 1, "address": "A", "children": [{"position": 16, "type": "empty"}]})",
         "element 1 (group): child 1 (empty): \"position\" must be a whole number from 0 to 15"},
        {R"({"type": "setpoint", "address": "S", "kind": 0, "descriptions": ["", "", "", ""]})",
         "a kind 0 setpoint needs at least one description"}};
    for (const auto& c : cases) {
        QTemporaryDir dir;
        Plant plant;
        const QString error = LoadWithElements(dir, c.elements, plant);
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.expected))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("7.json"))) << error.toStdString();
    }

    // A link to a missing picture is no reason to refuse: a warning names it.
    QTemporaryDir dir;
    Plant plant;
    ASSERT_EQ(
        LoadWithElements(dir, R"({"comment": "only a note"}, {"type": "link", "x": 1, "y": 2, "picture": 8})",
                         plant),
        QString());
    ASSERT_EQ(plant.warnings.size(), 1);
    EXPECT_TRUE(plant.warnings.first().contains(QStringLiteral("picture 8")));
}

} // namespace
