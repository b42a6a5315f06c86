#pragma once

#include "common/TestSupport.h"
#include "control/ControlFixture.h"

#include "Server.h"
#include "core/Capture.h"
#include "host/LinkWatch.h"
#include "platform/PictureBox.h"

#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

namespace pelorin::test {

// The simulator with its demo plant on a loopback port, its model frozen and its clock still, so
// that every showing of a picture brings the same values.
class DemoServer {
public:
    DemoServer() {
        sim::ServerOptions options;
        options.dataFolder = m_Data.path();
        options.fakeClock = true;
        m_Server = std::make_unique<sim::Server>(options);
        QString error;
        m_Started = m_Server->start(&error);
        EXPECT_TRUE(m_Started) << error.toStdString();
        m_Server->setFrozen(true);
    }

    bool started() const { return m_Started; }
    sim::Server& server() { return *m_Server; }
    std::string address() const { return "127.0.0.1:" + std::to_string(m_Server->framedPort()); }

private:
    QTemporaryDir m_Data;
    std::unique_ptr<sim::Server> m_Server;
    bool m_Started = false;
};

// A started client of the server at `address`, its links watched (and captured to `capture` when
// one is given).
inline PelorinControl& StartClient(ControlFixture& f, const std::string& address, const QString& capture = {},
                                   const std::string& width = "1024", const std::string& height = "768") {
    PelorinControl& c =
        f.Start(Bag({{"ServerAddress", address}, {"PCTWidth", width}, {"PCTHeight", height}}));
    host::WatchLinks(c, capture.isEmpty() ? nullptr : std::make_shared<CaptureWriter>(capture));
    return c;
}

// The picture area as the next display refresh shows it.
inline const QImage& DrawnPicture(PelorinControl& c) {
    c.view().DrawPending();
    return c.view().Picture_PCT->Surface().Image();
}

// The texts the picture's values show, in picture order.
inline std::vector<std::string> ValueTexts(const PelorinControl& c) {
    std::vector<std::string> texts;
    for (const auto& e : c.m_Elements)
        if (e->m_ElementType == ET_DYNVALUE)
            texts.push_back(e->m_Text);
    return texts;
}

// Empty when the two images are equal pixel for pixel; otherwise how many pixels differ and the first.
inline std::string ImageDifference(const QImage& expected, const QImage& actual) {
    if (expected.size() != actual.size())
        return "sizes differ";
    const QImage a = expected.convertToFormat(QImage::Format_RGB32);
    const QImage b = actual.convertToFormat(QImage::Format_RGB32);
    int count = 0;
    QPoint first;
    for (int y = 0; y < a.height(); ++y)
        for (int x = 0; x < a.width(); ++x)
            if (a.pixel(x, y) != b.pixel(x, y) && count++ == 0)
                first = {x, y};
    if (count == 0)
        return {};
    return std::to_string(count) + " pixels differ, the first at (" + std::to_string(first.x()) + ", " +
           std::to_string(first.y()) + ")";
}

} // namespace pelorin::test
