// The multi-line text box with one unbroken line: what the operator waits for when a logbook or the
// terminal history holds a line of megabytes. Each iteration sets the text and shows it, scrolls to the
// middle of the line, clicks there and types one character, painting after every step.

#include "WidgetBench.h"

#include "platform/Widgets.h"

#include <QAbstractScrollArea>
#include <QApplication>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QScrollBar>
#include <QWidget>
#include <string>

using namespace pelorin;
using namespace pelorin::bench;

namespace {

std::string DigitLine(size_t bytes) {
    std::string line;
    line.reserve(bytes);
    for (size_t i = 0; i < bytes; ++i)
        line.push_back(static_cast<char>('0' + i % 10));
    return line;
}

void Click(QWidget* widget, QPoint at) {
    const QPointF global = widget->mapToGlobal(QPointF(at));
    for (const QEvent::Type type : {QEvent::MouseButtonPress, QEvent::MouseButtonRelease}) {
        QMouseEvent event(type, QPointF(at), global, Qt::LeftButton,
                          type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(widget, &event);
    }
}

void TypeX(QWidget* widget) {
    QKeyEvent event(QEvent::KeyPress, Qt::Key_X, Qt::NoModifier, QStringLiteral("x"));
    QApplication::sendEvent(widget, &event);
}

// A shown 800 x 400 multi-line box in the terminal's font.
struct ShownBox {
    ShownBox() {
        parent.resize(800, 400);
        box.SetFont("Courier New", 8.5, false);
        box.widget()->resize(800, 400);
        parent.show();
        QApplication::processEvents();
    }
    QWidget parent;
    TextBox box{&parent, TextBox::Kind::MultiLine};
    QAbstractScrollArea* area = static_cast<QAbstractScrollArea*>(box.widget());
};

void BM_LongLineSetScrollEdit(benchmark::State& state) {
    ShownBox shown;
    TextBox& box = shown.box;
    QAbstractScrollArea* area = shown.area;
    const std::string line = DigitLine(static_cast<size_t>(state.range(0)));

    for (auto _ : state) {
        box.SetText(line);
        area->viewport()->repaint();
        area->horizontalScrollBar()->setValue(area->horizontalScrollBar()->maximum() / 2);
        area->viewport()->repaint();
        Click(area->viewport(), QPoint(400, 5));
        TypeX(box.widget());
        area->viewport()->repaint();
    }
    if (box.Text().size() != line.size() + 1)
        state.SkipWithError("the edit did not arrive");
    state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_LongLineSetScrollEdit)->Arg(64 << 10)->Arg(1 << 20)->Arg(4 << 20)->Unit(benchmark::kMillisecond);

// Typing into the middle of a long line once it is shown: one key and its repaint.
void BM_LongLineTypeOneKey(benchmark::State& state) {
    ShownBox shown;
    TextBox& box = shown.box;
    QAbstractScrollArea* area = shown.area;
    box.SetText(DigitLine(static_cast<size_t>(state.range(0))));
    box.SetSelStart(static_cast<int32_t>(state.range(0) / 2));

    for (auto _ : state) {
        TypeX(box.widget());
        area->viewport()->repaint();
    }
}
BENCHMARK(BM_LongLineTypeOneKey)->Arg(64 << 10)->Arg(1 << 20)->Arg(4 << 20)->Unit(benchmark::kMillisecond);

} // namespace

int main(int argc, char** argv) {
    pelorin::bench::UseOffscreenUnlessSet();
    QApplication app(argc, argv);
    return pelorin::bench::RunBenchmarks(argc, argv);
}
