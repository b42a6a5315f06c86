#include "Plant.h"
#include "core/PictureParser.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <functional>
#include <gtest/gtest.h>
#include <set>

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

TEST(PlantTest, PictureThatDoesNotEncodeIsRefusedNamingFileAndElement) {
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
}

TEST(PlantTest, LinkToAMissingPictureLoadsWithAWarning) {
    QTemporaryDir dir;
    Plant plant;
    ASSERT_EQ(
        LoadWithElements(dir, R"({"comment": "only a note"}, {"type": "link", "x": 1, "y": 2, "picture": 8})",
                         plant),
        QString());
    ASSERT_EQ(plant.warnings.size(), 1);
    EXPECT_TRUE(plant.warnings.first().contains(QStringLiteral("picture 8")));
}

// Walks an element tree, children included.
void Visit(const ElementList& elements, const std::function<void(const cElement&)>& visit) {
    for (const auto& element : elements) {
        visit(*element);
        Visit(element->m_SymbolElements, visit);
        Visit(element->m_DynamicElements, visit);
    }
}

TEST(PlantTest, DemoPlantUsesEveryElementTypeAndEveryVariant) {
    Plant plant;
    QString error;
    ASSERT_TRUE(LoadPlant(DemoPlantFolder(), plant, &error)) << error.toStdString();
    EXPECT_TRUE(plant.warnings.isEmpty());

    std::set<int32_t> types, decimals, setpointKinds, linkedPictures;
    std::set<std::string> variants;
    for (const auto& [number, picture] : plant.pictures) {
        ElementList elements;
        PictureParser(Palette{}, 7, 14).ExtractAllElements(picture.elementData, elements);
        Visit(elements, [&](const cElement& e) {
            types.insert(e.m_ElementType);
            if (e.m_ElementType == ET_DYNVALUE)
                decimals.insert(e.m_Decimals);
            if (e.m_ElementType == ET_PICTURELINK)
                linkedPictures.insert(e.m_NewPicture);
            if (e.m_ElementType == ET_LINE && e.m_Thickness > 1)
                variants.insert("thick line");
            if (e.m_ElementType == ET_LINE && e.m_Dashed)
                variants.insert("dotted line");
            if (e.m_ElementType == ET_BOX)
                variants.insert(e.m_Filled ? "filled box" : "outline box");
            if (e.m_ElementType == ET_SYMBOL && e.m_Option < 8)
                variants.insert("symbol colour override");
            if (e.m_ElementType == ET_CIRCLE) {
                const bool full = std::abs(e.m_EndAngle - e.m_StartAngle) == 360;
                variants.insert(full ? "circle" : (e.m_Option < 8 ? "pie slice" : "arc"));
            }
            if (e.m_ElementType == ET_TEXT &&
                e.m_Text.find_first_of("\xE5\xE4\xF6\xC5\xC4\xD6") != std::string::npos)
                variants.insert("Swedish text");
        });
        for (const DynamicPoint& point : picture.dynamics)
            if (point.setpointKind >= 0)
                setpointKinds.insert(point.setpointKind);
    }
    EXPECT_EQ(types, (std::set<int32_t>{ET_TEXT, ET_SYMBOL, ET_LINE, ET_BOX, ET_CIRCLE, ET_FILL,
                                        ET_PICTURELINK, ET_DYNVALUE, ET_DYNGROUP, ET_EMPTY, ET_SETPOINT}));
    EXPECT_EQ(decimals, (std::set<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(setpointKinds, (std::set<int32_t>{0, 1, 2, 3}));
    EXPECT_EQ(variants, (std::set<std::string>{"thick line", "dotted line", "filled box", "outline box",
                                               "symbol colour override", "circle", "pie slice", "arc",
                                               "Swedish text"}));
    EXPECT_EQ(linkedPictures, (std::set<int32_t>{1, 2, 3, 4}));
}

} // namespace
