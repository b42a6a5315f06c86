#include "core/RegionalTime.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

// A no-break space becomes a space and direction marks go; digits beyond Latin-1 give way to the
// international form.
TEST(RegionalTime, ShortDateAndTimeOfTheLocaleInPlainLatin1) {
    const QDateTime moment(QDate(2024, 3, 5), QTime(7, 8, 9));
    const std::pair<QLocale, const char*> cases[] = {
        {QLocale(QLocale::Swedish, QLocale::Sweden), "2024-03-05 07:08"},
        {QLocale(QLocale::Spanish, QLocale::Colombia), "5/03/24 7:08 A. M."},
        {QLocale(QLocale::Arabic, QLocale::Morocco), "5/3/2024 07:08"},
        {QLocale(QLocale::Arabic, QLocale::Egypt), "2024-03-05 07:08"},
        {QLocale(QLocale::Chinese, QLocale::China), "2024/3/5 07:08"}};
    for (const auto& [locale, expected] : cases) {
        QLocale::setDefault(locale);
        EXPECT_EQ(RegionalDateTime(moment), expected) << locale.name().toStdString();
    }
    QLocale::setDefault(QLocale(QLocale::C));
}

} // namespace
} // namespace pelorin
