#pragma once

#include "platform/Widgets.h"

#include <memory>
#include <utility>
#include <vector>

namespace pelorin {

// A position and size in twips.
struct TwipsRect {
    double left, top, width, height;
};

inline void Place(ControlBase& control, TwipsRect r) {
    control.SetLeft(r.left);
    control.SetTop(r.top);
    control.SetWidth(r.width);
    control.SetHeight(r.height);
}

// The wrappers of one component's child controls. Their widgets belong to the control through Qt;
// the wrappers live as long as the component that made them.
class ChildControls {
public:
    template <typename T, typename... Args> T* Make(Args&&... args) {
        auto control = std::make_unique<T>(std::forward<Args>(args)...);
        T* raw = control.get();
        m_Controls.push_back(std::move(control));
        return raw;
    }

private:
    std::vector<std::unique_ptr<ControlBase>> m_Controls;
};

} // namespace pelorin
