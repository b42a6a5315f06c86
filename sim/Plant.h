#pragma once

#include "PictureJson.h"
#include "core/PictureWriter.h"

#include <QString>
#include <QStringList>
#include <map>
#include <string>
#include <vector>

namespace pelorin::sim {

struct ServedPicture {
    int number = 0;
    QString title;
    QString file;
    PictureHeader header;
    std::string elementData;
    std::vector<DynamicPoint> dynamics;
    std::vector<int> links;
    std::string functionText;
};

struct UnitDescription {
    QString type;
    std::string name;
};

// A plant folder: plant.json (name, writable address kinds, model units, terminal macros) and
// pictures/*.json, one picture per file.
struct Plant {
    QString name;
    std::map<int, ServedPicture> pictures;
    // The writable-parameter list as the picture table carries it: ",BV,DR,".
    std::string writableList;
    // Macro entries "text=caption" separated by the character 0.
    std::string macroList;
    std::vector<UnitDescription> units;
    // Every setpoint block of every picture, with its kind.
    std::map<std::string, int> setpointKinds;
    // Things that load but look wrong (a link to a picture that does not exist).
    QStringList warnings;

    // The MSG_PICTURE_TABLE payload.
    std::string pictureTable() const;
    const ServedPicture* picture(int number) const;
};

// The demo plant and its users, compiled into the library.
QString DemoPlantFolder();
QString DemoUsersFile();

// Loads and encodes the plant in `folder` (a directory or a resource path such as ":/demo").
// Fails with a message naming the file and, for pictures, the element.
bool LoadPlant(const QString& folder, Plant& plant, QString* error);

// Loads and encodes one picture file (pictures/*.json of a plant); fails with a message naming the
// element.
bool LoadPicture(const QString& path, ServedPicture& picture, QString* error);

} // namespace pelorin::sim
