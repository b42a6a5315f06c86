#include "PictureJson.h"

#include "WireText.h"
#include "core/PictureWriter.h"

#include <QJsonObject>
#include <QSet>
#include <QStringList>
#include <limits>

namespace pelorin::sim {

namespace {

constexpr int kNoColourOverride = 8;
constexpr int kMaxGroupPosition = 15;

// The fields of one element object, read with their ranges checked; keys nobody read are typos.
class Fields {
public:
    explicit Fields(const QJsonObject& object) : m_Object(object) {}

    int integer(const char* key, int min, int max, std::optional<int> fallback = std::nullopt) {
        const QJsonValue value = take(key);
        if (value.isUndefined() && fallback)
            return *fallback;
        const double number = value.toDouble(std::numeric_limits<double>::quiet_NaN());
        if (!value.isDouble() || number != static_cast<double>(static_cast<int64_t>(number)) ||
            number < min || number > max)
            fail(QStringLiteral("\"%1\" must be a whole number from %2 to %3")
                     .arg(QLatin1String(key))
                     .arg(min)
                     .arg(max));
        return static_cast<int>(number);
    }
    int16_t coordinate(const char* key) {
        return static_cast<int16_t>(
            integer(key, std::numeric_limits<int16_t>::min(), std::numeric_limits<int16_t>::max()));
    }
    // A palette index 0..8 (entry 8 is always black).
    uint8_t colour(const char* key) { return static_cast<uint8_t>(integer(key, 0, 8, 0)); }
    uint8_t byte(const char* key, int fallback) {
        return static_cast<uint8_t>(integer(key, 0, 255, fallback));
    }
    bool flag(const char* key) {
        const QJsonValue value = take(key);
        if (!value.isUndefined() && !value.isBool())
            fail(QStringLiteral("\"%1\" must be true or false").arg(QLatin1String(key)));
        return value.toBool();
    }
    std::string text(const char* key, bool required = true) {
        const QJsonValue value = take(key);
        if (value.isUndefined() && !required)
            return {};
        if (!value.isString())
            fail(QStringLiteral("\"%1\" must be a text").arg(QLatin1String(key)));
        const auto latin1 = ToLatin1(value.toString());
        if (!latin1)
            fail(QStringLiteral("\"%1\" has a character outside Latin-1").arg(QLatin1String(key)));
        return *latin1;
    }
    std::string address(const char* key) {
        std::string value = text(key);
        if (value.empty())
            fail(QStringLiteral("\"%1\" is empty").arg(QLatin1String(key)));
        return value;
    }
    QJsonArray array(const char* key) {
        const QJsonValue value = take(key);
        if (!value.isArray())
            fail(QStringLiteral("\"%1\" must be a list").arg(QLatin1String(key)));
        return value.toArray();
    }
    void ignore(const char* key) { take(key); }

    void checkAllRead() const {
        QStringList unknown;
        for (const QString& key : m_Object.keys())
            if (!m_Read.contains(key))
                unknown << key;
        if (!unknown.isEmpty())
            fail(QStringLiteral("unknown field %1").arg(unknown.join(QStringLiteral(", "))));
    }

    [[noreturn]] static void fail(const QString& message) { throw PlantError{message}; }

private:
    QJsonValue take(const char* key) {
        m_Read.insert(QLatin1String(key));
        return m_Object.value(QLatin1String(key));
    }

    const QJsonObject& m_Object;
    QSet<QString> m_Read{QStringLiteral("type"), QStringLiteral("comment")};
};

enum class Level { TopLevel, Child };

class ElementEncoder {
public:
    void encodeList(const QJsonArray& elements, PictureWriter& out, Level level) {
        for (qsizetype i = 0; i < elements.size(); ++i)
            encodeNamed(QStringLiteral("element %1").arg(i + 1), elements.at(i), out, level, nullptr);
    }

