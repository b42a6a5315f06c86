// The headless render against the live client: each demo picture, with the values the live client
// got, must come out pixel for pixel as the client's picture area at the same size.

#include "HostSupport.h"

#include "Plant.h"
#include "WireText.h"
#include "core/FrameCutter.h"
#include "host/PictureRender.h"

#include <QFile>

namespace pelorin::test {
namespace {

class RenderTest : public ::testing::TestWithParam<QSize> {
protected:
    QString Render(host::RenderJob job, const QString& name) {
        job.out = m_Dir.filePath(name);
        const QString error = host::RenderPicture(job);
        EXPECT_TRUE(error.isEmpty()) << error.toStdString();
        return job.out;
    }

    QTemporaryDir m_Dir;
};

TEST_P(RenderTest, EachDemoPictureComesOutAsTheLiveClientShowsIt) {
    const QSize size = GetParam();
    const QString capture = m_Dir.filePath(QStringLiteral("session.cap"));
    DemoServer demo;
    ASSERT_TRUE(demo.started());
    ControlFixture live;
    PelorinControl& c = StartClient(live, demo.address(), capture, std::to_string(size.width()),
                                    std::to_string(size.height()));
    ASSERT_TRUE(LogIn(c));
    std::map<int, QImage> shown;
    for (const auto& [number, picture] : demo.server().plant().pictures) {
        ASSERT_TRUE(ShowPicture(c, number, true)) << "picture " << number;
        shown[number] = DrawnPicture(c).copy();
    }

    for (const auto& [number, picture] : demo.server().plant().pictures) {
        SCOPED_TRACE("picture " + std::to_string(number));
        const QString png = Render({.picture = picture.file, .size = size, .values = capture},
                                   QStringLiteral("%1.png").arg(number));
        EXPECT_EQ(ImageDifference(shown[number], QImage(png)), "");
    }
}

// Values from a file of "number=value" lines: the same as the control fed the picture and the values
// as frames.
TEST_P(RenderTest, ValuesFromAFileAreShownAsFromTheServer) {
    const QSize size = GetParam();
    const QString picture = sim::DemoPlantFolder() + QStringLiteral("/pictures/1-oversikt.json");
    const QString values = m_Dir.filePath(QStringLiteral("values.txt"));
    {
        QFile file(values);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("# overview\n0=12.5\n 1 = -3.25\n\n2=1\n0=7.125\n");
    }
    ControlFixture fed;
    PelorinControl& c = fed.Start(
        Bag({{"PCTWidth", std::to_string(size.width())}, {"PCTHeight", std::to_string(size.height())}}));
    std::string payload;
    QString error;
    ASSERT_TRUE(host::ReadPictureFile(picture, payload, &error)) << error.toStdString();
    c.DispatchFrame(MSG_PICTURE, payload);
    for (const auto& [number, text] : {std::pair{0, "12.5"}, {1, "-3.25"}, {2, "1"}, {0, "7.125"}})
        c.DispatchFrame(MSG_VALUE, sim::Short2String(number) + text);

    const QString png =
        Render({.picture = picture, .size = size, .values = values}, QStringLiteral("fed.png"));
    EXPECT_EQ(ImageDifference(DrawnPicture(c), QImage(png)), "");
}

INSTANTIATE_TEST_SUITE_P(Sizes, RenderTest, ::testing::Values(QSize(800, 600), QSize(1280, 1024)));

TEST(Render, APdfHoldsThePictureOnOnePage) {
    QTemporaryDir dir;
    const QString pdf = dir.filePath(QStringLiteral("picture.pdf"));
    host::RenderJob job{.picture = sim::DemoPlantFolder() + QStringLiteral("/pictures/3-vs01.json"),
                        .out = pdf};
    ASSERT_EQ(host::RenderPicture(job), QString());
    QFile file(pdf);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray bytes = file.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    EXPECT_EQ(bytes.count("/Type /Page\n") + bytes.count("/Type /Page\r") + bytes.count("/Type /Page "), 1);
    EXPECT_GT(bytes.size(), 4000) << "lines and texts are drawn";
}

TEST(Render, BadInputIsRefusedWithItsReason) {
    QTemporaryDir dir;
    const auto write = [&dir](const char* name, const QByteArray& text) {
        QFile file(dir.filePath(QLatin1String(name)));
        EXPECT_TRUE(file.open(QIODevice::WriteOnly) && file.write(text) == text.size());
        return file.fileName();
    };
    const QString picture = sim::DemoPlantFolder() + QStringLiteral("/pictures/1-oversikt.json");
    const QString capture = dir.filePath(QStringLiteral("empty.cap"));
    CaptureWriter(capture).RecordAt(0, CaptureConnection::PictureLink, CaptureDirection::ToClient,
                                    EncodeFrame(MSG_NO_PICTURE, {}));
    struct Case {
        QString picture, values, reason;
    };
    const Case cases[] = {
        {dir.filePath(QStringLiteral("missing.json")), {}, QStringLiteral("missing.json")},
        {write("short.bin", "abc"), {}, QStringLiteral("neither a picture description nor picture data")},
        {write("bad.json", R"({"number": 1, "background": "#C0C0C0", "palette": []})"),
         {},
         QStringLiteral("palette")},
        {picture, write("values.txt", "0=1\nthree=3\n"), QStringLiteral("values.txt:2: expected")},
        {picture, capture, QStringLiteral("never shows picture 1")},
    };
    for (const Case& test : cases) {
        const QString error = host::RenderPicture(
            {.picture = test.picture, .out = dir.filePath(QStringLiteral("out.png")), .values = test.values});
        EXPECT_TRUE(error.contains(test.reason)) << error.toStdString();
    }
    QSize size;
    EXPECT_TRUE(host::ParseSize(QStringLiteral("1024x768"), size));
    EXPECT_EQ(size, QSize(1024, 768));
    for (const char* bad : {"1024", "0x10", "9000x10", "10x-1", "axb"})
        EXPECT_FALSE(host::ParseSize(QLatin1String(bad), size)) << bad;
}

} // namespace
} // namespace pelorin::test
