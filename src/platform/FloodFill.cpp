#include "platform/FloodFill.h"

#include <algorithm>
#include <cstdint>
#include <tuple>

namespace pelorin {

namespace {

struct FillRun {
    int y, left, right; // inclusive
};

class RegionScanner {
public:
    RegionScanner(const QImage& image, QRgb border)
        : m_Image(image), m_Border(border & RGB_MASK), m_Width(image.width()),
          m_Visited(static_cast<size_t>(image.width()) * static_cast<size_t>(image.height()), 0) {}

    std::vector<FillRun> Scan(QPoint start) {
        std::vector<FillRun> runs;
        std::vector<QPoint> seeds{start};
        while (!seeds.empty()) {
            const QPoint seed = seeds.back();
            seeds.pop_back();
            if (!open(seed.x(), seed.y()))
                continue;
            const FillRun run = widen(seed);
            markVisited(run);
            runs.push_back(run);
            seedRow(run, run.y - 1, seeds);
            seedRow(run, run.y + 1, seeds);
        }
        return runs;
    }

private:
    bool open(int x, int y) const {
        const QRgb pixel = reinterpret_cast<const QRgb*>(m_Image.constScanLine(y))[x];
        return (pixel & RGB_MASK) != m_Border && !m_Visited[index(x, y)];
    }

    size_t index(int x, int y) const {
        return static_cast<size_t>(y) * static_cast<size_t>(m_Width) + size_t(x);
    }

    FillRun widen(QPoint seed) const {
        FillRun run{seed.y(), seed.x(), seed.x()};
        while (run.left > 0 && open(run.left - 1, run.y))
            --run.left;
        while (run.right < m_Width - 1 && open(run.right + 1, run.y))
            ++run.right;
        return run;
    }

    void markVisited(const FillRun& run) {
        std::fill(m_Visited.begin() + std::ptrdiff_t(index(run.left, run.y)),
                  m_Visited.begin() + std::ptrdiff_t(index(run.right, run.y)) + 1, uint8_t{1});
    }

    // One seed per stretch of open pixels in `y` touching the run, so every neighbour region is reached.
    void seedRow(const FillRun& run, int y, std::vector<QPoint>& seeds) const {
        if (y < 0 || y >= m_Image.height())
            return;
        bool inStretch = false;
        for (int x = run.left; x <= run.right; ++x) {
            const bool isOpen = open(x, y);
            if (isOpen && !inStretch)
                seeds.emplace_back(x, y);
            inStretch = isOpen;
        }
    }

    const QImage& m_Image;
    const QRgb m_Border;
    const int m_Width;
    std::vector<uint8_t> m_Visited;
};

// Stacks runs with the same extent on consecutive rows into one rectangle.
std::vector<QRect> MergeRuns(std::vector<FillRun> runs) {
    std::sort(runs.begin(), runs.end(), [](const FillRun& a, const FillRun& b) {
        return std::tie(a.left, a.right, a.y) < std::tie(b.left, b.right, b.y);
    });
    std::vector<QRect> rects;
    for (const FillRun& run : runs) {
        QRect* last = rects.empty() ? nullptr : &rects.back();
        if (last && last->left() == run.left && last->right() == run.right && last->bottom() + 1 == run.y)
            last->setBottom(run.y);
        else
            rects.emplace_back(QPoint(run.left, run.y), QPoint(run.right, run.y));
    }
    return rects;
}

} // namespace

std::vector<QRect> FloodRegion(const QImage& image, QPoint start, QRgb border) {
    if (!image.rect().contains(start))
        return {};
    if (image.depth() != 32)
        return FloodRegion(image.convertToFormat(QImage::Format_RGB32), start, border);
    return MergeRuns(RegionScanner(image, border).Scan(start));
}

} // namespace pelorin