    // Encodes one element; a group child (`position` set) also carries the position it is shown at.
    void encodeNamed(const QString& name, const QJsonValue& value, PictureWriter& out, Level level,
                     uint8_t* position) {
        const QJsonObject object = value.toObject();
        const QString type = object.value(QLatin1String("type")).toString();
        const QString named =
            QStringLiteral("%1 (%2)").arg(name, type.isEmpty() ? QStringLiteral("?") : type);
        // An object holding only a comment explains the picture to its reader and draws nothing.
        if (object.size() == 1 && object.contains(QLatin1String("comment")))
            return;
        try {
            if (!value.isObject())
                Fields::fail(QStringLiteral("must be an object"));
            Fields fields(object);
            if (position)
                *position = static_cast<uint8_t>(fields.integer("position", 0, kMaxGroupPosition));
            encodeOne(type, fields, out, level);
            fields.checkAllRead();
        } catch (const PlantError& error) {
            throw PlantError{named + QStringLiteral(": ") + error.message};
        } catch (const PictureEncodeError& error) {
            throw PlantError{named + QStringLiteral(": ") + QString::fromLatin1(error.what())};
        }
    }

    EncodedElements result;

private:
    void encodeOne(const QString& type, Fields& f, PictureWriter& out, Level level) {
        const bool dynamic = type == QLatin1String("value") || type == QLatin1String("group") ||
                             type == QLatin1String("setpoint");
        if (dynamic && level == Level::Child)
            Fields::fail(
                QStringLiteral("dynamic elements belong at the top level, not inside a symbol or group"));
        if (type == QLatin1String("text")) {
            const uint8_t fg = f.colour("fg"), bg = f.colour("bg");
            const int16_t x = f.coordinate("x"), y = f.coordinate("y");
            out.text(fg, bg, x, y, f.text("text"));
        } else if (type == QLatin1String("symbol")) {
            const uint8_t override = f.byte("colour", kNoColourOverride);
            PictureWriter children;
            encodeList(f.array("elements"), children, Level::Child);
            out.symbol(override, children);
        } else if (type == QLatin1String("line")) {
            const uint8_t fg = f.colour("fg"), thickness = f.byte("thickness", 1);
            const bool dashed = f.flag("dashed");
            const int16_t x1 = f.coordinate("x1"), y1 = f.coordinate("y1"), x2 = f.coordinate("x2"),
                          y2 = f.coordinate("y2");
            out.line(fg, thickness, dashed, x1, y1, x2, y2);
        } else if (type == QLatin1String("box")) {
            const uint8_t fg = f.colour("fg");
            const bool filled = f.flag("filled"), rounded = f.flag("rounded");
            const uint8_t thickness = f.byte("thickness", 1);
            const int16_t x1 = f.coordinate("x1"), y1 = f.coordinate("y1"), x2 = f.coordinate("x2"),
                          y2 = f.coordinate("y2");
            out.box(fg, filled, rounded, thickness, x1, y1, x2, y2);
        } else if (type == QLatin1String("circle")) {
            const uint8_t fg = f.colour("fg"), fill = f.byte("fill", kNoColourOverride),
                          thickness = f.byte("thickness", 1);
            const int16_t x1 = f.coordinate("x1"), y1 = f.coordinate("y1"), x2 = f.coordinate("x2"),
                          y2 = f.coordinate("y2");
            const auto start = static_cast<int16_t>(f.integer("start", -360, 360, 0));
            const auto end = static_cast<int16_t>(f.integer("end", -360, 360, 360));
            out.circle(fg, fill, thickness, x1, y1, x2, y2, start, end);
        } else if (type == QLatin1String("fill")) {
            const uint8_t fg = f.colour("fg"), border = f.colour("border");
            const int16_t x = f.coordinate("x"), y = f.coordinate("y");
            out.fill(fg, border, x, y);
        } else if (type == QLatin1String("link")) {
            const uint8_t fg = f.colour("fg"), bg = f.colour("bg");
            const int16_t x = f.coordinate("x"), y = f.coordinate("y");
            const int target = f.integer("picture", 1, 999);
            result.links.push_back(target);
            out.pictureLink(fg, bg, x, y, static_cast<int16_t>(target));
        } else if (type == QLatin1String("value")) {
            const uint8_t fg = f.colour("fg"), bg = f.colour("bg");
            const auto decimals = static_cast<uint8_t>(f.integer("decimals", 0, 6, 0));
            const int16_t x = f.coordinate("x"), y = f.coordinate("y");
            const std::string address = f.address("address");
            out.dynValue(fg, bg, decimals, x, y, address);
            result.dynamics.push_back({address, -1});
        } else if (type == QLatin1String("group")) {
            encodeGroup(f, out);
        } else if (type == QLatin1String("setpoint")) {
            encodeSetpoint(f, out);
        } else if (type == QLatin1String("empty")) {
            out.empty();
        } else {
            Fields::fail(QStringLiteral("unknown element type"));
        }
    }

