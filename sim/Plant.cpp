#include "Plant.h"

#include "WireText.h"
#include "core/ClientProcs.h"
#include "core/Protocol.h"

#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>

// A static library must register its resources itself, and only from the global namespace.
static void InitDemoResources() {
    Q_INIT_RESOURCE(demo);
}

namespace pelorin::sim {

namespace {

QJsonObject ReadJsonObject(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        throw PlantError{file.errorString()};
    QJsonParseError parseError;
    const QJsonDocument document = QJsonDocument::fromJson(file.readAll(), &parseError);
    if (document.isNull())
        throw PlantError{
            QStringLiteral("%1 at offset %2").arg(parseError.errorString()).arg(parseError.offset)};
    if (!document.isObject())
        throw PlantError{QStringLiteral("the file must hold one JSON object")};
    return document.object();
}

std::string Latin1OrThrow(const QString& text, const QString& what) {
    const auto latin1 = ToLatin1(text);
    if (!latin1)
        throw PlantError{what + QStringLiteral(" has a character outside Latin-1")};
    return *latin1;
}

// A text given as one string or as a list of lines (joined with CR LF, as the client shows them).
std::string ReadLines(const QJsonValue& value, const QString& what) {
    if (value.isArray()) {
        QStringList lines;
        for (const QJsonValue& line : value.toArray())
            lines << line.toString();
        return Latin1OrThrow(lines.join(QStringLiteral("\r\n")), what);
    }
    return Latin1OrThrow(value.toString(), what);
}

std::string ReadWritableList(const QJsonArray& kinds) {
    std::string list = ",";
    for (const QJsonValue& kind : kinds) {
        const std::string name = Latin1OrThrow(kind.toString(), QStringLiteral("writableKinds"));
        if (name.empty() || name.find_first_of(",.") != std::string::npos)
            throw PlantError{QStringLiteral("writableKinds: \"%1\" is not a kind name").arg(kind.toString())};
        list += name + ",";
    }
    return list;
}

// The client splits the list at the character 0 and each entry at its first and second "=".
std::string ReadMacroList(const QJsonArray& macros) {
    std::string list;
    for (qsizetype i = 0; i < macros.size(); ++i) {
        const QJsonObject macro = macros.at(i).toObject();
        const QString what = QStringLiteral("macro %1").arg(i + 1);
        const std::string text = Latin1OrThrow(macro.value(QLatin1String("text")).toString(), what);
        const std::string caption = Latin1OrThrow(macro.value(QLatin1String("name")).toString(), what);
        if (text.empty() || caption.empty() ||
            (text + caption).find_first_of(std::string("=\0", 2)) != std::string::npos)
            throw PlantError{what + QStringLiteral(": needs a name and a text, neither with \"=\"")};
        list += text + "=" + caption + std::string(1, '\0');
    }
    return list;
}

void ReadPlantFile(const QString& path, Plant& plant) {
    const QJsonObject root = ReadJsonObject(path);
    plant.name = root.value(QLatin1String("name")).toString();
    plant.writableList = ReadWritableList(root.value(QLatin1String("writableKinds")).toArray());
    plant.macroList = ReadMacroList(root.value(QLatin1String("macros")).toArray());
    for (const QJsonValue& unit : root.value(QLatin1String("units")).toArray()) {
        const QJsonObject object = unit.toObject();
        UnitDescription description{
            object.value(QLatin1String("type")).toString(),
            Latin1OrThrow(object.value(QLatin1String("name")).toString(), QStringLiteral("unit"))};
        if (description.name.empty())
            throw PlantError{QStringLiteral("a unit needs a name")};
        plant.units.push_back(std::move(description));
    }
}

ServedPicture ReadPicture(const QString& path) {
    const QJsonObject root = ReadJsonObject(path);
    ServedPicture picture;
    picture.file = path;
    const QJsonValue number = root.value(QLatin1String("number"));
    picture.number = number.toInt(-1);
    if (!number.isDouble() || picture.number < 1 || picture.number >= kPictureTableSize)
        throw PlantError{
            QStringLiteral("\"number\" must be a picture number from 1 to %1").arg(kPictureTableSize - 1)};
    picture.title = root.value(QLatin1String("title")).toString();
    picture.functionText =
        ReadLines(root.value(QLatin1String("functionText")), QStringLiteral("functionText"));
    picture.header.number = picture.number;
    picture.header.background =
        ReadColour(root.value(QLatin1String("background")), QStringLiteral("background"));
    const QJsonArray palette = root.value(QLatin1String("palette")).toArray();
    if (palette.size() != static_cast<qsizetype>(picture.header.palette.size()))
        throw PlantError{QStringLiteral("\"palette\" must list eight colours")};
    for (size_t i = 0; i < picture.header.palette.size(); ++i)
        picture.header.palette[i] =
            ReadColour(palette.at(static_cast<qsizetype>(i)), QStringLiteral("palette entry %1").arg(i));

    EncodedElements encoded = EncodeElements(root.value(QLatin1String("elements")).toArray());
    try {
        EncodePictureMessage(picture.header, encoded.data);
    } catch (const PictureEncodeError& error) {
        throw PlantError{QString::fromLatin1(error.what())};
    }
    picture.elementData = std::move(encoded.data);
    picture.dynamics = std::move(encoded.dynamics);
    picture.links = std::move(encoded.links);
    return picture;
}

void AddPicture(Plant& plant, ServedPicture picture) {
    if (plant.pictures.count(picture.number))
        throw PlantError{QStringLiteral("picture %1 is also defined in %2")
                             .arg(picture.number)
                             .arg(plant.pictures.at(picture.number).file)};
    for (const DynamicPoint& point : picture.dynamics) {
        if (point.setpointKind < 0)
            continue;
        const auto [it, added] = plant.setpointKinds.emplace(point.address, point.setpointKind);
        if (!added && it->second != point.setpointKind)
            throw PlantError{QStringLiteral("setpoint %1 is of kind %2 elsewhere")
                                 .arg(FromLatin1(point.address))
                                 .arg(it->second)};
    }
    plant.pictures.emplace(picture.number, std::move(picture));
}

void WarnAboutLinks(Plant& plant, const QString& folder) {
    for (const auto& [number, picture] : plant.pictures) {
        for (int target : picture.links)
            if (!plant.pictures.count(target))
                plant.warnings << QStringLiteral("%1: links to picture %2, which does not exist")
                                      .arg(QDir(folder).relativeFilePath(picture.file))
                                      .arg(target);
    }
}

} // namespace

QString DemoPlantFolder() {
    static const bool registered = (InitDemoResources(), true);
    Q_UNUSED(registered);
    return QStringLiteral(":/demo");
}

QString DemoUsersFile() {
    return DemoPlantFolder() + QStringLiteral("/users.json");
}

std::string Plant::pictureTable() const {
    std::string table(kPictureTableSize, '\0');
    for (const auto& [number, picture] : pictures)
        table[static_cast<size_t>(number)] = 1;
    return table + Long2String(static_cast<int32_t>(writableList.size())) + writableList;
}

const ServedPicture* Plant::picture(int number) const {
    const auto it = pictures.find(number);
    return it == pictures.end() ? nullptr : &it->second;
}

bool LoadPlant(const QString& folder, Plant& plant, QString* error) {
    const QDir dir(folder);
    QString current = dir.filePath(QStringLiteral("plant.json"));
    try {
        Plant loaded;
        ReadPlantFile(current, loaded);
        const QDir pictureDir(dir.filePath(QStringLiteral("pictures")));
        const QStringList files = pictureDir.entryList({QStringLiteral("*.json")}, QDir::Files, QDir::Name);
        for (const QString& name : files) {
            current = pictureDir.filePath(name);
            AddPicture(loaded, ReadPicture(current));
        }
        if (loaded.pictures.empty())
            throw PlantError{QStringLiteral("no pictures in %1").arg(pictureDir.path())};
        WarnAboutLinks(loaded, folder);
        plant = std::move(loaded);
        return true;
    } catch (const PlantError& failure) {
        *error = QStringLiteral("%1: %2").arg(current, failure.message);
        return false;
    }
}

bool LoadPicture(const QString& path, ServedPicture& picture, QString* error) {
    try {
        picture = ReadPicture(path);
        return true;
    } catch (const PlantError& failure) {
        *error = QStringLiteral("%1: %2").arg(path, failure.message);
        return false;
    }
}

} // namespace pelorin::sim
