#include "Plant.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

using namespace pelorin;
using namespace pelorin::sim;

namespace {

void WriteFile(const QString& path, const QByteArray& text) {
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(text);
}

// A plant of one picture with `elements` is refused naming the file and the element, and why.
TEST(PlantTest, PictureThatDoesNotEncodeIsRefusedNamingFileAndElement) {
    QByteArray manyValues = R"({"type": "value", "x": 1, "y": 2, "address": "A.MV.B"})";
    for (int i = 0; i < 10; ++i)
        manyValues += ',' + manyValues;
    const struct {
        QByteArray elements;
        const char* expected;
    } cases[] = {
        {R"({"type": "text", "x": 1, "y": 1, "text": "a"}, {"type": "spline"})",
         "pictures/7.json: element 2 (spline): unknown element type"},
        {R"({"type": "text", "x": 1, "y": 1, "text": ")" + QByteArray(300, 'x') + "\"}",
         "element 1 (text): text longer than 255 bytes"},
        {manyValues, "element data of"},
        {R"({"type": "text", "x": 1, "y": 1, "text": "π"})", "outside Latin-1"},
        {R"({"type": "line", "fg": 9, "x1": 1, "y1": 1, "x2": 2, "y2": 2})",
         "\"fg\" must be a whole number from 0 to 8"},
        {R"({"type": "fill", "x": 40000, "y": 1})", "\"x\" must be a whole number"},
        {R"({"type": "box", "x1": 1, "y1": 1, "x2": 2, "y2": 2, "filed": true})", "unknown field filed"},
        {R"({"type": "group", "x": 1, "y": 1, "address": "A", "children": [{"position": 16, "type": "empty"}]})",
         "element 1 (group): child 1 (empty): \"position\" must be a whole number from 0 to 15"}};
    for (const auto& c : cases) {
        QTemporaryDir dir;
        WriteFile(dir.filePath(QStringLiteral("plant.json")),
                  R"({"name": "Test", "writableKinds": ["BV"], "units": [], "macros": []})");
        WriteFile(dir.filePath(QStringLiteral("pictures/7.json")),
                  R"({"number": 7, "background": "#C0C0C0", "palette": ["#000000", "#FFFFFF", "#FF0000",
                     "#00FF00", "#0000FF", "#FFFF00", "#606060", "#C0C0C0"], "elements": [)" +
                      c.elements + "]}");
        Plant plant;
        QString error;
        EXPECT_FALSE(LoadPlant(dir.path(), plant, &error));
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.expected))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("7.json"))) << error.toStdString();
    }
}

} // namespace
