#pragma once

#include "trend/TrendChart.h"

#include <QWidget>
#include <map>

class QHBoxLayout;
class QLabel;
class QToolButton;

namespace pelorin {

class Dialogs;
class JobPrinter;
class OutputReport;

// What a trend window needs from outside: where to ask for the export's file and tell a failure, the
// printer of trend jobs and who hears how a job ended, and the clock of the history.
struct TrendServices {
    Dialogs* dialogs = nullptr;
    JobPrinter* printer = nullptr;
    OutputReport* report = nullptr;
    TrendClock clock = WallClockMs;
};

// "Trend – ADDRESS": the values of up to eight addresses against time, redrawn at a steady pace while
// values arrive, with the time ranges, the cursor's reading, CSV export and printing.
class TrendWindow : public QWidget {
public:
    // How often the chart is redrawn at most: values may arrive by the thousand a second.
    static constexpr int kRefreshMs = 250;

    TrendWindow(const ValueHistory& history, TrendServices services, QWidget* parent = nullptr);

    // False when the window holds eight addresses already.
    bool Add(const std::string& address);
    bool Full() const { return m_Chart->Addresses().size() >= TrendScene::kMaxAddresses; }
    TrendChart& Chart() { return *m_Chart; }
    // As the range's button does.
    void ShowRange(TrendChart::Range range);
    // The time and each address's value under the cursor; empty without a cursor.
    QString Reading() const;

    // Asks for a file and writes what is shown there; a file that cannot be written is told.
    void Export();
    // One landscape page through the trend printer; how it went is reported.
    void Print();

private:
    void AddRangeButtons(QHBoxLayout& row);
    void Refresh();
    void ShowReading();
    QString Title() const;

    const ValueHistory& m_History;
    TrendServices m_Services;
    TrendChart* m_Chart;
    QLabel* m_Reading;
    std::map<TrendChart::Range, QToolButton*> m_RangeButtons;
    uint64_t m_DrawnRevision = 0;
};

} // namespace pelorin
