#include "Plant.h"
#include "picture/PictureParser.h"

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

// A plant of one picture with the given elements; returns the load error (empty when it loaded).
QString LoadWithElements(const QTemporaryDir& dir, const QByteArray& elements) {
    WriteFile(dir.filePath(QStringLiteral("plant.json")), kPlantJson);
    WriteFile(dir.filePath(QStringLiteral("pictures/7.json")),
              QByteArray(R"({"number": 7, )") + kPictureHead + R"(, "elements": [)" + elements + "]}");
    Plant plant;
    QString error;
    return LoadPlant(dir.path(), plant, &error) ? QString() : error;
}

struct RefusedCase {
    const char* name;
    QByteArray elements;
    const char* expected;
};

TEST(PlantTest, PictureThatDoesNotEncodeIsRefusedNamingFileAndElement) {
    const QByteArray longText(300, 'x');
    QByteArray manyValues;
    for (int i = 0; i < 1000; ++i)
        manyValues +=
            R"({"type": "value", "x": 1, "y": 2, "address": "A.MV.B)" + QByteArray::number(i) + "\"},";
    manyValues.chop(1);
    const RefusedCase cases[] = {
        {"unknown type", R"({"type": "text", "x": 1, "y": 1, "text": "a"}, {"type": "spline"})",
         "pictures/7.json: element 2 (spline): unknown element type"},
        {"text too long", R"({"type": "text", "x": 1, "y": 1, "text": ")" + longText + "\"}",
         "element 1 (text): text longer than 255 bytes"},
        {"data over the limit", manyValues, "element data of"},
        {"not Latin-1", R"({"type": "text", "x": 1, "y": 1, "text": "π"})", "outside Latin-1"},
        {"colour index", R"({"type": "line", "fg": 9, "x1": 1, "y1": 1, "x2": 2, "y2": 2})",
         "\"fg\" must be a whole number from 0 to 8"},
        {"coordinate range", R"({"type": "fill", "x": 40000, "y": 1})", "\"x\" must be a whole number"},
        {"typo", R"({"type": "box", "x1": 1, "y1": 1, "x2": 2, "y2": 2, "filed": true})",
         "unknown field filed"},
        {"value in a symbol",
         R"({"type": "symbol", "elements": [{"type": "value", "x": 1, "y": 1, "address": "A"}]})",
         "element 1 (symbol): element 1 (value): dynamic elements belong at the top level"},
        {"group child position",
         R"({"type": "group", "x": 1, "y": 1, "address": "A", "children": [{"position": 16, "type": "empty"}]})",
         "element 1 (group): child 1 (empty): \"position\" must be a whole number from 0 to 15"},
        {"kind 0 without descriptions",
         R"({"type": "setpoint", "address": "S", "kind": 0, "descriptions": ["", "", "", ""]})",
         "a kind 0 setpoint needs at least one description"},
    };
    for (const RefusedCase& c : cases) {
        SCOPED_TRACE(c.name);
        QTemporaryDir dir;
        const QString error = LoadWithElements(dir, c.elements);
        EXPECT_TRUE(error.contains(QString::fromUtf8(c.expected))) << error.toStdString();
        EXPECT_TRUE(error.contains(QStringLiteral("7.json"))) << error.toStdString();
    }
}

TEST(PlantTest, SmallPlantLoadsWithItsDynamicNumbersAndLinkWarnings) {
    QTemporaryDir dir;
    EXPECT_EQ(LoadWithElements(dir, R"({"comment": "only a note"},
        {"type": "value", "x": 1, "y": 2, "decimals": 2, "address": "A.BV.X"},
        {"type": "link", "x": 1, "y": 2, "picture": 8},
        {"type": "setpoint", "address": "S", "kind": 2, "descriptions": ["", "", "", ""]})"),
              QString());
    Plant plant;
    QString error;
    ASSERT_TRUE(LoadPlant(dir.path(), plant, &error));
    const ServedPicture* picture = plant.picture(7);
    ASSERT_TRUE(picture);
    ASSERT_EQ(picture->dynamics.size(), 2u);
    EXPECT_EQ(picture->dynamics[1].setpointKind, 2);
    EXPECT_EQ(plant.writableList, ",BV,");
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
    EXPECT_GE(plant.pictures.size(), 4u);
    EXPECT_TRUE(plant.warnings.isEmpty());

    std::set<int32_t> types, decimals, setpointKinds;
    std::set<std::string> variants;
    std::set<int32_t> linkedPictures;
    for (const auto& [number, picture] : plant.pictures) {
        ElementList elements;
        Palette palette{};
        PictureParser(palette, 7, 14).ExtractAllElements(picture.elementData, elements);
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
