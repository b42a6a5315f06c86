#pragma once

#include "common/TestSupport.h"
#include "common/ControlFixture.h"

#include "Server.h"
#include "core/Capture.h"
#include "host/LinkWatch.h"
#include "platform/PictureBox.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <string>

namespace pelorin::test {

// The demo plant on loopback, frozen on a still clock, so that every showing of a picture brings the
// same values.
inline std::unique_ptr<sim::Server> StartDemoServer(const QTemporaryDir& data) {
    sim::ServerOptions options;
    options.dataFolder = data.path();
    options.fakeClock = true;
    auto server = std::make_unique<sim::Server>(options);
    QString error;
    EXPECT_TRUE(server->start(&error)) << error.toStdString();
    server->setFrozen(true);
    return server;
}

inline std::string LoopbackAddress(quint16 port) {
    return "127.0.0.1:" + std::to_string(port);
}

// A started client of `address` with its links watched, and captured when `capture` is given.
inline PelorinControl& StartClient(ControlFixture& f, const std::string& address, const QString& capture = {},
                                   QSize size = {1024, 768}) {
    PelorinControl& c = f.Start(Bag({{"ServerAddress", address},
                                     {"PCTWidth", std::to_string(size.width())},
                                     {"PCTHeight", std::to_string(size.height())}}));
    host::WatchLinks(c, capture.isEmpty() ? nullptr : std::make_shared<CaptureWriter>(capture));
    return c;
}

inline const QImage& DrawnPicture(PelorinControl& c) {
    c.view().DrawPending();
    return c.view().Picture_PCT->Surface().Image();
}

inline bool SamePixels(const QImage& a, const QImage& b) {
    return a.convertToFormat(QImage::Format_RGB32) == b.convertToFormat(QImage::Format_RGB32);
}

} // namespace pelorin::test
