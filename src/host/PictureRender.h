#pragma once

#include "platform/Widgets.h"

#include <QSize>
#include <QString>
#include <string>
#include <vector>

namespace pelorin::host {

// A picture drawn without a server or a display: the control is fed the picture and its values as
// if the server had sent them, so that the drawing is the screen's, pixel for pixel.
struct RenderJob {
    // A picture description as plants hold it (JSON), or a MSG_PICTURE payload as the server sends it.
    QString picture{};
    // A .png gets the picture area; a .pdf the picture fitted to a page, drawn as on the printer.
    QString out{};
    // The picture area in pixels; empty for the host's default.
    QSize size{};
    // Optional: lines "dynamic-number=value", or a capture whose last showing of the picture gives them.
    QString values{};
    // Host parameters (FontName, FontSize, FontBold, ...); the size above wins over PCTWidth/PCTHeight.
    PropertyBag parameters{};
};

// Empty when the file was written, otherwise what went wrong.
QString RenderPicture(const RenderJob& job);

// The MSG_PICTURE payload of a picture file of either kind.
bool ReadPictureFile(const QString& path, std::string& payload, QString* error);

// The MSG_VALUE payloads for picture `number`, in the order they are to be shown, from a values
// file or a capture.
bool ReadValueFile(const QString& path, int32_t number, std::vector<std::string>& values, QString* error);

// "WxH" with both sides from 1 to 8192.
bool ParseSize(const QString& text, QSize& size);

} // namespace pelorin::host
