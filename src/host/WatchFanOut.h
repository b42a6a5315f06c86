#pragma once

#include "ports/PlantWatch.h"

#include <vector>

namespace pelorin::host {

// The control tells one watch; this one tells every watcher added, in the order added.
class WatchFanOut : public PlantWatch {
public:
    void Add(PlantWatch& watcher) { m_Watchers.push_back(&watcher); }

    void LoggedIn(const std::string& visa, const std::string& server) override {
        for (PlantWatch* w : m_Watchers)
            w->LoggedIn(visa, server);
    }
    void LoggedOut() override {
        for (PlantWatch* w : m_Watchers)
            w->LoggedOut();
    }
    void PictureShown(int32_t picture) override {
        for (PlantWatch* w : m_Watchers)
            w->PictureShown(picture);
    }
    void ValueArrived(int32_t pointer, const std::string& address, const std::string& text) override {
        for (PlantWatch* w : m_Watchers)
            w->ValueArrived(pointer, address, text);
    }
    void WriteSent(int32_t pointer, const std::string& address, const std::string& text) override {
        for (PlantWatch* w : m_Watchers)
            w->WriteSent(pointer, address, text);
    }

private:
    std::vector<PlantWatch*> m_Watchers;
};

} // namespace pelorin::host