    void encodeGroup(Fields& f, PictureWriter& out) {
        const uint8_t fg = f.byte("fg", 0), bg = f.byte("bg", 0);
        const int16_t x = f.coordinate("x"), y = f.coordinate("y");
        const auto defaultPosition = static_cast<uint8_t>(f.integer("default", 0, kMaxGroupPosition, 0));
        const std::string address = f.address("address");
        const QJsonArray childList = f.array("children");
        std::vector<PictureGroupChild> children;
        for (qsizetype i = 0; i < childList.size(); ++i) {
            PictureGroupChild child{0, {}};
            encodeNamed(QStringLiteral("child %1").arg(i + 1), childList.at(i), child.record, Level::Child,
                        &child.position);
            children.push_back(std::move(child));
        }
        out.dynGroup(fg, bg, x, y, defaultPosition, address, children);
        result.dynamics.push_back({address, -1});
    }

    void encodeSetpoint(Fields& f, PictureWriter& out) {
        const std::string address = f.address("address");
        const int kind = f.integer("kind", 0, 3);
        const QJsonArray list = f.array("descriptions");
        if (list.size() != 4)
            Fields::fail(QStringLiteral("\"descriptions\" must list four texts"));
        std::string descriptions[4];
        bool anyDescription = false;
        for (int i = 0; i < 4; ++i) {
            const auto latin1 = ToLatin1(list.at(i).toString());
            if (!list.at(i).isString() || !latin1)
                Fields::fail(QStringLiteral("description %1 must be a Latin-1 text").arg(i + 1));
            descriptions[i] = *latin1;
            anyDescription = anyDescription || !latin1->empty();
        }
        // The client learns a kind-0 block's kind only when some description is present.
        if (kind == 0 && !anyDescription)
            Fields::fail(QStringLiteral("a kind 0 setpoint needs at least one description"));
        out.setpoint(address, descriptions[0], descriptions[1], descriptions[2], descriptions[3]);
        result.dynamics.push_back({address, kind});
    }
};

} // namespace

EncodedElements EncodeElements(const QJsonArray& elements) {
    ElementEncoder encoder;
    PictureWriter writer;
    encoder.encodeList(elements, writer, Level::TopLevel);
    encoder.result.data = writer.data();
    return std::move(encoder.result);
}

int32_t ReadColour(const QJsonValue& value, const QString& what) {
    if (value.isDouble()) {
        const double number = value.toDouble();
        if (number >= std::numeric_limits<int32_t>::min() && number <= std::numeric_limits<int32_t>::max())
            return static_cast<int32_t>(number);
    } else if (value.isString()) {
        const QString text = value.toString();
        bool ok = false;
        const uint rgb = text.mid(1).toUInt(&ok, 16);
        if (text.size() == 7 && text.startsWith(QLatin1Char('#')) && ok)
            return static_cast<int32_t>(((rgb & 0xFF) << 16) | (rgb & 0xFF00) | ((rgb >> 16) & 0xFF));
    }
    throw PlantError{what + QStringLiteral(": a colour is \"#RRGGBB\" or a number")};
}

} // namespace pelorin::sim
