// The picture as a screen reader and the keyboard see it: its values and links as named children with
// their places, value changes told once per drawing, and Tab and Enter doing what the mouse does.

#include "PictureViewParts.h"
#include "core/ClientProcs.h"
#include "core/PictureWriter.h"
#include "core/Protocol.h"
#include "platform/PictureBox.h"
#include "platform/Widgets.h"

#include <QAccessible>
#include <QTest>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

// A value with its unit written beside it at (100, 100) and a link to picture 2 below it.
class PictureAccess : public ::testing::Test, protected PictureViewParts {
protected:
    void SetUp() override {
        view.Picture_PCT->SetPixelSize(QSize(640, 480));
        std::string table(kPictureTableSize, '\0');
        table[2] = 1;
        model.OnPictureTable(table + Long2String(0));
        PictureWriter w;
        w.dynValue(0, 1, 1, 100, 100, "PG01.BV.GP1")
            .text(0, 1, 130, 100,
                  "\xB0"
                  "C");
        w.pictureLink(1, 4, 400, 300, 2);
        model.ExtractAllElements(model.ReadPictureHeader(EncodePictureMessage({}, w.data())), 8, 14);
        model.ApplyValue(element(0), "45.5");
        view.PaintAllElements(-1);
    }

    QAccessibleInterface* pictureInterface() {
        return QAccessible::queryAccessibleInterface(view.Picture_PCT);
    }
};

QRect ScreenHitBox(QWidget& box, const cElement& e) {
    return QRect(box.mapToGlobal(QPoint(e.m_ScanBox_X1, e.m_ScanBox_Y1)),
                 box.mapToGlobal(QPoint(e.m_ScanBox_X2, e.m_ScanBox_Y2)));
}

TEST_F(PictureAccess, ValuesAndLinksAreChildrenWithNameValueAndScreenRectangle) {
    QAccessibleInterface* box = pictureInterface();
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->text(QAccessible::Name), QStringLiteral("Processbild"));
    ASSERT_EQ(box->childCount(), 2);
    QAccessibleInterface* value = box->child(0);
    QAccessibleInterface* link = box->child(1);
    EXPECT_EQ(value->text(QAccessible::Name), QStringLiteral("PG01.BV.GP1 45.5 °C"));
    EXPECT_EQ(value->valueInterface()->currentValue(), QVariant(45.5));
    EXPECT_EQ(value->rect(), ScreenHitBox(*view.Picture_PCT, element(0)));
    EXPECT_EQ(link->role(), QAccessible::Link);
    EXPECT_EQ(link->text(QAccessible::Name), QStringLiteral("Bildlänk till bild 002"));
    EXPECT_EQ(link->rect(), ScreenHitBox(*view.Picture_PCT, element(2)));
    EXPECT_EQ(box->indexOfChild(link), 1);
    EXPECT_EQ(box->childAt(link->rect().center().x(), link->rect().center().y()), link);
}

// Screen readers hear of value changes from the drawing's report (the platform drops the events
// while no reader listens, so the report is what can be watched here).
TEST_F(PictureAccess, AFloodOfValuesIsReportedOncePerDrawingWithTheLastValue) {
    std::vector<std::vector<size_t>> reports;
    const auto tell = view.Drawing().OnDrawn;
    view.Drawing().OnDrawn = [&reports, tell](const std::vector<size_t>& positions) {
        reports.push_back(positions);
        tell(positions);
    };
    for (const char* value : {"46.0", "47.5", "48.0"}) {
        view.BeforeValueChange(0);
        model.ApplyValue(element(0), value);
        view.ValuesChanged();
    }
    EXPECT_TRUE(reports.empty()) << "nothing before the values are drawn";
    view.DrawPending();
    EXPECT_EQ(reports, (std::vector<std::vector<size_t>>{{0}}));
    EXPECT_EQ(pictureInterface()->child(0)->text(QAccessible::Name), QStringLiteral("PG01.BV.GP1 48.0 °C"));
}

TEST_F(PictureAccess, TabMovesOverTheItemsAndEnterDoesWhatTheMouseDoes) {
    parent.show();
    view.Picture_PCT->setFocus();
    QTest::keyClick(view.Picture_PCT, Qt::Key_Tab);
    QTest::keyClick(view.Picture_PCT, Qt::Key_Tab);
    EXPECT_EQ(view.Picture_PCT->FocusItem(), 1);
    QTest::keyClick(view.Picture_PCT, Qt::Key_Return);
    EXPECT_EQ(sender.sent, (Requests{{CMD_GET_PICTURE, "2"}}));

    QTest::keyClick(view.Picture_PCT, Qt::Key_Backtab, Qt::ShiftModifier);
    QTest::keyClick(view.Picture_PCT, Qt::Key_Return);
    EXPECT_EQ(selection.m_SelectedElement, &element(0));
    EXPECT_EQ(toolbar.Text_Address->Text(), "PG01.BV.GP1");
    // Past the last item Tab leaves the picture, and the ring with it.
    QTest::keyClick(view.Picture_PCT, Qt::Key_Tab);
    QTest::keyClick(view.Picture_PCT, Qt::Key_Tab);
    EXPECT_EQ(view.Picture_PCT->FocusItem(), -1);
}

} // namespace
} // namespace pelorin::test
