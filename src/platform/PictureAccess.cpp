#include "platform/PictureAccess.h"

#include "platform/PictureBox.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QPointer>
#include <map>
#include <optional>
#include <utility>

namespace pelorin {

namespace {

class PictureAccessible;

// One item of a picture box. It is told by its place among the box's items, so that it stays valid
// while the values change; a picture with fewer items leaves it invalid.
class PictureItemAccessible : public QAccessibleInterface,
                              public QAccessibleActionInterface,
                              public QAccessibleValueInterface {
public:
    PictureItemAccessible(PictureBox* box, int index) : m_Box(box), m_Index(index) {}

    bool isValid() const override { return m_Box && Current().has_value(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override { return m_Box ? m_Box->window()->windowHandle() : nullptr; }
    QAccessibleInterface* parent() const override { return QAccessible::queryAccessibleInterface(m_Box); }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        const std::optional<PictureItem> item = Current();
        if (!item)
            return {};
        switch (t) {
        case QAccessible::Name:
            return item->name;
        case QAccessible::Value:
            return item->value;
        case QAccessible::Description:
            return item->kind == PictureItem::Kind::Link
                       ? QStringLiteral("Enter visar bilden")
                       : QStringLiteral("Enter väljer värdet för skrivning");
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        const std::optional<PictureItem> item = Current();
        if (!item || item->rect.isEmpty())
            return {};
        return QRect(m_Box->mapToGlobal(item->rect.topLeft()), item->rect.size());
    }

    QAccessible::Role role() const override {
        const std::optional<PictureItem> item = Current();
        return item && item->kind == PictureItem::Kind::Link ? QAccessible::Link : QAccessible::StaticText;
    }

    QAccessible::State state() const override {
        QAccessible::State s;
        const std::optional<PictureItem> item = Current();
        s.focusable = true;
        s.invisible = !item || item->rect.isEmpty();
        s.focused = m_Box && m_Box->hasFocus() && m_Box->FocusItem() == m_Index;
        s.linked = item && item->kind == PictureItem::Kind::Link;
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        if (type == QAccessible::ActionInterface)
            return static_cast<QAccessibleActionInterface*>(this);
        if (type == QAccessible::ValueInterface && role() == QAccessible::StaticText)
            return static_cast<QAccessibleValueInterface*>(this);
        return nullptr;
    }

    // The number behind a value, for tools that read values rather than texts; not writable here.
    QVariant currentValue() const override {
        const std::optional<PictureItem> item = Current();
        return item ? QVariant(item->number) : QVariant();
    }
    void setCurrentValue(const QVariant&) override {}
    QVariant maximumValue() const override { return {}; }
    QVariant minimumValue() const override { return {}; }
    QVariant minimumStepSize() const override { return {}; }

    QStringList actionNames() const override { return {pressAction()}; }
    void doAction(const QString& name) override {
        if (name == pressAction() && m_Box)
            m_Box->ActivateItem(m_Index);
    }
    QStringList keyBindingsForAction(const QString&) const override { return {}; }

private:
    std::optional<PictureItem> Current() const {
        if (!m_Box || !m_Box->Items)
            return std::nullopt;
        std::vector<PictureItem> items = m_Box->Items();
        if (m_Index < 0 || static_cast<size_t>(m_Index) >= items.size())
            return std::nullopt;
        return std::move(items[static_cast<size_t>(m_Index)]);
    }

    QPointer<PictureBox> m_Box;
    int m_Index;
};

// The box itself, with one child per item. The children are made as they are asked for and kept
// for the box's lifetime, so that a screen reader's references to them stay good.
class PictureAccessible : public QAccessibleWidget {
public:
    explicit PictureAccessible(PictureBox* box) : QAccessibleWidget(box, QAccessible::Graphic) {}
    ~PictureAccessible() override {
        for (const auto& [index, id] : m_Children)
            QAccessible::deleteAccessibleInterface(id);
    }

    int childCount() const override { return static_cast<int>(Items().size()); }

    QAccessibleInterface* child(int index) const override {
        if (index < 0 || index >= childCount())
            return nullptr;
        auto found = m_Children.find(index);
        if (found == m_Children.end()) {
            auto* item = new PictureItemAccessible(box(), index);
            found = m_Children.emplace(index, QAccessible::registerAccessibleInterface(item)).first;
        }
        return QAccessible::accessibleInterface(found->second);
    }

    int indexOfChild(const QAccessibleInterface* child) const override {
        for (const auto& [index, id] : m_Children)
            if (QAccessible::accessibleInterface(id) == child)
                return index;
        return -1;
    }

    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint at = box()->mapFromGlobal(QPoint(x, y));
        const std::vector<PictureItem> items = Items();
        for (size_t i = 0; i < items.size(); ++i)
            if (items[i].rect.contains(at))
                return child(static_cast<int>(i));
        return nullptr;
    }

    QAccessibleInterface* focusChild() const override {
        return box()->hasFocus() ? child(box()->FocusItem()) : nullptr;
    }

private:
    PictureBox* box() const { return static_cast<PictureBox*>(widget()); }
    std::vector<PictureItem> Items() const {
        return box()->Items ? box()->Items() : std::vector<PictureItem>{};
    }

    mutable std::map<int, QAccessible::Id> m_Children;
};

QAccessibleInterface* PictureAccessFactory(const QString& className, QObject* object) {
    if (className == QLatin1String(PictureBox::staticMetaObject.className()) && object &&
        object->isWidgetType())
        return new PictureAccessible(static_cast<PictureBox*>(object));
    return nullptr;
}

QAccessibleInterface* ItemInterface(PictureBox& box, int index) {
    QAccessibleInterface* boxInterface = QAccessible::queryAccessibleInterface(&box);
    return boxInterface ? boxInterface->child(index) : nullptr;
}

} // namespace

void InstallPictureAccess() {
    static const bool installed = [] {
        QAccessible::installFactory(PictureAccessFactory);
        return true;
    }();
    (void)installed;
}

void TellPictureValuesChanged(PictureBox& box, const std::vector<size_t>& ids) {
    if (!QAccessible::isActive() || ids.empty() || !box.Items)
        return;
    const std::vector<PictureItem> items = box.Items();
    std::map<size_t, int> indexById;
    for (size_t i = 0; i < items.size(); ++i)
        indexById.emplace(items[i].id, static_cast<int>(i));
    for (size_t id : ids) {
        const auto found = indexById.find(id);
        if (found == indexById.end())
            continue;
        if (QAccessibleInterface* item = ItemInterface(box, found->second)) {
            // The name shows the value too: readers that keep names hear of the change.
            QAccessibleEvent nameChanged(item, QAccessible::NameChanged);
            QAccessible::updateAccessibility(&nameChanged);
            QAccessibleValueChangeEvent valueChanged(item, items[static_cast<size_t>(found->second)].number);
            QAccessible::updateAccessibility(&valueChanged);
        }
    }
}

void TellPictureItems(PictureBox& box, QAccessible::Event type, int first, int end) {
    if (!QAccessible::isActive())
        return;
    for (int i = first; i < end; ++i) {
        if (QAccessibleInterface* item = ItemInterface(box, i)) {
            QAccessibleEvent event(item, type);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void TellPictureFocus(PictureBox& box, int item) {
    if (!QAccessible::isActive())
        return;
    if (QAccessibleInterface* focused = ItemInterface(box, item)) {
        QAccessibleEvent event(focused, QAccessible::Focus);
        QAccessible::updateAccessibility(&event);
    }
}

} // namespace pelorin
