#include "core/RegionalTime.h"

#include <QLocale>
#include <gtest/gtest.h>

namespace pelorin {
namespace {

TEST(RegionalTime, ShortDateAndTimeOfTheLocaleInPlainLatin1) {
    const QDateTime moment(QDate(2024, 3, 5), QTime(7, 8, 9));
    const struct {
        QLocale locale;
        const char* expected;
    } cases[] = {
        {QLocale(QLocale::Swedish, QLocale::Sweden), "2024-03-05 07:08"},
        // A no-break space becomes a space, direction marks go.
        {QLocale(QLocale::Spanish, QLocale::Colombia), "5/03/24 7:08 A. M."},
        {QLocale(QLocale::Arabic, QLocale::Morocco), "5/3/2024 07:08"},
        // Digits beyond Latin-1 give way to the international form.
        {QLocale(QLocale::Arabic, QLocale::Egypt), "2024-03-05 07:08"},
        {QLocale(QLocale::Chinese, QLocale::China), "2024/3/5 07:08"},
    };
    for (const auto& test : cases) {
        QLocale::setDefault(test.locale);
        EXPECT_EQ(RegionalDateTime(moment), test.expected) << test.locale.name().toStdString();
    }
    QLocale::setDefault(QLocale(QLocale::C));
}

} // namespace
} // namespace pelorin
