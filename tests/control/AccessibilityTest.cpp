// What a screen reader and a keyboard user find in the control: every control the operator can work has
// a name, and the picture's links can be followed from the keyboard.

#include "common/SessionSupport.h"

#include <QAccessible>
#include <QMenu>
#include <QTest>
#include <algorithm>
#include <gtest/gtest.h>

namespace pelorin::test {
namespace {

bool IsInteractive(QAccessible::Role role) {
    switch (role) {
    case QAccessible::PushButton:
    case QAccessible::ButtonMenu:
    case QAccessible::ButtonDropDown:
    case QAccessible::CheckBox:
    case QAccessible::RadioButton:
    case QAccessible::ComboBox:
    case QAccessible::EditableText:
    case QAccessible::MenuItem:
    case QAccessible::SpinBox:
    case QAccessible::Link:
        return true;
    default:
        return false;
    }
}

// The interactive objects under `root` without a name, each as its role and description.
void CollectUnnamed(QAccessibleInterface* root, QStringList& unnamed) {
    if (!root)
        return;
    if (IsInteractive(root->role()) && root->text(QAccessible::Name).trimmed().isEmpty())
        unnamed << QStringLiteral("role %1 (%2) %3")
                       .arg(root->role())
                       .arg(root->text(QAccessible::Description))
                       .arg(root->object() ? QString::fromLatin1(root->object()->metaObject()->className())
                                           : QString());
    for (int i = 0; i < root->childCount(); ++i)
        CollectUnnamed(root->child(i), unnamed);
}

using AccessibleNames = SessionTest;

TEST_F(AccessibleNames, EveryInteractiveObjectOfTheControlHasAName) {
    QStringList unnamed;
    const auto walkAll = [this, &unnamed] {
        CollectUnnamed(QAccessible::queryAccessibleInterface(&c()), unnamed);
        // Menus are windows of their own, outside the control's tree.
        for (QMenu* menu : c().findChildren<QMenu*>())
            CollectUnnamed(QAccessible::queryAccessibleInterface(menu), unnamed);
    };
    walkAll(); // the login frame
    LogIn();
    ShowPicture(1, true);
    walkAll();
    EXPECT_TRUE(unnamed.isEmpty()) << unnamed.join(QLatin1Char('\n')).toStdString();
}

using KeyboardInPicture = SessionTest;

TEST_F(KeyboardInPicture, TabToALinkThenEnterShowsTheLinkedPicture) {
    LogIn();
    ShowPicture(1, true);
    PictureBox& picture = *c().view().Picture_PCT;
    picture.setFocus();
    const std::vector<PictureItem> items = picture.Items();
    const auto link = std::find_if(items.begin(), items.end(), [](const PictureItem& item) {
        return item.kind == PictureItem::Kind::Link;
    });
    ASSERT_NE(link, items.end());
    for (auto item = items.begin(); item <= link; ++item)
        QTest::keyClick(&picture, Qt::Key_Tab);
    ASSERT_EQ(picture.FocusItem(), link - items.begin());
    QTest::keyClick(&picture, Qt::Key_Return);
    const int32_t target = c().m_Elements.at(link->id)->m_NewPicture;
    EXPECT_TRUE(waitFor([this, target] { return c().m_PictureNumber == target; })) << target;
}

} // namespace
} // namespace pelorin::test
