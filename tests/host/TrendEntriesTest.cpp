#include "HostSupport.h"

#include "core/Element.h"
#include "host/TrendEntries.h"
#include "picture/PictureView.h"
#include "platform/PrintJob.h"
#include "trend/HistoryRecorder.h"

#include <QTest>

namespace pelorin::test {
namespace {

// The demo plant's values, recorded as the control receives them, and the trend entries of a host
// whose window is the control's own.
class TrendEntriesTest : public ::testing::Test {
protected:
    void SetUp() override {
        server = StartDemoServer(data);
        c = &StartClient(f, LoopbackAddress(server->framedPort()));
        entries = std::make_unique<host::TrendEntries>(
            *c, history, TrendServices{.dialogs = &f.dialogs(), .printer = &jobs, .report = &f.output()}, *c);
        ASSERT_TRUE(LogIn(*c));
        ASSERT_TRUE(ShowPicture(*c, 1, true));
        c->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(c));
    }

    std::vector<const cElement*> Values() const {
        std::vector<const cElement*> values;
        for (const auto& e : c->m_Elements)
            if (e->m_ElementType == ET_DYNVALUE)
                values.push_back(e.get());
        return values;
    }

    // Double click on the value, then Ctrl+T where the operator's keys go.
    void TrendOf(const cElement& value) {
        c->view().Picture_PCT_MouseMove(0, 0, static_cast<float>(value.m_ScanBox_X1 + value.m_ScanBox_X2) / 2,
                                        static_cast<float>(value.m_ScanBox_Y1 + value.m_ScanBox_Y2) / 2);
        c->view().Picture_PCT_DblClick();
        ASSERT_EQ(c->m_SelectedElement, &value);
        QTest::keyClick(c->view().Picture_PCT, Qt::Key_T, Qt::ControlModifier);
    }

    QTemporaryDir data;
    std::unique_ptr<sim::Server> server;
    ValueHistory history;
    HistoryRecorder recorder{history};
    ControlFixture f{std::string(), &recorder};
    PelorinControl* c = nullptr;
    JobPrinter jobs;
    std::unique_ptr<host::TrendEntries> entries;
};

// Ctrl+T on a selected value opens its trend with what was recorded; the next value joins that window.
TEST_F(TrendEntriesTest, CtrlTOpensTheSelectedValuesTrendAndTheNextJoinsIt) {
    const std::vector<const cElement*> values = Values();
    ASSERT_GE(values.size(), 2u);
    EXPECT_FALSE(history.Series(values[0]->m_Address).empty());
    TrendOf(*values[0]);
    TrendWindow* window = entries->OpenWindow();
    ASSERT_TRUE(window);
    EXPECT_TRUE(window->isVisible());
    EXPECT_EQ(window->windowTitle(),
              QStringLiteral("Trend – ") + QString::fromStdString(values[0]->m_Address));
    TrendOf(*values[1]);
    EXPECT_EQ(entries->OpenWindow(), window);
    EXPECT_EQ(window->Chart().Addresses(),
              (std::vector<std::string>{values[0]->m_Address, values[1]->m_Address}));
}

// Without a selection Ctrl+T opens nothing.
TEST_F(TrendEntriesTest, CtrlTWithoutASelectedValueOpensNothing) {
    QTest::keyClick(c->view().Picture_PCT, Qt::Key_T, Qt::ControlModifier);
    EXPECT_EQ(entries->OpenWindow(), nullptr);
}

} // namespace
} // namespace pelorin::test
