#pragma once

#include <QStringList>
#include <string>
#include <vector>

namespace pelorin {

// The screen as the control sees it: its resolution and the fonts it offers. Without a screen (no
// GUI application) the resolution is taken as 96 dpi.
class Screen {
public:
    static double LogicalDpiX();
    static double LogicalDpiY();
    // 1440 twips make an inch: 15 at 96 dpi.
    static double TwipsPerPixelX() { return twipsPerInch / LogicalDpiX(); }
    static double TwipsPerPixelY() { return twipsPerInch / LogicalDpiY(); }
    // Font family names in the font database's order, each once and without its foundry; names that
    // byte text cannot hold are left out.
    static std::vector<std::string> Fonts();
    // The names of Fonts() from the font database's families ("C059 [urw]" and "C059 [UKWN]" give "C059").
    static std::vector<std::string> FamilyNames(const QStringList& families);

private:
    static constexpr double twipsPerInch = 1440;
};

} // namespace pelorin
