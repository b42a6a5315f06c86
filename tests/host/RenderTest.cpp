// A headless render must come out pixel for pixel as the live client's picture area at the same size.

#include "HostSupport.h"

#include "WireText.h"
#include "common/PdfSupport.h"
#include "core/FrameCutter.h"
#include "host/PictureRender.h"

#include <QFile>

namespace pelorin::test {
namespace {

QString WriteFile(const QTemporaryDir& dir, const char* name, const QByteArray& text) {
    QFile file(dir.filePath(QLatin1String(name)));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
    return file.fileName();
}

const QString kOverview = sim::DemoPlantFolder() + QStringLiteral("/pictures/1-oversikt.json");

class RenderTest : public ::testing::TestWithParam<QSize> {};

TEST_P(RenderTest, EachDemoPictureComesOutAsTheLiveClientShowsIt) {
    QTemporaryDir dir;
    const QString capture = dir.filePath(QStringLiteral("session.cap"));
    const auto demo = StartDemoServer(dir);
    ControlFixture live;
    PelorinControl& c = StartClient(live, LoopbackAddress(demo->framedPort()), capture, GetParam());
    ASSERT_TRUE(LogIn(c));
    std::map<int, QImage> shown;
    for (const auto& [number, picture] : demo->plant().pictures) {
        ASSERT_TRUE(ShowPicture(c, number, true)) << "picture " << number;
        shown[number] = DrawnPicture(c).copy();
    }
    const auto render = [&](const QString& picture, const QString& values) {
        const QString png = dir.filePath(QStringLiteral("out.png"));
        EXPECT_EQ(host::RenderPicture({.picture = picture, .out = png, .size = GetParam(), .values = values}),
                  QString());
        return QImage(png);
    };
    for (const auto& [number, picture] : demo->plant().pictures)
        EXPECT_TRUE(SamePixels(shown[number], render(picture.file, capture))) << "picture " << number;

    // Values from a file of "number=value" lines show as the same values sent as frames.
    std::string payload;
    QString error;
    ASSERT_TRUE(host::ReadPictureFile(kOverview, payload, &error)) << error.toStdString();
    c.DispatchFrame(MSG_PICTURE, payload);
    for (const auto& [number, text] : {std::pair{0, "12.5"}, {1, "-3.25"}, {2, "1"}, {0, "7.125"}})
        c.DispatchFrame(MSG_VALUE, Short2String(number) + text);
    const QString values = WriteFile(dir, "values.txt", "# overview\n0=12.5\n 1 = -3.25\n\n2=1\n0=7.125\n");
    EXPECT_TRUE(SamePixels(DrawnPicture(c), render(kOverview, values)));
}

INSTANTIATE_TEST_SUITE_P(Sizes, RenderTest, ::testing::Values(QSize(800, 600), QSize(1280, 1024)));

TEST(Render, APdfHoldsThePictureOnOnePageAndBadInputIsRefusedWithItsReason) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("picture.pdf"));
    ASSERT_EQ(host::RenderPicture({.picture = kOverview, .out = pdf}), QString());
    EXPECT_EQ(PdfPageCount(pdf), 1);
    EXPECT_GT(QFile(pdf).size(), 4000) << "lines and texts are drawn";

    const QString capture = dir.filePath(QStringLiteral("empty.cap"));
    CaptureWriter(capture).RecordAt(0, CaptureConnection::PictureLink, CaptureDirection::ToClient,
                                    EncodeFrame(MSG_NO_PICTURE, {}));
    const struct {
        QString picture, values, reason;
    } cases[] = {
        {dir.filePath(QStringLiteral("missing.json")), {}, QStringLiteral("missing.json")},
        {WriteFile(dir, "short.bin", "abc"),
         {},
         QStringLiteral("neither a picture description nor picture data")},
        {kOverview, WriteFile(dir, "values.txt", "0=1\nthree=3\n"), QStringLiteral("values.txt:2: expected")},
        {kOverview, capture, QStringLiteral("never shows picture 1")},
    };
    for (const auto& test : cases) {
        const QString error = host::RenderPicture(
            {.picture = test.picture, .out = dir.filePath(QStringLiteral("out.png")), .values = test.values});
        EXPECT_TRUE(error.contains(test.reason)) << error.toStdString();
    }
    QSize size;
    EXPECT_TRUE(host::ParseSize(QStringLiteral("1024x768"), size) && size == QSize(1024, 768));
    for (const char* bad : {"1024", "0x10", "9000x10", "10x-1", "axb"})
        EXPECT_FALSE(host::ParseSize(QLatin1String(bad), size)) << bad;
}

} // namespace
} // namespace pelorin::test
